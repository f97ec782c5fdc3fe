// The engine's fuzzy sets and linguistic variables: sets that compare the way pattern matching and
// fact equality need, variables that make such sets, and the printed forms the engine's printer
// gives both (the knowledge language's parser reads them back).
#pragma once

#include <string>

#include "fuzzy/Fuzzy.h"

namespace norvale {

// A fuzzy set of the engine. Equality is overlap above the variable's threshold rather than the
// library's equality of points, so a fuzzy slot matches whatever its set "is" to that degree.
class TIEFuzzySet : public TIFuzzySet {
 public:
  TIEFuzzySet() = default;
  TIEFuzzySet(TIFuzzyVariable* Variable, const std::string& Name);

  // Against another set: the two meet above the threshold (Iterate, FuzzyOperatorMinThreshold).
  // Against a value (TIEValue): an integer or float x when the membership at x is strictly
  // greater than the threshold of this set's variable (0 without a variable); a fuzzy value by
  // its set as above; any other value, or any other object, gives false.
  bool Equals(const TObject* Other) const override;
  // The degree of the match, kept in FuzzyValue and returned: the largest pointwise minimum
  // against a set or a fuzzy value, the membership at a number, otherwise 0.
  double FuzzyEquals(const TObject* Other) override;
  // The degree found by the last FuzzyEquals (single precision, as the engine keeps degrees).
  float FuzzyValue() const noexcept { return FFuzzyValue; }

  IFuzzySet NewInstance() const override;

 private:
  float FFuzzyValue = 0;
};

// A linguistic variable of the engine: every set it creates (terms, parsed sets, copies) is a
// TIEFuzzySet.
class TIEFuzzyVariable : public TIFuzzyVariable {
 public:
  TIEFuzzyVariable() = default;
  explicit TIEFuzzyVariable(const std::string& Name) : TIFuzzyVariable(Name) {}

  IFuzzySet CreateSet(const std::string& Name) override;
  IFuzzyVariable NewInstance() const override;
};

// The printed form of a set. Without Term: its name ("" for the empty set). With Term:
// "(term <name> <shape>)", or the shape alone for the empty set, where the shape is
// (tri l c r), (z from to), (s from to), (pi centre half-width) or (pi left centre right),
// (beta centre range [inflection [weight]]), the set's expression, or its points
// ((x y) (x y) ). Numbers are written with four decimals.
std::string FuzzySetPrettyPrint(const TIFuzzySet& Set, bool Term);

// The body of a fuzzy deftype: the range, the units (quoted when they hold a blank) and the
// variable's own terms in item order, one clause per line, each line indented and ended with
// CR LF.
std::string FuzzyVariablePrettyPrint(const TIFuzzyVariable& Variable);

// Gives Variable the equality threshold and then adds each of the terms low (falling from 1 to
// 0 over the universe), medium (a triangle peaking in the middle) and high (rising from 0 to 1)
// that it does not have yet (names compared without regard to case).
void AddAutomaticTerms(TIFuzzyVariable& Variable, double Threshold);

}  // namespace norvale
