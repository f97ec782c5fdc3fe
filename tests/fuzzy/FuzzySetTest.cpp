#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "fuzzy/Fuzzy.h"
#include "fuzzy/FuzzyNames.h"

using namespace norvale;

namespace {

IFuzzySet MakeSet(const std::vector<TFuzzyPoint>& Points, const std::string& Name = "s") {
  IFuzzySet S = NewRef<TIFuzzySet>(nullptr, Name);
  for (const TFuzzyPoint& P : Points) S->AddPoint(P.X, P.Y);
  return S;
}

IFuzzySet MakeTriangle(double L, double C, double R, const std::string& Name = "t") {
  IFuzzySet S = NewRef<TIFuzzySet>(nullptr, Name);
  S->Triangle(L, C, R);
  return S;
}

void ExpectPoints(const TIFuzzySet& S, const std::vector<TFuzzyPoint>& Expected) {
  ASSERT_EQ(S.Count(), static_cast<int>(Expected.size())) << S.ValuesText();
  for (int I = 0; I < S.Count(); ++I) {
    EXPECT_NEAR(S.X(I), Expected[I].X, 1e-9) << "point " << I << " of " << S.ValuesText();
    EXPECT_NEAR(S.Y(I), Expected[I].Y, 1e-9) << "point " << I << " of " << S.ValuesText();
  }
}

class TDerivedSet : public TIFuzzySet {
 public:
  using TIFuzzySet::TIFuzzySet;
  IFuzzySet NewInstance() const override { return NewRef<TDerivedSet>(); }
};

}  // namespace

TEST(FuzzySetMembership, InterpolatesAndKeepsEndValuesOutside) {
  IFuzzySet T = MakeTriangle(0, 50, 100);
  struct {
    double X, Y;
  } Cases[] = {{-10, 0}, {0, 0}, {25, 0.5}, {50, 1}, {75, 0.5}, {90, 0.2}, {100, 0}, {150, 0}};
  for (auto C : Cases) EXPECT_NEAR(T->DegreeOfMembership(C.X), C.Y, 1e-12) << "x = " << C.X;

  IFuzzySet Low = MakeSet({{0, 1}, {100, 0}});
  EXPECT_DOUBLE_EQ(Low->DegreeOfMembership(-5), 1);  // the first point's value to the left
  EXPECT_DOUBLE_EQ(Low->DegreeOfMembership(40), 0.6);
  EXPECT_DOUBLE_EQ(Low->DegreeOfMembership(500), 0);
  EXPECT_DOUBLE_EQ(NewRef<TIFuzzySet>()->DegreeOfMembership(3), 0);
}

TEST(FuzzySetMembership, PointsAtOneXGiveTheirLargestValue) {
  // A number as a set: a triangle with all three points at the number.
  IFuzzySet Five = MakeTriangle(5, 5, 5);
  EXPECT_EQ(Five->Count(), 3);
  EXPECT_DOUBLE_EQ(Five->DegreeOfMembership(5), 1);
  EXPECT_DOUBLE_EQ(Five->DegreeOfMembership(4.999), 0);
  EXPECT_DOUBLE_EQ(Five->DegreeOfMembership(5.001), 0);
  // A vertical left edge.
  IFuzzySet Edge = MakeTriangle(0, 0, 30);
  EXPECT_DOUBLE_EQ(Edge->DegreeOfMembership(0), 1);
  EXPECT_DOUBLE_EQ(Edge->DegreeOfMembership(-1), 0);
  EXPECT_DOUBLE_EQ(Edge->DegreeOfMembership(15), 0.5);
}

