#include <gtest/gtest.h>

#include "TestSupport.h"

#include <set>

#include "engine/core/ValueVector.h"
#include "engine/engine/InferenceEngine.h"

namespace norvale {
namespace {

// Rules on one ordered template, each matching the facts whose single field is its name.
class AgendaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = test::WithoutInitialFact(NewObject<TInferenceEngine>(nullptr));
    Item = Engine->CreateFactTemplate("item");
  }
  void TearDown() override {
    Item = nullptr;
    Free(Engine);
  }
  TRule* Rule(const std::string& Name, int Salience) {
    TRule* R = NewObject<TRule>(Engine);
    R->SetRuleName(Name);
    R->SetSalienceInteger(Salience);
    auto* P = NewObject<TIEPattern>(R, 0, Item, "item");
    P->AddTest(SDefaultSlotName, NewAtom(Name), true, false, 0);
    R->Patterns().Add(P);
    Engine->Rules().Add(R);
    return R;
  }
  IFact Fact(const std::string& Name) {
    IFact F = Item->NewFact();
    F->SetValue(SDefaultSlotName,
                NewList(NewRef<TValueVector>(std::initializer_list<IIEValue>{NewAtom(Name)})));
    Engine->Assert(F);
    return F;
  }
  std::string Order() {
    std::string R;
    for (TActivation* A : Engine->Activations())
      R += (R.empty() ? "" : " ") + A->Rule()->RuleName();
    return R;
  }

  TInferenceEngine* Engine = nullptr;
  IFactTemplate Item;
};

TEST_F(AgendaTest, StrategyOrdersEqualSaliences) {
  for (TSearchStrategy S : {ssDepthFirst, ssBreadthFirst}) {
    Engine->SetStrategy(S);
    for (const char* N : {"a", "b", "c"}) {
      Rule(N, 0);
      Fact(N);
    }
    EXPECT_EQ(Order(), S == ssDepthFirst ? "c b a" : "a b c");
    std::string Fired;
    while (TActivation* A = Engine->Agenda().First()) {
      Fired += A->Rule()->RuleName();
      Engine->FireActivation(A);
    }
    EXPECT_EQ(Fired, S == ssDepthFirst ? "cba" : "abc");
    Engine->Rules().Clear();
  }
}

TEST_F(AgendaTest, SalienceFirstThenTheStrategyInsideEachSalience) {
  // 10, 5, 5, 5, 0 on the agenda; a new 5 goes before every 5 depth-first, after every 5
  // breadth-first, whatever the length of the agenda.
  struct Case {
    TSearchStrategy Strategy;
    std::string Expected;
  };
  for (const Case& C : {Case{ssDepthFirst, "ten new five3 five2 five1 zero"},
                        Case{ssBreadthFirst, "ten five1 five2 five3 new zero"}}) {
    Engine->SetStrategy(C.Strategy);
    for (auto [N, S] : std::initializer_list<std::pair<const char*, int>>{
             {"zero", 0}, {"five1", 5}, {"five2", 5}, {"ten", 10}, {"five3", 5}}) {
      Rule(N, S);
      Fact(N);
    }
    int Index = -2;
    Engine->OnAddActivation = [&](TObject*, int I, TActivation*) { Index = I; };
    Rule("new", 5);
    Fact("new");
    EXPECT_EQ(Order(), C.Expected);
    EXPECT_EQ(Index, C.Strategy == ssDepthFirst ? 1 : 4);
    Engine->OnAddActivation.Clear();
    Engine->Rules().Clear();
    EXPECT_EQ(Engine->ActivationCount(), 0);
  }
}

TEST_F(AgendaTest, WatchLinesEventsAndStrategyChange) {
  std::vector<std::string> Lines;
  Engine->OnPrintOut = [&](TObject*, const std::string& Out, const std::string& Text) {
    EXPECT_EQ(Out, "");
    Lines.push_back(Text);
  };
  Engine->SetWatch({cwActivation});
  Rule("a", 0);
  Rule("b", 0);
  IFact A = Fact("a");
  Fact("b");
  EXPECT_EQ(Lines, (std::vector<std::string>{"==> Activation: a : f-0\r\n",
                                             "==> Activation: b : f-1\r\n"}));
  EXPECT_EQ(Order(), "b a");
  std::vector<TActivation*> Before = Engine->Activations();
  Lines.clear();
  Engine->SetStrategy(ssBreadthFirst);  // placed again, one line each, the same objects
  EXPECT_EQ(Lines.size(), 2u);
  EXPECT_EQ(Order(), "b a");
  std::vector<TActivation*> After = Engine->Activations();
  EXPECT_EQ(std::set<TActivation*>(Before.begin(), Before.end()),
            std::set<TActivation*>(After.begin(), After.end()));
  Lines.clear();
  int Removed = -1;
  Engine->OnRemoveActivation = [&](TObject*, int I, TActivation* Act) {
    Removed = I;
    EXPECT_EQ(Act->Rule()->RuleName(), "a");
  };
  Engine->Retract(A);  // still withdraws the activation that uses it
  EXPECT_EQ(Removed, 1);
  EXPECT_EQ(Lines, (std::vector<std::string>{"<== Activation: a : f-0\r\n"}));
  EXPECT_EQ(Order(), "b");
  Engine->OnPrintOut.Clear();
  Engine->OnRemoveActivation.Clear();
}

TEST_F(AgendaTest, AFiredActivationLeavesOnceAndARaisingRuleStillFreesIt) {
  TRule* R = Rule("a", 0);
  Fact("a");
  int Removals = 0;
  Engine->OnRemoveActivation = [&](TObject*, int, TActivation*) { ++Removals; };
  R->OnFire = [](TObject*, TIEContext*) { throw EIEException("stop"); };
  EXPECT_THROW(Engine->FireActivation(Engine->Agenda().First()), EIEException);
  EXPECT_EQ(Engine->ActivationCount(), 0);
  EXPECT_EQ(Engine->CurrentActivation(), nullptr);
  Engine->OnRemoveActivation.Clear();
  R->OnFire.Clear();
  EXPECT_EQ(Removals, 0);  // it never reached its terminal's report
}

}  // namespace
}  // namespace norvale
