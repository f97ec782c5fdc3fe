// The fuzzy-logic library: fuzzy sets as piecewise-linear membership functions over a linguistic
// variable's universe of discourse, their shapes, operations, hedges and defuzzification.
#pragma once

#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/TypeInfo.h"

namespace norvale {

enum TFuzzyCorrelationMethod { fcmMinimum, fcmProduct };
NORVALE_ENUM(TFuzzyCorrelationMethod, "fcmMinimum", "fcmProduct")

enum TFuzzyInferenceMethod { fimMinMax, fimSum, fimMean, fimProduct, fimBoundedSum };
NORVALE_ENUM(TFuzzyInferenceMethod, "fimMinMax", "fimSum", "fimMean", "fimProduct", "fimBoundedSum")

enum TFuzzyOperation { foZadeh, foMean, foMeanSqr, foMeanSqrt, foProduct, foBoundedSum, foSum };
NORVALE_ENUM(TFuzzyOperation, "foZadeh", "foMean", "foMeanSqr", "foMeanSqrt", "foProduct",
             "foBoundedSum", "foSum")

// The shape a set was last built as; decline is the z shape, growth the s shape. Any change of
// the points other than by a shape makes the set a plain point list again.
enum TFuzzySetType { fstPoints, fstTriangle, fstDecline, fstGrowth, fstPI, fstBeta };
NORVALE_ENUM(TFuzzySetType, "fstPoints", "fstTriangle", "fstDecline", "fstGrowth", "fstPI",
             "fstBeta")

// Linguistic hedges: unary modifiers of the membership values (formulas in FuzzySet.cpp).
enum TFuzzyHedge { fhNot, fhVery, fhExtremely, fhSomewhat, fhSlightly, fhIntensify, fhNorm };
NORVALE_ENUM(TFuzzyHedge, "fhNot", "fhVery", "fhExtremely", "fhSomewhat", "fhSlightly",
             "fhIntensify", "fhNorm")

// Base hedges: a binary operation of a set with a number v, applied to the membership values or,
// with the flag off, to the x positions (formulas in FuzzySet.cpp). The engine's correlation
// relies on the ordinals of bfhProduct (2) and bfhMinimum (7).
enum TBaseFuzzyHedge {
  bfhSum,
  bfhDifference,
  bfhProduct,
  bfhQuotient,
  bfhPower,
  bfhRoot,
  bfhMaximum,
  bfhMinimum
};
NORVALE_ENUM(TBaseFuzzyHedge, "bfhSum", "bfhDifference", "bfhProduct", "bfhQuotient", "bfhPower",
             "bfhRoot", "bfhMaximum", "bfhMinimum")
static_assert(bfhProduct == 2 && bfhMinimum == 7, "the engine's correlation uses these ordinals");

// Raised by the fuzzy library for invalid shapes, hedge values, indexes and missing parsers.
class EFuzzyError : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* SFuzzyPointIndex = "Fuzzy set point index out of bounds (%d)";
inline constexpr const char* SFuzzyTermIndex = "Fuzzy variable term index out of bounds (%d)";
inline constexpr const char* SFuzzyShapePoints = "Fuzzy shape %s needs at least 3 points, not %d";
inline constexpr const char* SFuzzyShapeOrder =
    "Fuzzy shape %s needs ordered bounds: %.4f, %.4f, %.4f";
inline constexpr const char* SFuzzyShapeWidth = "Fuzzy shape %s needs a %s above 0, not %.4f";
inline constexpr const char* SFuzzyHedgeValue = "Invalid value %.4f for the fuzzy hedge %s";
inline constexpr const char* SNoFuzzyParser = "Fuzzy variable %s has no parser";

class TIFuzzySet;
class TIFuzzyVariable;
using IFuzzySet = Ref<TIFuzzySet>;
using IFuzzyVariable = Ref<TIFuzzyVariable>;

// What sets and variables call back for reading and printing (the engine implements it).
class IFuzzyParser {
 public:
  virtual ~IFuzzyParser() = default;
  virtual IFuzzySet ParseFuzzySet(TIFuzzyVariable* Variable, const std::string& Text) = 0;
  virtual IFuzzyVariable ParseFuzzyVariable(const std::string& Text) = 0;
  virtual std::string PrettyPrint(const TIFuzzySet* Set, bool Term) = 0;
  virtual std::string PrettyPrint(const TIFuzzyVariable* Variable) = 0;
};

}  // namespace norvale

#include "fuzzy/FuzzySet.h"
#include "fuzzy/FuzzyVariable.h"