TEST(FuzzySetPoints, AddPointKeepsOrderAndReplacesAnEqualX) {
  IFuzzySet S = MakeSet({{10, 0.5}, {0, 1}, {5, 0.2}});
  ExpectPoints(*S, {{0, 1}, {5, 0.2}, {10, 0.5}});
  S->AddPoint(5, 0.9);
  ExpectPoints(*S, {{0, 1}, {5, 0.9}, {10, 0.5}});
  // A shape's repeated x collapses into the replacing point.
  IFuzzySet Five = MakeTriangle(5, 5, 5);
  Five->AddPoint(5, 0.3);
  ExpectPoints(*Five, {{5, 0.3}});
  EXPECT_EQ(Five->SetType(), fstPoints);
  EXPECT_THROW(S->X(3), EFuzzyError);
  EXPECT_THROW(S->Y(-1), EFuzzyError);
  EXPECT_EQ(S->ValuesText(), "((0.0000 1.0000) (5.0000 0.9000) (10.0000 0.5000))");
  EXPECT_EQ(NewRef<TIFuzzySet>()->ValuesText(), "()");
}

TEST(FuzzySetDefuzzify, MomentIsTheCentroidOfTheArea) {
  struct {
    const char* What;
    IFuzzySet Set;
    double Expected;
  } Cases[] = {
      {"symmetric triangle", MakeTriangle(10, 30, 50), 30},
      {"right triangle, vertical edge", MakeTriangle(0, 0, 30), 10},
      {"rectangle", MakeSet({{2, 1}, {4, 1}}), 3},
      {"ramp", MakeSet({{0, 0}, {30, 1}}), 20},
      // Trapezoid 0..10..20..40: areas 5 (centroid 20/3), 10 (15), 10 (80/3).
      {"trapezoid", MakeSet({{0, 0}, {10, 1}, {20, 1}, {40, 0}}),
       (5 * 20.0 / 3 + 150 + 800.0 / 3) / 25},
  };
  for (auto& C : Cases) {
    EXPECT_NEAR(C.Set->MomentDefuzzify(), C.Expected, 1e-9) << C.What;
    EXPECT_FALSE(C.Set->Undecidable()) << C.What;
    EXPECT_NEAR(C.Set->Defuzzify(), C.Expected, 1e-9) << C.What;
  }
}

TEST(FuzzySetDefuzzify, MaximumIsTheMeanOfMaxima) {
  struct {
    const char* What;
    IFuzzySet Set;
    double Expected;
  } Cases[] = {
      {"plateau", MakeSet({{0, 0}, {20, 1}, {40, 1}, {100, 0}}), 30},
      {"two plateaus weighted by length",
       MakeSet({{0, 1}, {10, 1}, {20, 0}, {70, 0}, {80, 1}, {100, 1}}), (10 * 5 + 20 * 90) / 30.0},
      {"two peaks", MakeSet({{0, 0}, {10, 1}, {20, 0}, {30, 1}, {40, 0}}), 20},
      {"peak below 1", MakeSet({{0, 0}, {10, 0.4}, {20, 0.1}}), 10},
      {"singleton", MakeTriangle(5, 5, 5), 5},
  };
  for (auto& C : Cases) {
    EXPECT_NEAR(C.Set->MaximumDefuzzify(), C.Expected, 1e-9) << C.What;
    EXPECT_FALSE(C.Set->Undecidable()) << C.What;
  }
}

TEST(FuzzySetDefuzzify, UndecidableWithoutAreaOrMaximum) {
  IFuzzySet Empty = NewRef<TIFuzzySet>();
  EXPECT_TRUE(Empty->Undecidable());  // before any defuzzification
  EXPECT_DOUBLE_EQ(Empty->MomentDefuzzify(), 0);
  EXPECT_TRUE(Empty->Undecidable());
  EXPECT_DOUBLE_EQ(Empty->MaximumDefuzzify(), 0);
  EXPECT_TRUE(Empty->Undecidable());

  IFuzzySet Zero = MakeSet({{0, 0}, {10, 0}});
  Zero->MaximumDefuzzify();
  EXPECT_TRUE(Zero->Undecidable());
  Zero->MomentDefuzzify();
  EXPECT_TRUE(Zero->Undecidable());

  // A singleton has no area: undecidable for the moment, yet it defuzzifies to its number.
  IFuzzySet Five = MakeTriangle(5, 5, 5);
  EXPECT_DOUBLE_EQ(Five->MomentDefuzzify(), 5);
  EXPECT_TRUE(Five->Undecidable());
  IFuzzySet T = MakeTriangle(0, 1, 2);
  T->Defuzzify();
  EXPECT_FALSE(T->Undecidable());
}

