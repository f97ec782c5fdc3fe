#include "fuzzy/FuzzySet.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "fuzzy/FuzzyNames.h"
#include "platform/Format.h"

namespace norvale {

namespace {

using TPoints = std::vector<TFuzzyPoint>;

constexpr double kEps = 1e-12;
constexpr double kMaxTolerance = 1e-9;  // memberships this close count as the same maximum
constexpr double kSameTolerance = 0.0001;
// Curved results (powers, products of memberships) are sampled until the chord between two
// samples is within this distance of the curve at its middle, halving at most kRefineDepth times.
constexpr double kRefineTolerance = 0.001;
constexpr int kRefineDepth = 10;

double Lerp(double A, double B, double T) { return A + T * (B - A); }

// The membership just left of X, at X and just right of X. They differ only where points share
// X: the left limit is the first of them, the right limit the last, the value their largest.
struct TLimits {
  double L, V, R;
};

TLimits LimitsAt(const TPoints& P, double X) {
  if (P.empty()) return {0, 0, 0};
  if (X < P.front().X) return {P.front().Y, P.front().Y, P.front().Y};
  if (X > P.back().X) return {P.back().Y, P.back().Y, P.back().Y};
  auto It = std::lower_bound(P.begin(), P.end(), X,
                             [](const TFuzzyPoint& A, double V) { return A.X < V; });
  if (It->X == X) {
    TLimits Lim{It->Y, It->Y, It->Y};
    for (auto J = It; J != P.end() && J->X == X; ++J) {
      Lim.V = std::max(Lim.V, J->Y);
      Lim.R = J->Y;
    }
    return Lim;
  }
  auto Prev = It - 1;
  double Y = Lerp(Prev->Y, It->Y, (X - Prev->X) / (It->X - Prev->X));
  return {Y, Y, Y};
}

// Appends a point unless it repeats the last one.
void Append(TPoints& Out, double X, double Y) {
  if (!Out.empty() && Out.back().X == X && std::abs(Out.back().Y - Y) <= kEps) return;
  Out.push_back({X, Y});
}

// Adds to Out the parameters t in (T0, T1), with G(t), where a chord is too far from curve G.
// The chord is tested at its quarters too, since an S-shaped piece can meet it in the middle.
void Refine(const std::function<double(double)>& G, double T0, double Y0, double T1, double Y1,
            int Depth, std::vector<std::pair<double, double>>& Out) {
  double Tm = (T0 + T1) / 2;
  double Ym = G(Tm);
  if (Depth >= kRefineDepth) return;
  auto Off = [&](double F, double Y) { return std::abs(Y - Lerp(Y0, Y1, F)) > kRefineTolerance; };
  bool Split = Off(0.5, Ym) || Off(0.25, G(Lerp(T0, T1, 0.25))) || Off(0.75, G(Lerp(T0, T1, 0.75)));
  if (!Split) return;
  Refine(G, T0, Y0, Tm, Ym, Depth + 1, Out);
  Out.emplace_back(Tm, Ym);
  Refine(G, Tm, Ym, T1, Y1, Depth + 1, Out);
}

// Parameters in (0, 1) where the linear function from D0 to D1 changes sign.
void AddCrossing(std::vector<double>& Ts, double D0, double D1) {
  if ((D0 < 0 && D1 > 0) || (D0 > 0 && D1 < 0)) Ts.push_back(D0 / (D0 - D1));
}

// Walks the samples of two sets in x order, calling Visit(x, a, b) with both memberships: at
// every x of either set the left limits, the values and the right limits; between two such x,
// where both sets are linear, the crossing of the two segments (and, with BoundedKinks, where
// a + b = 1) and, when F is given, the samples that F(a, b) needs to be followed within
// kRefineTolerance.
template <class V>
void SampleTwo(const TPoints& A, const TPoints& B, bool BoundedKinks,
               const std::function<double(double, double)>& F, V Visit) {
  std::vector<double> Xs;
  Xs.reserve(A.size() + B.size());
  for (const TFuzzyPoint& P : A) Xs.push_back(P.X);
  for (const TFuzzyPoint& P : B) Xs.push_back(P.X);
  std::sort(Xs.begin(), Xs.end());
  Xs.erase(std::unique(Xs.begin(), Xs.end()), Xs.end());
  for (size_t K = 0; K < Xs.size(); ++K) {
    double X0 = Xs[K];
    TLimits LA = LimitsAt(A, X0), LB = LimitsAt(B, X0);
    Visit(X0, LA.L, LB.L);
    Visit(X0, LA.V, LB.V);
    Visit(X0, LA.R, LB.R);
    if (K + 1 == Xs.size()) break;
    double X1 = Xs[K + 1];
    double A0 = LA.R, A1 = LimitsAt(A, X1).L, B0 = LB.R, B1 = LimitsAt(B, X1).L;
    std::vector<double> Ts{0.0};
    AddCrossing(Ts, A0 - B0, A1 - B1);
    if (BoundedKinks) AddCrossing(Ts, A0 + B0 - 1, A1 + B1 - 1);
    std::sort(Ts.begin() + 1, Ts.end());
    Ts.push_back(1.0);
    auto At = [&](double T) { Visit(Lerp(X0, X1, T), Lerp(A0, A1, T), Lerp(B0, B1, T)); };
    for (size_t I = 0; I + 1 < Ts.size(); ++I) {
      if (F) {
        auto G = [&](double T) { return F(Lerp(A0, A1, T), Lerp(B0, B1, T)); };
        std::vector<std::pair<double, double>> Samples;
        Refine(G, Ts[I], G(Ts[I]), Ts[I + 1], G(Ts[I + 1]), 0, Samples);
        for (const auto& S : Samples) At(S.first);
      }
      if (I + 2 < Ts.size()) At(Ts[I + 1]);
    }
  }
}

// Maps every membership through F. Inside each sloped segment, points are added where the
// segment crosses one of Levels (kinks of F) and where F is curved.
void TransformY(TPoints& P, const std::function<double(double)>& F,
                std::initializer_list<double> Levels, bool Curved) {
  TPoints Out;
  Out.reserve(P.size());
  for (size_t I = 0; I < P.size(); ++I) {
    Out.push_back({P[I].X, F(P[I].Y)});
    if (I + 1 == P.size() || P[I + 1].X == P[I].X) continue;
    double X0 = P[I].X, X1 = P[I + 1].X, Y0 = P[I].Y, Y1 = P[I + 1].Y;
    std::vector<double> Ts{0.0};
    for (double L : Levels) AddCrossing(Ts, Y0 - L, Y1 - L);
    std::sort(Ts.begin() + 1, Ts.end());
    Ts.push_back(1.0);
    auto G = [&](double T) { return F(Lerp(Y0, Y1, T)); };
    for (size_t K = 0; K + 1 < Ts.size(); ++K) {
      if (Curved) {
        std::vector<std::pair<double, double>> Samples;
        Refine(G, Ts[K], G(Ts[K]), Ts[K + 1], G(Ts[K + 1]), 0, Samples);
        for (const auto& S : Samples) Out.push_back({Lerp(X0, X1, S.first), S.second});
      }
      if (K + 2 < Ts.size()) Out.push_back({Lerp(X0, X1, Ts[K + 1]), G(Ts[K + 1])});
    }
  }
  P = std::move(Out);
}

// Union (t-conorm) and intersection (t-norm) of two memberships under each operation:
//   zadeh        max(a, b)                    min(a, b)
//   product      a + b - a*b (probabilistic)  a * b
//   bounded-sum  min(1, a + b)                max(0, a + b - 1)   (Lukasiewicz)
//   sum          a + b (not bounded)          max(0, a + b - 1)
// The three means are averaging operators, the same for union and intersection:
//   mean         (a + b) / 2
//   mean-sqr     ((a + b) / 2)^2              (the mean, concentrated)
//   mean-sqrt    sqrt((a + b) / 2)            (the mean, dilated)
double Combine2(TFuzzyOperation Operation, bool IsUnion, double A, double B) {
  switch (Operation) {
    case foZadeh:
      return IsUnion ? std::max(A, B) : std::min(A, B);
    case foMean:
      return (A + B) / 2;
    case foMeanSqr:
      return ((A + B) / 2) * ((A + B) / 2);
    case foMeanSqrt:
      return std::sqrt(std::max(0.0, (A + B) / 2));
    case foProduct:
      return IsUnion ? A + B - A * B : A * B;
    case foBoundedSum:
      return IsUnion ? std::min(1.0, A + B) : std::max(0.0, A + B - 1);
    case foSum:
      return IsUnion ? A + B : std::max(0.0, A + B - 1);
  }
  return IsUnion ? std::max(A, B) : std::min(A, B);
}

// Zadeh's S function over the unit interval: 2t^2 up to t = 1/2, then 1 - 2(1 - t)^2.
double S01(double T) { return T <= 0.5 ? 2 * T * T : 1 - 2 * (1 - T) * (1 - T); }

void CheckCount(const char* Shape, int Count) {
  if (Count < 3) throw EFuzzyError(Format(SFuzzyShapePoints, {Shape, Count}));
}

void CheckOrder(const char* Shape, double A, double B, double C) {
  if (!(A <= B && B <= C)) throw EFuzzyError(Format(SFuzzyShapeOrder, {Shape, A, B, C}));
}

double SignedPower(double X, double P) { return X < 0 ? -std::pow(-X, P) : std::pow(X, P); }

}  // namespace

double FuzzyOperatorMinThreshold(double Result, double Y1, double Y2, double Threshold) {
  return Result > 0 || std::min(Y1, Y2) > Threshold ? 1.0 : 0.0;
}

double FuzzyOperatorMaxOfMin(double Result, double Y1, double Y2, double /*Threshold*/) {
  return std::max(Result, std::min(Y1, Y2));
}

// --- construction and properties ------------------------------------------------------------

TIFuzzySet::TIFuzzySet() = default;

TIFuzzySet::TIFuzzySet(TIFuzzyVariable* Variable, const std::string& Name) {
  SetName(Name);
  HoldVariable(Variable);
}

TIFuzzySet::~TIFuzzySet() = default;

void TIFuzzySet::HoldVariable(TIFuzzyVariable* Value) {
  FVariable = Value;
  // A variable nobody counts (one on the stack, or one still being built) is not counted here
  // either: taking its first reference would free it when this set lets go.
  bool Counted = Value && (Value->RefCount() > 0 || Value->IsPermanent());
  FVariableRef.Reset(Counted ? Value : nullptr);
}

void TIFuzzySet::SetName(const std::string& Value) {
  FName = Value;
  FNamePrecedence = Value.find(' ') == std::string::npos ? 0 : 2;
  Changed();
}

void TIFuzzySet::SetVariable(TIFuzzyVariable* Value) {
  if (Value == FVariable) return;
  if (FItem && FVariable) {
    IFuzzySet Self(this);  // the old variable's reference to this set may be the last one
    FVariable->RemoveTerm(this);
    HoldVariable(Value);
    return;
  }
  HoldVariable(Value);
}

bool TIFuzzySet::IsTerm() const noexcept { return FItem && !SameText(FName, SEmptyFuzzy); }

bool TIFuzzySet::Plot() const noexcept { return FPlot && !SameText(FName, SEmptyFuzzy); }

void TIFuzzySet::SetExpression(const std::string& Value) {
  FExpression = Value;
  Changed();
}

// --- points ---------------------------------------------------------------------------------

double TIFuzzySet::X(int Index) const {
  if (Index < 0 || Index >= Count()) throw EFuzzyError(Format(SFuzzyPointIndex, {Index}));
  return FPoints[Index].X;
}

double TIFuzzySet::Y(int Index) const {
  if (Index < 0 || Index >= Count()) throw EFuzzyError(Format(SFuzzyPointIndex, {Index}));
  return FPoints[Index].Y;
}

void TIFuzzySet::AddPoint(double X, double Y) {
  auto Less = [](const TFuzzyPoint& A, double V) { return A.X < V; };
  auto Lo = std::lower_bound(FPoints.begin(), FPoints.end(), X, Less);
  auto Hi = Lo;
  while (Hi != FPoints.end() && Hi->X == X) ++Hi;
  if (Lo != Hi) {
    *Lo = {X, Y};
    FPoints.erase(Lo + 1, Hi);
  } else {
    FPoints.insert(Lo, {X, Y});
  }
  FSetType = fstPoints;
  Changed();
}

void TIFuzzySet::DeletePoint(int Index) {
  if (Index < 0 || Index >= Count()) throw EFuzzyError(Format(SFuzzyPointIndex, {Index}));
  FPoints.erase(FPoints.begin() + Index);
  FSetType = fstPoints;
  Changed();
}

void TIFuzzySet::ClearPoints() {
  FPoints.clear();
  FSetType = fstPoints;
  Changed();
}

void TIFuzzySet::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0 && FPendingChange) {
    FPendingChange = false;
    Changed();
  }
}

