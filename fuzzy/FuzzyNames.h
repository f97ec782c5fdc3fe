// The words of fuzzy reasoning: keywords of the enumerations, hedges, hedge operators and the
// union and intersection keywords of fuzzy expressions. All recognisers compare without regard
// to case.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "fuzzy/Fuzzy.h"

namespace norvale {

// The name of the empty set (a variable keeps one such item, which is not one of its terms).
inline constexpr const char* SEmptyFuzzy = "__empty_fuzzy";

// Keyword of each value, indexed by the enumeration.
inline constexpr std::array<std::string_view, 2> FuzzyCorrelationNames = {"minimum", "product"};
inline constexpr std::array<std::string_view, 5> FuzzyInferenceNames = {"min-max", "sum", "mean",
                                                                        "product", "bounded-sum"};
inline constexpr std::array<std::string_view, 7> FuzzyOperationNames = {
    "zadeh", "mean", "mean-sqr", "mean-sqrt", "product", "bounded-sum", "sum"};
// The word of each hedge; "more-or-less" is also read as fhSomewhat.
inline constexpr std::array<std::string_view, 7> FuzzyHedgeNames = {
    "not", "very", "extremely", "somewhat", "slightly", "intensify", "norm"};
// Hedge operators by base hedge: applied to the membership values (flag true) ...
inline constexpr std::array<std::string_view, 8> FuzzyHedgeOperatorNames = {
    "plus", "minus", "times", "divided-by", "power", "root", "at-least", "at-most"};
// ... and to the x positions (flag false).
inline constexpr std::array<std::string_view, 8> FuzzyXHedgeOperatorNames = {
    "x-plus", "x-minus", "x-times", "x-divided-by", "x-power", "x-root", "x-at-least", "x-at-most"};

// Each recogniser accepts the keyword above, and also the enumeration value's name with or
// without its prefix ("fimMinMax", "minmax").
bool IsFuzzyCorrelation(std::string_view Word, TFuzzyCorrelationMethod& Method);
bool IsFuzzyInference(std::string_view Word, TFuzzyInferenceMethod& Method);
bool IsFuzzyOperation(std::string_view Word, TFuzzyOperation& Operation);
bool IsFuzzyHedge(std::string_view Word, TFuzzyHedge& Hedge);
// A hedge operator: its base hedge, and Flag true when it works on the membership values.
bool IsFuzzyHedgeOperator(std::string_view Word, TBaseFuzzyHedge& Hedge, bool& Flag);
// "or" and "and" (zadeh union and intersection), and "or-<operation>" / "and-<operation>" with
// an operation keyword ("or-product", "and-bounded-sum").
bool IsFuzzyKeyword(std::string_view Word, bool& Union, TFuzzyOperation& Operation);

// The spellings the library writes for hedges, hedge operators and keywords.
std::string_view FuzzyHedgeName(TFuzzyHedge Hedge);
std::string_view FuzzyHedgeOperatorName(TBaseFuzzyHedge Hedge, bool Flag);
std::string FuzzyKeywordName(bool Union, TFuzzyOperation Operation);

// A membership degree as the label of a plot row: "%4.2f" ("1.00", "0.05").
std::string FuzzyFormatStr(double Degree);

}  // namespace norvale