TEST(FuzzySetDefuzzify, CompatibilityIndexIsTheMembershipOfTheCentroid) {
  IFuzzySet Ramp = MakeSet({{0, 0}, {30, 1}});  // centroid 20
  EXPECT_NEAR(Ramp->CompatibilityIndex(), 2.0 / 3, 1e-9);
  IFuzzySet Low = MakeSet({{0, 1}, {100, 0}});
  EXPECT_NEAR(Ramp->CompatibilityIndex(*Low), 0.8, 1e-9);
}

TEST(FuzzySetOperations, ZadehUnionAndIntersectionAddTheCrossingPoint) {
  IFuzzySet A = MakeSet({{0, 1}, {100, 0}}, "low");
  IFuzzySet B = MakeTriangle(20, 60, 100, "mid");
  // On 20..60, A falls 0.8 -> 0.4 and B rises 0 -> 1: they cross at t = 4/7.
  double Xc = 20 + 40 * 4.0 / 7, Yc = 4.0 / 7;
  IFuzzySet U = A->Union(*B, foZadeh);
  ExpectPoints(*U, {{0, 1}, {20, 0.8}, {Xc, Yc}, {60, 1}, {100, 0}});
  IFuzzySet I = A->Intersection(*B, foZadeh);
  ExpectPoints(*I, {{0, 0}, {20, 0}, {Xc, Yc}, {60, 0.4}, {100, 0}});
  EXPECT_EQ(U->SetType(), fstPoints);
  // The operands are left alone.
  ExpectPoints(*A, {{0, 1}, {100, 0}});
  EXPECT_EQ(B->SetType(), fstTriangle);
}

TEST(FuzzySetOperations, VerticalEdgesAndSpikesSurviveCombination) {
  IFuzzySet Edge = MakeTriangle(0, 0, 30);  // (0 0) (0 1) (30 0)
  IFuzzySet Level = MakeSet({{-10, 0.2}, {40, 0.2}});
  IFuzzySet U = Edge->Union(*Level, foZadeh);
  ExpectPoints(*U, {{-10, 0.2}, {0, 0.2}, {0, 1}, {24, 0.2}, {30, 0.2}, {40, 0.2}});
  EXPECT_DOUBLE_EQ(U->DegreeOfMembership(-5), 0.2);
  EXPECT_DOUBLE_EQ(U->DegreeOfMembership(12), 0.6);
  IFuzzySet I = Edge->Intersection(*Level, foZadeh);
  EXPECT_DOUBLE_EQ(I->DegreeOfMembership(-5), 0);
  EXPECT_DOUBLE_EQ(I->DegreeOfMembership(0), 0.2);
  EXPECT_DOUBLE_EQ(I->DegreeOfMembership(27), 0.1);

  IFuzzySet Five = MakeTriangle(5, 5, 5);
  IFuzzySet Low = MakeSet({{0, 1}, {10, 0}});
  IFuzzySet Both = Five->Union(*Low, foZadeh);
  EXPECT_DOUBLE_EQ(Both->DegreeOfMembership(5), 1);
  EXPECT_DOUBLE_EQ(Both->DegreeOfMembership(5.5), 0.45);
  EXPECT_DOUBLE_EQ(Five->Intersection(*Low, foZadeh)->DegreeOfMembership(5), 0.5);
  EXPECT_DOUBLE_EQ(Five->Intersection(*Low, foZadeh)->DegreeOfMembership(4), 0);
}