void TIFuzzySet::Changed() {
  if (FUpdateCount > 0) {
    FPendingChange = true;
    return;
  }
  // Only the variable's own items are its business; copies and results change silently.
  if (FItem && FVariable) FVariable->SetChanged(this);
}

void TIFuzzySet::ReplacePoints(std::vector<TFuzzyPoint> Points, TFuzzySetType Type) {
  FPoints = std::move(Points);
  FSetType = Type;
  FExpression.clear();
  Changed();
}

double TIFuzzySet::DegreeOfMembership(double X) const { return LimitsAt(FPoints, X).V; }

// --- defuzzification ------------------------------------------------------------------------

double TIFuzzySet::Defuzzify() const { return MomentDefuzzify(); }

// The centroid of the area under the points (over LowestX .. HighestX), exact for each linear
// segment: area w (y0 + y1) / 2 and first moment w (x0 (2 y0 + y1) + x1 (y0 + 2 y1)) / 6. A set
// without area is undecidable and gives its mean of maxima (so a singleton gives its x).
double TIFuzzySet::MomentDefuzzify() const {
  double Area = 0, Moment = 0;
  for (size_t I = 0; I + 1 < FPoints.size(); ++I) {
    const TFuzzyPoint& P = FPoints[I];
    const TFuzzyPoint& Q = FPoints[I + 1];
    double W = Q.X - P.X;
    if (W <= 0) continue;
    Area += W * (P.Y + Q.Y) / 2;
    Moment += W * (P.X * (2 * P.Y + Q.Y) + Q.X * (P.Y + 2 * Q.Y)) / 6;
  }
  if (Area > kEps) {
    FUndecidable = false;
    return Moment / Area;
  }
  double Result = MaximumDefuzzify();
  FUndecidable = true;
  return Result;
}

