#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"

#include "engine/core/ValueVector.h"
#include "engine/engine/InferenceEngine.h"

namespace norvale {
namespace {

class FactBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = test::WithoutInitialFact(NewObject<TInferenceEngine>(nullptr));
    Path = NewRef<TFactTemplate>(Engine, "path");
    for (const char* S : {"id", "name", "seat"}) Path->AddSlot(S, FCNil);
    Engine->FactTemplates().Add(Path);
    Engine->OnPrintOut = [this](TObject*, const std::string&, const std::string& Text) {
      Log.push_back(Text);
    };
  }
  void TearDown() override {
    Path = nullptr;
    Free(Engine);
  }
  IFact NewPath(int Id, const char* Name, int Seat) {
    IFact F = Path->NewFact();
    F->SetValue("id", NewInteger(Id));
    F->SetValue("name", NewAtom(Name));
    F->SetValue("seat", NewInteger(Seat));
    return F;
  }
  TRule* RuleOnPath() {
    TRule* R = NewObject<TRule>(Engine);
    R->SetRuleName("r");
    R->Patterns().Add(NewObject<TIEPattern>(R, 0, Path, "path"));
    Engine->Rules().Add(R);
    return R;
  }

  TInferenceEngine* Engine = nullptr;
  IFactTemplate Path;
  std::vector<std::string> Log;
};

TEST_F(FactBaseTest, CollidingUnequalFactsAreBothKept) {
  // Their printed values run together alike ("5", "n1", "23" and "5", "n12", "3"): same hash.
  IFact A = NewPath(5, "n1", 23), B = NewPath(5, "n12", 3);
  ASSERT_EQ(A->GetHashCode(), B->GetHashCode());
  EXPECT_EQ(Engine->Assert(A), 0);
  EXPECT_EQ(Engine->Assert(B), 1);
  EXPECT_EQ(Engine->Assert(NewPath(5, "n1", 23)), -1);  // an equal fact is a duplicate
  Engine->SetFactDuplication(true);
  EXPECT_EQ(Engine->Assert(NewPath(5, "n1", 23)), 2);
  EXPECT_EQ(Engine->FactList().size(), 3u);
}

TEST_F(FactBaseTest, WatchLinesAndEventsInOrder) {
  RuleOnPath();
  Engine->SetWatch({cwFact, cwActivation});
  std::vector<std::string> Events;
  Engine->OnAssertion = [&](TObject*, const IFact& F) {
    Events.push_back("assert " + std::to_string(F->ID()) +
                     " acts=" + std::to_string(Engine->ActivationCount()));
  };
  Engine->OnRetraction = [&](TObject*, const IFact& F) {
    Events.push_back("retract " + std::to_string(F->ID()) +
                     " acts=" + std::to_string(Engine->ActivationCount()));
  };
  IFact F = NewPath(1, "a", 2);
  Engine->Assert(F);
  Engine->Retract(F);
  EXPECT_EQ(Events, (std::vector<std::string>{"assert 0 acts=1", "retract 0 acts=1"}));
  EXPECT_EQ(Log,
            (std::vector<std::string>{" ==> f-0 (path (id 1) (name a) (seat 2))\r\n",
                                      "==> Activation: r : f-0\r\n", "<== Activation: r : f-0\r\n",
                                      " <== f-0 (path (id 1) (name a) (seat 2))\r\n"}));
  // A duplicate makes no line, no event.
  Engine->Assert(NewPath(7, "x", 7));
  Log.clear();
  Events.clear();
  EXPECT_EQ(Engine->Assert(NewPath(7, "x", 7)), -1);
  EXPECT_TRUE(Log.empty());
  EXPECT_TRUE(Events.empty());
  Engine->OnAssertion.Clear();
  Engine->OnRetraction.Clear();
}

TEST_F(FactBaseTest, ModifyRetractsThatVeryFact) {
  Engine->SetFactDuplication(true);
  IFact Early = NewPath(1, "a", 1), Late = NewPath(1, "a", 1);
  Engine->Assert(Early);
  Engine->Assert(Late);
  Engine->BeginFactModify(Late);
  EXPECT_TRUE(Engine->Modifying());
  Late->SetValue("seat", NewInteger(9));
  Engine->EndFactModify(Late);
  EXPECT_FALSE(Engine->Modifying());
  ASSERT_EQ(Engine->FactList().size(), 2u);
  EXPECT_EQ(Engine->FactList()[0], Early);  // the earlier equal fact stays
  EXPECT_EQ(Engine->FactList()[1], Late);
  EXPECT_EQ(Late->ID(), 2);  // asserted again with a new ID
  EXPECT_EQ(Early->GetValue("seat")->AsInteger(), 1);
}