TEST(FuzzySetOperations, EachOperationCombinesMemberships) {
  // Constant sets isolate the formula: a = 0.6, b = 0.3 everywhere.
  IFuzzySet A = MakeSet({{0, 0.6}, {10, 0.6}});
  IFuzzySet B = MakeSet({{0, 0.3}, {10, 0.3}});
  struct {
    TFuzzyOperation Op;
    double Union, Intersection;
  } Cases[] = {
      {foZadeh, 0.6, 0.3},         {foMean, 0.45, 0.45},
      {foMeanSqr, 0.2025, 0.2025}, {foMeanSqrt, std::sqrt(0.45), std::sqrt(0.45)},
      {foProduct, 0.72, 0.18},     {foBoundedSum, 0.9, 0.0},
      {foSum, 0.9, 0.0},
  };
  for (auto C : Cases) {
    EXPECT_NEAR(A->Union(*B, C.Op)->DegreeOfMembership(5), C.Union, 1e-12) << EnumName(C.Op);
    EXPECT_NEAR(A->Intersection(*B, C.Op)->DegreeOfMembership(5), C.Intersection, 1e-12)
        << EnumName(C.Op);
  }
  // Bounded and unbounded sums differ above 1.
  IFuzzySet Big = MakeSet({{0, 0.8}, {10, 0.8}});
  EXPECT_DOUBLE_EQ(Big->Union(*Big, foBoundedSum)->DegreeOfMembership(5), 1);
  EXPECT_DOUBLE_EQ(Big->Union(*Big, foSum)->DegreeOfMembership(5), 1.6);
  EXPECT_NEAR(Big->Intersection(*Big, foBoundedSum)->DegreeOfMembership(5), 0.6, 1e-12);
}

TEST(FuzzySetOperations, CurvedOperationsFollowTheCurve) {
  IFuzzySet Up = MakeSet({{0, 0}, {100, 1}});
  IFuzzySet Down = MakeSet({{0, 1}, {100, 0}});
  // The product t (1 - t) is a parabola; sampled, it stays within the refinement tolerance.
  IFuzzySet P = Up->Intersection(*Down, foProduct);
  EXPECT_GT(P->Count(), 3);
  for (double X : {10.0, 25.0, 37.0, 50.0, 80.0}) {
    double T = X / 100;
    EXPECT_NEAR(P->DegreeOfMembership(X), T * (1 - T), 0.002) << X;
  }
  // Bounded sum has its kink where a + b = 1 exactly.
  IFuzzySet Half = MakeSet({{0, 0.5}, {100, 0.5}});
  IFuzzySet B = Up->Union(*Half, foBoundedSum);
  EXPECT_NEAR(B->DegreeOfMembership(50), 1, 1e-12);
  EXPECT_NEAR(B->DegreeOfMembership(25), 0.75, 1e-12);
  EXPECT_NEAR(B->DegreeOfMembership(75), 1, 1e-12);
}

TEST(FuzzySetOperations, ResultsAreMadeByNewInstanceWithTheOperandsContext) {
  IFuzzySet A = NewRef<TDerivedSet>(nullptr, "a");
  A->Triangle(0, 1, 2);
  IFuzzySet B = MakeTriangle(1, 2, 3);
  EXPECT_NE(dynamic_cast<TDerivedSet*>(A->Union(*B, foZadeh).Get()), nullptr);
  EXPECT_NE(dynamic_cast<TDerivedSet*>(A->Intersection(*B, foProduct).Get()), nullptr);
  EXPECT_NE(dynamic_cast<TDerivedSet*>(A->Copy().Get()), nullptr);
  EXPECT_EQ(dynamic_cast<TDerivedSet*>(B->Union(*A, foZadeh).Get()), nullptr);
}

TEST(FuzzySetHedges, HedgesMapMembershipValues) {
  struct {
    TFuzzyHedge Hedge;
    double At10, At25;  // the triangle 0/50/100 has 0.2 at x = 10 and 0.5 at x = 25
  } Cases[] = {
      {fhNot, 0.8, 0.5},
      {fhVery, 0.04, 0.25},
      {fhExtremely, 0.008, 0.125},
      {fhSomewhat, std::sqrt(0.2), std::sqrt(0.5)},
      {fhSlightly, std::cbrt(0.2), std::cbrt(0.5)},
      {fhIntensify, 0.08, 0.5},
      {fhNorm, 0.2, 0.5},
  };
  for (auto C : Cases) {
    IFuzzySet T = MakeTriangle(0, 50, 100);
    TIFuzzySet& Same = T->ApplyHedge(C.Hedge);
    EXPECT_EQ(&Same, T.Get());
    EXPECT_NEAR(T->DegreeOfMembership(10), C.At10, 0.002) << EnumName(C.Hedge);
    EXPECT_NEAR(T->DegreeOfMembership(25), C.At25, 0.002) << EnumName(C.Hedge);
    EXPECT_EQ(T->SetType(), fstPoints) << EnumName(C.Hedge);
  }
}

