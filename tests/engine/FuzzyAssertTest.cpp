#include <gtest/gtest.h>

#include "TestSupport.h"

#include "engine/core/IEFuzzy.h"
#include "engine/core/ValueVector.h"
#include "engine/engine/InferenceEngine.h"

namespace norvale {
namespace {

class FuzzyAssertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = test::WithoutInitialFact(NewObject<TInferenceEngine>(nullptr));
    Temp = NewRef<TFactTemplate>(Engine, "temp");
    Temp->AddSlot("room", FCNil);
    Temp->AddSlot("level", FCNil)->SetSlotType({dtFuzzy});
    Engine->FactTemplates().Add(Temp);
  }
  void TearDown() override {
    Temp = nullptr;
    Free(Engine);
  }
  static IIEValue Tri(double Peak) {
    IFuzzySet S = NewRef<TIEFuzzySet>();
    S->Triangle(Peak - 10, Peak, Peak + 10);
    return NewRef<TIEValue>(S);
  }
  IFact Reading(const char* Room, const IIEValue& Level) {
    IFact F = Temp->NewFact();
    F->SetValue("room", NewAtom(Room));
    F->SetValue("level", Level);
    return F;
  }
  static double Peak(const IFact& F) {
    TIFuzzySet* S = F->GetValue("level")->FuzzyPtr();
    double M = 0;
    for (int I = 0; I < S->Count(); ++I) M = std::max(M, S->Y(I));
    return M;
  }
  TInferenceEngine* Engine = nullptr;
  IFactTemplate Temp;
};

TEST_F(FuzzyAssertTest, AnEqualFactIsCombinedAndRetracted) {
  struct Case {
    bool Unconditional;
    double At45, At55;  // membership of the result at 45 and 55
  };
  for (const Case& C : {Case{false, 0.5, 0.5}, Case{true, 0.0, 0.0}}) {
    Engine->ClearFacts();
    IFact Old = Reading("kitchen", Tri(40));
    Engine->Assert(Old);
    int Retracted = 0;
    Engine->OnRetraction = [&](TObject*, const IFact& F) { Retracted += F == Old; };
    IFact New = Reading("kitchen", Tri(60));
    int Id = Engine->Assert(New, C.Unconditional);
    EXPECT_EQ(Retracted, 1);
    ASSERT_EQ(Engine->FactList().size(), 1u);
    EXPECT_EQ(Engine->FactList()[0], New);
    EXPECT_EQ(New->ID(), Id);
    TIFuzzySet* S = New->GetValue("level")->FuzzyPtr();
    // Zadeh union keeps both peaks (membership 0.5 at 45 from the first set); the intersection
    // of two triangles that meet only at 50 is empty there.
    EXPECT_NEAR(S->DegreeOfMembership(45), C.At45, 1e-6) << C.Unconditional;
    EXPECT_NEAR(S->DegreeOfMembership(55), C.At55, 1e-6) << C.Unconditional;
    Engine->OnRetraction.Clear();
  }
}

TEST_F(FuzzyAssertTest, CorrelationWeakensNewValuesOnly) {
  IIEValue Shared = Tri(50);
  IFact Source = Reading("hall", Shared);
  Engine->Assert(Source);
  IFact Derived = Reading("attic", Shared);  // shares the value object with Source
  int Events = 0;
  Engine->OnFuzzyCorrelation = [&](TObject*, const IFact&, float, bool&) { ++Events; };
  Engine->FuzzyCorrelation(Derived, 1.0f);
  EXPECT_EQ(Events, 0);  // strength 1 changes nothing
  Engine->FuzzyCorrelation(Derived, 0.6f);
  EXPECT_EQ(Events, 1);
  EXPECT_NEAR(Peak(Derived), 0.6, 1e-6);
  EXPECT_NEAR(Peak(Source), 1.0, 1e-6);  // the fact that bound the value is untouched
  EXPECT_NE(Derived->GetValue("level").Get(), Shared.Get());
  Engine->SetFuzzyCorrelationMethod(fcmProduct);
  IFact Other = Reading("cellar", Shared);
  Engine->FuzzyCorrelation(Other, 0.5f);
  EXPECT_NEAR(Other->GetValue("level")->FuzzyPtr()->DegreeOfMembership(45), 0.25, 1e-6);
  Engine->OnFuzzyCorrelation.Clear();
  IFactTemplate Plain = Engine->CreateFactTemplate("plain");
  EXPECT_THROW(Engine->FuzzyCorrelation(Plain->NewFact(), 0.5f), EIEException);
}