// The mean of the x where the membership is largest. Where it stays largest over segments
// (plateaus), their mean over that x extent (the length-weighted mean of their middles); else
// the mean of the distinct x of the highest points. Undecidable without points or when the
// largest membership is not above 0 (a set all zero gives the middle of its points; none, 0).
double TIFuzzySet::MaximumDefuzzify() const {
  if (FPoints.empty()) {
    FUndecidable = true;
    return 0;
  }
  double MaxY = FPoints.front().Y;
  for (const TFuzzyPoint& P : FPoints) MaxY = std::max(MaxY, P.Y);
  auto AtMax = [MaxY](const TFuzzyPoint& P) { return std::abs(P.Y - MaxY) <= kMaxTolerance; };
  double Length = 0, Weighted = 0;
  for (size_t I = 0; I + 1 < FPoints.size(); ++I) {
    const TFuzzyPoint& P = FPoints[I];
    const TFuzzyPoint& Q = FPoints[I + 1];
    if (Q.X > P.X && AtMax(P) && AtMax(Q)) {
      Length += Q.X - P.X;
      Weighted += (Q.X - P.X) * (P.X + Q.X) / 2;
    }
  }
  double Result;
  if (Length > 0) {
    Result = Weighted / Length;
  } else {
    double Sum = 0;
    int N = 0;
    for (size_t I = 0; I < FPoints.size(); ++I) {
      bool Repeated = I > 0 && FPoints[I].X == FPoints[I - 1].X && AtMax(FPoints[I - 1]);
      if (!AtMax(FPoints[I]) || Repeated) continue;
      Sum += FPoints[I].X;
      ++N;
    }
    Result = Sum / N;
  }
  FUndecidable = MaxY <= 0;
  return Result;
}

