#include "engine/core/IEFuzzy.h"

#include <cmath>

#include "engine/core/IEValue.h"
#include "fuzzy/FuzzyNames.h"
#include "platform/Format.h"

namespace norvale {

namespace {

constexpr double kPrintTolerance = 0.0001;

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

// --- printed forms --------------------------------------------------------------------------

namespace {

std::string F4(double Value) { return FloatToStr4(Value); }

std::string PointsText(const TIFuzzySet& Set) {
  std::string S = "(";
  for (const TFuzzyPoint& P : Set.Points()) S += "(" + F4(P.X) + " " + F4(P.Y) + ") ";
  return S + ")";
}

// The mean-of-maxima centre of a shape. Defuzzifying records the undecidable flag in the set, and
// printing must not change what is-undecidable reports, so the work is done on a copy.
double CentreOf(const TIFuzzySet& Set) { return Set.Copy()->MaximumDefuzzify(); }

std::string PIText(const TIFuzzySet& Set) {
  const double X0 = Set.LowestX(), XN = Set.HighestX(), C = CentreOf(Set);
  if (std::abs((XN - C) - (C - X0)) <= kPrintTolerance)
    return "(pi " + F4(C) + " " + F4(C - X0) + ")";
  return "(pi " + F4(X0) + " " + F4(C) + " " + F4(XN) + ")";
}

// (beta centre range [inflection [weight]]). The shape function reads two arguments with the
// inflection (centre + range) / 2 and weight 1, so the inflection is left out only when it is
// that one and no weight has to follow it; otherwise the text would read back as another set.
std::string BetaText(const TIFuzzySet& Set) {
  const double X0 = Set.LowestX(), C = CentreOf(Set), Range = C - X0;
  const double Inflection = Set.Inflection();
  double Weight = Set.Weight();
  if (Set.Count() > 1 && Inflection != 0) {
    const double X1 = Set.X(1), Y1 = Set.Y(1);
    const double Z = (X1 - C) / Inflection;
    if (Y1 > 0 && Z != 0) Weight = (1 / Y1 - 1) / (Z * Z);
  }
  const bool WithWeight = std::abs(Weight - 1) > kPrintTolerance;
  const bool WithInflection =
      WithWeight || std::abs(Inflection - (C + Range) / 2) > kPrintTolerance;
  std::string S = "(beta " + F4(C) + " " + F4(Range);
  if (WithInflection) S += " " + F4(Inflection);
  if (WithWeight) S += " " + F4(Weight);
  return S + ")";
}

std::string ShapeText(const TIFuzzySet& Set) {
  const int N = Set.Count();
  switch (N == 0 ? fstPoints : Set.SetType()) {
    case fstTriangle:
      if (N >= 3) return "(tri " + F4(Set.X(0)) + " " + F4(Set.X(1)) + " " + F4(Set.X(2)) + ")";
      break;
    case fstDecline:
      return "(z " + F4(Set.LowestX()) + " " + F4(Set.HighestX()) + ")";
    case fstGrowth:
      return "(s " + F4(Set.LowestX()) + " " + F4(Set.HighestX()) + ")";
    case fstPI:
      return PIText(Set);
    case fstBeta:
      return BetaText(Set);
    case fstPoints:
      if (!Set.Expression().empty()) return Set.Expression();
      break;
  }
  return PointsText(Set);
}

std::string UnitsText(const std::string& Units) {
  if (Units.find(' ') == std::string::npos) return Units;
  return NewString(Units)->GetToString();
}

}  // namespace

std::string FuzzySetPrettyPrint(const TIFuzzySet& Set, bool Term) {
  const bool Empty = SameText(Set.Name(), SEmptyFuzzy);
  if (!Term) return Empty ? std::string() : Set.Name();
  if (Empty) return ShapeText(Set);
  return "(term " + Set.Name() + " " + ShapeText(Set) + ")";
}

std::string FuzzyVariablePrettyPrint(const TIFuzzyVariable& Variable) {
  const std::string Indent = IndentString;
  std::string S =
      Indent + "(range " + F4(Variable.From()) + " " + F4(Variable.To()) + ")" + NewLineString;
  if (!Variable.Units().empty())
    S += Indent + "(units " + UnitsText(Variable.Units()) + ")" + NewLineString;
  S += Indent + "(values " + NewLineString;
  for (int I = 0; I < Variable.TermCount(); ++I) {
    const IFuzzySet& T = Variable.Term(I);
    if (T->IsTerm()) S += Indent + Indent + FuzzySetPrettyPrint(*T, true) + NewLineString;
  }
  return S + Indent + ")" + NewLineString;
}

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