TEST(FuzzySetHedges, VerySquaresEveryPointAndFollowsTheParabola) {
  IFuzzySet S = MakeSet({{0, 0}, {10, 0.5}, {20, 0.9}, {30, 0.3}});
  S->ApplyHedge(fhVery);
  for (auto P : std::vector<TFuzzyPoint>{{0, 0}, {10, 0.25}, {20, 0.81}, {30, 0.09}})
    EXPECT_DOUBLE_EQ(S->DegreeOfMembership(P.X), P.Y) << P.X;
  EXPECT_NEAR(S->DegreeOfMembership(5), 0.0625, 0.002);  // (0.25)^2 halfway up the first slope
  // Norm lifts the height to 1; not of not gives the set back.
  IFuzzySet H = MakeSet({{0, 0}, {10, 0.5}, {20, 0}});
  H->ApplyHedge(fhNorm);
  EXPECT_DOUBLE_EQ(H->DegreeOfMembership(10), 1);
  IFuzzySet N = MakeTriangle(0, 5, 10);
  N->ApplyHedge(fhNot).ApplyHedge(fhNot);
  EXPECT_TRUE(N->SamePoints(*MakeTriangle(0, 5, 10)));
}

TEST(FuzzySetHedges, BaseHedgesTwoAndSevenScaleAndClip) {
  // The engine's correlation: ordinal 2 multiplies the memberships, ordinal 7 clips them.
  IFuzzySet P = MakeTriangle(0, 50, 100);
  P->ApplyBaseHedge(static_cast<TBaseFuzzyHedge>(2), true, 0.5);
  ExpectPoints(*P, {{0, 0}, {50, 0.5}, {100, 0}});

  IFuzzySet M = MakeTriangle(0, 50, 100);
  M->ApplyBaseHedge(static_cast<TBaseFuzzyHedge>(7), true, 0.6);
  ExpectPoints(*M, {{0, 0}, {30, 0.6}, {50, 0.6}, {70, 0.6}, {100, 0}});
  EXPECT_DOUBLE_EQ(M->MaximumDefuzzify(), 50);
  EXPECT_NEAR(M->DegreeOfMembership(20), 0.4, 1e-12);
}

TEST(FuzzySetHedges, OtherBaseHedges) {
  struct {
    TBaseFuzzyHedge Hedge;
    bool Flag;
    double Value;
    double X, Expected;  // membership at X after the hedge, on the triangle 0/50/100
  } Cases[] = {
      {bfhSum, true, 0.2, 25, 0.7},
      {bfhSum, true, 0.2, 50, 1},  // bounded at 1
      {bfhDifference, true, 0.2, 25, 0.3},
      {bfhDifference, true, 0.2, 5, 0},  // not below 0
      {bfhQuotient, true, 2, 50, 0.5},
      {bfhPower, true, 2, 25, 0.25},
      {bfhRoot, true, 2, 25, std::sqrt(0.5)},
      {bfhMaximum, true, 0.3, 0, 0.3},
      {bfhSum, false, 10, 60, 1},  // the peak moves to 60
      {bfhProduct, false, 2, 100, 1},
      {bfhMinimum, false, 50, 50, 1},  // x := min(x, 50) gathers the right half at 50 ...
      {bfhMinimum, false, 50, 80, 0},  // ... and the last point's 0 holds beyond it
  };
  for (auto C : Cases) {
    IFuzzySet T = MakeTriangle(0, 50, 100);
    T->ApplyBaseHedge(C.Hedge, C.Flag, C.Value);
    EXPECT_NEAR(T->DegreeOfMembership(C.X), C.Expected, 0.002)
        << EnumName(C.Hedge) << (C.Flag ? " on y" : " on x");
  }
  IFuzzySet T = MakeTriangle(0, 50, 100);
  EXPECT_THROW(T->ApplyBaseHedge(bfhPower, true, 0), EFuzzyError);
  EXPECT_THROW(T->ApplyBaseHedge(bfhQuotient, false, 0), EFuzzyError);
  EXPECT_EQ(T->SetType(), fstTriangle);  // a rejected hedge changes nothing
}