double TIFuzzySet::CompatibilityIndex(const TIFuzzySet& Other) const {
  return Other.DegreeOfMembership(MomentDefuzzify());
}

// --- operations giving new sets -------------------------------------------------------------

IFuzzySet TIFuzzySet::NewInstance() const { return NewRef<TIFuzzySet>(); }

IFuzzySet TIFuzzySet::Copy() const {
  IFuzzySet R = NewInstance();
  R->AssignFrom(*this);
  return R;
}

IFuzzySet TIFuzzySet::Union(const TIFuzzySet& Other, TFuzzyOperation Operation) const {
  return Combine(Other, Operation, true);
}

IFuzzySet TIFuzzySet::Intersection(const TIFuzzySet& Other, TFuzzyOperation Operation) const {
  return Combine(Other, Operation, false);
}

IFuzzySet TIFuzzySet::Combine(const TIFuzzySet& Other, TFuzzyOperation Operation,
                              bool IsUnion) const {
  std::function<double(double, double)> F = [Operation, IsUnion](double A, double B) {
    return Combine2(Operation, IsUnion, A, B);
  };
  bool Bounded = Operation == foBoundedSum || (Operation == foSum && !IsUnion);
  TPoints Out;
  SampleTwo(FPoints, Other.FPoints, Bounded, F,
            [&](double X, double A, double B) { Append(Out, X, F(A, B)); });
  IFuzzySet R = NewInstance();
  R->FPoints = std::move(Out);
  R->FParser = FParser ? FParser : Other.FParser;
  R->HoldVariable(FVariable ? FVariable : Other.FVariable);
  R->Rename(
      OperandText(2) + " " + FuzzyKeywordName(IsUnion, Operation) + " " + Other.OperandText(1), 2);
  return R;
}

