#include "engine/core/IEFuzzy.h"

#include <cmath>

#include "engine/core/IEValue.h"
#include "fuzzy/FuzzyNames.h"
#include "platform/Format.h"

namespace norvale {

namespace {

double ThresholdOf(const TIFuzzySet& Set) {
  return Set.Variable() ? Set.Variable()->Threshold() : 0.0;
}

// Values are fuzzy sets from now on: whatever the value model makes (singletons resolved into
// sets, for one) is an engine set.
const bool FactoryInstalled =
    (SetFuzzySetFactory([]() -> IFuzzySet { return NewRef<TIEFuzzySet>(); }), true);

}  // namespace

// --- TIEFuzzySet ----------------------------------------------------------------------------

TIEFuzzySet::TIEFuzzySet(TIFuzzyVariable* Variable, const std::string& Name)
    : TIFuzzySet(Variable, Name) {}

bool TIEFuzzySet::Equals(const TObject* Other) const {
  if (auto* V = dynamic_cast<const TIEValue*>(Other)) {
    switch (V->DType()) {
      case dtInteger:
      case dtFloat:
        return DegreeOfMembership(V->AsNumeric()) > ThresholdOf(*this);
      case dtFuzzy: {
        const TIFuzzySet* S = V->FuzzyPtr();
        return S && Iterate(*S, FuzzyOperatorMinThreshold) > 0;
      }
      default:
        return false;
    }
  }
  if (auto* S = dynamic_cast<const TIFuzzySet*>(Other))
    return Iterate(*S, FuzzyOperatorMinThreshold) > 0;
  return false;
}

double TIEFuzzySet::FuzzyEquals(const TObject* Other) {
  double Degree = 0;
  if (auto* V = dynamic_cast<const TIEValue*>(Other)) {
    switch (V->DType()) {
      case dtInteger:
      case dtFloat:
        Degree = DegreeOfMembership(V->AsNumeric());
        break;
      case dtFuzzy:
        if (const TIFuzzySet* S = V->FuzzyPtr()) Degree = Iterate(*S, FuzzyOperatorMaxOfMin);
        break;
      default:
        break;
    }
  } else if (auto* S = dynamic_cast<const TIFuzzySet*>(Other)) {
    Degree = Iterate(*S, FuzzyOperatorMaxOfMin);
  }
  FFuzzyValue = static_cast<float>(Degree);
  return FFuzzyValue;
}

IFuzzySet TIEFuzzySet::NewInstance() const { return NewRef<TIEFuzzySet>(); }

// --- TIEFuzzyVariable -----------------------------------------------------------------------

IFuzzySet TIEFuzzyVariable::CreateSet(const std::string& Name) {
  return NewRef<TIEFuzzySet>(this, Name);
}

IFuzzyVariable TIEFuzzyVariable::NewInstance() const { return NewRef<TIEFuzzyVariable>(); }

void AddAutomaticTerms(TIFuzzyVariable& Variable, double Threshold) {
  Variable.SetThreshold(Threshold);
  const double From = Variable.From(), To = Variable.To();
  auto Add = [&Variable](const char* Name, auto Shape) {
    if (Variable.FindTerm(Name)) return;
    IFuzzySet S = Variable.CreateSet(Name);
    S->BeginUpdate();
    Shape(*S);
    S->EndUpdate();
    Variable.AddTerm(S);
  };
  Add("low", [&](TIFuzzySet& S) {
    S.AddPoint(From, 1);
    S.AddPoint(To, 0);
  });
  Add("medium", [&](TIFuzzySet& S) { S.Triangle(From, From + (To - From) / 2, To); });
  Add("high", [&](TIFuzzySet& S) {
    S.AddPoint(From, 0);
    S.AddPoint(To, 1);
  });
}

}  // namespace norvale