TEST(FuzzySetIterate, MaxOfMinAndThreshold) {
  IFuzzyVariable V = NewRef<TIFuzzyVariable>("v");
  V->SetThreshold(0.5);
  IFuzzySet Low = NewRef<TIFuzzySet>(V.Get(), "low");
  Low->AddPoint(0, 1);
  Low->AddPoint(100, 0);
  IFuzzySet High = MakeSet({{0, 0}, {100, 1}});
  struct {
    const char* What;
    IFuzzySet Other;
    double MaxOfMin, MinThreshold;
  } Cases[] = {
      {"the number 40", MakeTriangle(40, 40, 40), 0.6, 1},
      {"the number 60", MakeTriangle(60, 60, 60), 0.4, 0},
      {"the number 50: exactly at the threshold", MakeTriangle(50, 50, 50), 0.5, 0},
      {"high: they meet at the crossing", High, 0.5, 0},
      {"a number beyond the points", MakeTriangle(150, 150, 150), 0, 0},
  };
  for (auto& C : Cases) {
    EXPECT_NEAR(Low->Iterate(*C.Other, FuzzyOperatorMaxOfMin), C.MaxOfMin, 1e-12) << C.What;
    EXPECT_EQ(Low->Iterate(*C.Other, FuzzyOperatorMinThreshold), C.MinThreshold) << C.What;
    // The other set has no variable: its iteration takes the threshold from Low.
    EXPECT_EQ(C.Other->Iterate(*Low, FuzzyOperatorMinThreshold), C.MinThreshold) << C.What;
  }
  V->SetThreshold(0.3);
  EXPECT_EQ(Low->Iterate(*High, FuzzyOperatorMinThreshold), 1);
  EXPECT_EQ(MakeTriangle(0, 10, 20)->Iterate(*MakeTriangle(30, 40, 50), FuzzyOperatorMaxOfMin), 0);
  // The library's equality defaults.
  EXPECT_NEAR(Low->FuzzyEquals(MakeTriangle(40, 40, 40).Get()), 0.6, 1e-12);
  EXPECT_EQ(Low->FuzzyEquals(V.Get()), 0);
  EXPECT_TRUE(Low->Equals(MakeSet({{0, 1}, {100.00005, 0}}).Get()));
  EXPECT_FALSE(Low->Equals(MakeSet({{0, 1}, {100.001, 0}}).Get()));
  EXPECT_FALSE(Low->Equals(V.Get()));
}