double TIFuzzySet::Iterate(const TIFuzzySet& Other, TFuzzyIterateOperator Op) const {
  double Threshold = FVariable         ? FVariable->Threshold()
                     : Other.FVariable ? Other.FVariable->Threshold()
                                       : 0.0;
  double Result = 0;
  SampleTwo(FPoints, Other.FPoints, false, nullptr,
            [&](double, double A, double B) { Result = Op(Result, A, B, Threshold); });
  return Result;
}

// --- names of derived sets ------------------------------------------------------------------

// A derived set is named by the expression that makes it ("very low", "low or high"), with
// brackets where the knowledge language's precedence needs them, so that its printed form reads
// back as the same set. An item of a variable keeps its name and, changed in place, is no longer
// what its expression says: it loses the expression and prints as its points.
void TIFuzzySet::Rename(const std::string& Text, int Precedence) {
  if (FItem) {
    FExpression.clear();
    return;
  }
  FExpression = Text;
  FName = Text;
  FNamePrecedence = Precedence;
}

std::string TIFuzzySet::OperandText(int MaxPrecedence) const {
  if (FName.empty()) return ValuesText();
  return FNamePrecedence > MaxPrecedence ? "[ " + FName + " ]" : FName;
}

// --- operations changing this set -----------------------------------------------------------