TEST_F(FactBaseTest, RetractByIdAndClear) {
  TRule* R = RuleOnPath();
  for (int I = 0; I < 10; ++I) Engine->Assert(NewPath(I, "n", I));
  Engine->Retract(3);
  Engine->Retract(42);  // none: nothing happens
  EXPECT_EQ(Engine->FactList().size(), 9u);
  EXPECT_EQ(Engine->FindFact(3), -1);
  EXPECT_EQ(Engine->FindFact(4), 3);
  EXPECT_EQ(Engine->GetFactByID(9)->GetValue("id")->AsInteger(), 9);
  EXPECT_EQ(Engine->ActivationCount(), 9);
  int Cleared = 0;
  Engine->OnClearFacts = [&](TObject*) { ++Cleared; };
  Engine->ClearFacts();
  EXPECT_EQ(Cleared, 1);
  EXPECT_TRUE(Engine->FactList().empty());
  EXPECT_EQ(Engine->ActivationCount(), 0);
  // The memories are empty too: a new fact matches alone.
  Engine->Assert(NewPath(1, "n", 1));
  EXPECT_EQ(Engine->ActivationCount(), 1);
  EXPECT_EQ(Engine->Network().TerminalOf(R)->GetActivationCount(), 1);
  Engine->OnClearFacts.Clear();
}

TEST_F(FactBaseTest, OnlyFactsOfTheEnginesOwnTemplatesAreAsserted) {
  RuleOnPath();
  auto* Other = NewObject<TInferenceEngine>(nullptr);
  IFactTemplate Foreign = NewRef<TFactTemplate>(Other, "path");  // same name, other engine
  for (const char* S : {"id", "name", "seat"}) Foreign->AddSlot(S, FCNil);
  Other->FactTemplates().Add(Foreign);
  IFactTemplate Loose = NewRef<TFactTemplate>(Engine, "loose");  // never registered
  Loose->AddSlot("x", FCNil);
  for (const IFactTemplate& T : {Foreign, Loose}) {
    EXPECT_EQ(test::MessageOf([&] { Engine->Assert(T->NewFact()); }),
              "Fact template " + T->TemplateName() + " is not a template of this inference engine");
  }
  EXPECT_EQ(Engine->FactCount(), 0);
  EXPECT_EQ(Engine->ActivationCount(), 0);
  // The engine's own template is accepted, and no longer once it has left the table.
  EXPECT_GE(Engine->Assert(NewPath(1, "a", 1)), 0);
  IFact Kept = NewPath(2, "b", 2);
  Engine->FactTemplates().Remove("path");
  EXPECT_THROW(Engine->Assert(Kept), EIEException);
  EXPECT_EQ(Engine->FactCount(), 0);
  Free(Other);
}

TEST_F(FactBaseTest, TheIdIndexFollowsTheLiveFactsNotTheIdsIssued) {
  // One fact stays for good (as the initial fact does) while others come and go: the index must
  // not keep a place for every ID ever issued, and every live fact must stay findable by ID.
  IFact Pinned = NewPath(0, "pinned", 0);
  Engine->Assert(Pinned);
  std::vector<IFact> Live;
  for (int I = 1; I <= 20000; ++I) {
    IFact F = NewPath(I, "n", I);
    ASSERT_GE(Engine->Assert(F), 0);
    Live.push_back(F);
    // A few live at a time, the oldest going first, now and then two at once.
    while (Live.size() > static_cast<size_t>(1 + I % 5)) {
      Engine->Retract(Live.front()->ID());
      Live.erase(Live.begin());
    }
    if (I % 997 == 0) {
      for (const IFact& L : Live) ASSERT_EQ(Engine->GetFactByID(L->ID()), L) << I;
    }
  }
  EXPECT_EQ(Engine->GetFactByID(Pinned->ID()), Pinned);
  EXPECT_LT(Engine->Facts().IDIndexSize(), 2100u);
  EXPECT_EQ(Engine->FactCount(), static_cast<int>(Live.size()) + 1);

  // After a burst, retracting everything but the first fact gives the room back.
  std::vector<IFact> Burst;
  for (int I = 0; I < 10000; ++I) {
    Burst.push_back(NewPath(-I, "b", I));
    Engine->Assert(Burst.back());
  }
  for (const IFact& B : Burst) EXPECT_EQ(Engine->GetFactByID(B->ID()), B);
  for (const IFact& B : Burst) Engine->Retract(B->ID());
  for (const IFact& L : Live) Engine->Retract(L->ID());
  EXPECT_EQ(Engine->FactCount(), 1);
  EXPECT_EQ(Engine->GetFactByID(Pinned->ID()), Pinned);
  EXPECT_LE(Engine->Facts().IDIndexSize(), 1u);
}

}  // namespace
}  // namespace norvale