TEST(FuzzySetShapes, PointCountsEndsAndTypes) {
  struct {
    const char* What;
    std::function<void(TIFuzzySet&)> Build;
    TFuzzySetType Type;
    int Count;
    TFuzzyPoint First, Middle, Last;
  } Cases[] = {
      {"s",
       [](TIFuzzySet& S) { S.SCurve(7, true, 10, 20, 15); },
       fstGrowth,
       7,
       {10, 0},
       {15, 0.5},
       {20, 1}},
      {"z",
       [](TIFuzzySet& S) { S.SCurve(7, false, 10, 20, 15); },
       fstDecline,
       7,
       {10, 1},
       {15, 0.5},
       {20, 0}},
      {"pi by range", [](TIFuzzySet& S) { S.PI(7, 10, 50); }, fstPI, 7, {40, 0}, {50, 1}, {60, 0}},
      {"pi by bounds",
       [](TIFuzzySet& S) { S.PI(7, 40, 70, 50); },
       fstPI,
       7,
       {40, 0},
       {50, 1},
       {70, 0}},
      {"triangle",
       [](TIFuzzySet& S) { S.Triangle(1, 2, 4); },
       fstTriangle,
       3,
       {1, 0},
       {2, 1},
       {4, 0}},
      {"beta",
       [](TIFuzzySet& S) { S.Beta(7, 20, 10, 15); },
       fstBeta,
       7,
       {-10, 0.36},
       {10, 1},
       {30, 0.36}},
      {"beta, weight 2",
       [](TIFuzzySet& S) { S.Beta(7, 20, 10, 15, 2); },
       fstBeta,
       7,
       {-10, 9.0 / 41},
       {10, 1},
       {30, 9.0 / 41}},
  };
  for (auto& C : Cases) {
    IFuzzySet S = NewRef<TIFuzzySet>();
    S->SetExpression("x");
    C.Build(*S);
    EXPECT_EQ(S->SetType(), C.Type) << C.What;
    ASSERT_EQ(S->Count(), C.Count) << C.What;
    int M = C.Count / 2;
    EXPECT_NEAR(S->X(0), C.First.X, 1e-12) << C.What;
    EXPECT_NEAR(S->Y(0), C.First.Y, 1e-12) << C.What;
    EXPECT_NEAR(S->X(M), C.Middle.X, 1e-12) << C.What;
    EXPECT_NEAR(S->Y(M), C.Middle.Y, 1e-12) << C.What;
    EXPECT_NEAR(S->X(C.Count - 1), C.Last.X, 1e-12) << C.What;
    EXPECT_NEAR(S->Y(C.Count - 1), C.Last.Y, 1e-12) << C.What;
    EXPECT_EQ(S->Expression(), "") << C.What;
    for (int I = 1; I < S->Count(); ++I) EXPECT_LE(S->X(I - 1), S->X(I)) << C.What;
  }
}

TEST(FuzzySetShapes, CurveValuesAndTheBetaWeightReadBack) {
  IFuzzySet S = NewRef<TIFuzzySet>();
  S->SCurve(7, true, 10, 20, 15);
  EXPECT_NEAR(S->Y(1), 1.0 / 18, 1e-12);  // S function at a sixth of the way
  EXPECT_NEAR(S->Y(5), 17.0 / 18, 1e-12);
  IFuzzySet P = NewRef<TIFuzzySet>();
  P->PI(7, 10, 50);
  EXPECT_NEAR(P->Y(1), 2.0 / 9, 1e-12);
  EXPECT_NEAR(P->Y(2), 7.0 / 9, 1e-12);
  EXPECT_DOUBLE_EQ(P->MaximumDefuzzify(), 50);

  // The printed form recovers the weight from the second point: w = (1/y1 - 1) / ((x1 - c)/i)^2.
  IFuzzySet B = NewRef<TIFuzzySet>();
  B->Beta(7, 20, 10, 15, 2);
  EXPECT_DOUBLE_EQ(B->Inflection(), 15);
  EXPECT_DOUBLE_EQ(B->Weight(), 2);
  double Z = (B->X(1) - 10) / B->Inflection();
  EXPECT_NEAR((1 / B->Y(1) - 1) / (Z * Z), 2, 1e-12);
  EXPECT_DOUBLE_EQ(B->MaximumDefuzzify(), 10);
}

TEST(FuzzySetShapes, InvalidShapesRaise) {
  IFuzzySet S = MakeTriangle(0, 1, 2);
  EXPECT_THROW(S->SCurve(2, true, 0, 10, 5), EFuzzyError);
  EXPECT_THROW(S->SCurve(7, true, 20, 10, 15), EFuzzyError);
  EXPECT_THROW(S->PI(7, -1, 50), EFuzzyError);
  EXPECT_THROW(S->PI(7, 40, 70, 80), EFuzzyError);
  EXPECT_THROW(S->Triangle(3, 2, 4), EFuzzyError);
  EXPECT_THROW(S->Beta(7, 20, 10, 0), EFuzzyError);
  EXPECT_THROW(S->Beta(7, 20, 10, 5, -1), EFuzzyError);
  ExpectPoints(*S, {{0, 0}, {1, 1}, {2, 0}});
}