// Hedges, each a map of the membership y:
//   not        1 - y                      (complement; not below 0)
//   very       y^2                        (concentration)
//   extremely  y^3
//   somewhat   y^(1/2)                    (dilation; also "more-or-less")
//   slightly   y^(1/3)
//   intensify  2y^2 up to 0.5, then 1 - 2(1 - y)^2   (contrast intensification)
//   norm       y / (largest y)            (normalisation to height 1)
// Curved maps add points inside sloped segments so that the result follows the curve.
TIFuzzySet& TIFuzzySet::ApplyHedge(TFuzzyHedge Hedge) {
  if (FPoints.empty()) return *this;
  auto Pos = [](double Y) { return std::max(0.0, Y); };
  std::function<double(double)> F;
  bool Curved = true;
  switch (Hedge) {
    case fhNot:
      F = [](double Y) { return std::max(0.0, 1 - Y); };
      Curved = false;
      break;
    case fhVery:
      F = [Pos](double Y) { return Pos(Y) * Pos(Y); };
      break;
    case fhExtremely:
      F = [Pos](double Y) { return Pos(Y) * Pos(Y) * Pos(Y); };
      break;
    case fhSomewhat:
      F = [Pos](double Y) { return std::sqrt(Pos(Y)); };
      break;
    case fhSlightly:
      F = [Pos](double Y) { return std::cbrt(Pos(Y)); };
      break;
    case fhIntensify:
      F = [Pos](double Y) { return S01(Pos(Y)); };
      break;
    case fhNorm: {
      double MaxY = 0;
      for (const TFuzzyPoint& P : FPoints) MaxY = std::max(MaxY, P.Y);
      if (MaxY <= 0) return *this;
      F = [MaxY](double Y) { return Y / MaxY; };
      Curved = false;
      break;
    }
  }
  if (!F) return *this;
  TransformY(FPoints, F, {}, Curved);
  FSetType = fstPoints;
  Rename(std::string(FuzzyHedgeName(Hedge)) + " " + OperandText(1), 1);
  Changed();
  return *this;
}

// Base hedges with the number v. With Flag set they map the membership y (never below 0):
//   sum y + v (at most 1), difference y - v, product y * v, quotient y / v (v not 0),
//   power y^v and root y^(1/v) (v above 0), maximum max(y, v), minimum min(y, v) (clipping).
// With Flag off they move the x positions by the same operation, x := x op v (power and root
// keep the sign of x), and the points are sorted again.
TIFuzzySet& TIFuzzySet::ApplyBaseHedge(TBaseFuzzyHedge Hedge, bool Flag, double Value) {
  if (FPoints.empty()) return *this;
  const double V = Value;
  bool BadValue =
      ((Hedge == bfhPower || Hedge == bfhRoot) && !(V > 0)) || (Hedge == bfhQuotient && V == 0);
  if (BadValue) {
    throw EFuzzyError(
        Format(SFuzzyHedgeValue, {V, std::string(FuzzyHedgeOperatorName(Hedge, Flag))}));
  }
  std::function<double(double)> F;
  switch (Hedge) {
    case bfhSum:
      F = [V](double A) { return A + V; };
      break;
    case bfhDifference:
      F = [V](double A) { return A - V; };
      break;
    case bfhProduct:
      F = [V](double A) { return A * V; };
      break;
    case bfhQuotient:
      F = [V](double A) { return A / V; };
      break;
    case bfhPower:
      F = [V](double A) { return SignedPower(A, V); };
      break;
    case bfhRoot:
      F = [V](double A) { return SignedPower(A, 1 / V); };
      break;
    case bfhMaximum:
      F = [V](double A) { return std::max(A, V); };
      break;
    case bfhMinimum:
      F = [V](double A) { return std::min(A, V); };
      break;
  }
  if (!F) return *this;
  if (Flag) {
    auto G = [F, Hedge](double Y) {
      double R = std::max(0.0, F(std::max(0.0, Y)));
      return Hedge == bfhSum ? std::min(1.0, R) : R;
    };
    // Where the map has a kink inside a segment: the clamp at 1, or the level v.
    bool Kinked =
        Hedge == bfhSum || Hedge == bfhDifference || Hedge == bfhMaximum || Hedge == bfhMinimum;
    double Level = Hedge == bfhSum ? 1 - V : V;
    bool Curved = Hedge == bfhPower || Hedge == bfhRoot;
    if (Kinked)
      TransformY(FPoints, G, {Level}, Curved);
    else
      TransformY(FPoints, G, {}, Curved);
  } else {
    for (TFuzzyPoint& P : FPoints) P.X = F(P.X);
    std::stable_sort(FPoints.begin(), FPoints.end(),
                     [](const TFuzzyPoint& A, const TFuzzyPoint& B) { return A.X < B.X; });
  }
  FSetType = fstPoints;
  Rename(OperandText(2) + " " + std::string(FuzzyHedgeOperatorName(Hedge, Flag)) + " " +
             FloatToStr4(V),
         2);
  Changed();
  return *this;
}