TEST_F(FuzzyAssertTest, ListsCombineElementByElementAndDifferentLengthsStayApart) {
  IIEValue A = NewList(NewRef<TValueVector>(std::initializer_list<IIEValue>{Tri(10), Tri(30)}));
  IIEValue B = NewList(NewRef<TValueVector>(std::initializer_list<IIEValue>{Tri(20), Tri(40)}));
  Engine->FuzzyUnion(A, B, foZadeh);
  EXPECT_NEAR(A->AsList()->Get(0)->FuzzyPtr()->DegreeOfMembership(20), 1.0, 1e-6);
  EXPECT_NEAR(A->AsList()->Get(1)->FuzzyPtr()->DegreeOfMembership(40), 1.0, 1e-6);
  IIEValue C = NewList(NewRef<TValueVector>(std::initializer_list<IIEValue>{Tri(90)}));
  IIEValue Before = A->AsList()->Get(0);
  Engine->FuzzyUnion(A, C, foZadeh);
  EXPECT_EQ(A->AsList()->Get(0).Get(), Before.Get());
}

TEST_F(FuzzyAssertTest, MinActivationStrengthIsClampedAndReachesTheNetwork) {
  Engine->SetMinActivationStrength(1.5f);
  EXPECT_EQ(Engine->MinActivationStrength(), 1.0f);
  EXPECT_EQ(Engine->Network().MinActivationStrength(), 1.0f);
  Engine->SetMinActivationStrength(-0.2f);
  EXPECT_EQ(Engine->Network().MinActivationStrength(), 0.0f);
}

}  // namespace
}  // namespace norvale

namespace norvale {
namespace {

TEST(DefinedTypeTable, FuzzyTypesGetTheThresholdAndTheAutomaticTerms) {
  auto* E = test::WithoutInitialFact(NewObject<TInferenceEngine>(nullptr));
  E->SetFuzzyEqualsThreshold(0.25f);
  IIEDefinedType T = NewRef<TIEDefinedType>();
  T->SetName("temperature");
  T->SetRangeLimited(true);
  T->SetMinRange(0);
  T->SetMaxRange(100);
  T->SetBaseTypes({dtFuzzy});
  ASSERT_TRUE(T->FuzzyType());
  E->DefinedTypes().Add(T);
  EXPECT_EQ(T->Reasoner(), static_cast<IReasoner*>(E));
  EXPECT_NEAR(T->FuzzyType()->Threshold(), 0.25, 1e-6);
  for (const char* N : {"low", "medium", "high"}) EXPECT_TRUE(T->FuzzyType()->FindTerm(N)) << N;
  E->SetFuzzyEqualsThreshold(1.5f);
  EXPECT_EQ(E->FuzzyEqualsThreshold(), 1.0f);
  EXPECT_NEAR(T->FuzzyType()->Threshold(), 1.0, 1e-6);
  E->SetFuzzyEqualsThreshold(-0.2f);
  EXPECT_NEAR(T->FuzzyType()->Threshold(), 0.0, 1e-6);
  E->SetDuplicateConstructs(dcError);
  IIEDefinedType Again = NewRef<TIEDefinedType>();
  Again->SetName("temperature");
  EXPECT_THROW(E->DefinedTypes().Add(Again), EIEException);
  E->DefinedTypes().Remove("temperature");
  EXPECT_EQ(T->Reasoner(), nullptr);
  T = Again = nullptr;
  Free(E);
}

}  // namespace
}  // namespace norvale

namespace norvale {
namespace {

TEST(FuzzyDuplicates, FactsDifferingInNamedFuzzySetsAreStillCombined) {
  auto* E = test::WithoutInitialFact(NewObject<TInferenceEngine>(nullptr));
  IFactTemplate T = NewRef<TFactTemplate>(E, "temp");
  T->AddSlot("room", FCNil);
  T->AddSlot("level", FCNil)->SetSlotType({dtFuzzy});
  E->FactTemplates().Add(T);
  auto Reading = [&](const char* Name, double Peak) {
    IFuzzySet S = NewRef<TIEFuzzySet>();
    S->Triangle(Peak - 10, Peak, Peak + 10);
    S->SetName(Name);  // the sets print differently, so the facts hash differently
    IFact F = T->NewFact();
    F->SetValue("room", NewAtom("kitchen"));
    F->SetValue("level", NewRef<TIEValue>(S));
    return F;
  };
  IFact Low = Reading("low", 40), High = Reading("high", 60);
  ASSERT_NE(Low->GetHashCode(), High->GetHashCode());
  E->Assert(Low);
  E->Assert(High);
  ASSERT_EQ(E->FactList().size(), 1u);
  EXPECT_EQ(E->FactList()[0], High);
  Low = High = nullptr;
  T = nullptr;
  Free(E);
}

}  // namespace
}  // namespace norvale