TEST(FuzzySetCopy, CopiesAreIndependent) {
  IFuzzyVariable V = NewRef<TIFuzzyVariable>("v");
  IFuzzySet A = NewRef<TIFuzzySet>(V.Get(), "medium");
  A->Triangle(0, 50, 100);
  A->SetExpression("e");
  IFuzzySet C = A->Copy();
  EXPECT_NE(C.Get(), A.Get());
  EXPECT_EQ(C->Name(), "medium");
  EXPECT_EQ(C->Variable(), V.Get());
  EXPECT_EQ(C->SetType(), fstTriangle);
  EXPECT_TRUE(C->SamePoints(*A));
  C->ApplyHedge(fhVery);
  C->AddPoint(200, 1);
  ExpectPoints(*A, {{0, 0}, {50, 1}, {100, 0}});
  EXPECT_EQ(A->SetType(), fstTriangle);
  EXPECT_EQ(A->Name(), "medium");
  EXPECT_EQ(A->Expression(), "e");
  // Assign copies the other way.
  A->Assign(C.Get());
  EXPECT_TRUE(A->SamePoints(*C));
  EXPECT_EQ(A->Name(), C->Name());
}

TEST(FuzzySetNames, DerivedSetsAreNamedByTheirExpression) {
  IFuzzySet Low = MakeSet({{0, 1}, {100, 0}}, "low");
  IFuzzySet High = MakeSet({{0, 0}, {100, 1}}, "high");
  IFuzzySet Medium = MakeTriangle(0, 50, 100, "medium");

  IFuzzySet VeryLow = Low->Copy();
  VeryLow->ApplyHedge(fhVery);
  EXPECT_EQ(VeryLow->Name(), "very low");
  EXPECT_EQ(VeryLow->Expression(), "very low");
  VeryLow->ApplyHedge(fhVery);
  EXPECT_EQ(VeryLow->Name(), "very very low");  // hedges bind tighter: no brackets

  auto Hedged = [](IFuzzySet S, TFuzzyHedge H) {
    S->ApplyHedge(H);
    return S;
  };
  auto Based = [](IFuzzySet S, TBaseFuzzyHedge B, bool Flag, double V) {
    S->ApplyBaseHedge(B, Flag, V);
    return S;
  };
  struct {
    IFuzzySet Set;
    const char* Name;
  } Cases[] = {
      {Low->Union(*High, foZadeh), "low or high"},
      {Low->Intersection(*High, foProduct), "low and-product high"},
      {VeryLow->Union(*High, foZadeh), "very very low or high"},
      {Low->Union(*Medium->Union(*High, foZadeh), foZadeh), "low or [ medium or high ]"},
      {Low->Union(*Medium, foZadeh)->Union(*High, foZadeh), "low or medium or high"},
      {Hedged(Low->Union(*High, foZadeh), fhNot), "not [ low or high ]"},
      {Based(Low->Copy(), bfhMinimum, true, 0.8), "low at-most 0.8000"},
      {Based(Low->Copy(), bfhSum, false, 10), "low x-plus 10.0000"},
      {Low->Union(*Based(Low->Copy(), bfhMinimum, true, 0.8), foZadeh),
       "low or [ low at-most 0.8000 ]"},
  };
  for (auto& C : Cases) EXPECT_EQ(C.Set->Name(), C.Name);
  EXPECT_EQ(Low->Name(), "low");

  IFuzzySet Unnamed = MakeSet({{0, 1}}, "");
  Unnamed->ApplyHedge(fhVery);
  EXPECT_EQ(Unnamed->Name(), "very ((0.0000 1.0000))");
}

TEST(FuzzySetText, ToStringAndTermStringWithoutAParser) {
  IFuzzySet Low = MakeSet({{0, 1}, {100, 0}}, "low");
  EXPECT_EQ(Low->ToString(), "low");
  EXPECT_EQ(Low->TermString(), "(term low ((0.0000 1.0000) (100.0000 0.0000)))");
  IFuzzySet Empty = NewRef<TIFuzzySet>(nullptr, SEmptyFuzzy);
  EXPECT_EQ(Empty->ToString(), "");
  EXPECT_EQ(Empty->TermString(), "()");
  IFuzzySet VeryLow = Low->Copy();
  VeryLow->ApplyHedge(fhVery);
  VeryLow->SetName("vlow");
  EXPECT_EQ(VeryLow->TermString(), "(term vlow very low)");
}