// --- shapes ---------------------------------------------------------------------------------

// Count points: half of the intervals (rounded down) on From .. Middle, the rest on Middle .. To;
// y = t^2 / 2 on the first part and 1 - (1 - t)^2 / 2 on the second, t running 0 .. 1 in each
// (with Middle halfway, Zadeh's S function).
void TIFuzzySet::SCurve(int Count, bool Increasing, double From, double To, double Middle) {
  const char* Shape = Increasing ? "s" : "z";
  CheckCount(Shape, Count);
  CheckOrder(Shape, From, Middle, To);
  int N = Count - 1, NL = N / 2, NR = N - NL;
  TPoints P;
  P.reserve(Count);
  auto Add = [&](double X, double Y) { P.push_back({X, Increasing ? Y : 1 - Y}); };
  for (int I = 0; I <= NL; ++I) {
    double T = static_cast<double>(I) / NL;
    Add(I == NL ? Middle : Lerp(From, Middle, T), T * T / 2);
  }
  for (int I = 1; I <= NR; ++I) {
    double T = static_cast<double>(I) / NR;
    Add(I == NR ? To : Lerp(Middle, To, T), 1 - (1 - T) * (1 - T) / 2);
  }
  FInflection = 0;
  FWeight = 1;
  ReplacePoints(std::move(P), Increasing ? fstGrowth : fstDecline);
}

void TIFuzzySet::PI(int Count, double Range, double Centre) {
  PI(Count, Centre - Range, Centre + Range, Centre);
}

// An S function from Left up to Centre and its mirror down to Right, Count points split between
// the two halves as in SCurve.
void TIFuzzySet::PI(int Count, double Left, double Right, double Centre) {
  CheckCount("pi", Count);
  CheckOrder("pi", Left, Centre, Right);
  int N = Count - 1, NL = N / 2, NR = N - NL;
  TPoints P;
  P.reserve(Count);
  for (int I = 0; I <= NL; ++I) {
    double T = static_cast<double>(I) / NL;
    P.push_back({I == NL ? Centre : Lerp(Left, Centre, T), S01(T)});
  }
  for (int I = 1; I <= NR; ++I) {
    double T = static_cast<double>(I) / NR;
    P.push_back({I == NR ? Right : Lerp(Centre, Right, T), S01(1 - T)});
  }
  FInflection = 0;
  FWeight = 1;
  ReplacePoints(std::move(P), fstPI);
}

void TIFuzzySet::Triangle(double Left, double Centre, double Right) {
  CheckOrder("tri", Left, Centre, Right);
  FInflection = 0;
  FWeight = 1;
  ReplacePoints({{Left, 0}, {Centre, 1}, {Right, 0}}, fstTriangle);
}

void TIFuzzySet::Beta(int Count, double Range, double Centre, double Inflection) {
  Beta(Count, Range, Centre, Inflection, 1);
}

// Count points evenly over Centre - Range .. Centre + Range of the bell
// 1 / (1 + Weight ((x - Centre) / Inflection)^2), which is 1/2 at Centre -+ Inflection for
// weight 1.
void TIFuzzySet::Beta(int Count, double Range, double Centre, double Inflection, double Weight) {
  CheckCount("beta", Count);
  CheckOrder("beta", Centre - Range, Centre, Centre + Range);
  if (!(Inflection > 0)) {
    throw EFuzzyError(Format(SFuzzyShapeWidth, {"beta", "inflection", Inflection}));
  }
  if (!(Weight > 0)) throw EFuzzyError(Format(SFuzzyShapeWidth, {"beta", "weight", Weight}));
  int N = Count - 1;
  TPoints P;
  P.reserve(Count);
  for (int I = 0; I <= N; ++I) {
    double Offset = Range * (2 * I - N) / N;
    double Z = Offset / Inflection;
    P.push_back({Centre + Offset, 1 / (1 + Weight * Z * Z)});
  }
  FInflection = Inflection;
  FWeight = Weight;
  ReplacePoints(std::move(P), fstBeta);
}

// --- text and comparison --------------------------------------------------------------------

std::string TIFuzzySet::ToString() const {
  if (FParser) return FParser->PrettyPrint(this, false);
  return SameText(FName, SEmptyFuzzy) ? std::string() : FName;
}

std::string TIFuzzySet::TermString() const {
  if (FParser) return FParser->PrettyPrint(this, true);
  std::string Shape = FSetType == fstPoints && !FExpression.empty() ? FExpression : ValuesText();
  if (SameText(FName, SEmptyFuzzy)) return Shape;
  return "(term " + FName + " " + Shape + ")";
}

std::string TIFuzzySet::ValuesText() const {
  std::string S = "(";
  for (size_t I = 0; I < FPoints.size(); ++I) {
    if (I > 0) S += ' ';
    S += '(' + FloatToStr4(FPoints[I].X) + ' ' + FloatToStr4(FPoints[I].Y) + ')';
  }
  return S + ')';
}

bool TIFuzzySet::SamePoints(const TIFuzzySet& Other) const {
  if (Other.FPoints.size() != FPoints.size()) return false;
  for (size_t I = 0; I < FPoints.size(); ++I) {
    if (std::abs(FPoints[I].X - Other.FPoints[I].X) > kSameTolerance ||
        std::abs(FPoints[I].Y - Other.FPoints[I].Y) > kSameTolerance)
      return false;
  }
  return true;
}

bool TIFuzzySet::Equals(const TObject* Other) const {
  auto* S = dynamic_cast<const TIFuzzySet*>(Other);
  return S && SamePoints(*S);
}

double TIFuzzySet::FuzzyEquals(const TObject* Other) {
  auto* S = dynamic_cast<const TIFuzzySet*>(Other);
  return S ? Iterate(*S, FuzzyOperatorMaxOfMin) : 0.0;
}

void TIFuzzySet::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TIFuzzySet*>(Source)) {
    if (S != this) AssignFrom(*S);
    return;
  }
  TPersistent::Assign(Source);
}

void TIFuzzySet::AssignFrom(const TIFuzzySet& Source) {
  BeginUpdate();
  FPoints = Source.FPoints;
  FName = Source.FName;
  FNamePrecedence = Source.FNamePrecedence;
  FExpression = Source.FExpression;
  FSetType = Source.FSetType;
  FInflection = Source.FInflection;
  FWeight = Source.FWeight;
  FPlot = Source.FPlot;
  FUndecidable = Source.FUndecidable;
  FParser = Source.FParser;
  if (!FItem) SetVariable(Source.FVariable);
  Changed();
  EndUpdate();
}

}  // namespace norvale
