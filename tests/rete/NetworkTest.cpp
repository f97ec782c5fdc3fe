#include <gtest/gtest.h>

#include "TestFunction.h"
#include "TestSupport.h"

#include "engine/core/IEFuzzy.h"
#include "engine/core/ValueVector.h"
#include "engine/engine/InferenceEngine.h"

namespace norvale {
namespace {

// (record args...) logs its resolved arguments; (check ...) is TRUE unless told otherwise.
using TLogFunction = test::TCallFunction;

class NetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = test::WithoutInitialFact(NewObject<TInferenceEngine>(nullptr));
    Engine->SetStrategy(ssBreadthFirst);  // the agenda lists activations oldest first
    Add("record", [this](const IFunCall& C, TIEContext* Ctx) {
      std::string Line;
      for (const IIEValue& A : C->Arguments())
        Line += (Line.empty() ? "" : ",") + A->Resolve(Ctx)->ToString();
      Log.push_back(Line);
      return FCTrue;
    });
    Add(">", [](const IFunCall& C, TIEContext* Ctx) {
      return BoolValue(C->GetArgument(0)->Resolve(Ctx)->AsNumeric() >
                       C->GetArgument(1)->Resolve(Ctx)->AsNumeric());
    });
  }
  void TearDown() override {
    Templates.clear();
    Free(Engine);
  }
  void Add(const std::string& Name, std::function<IIEValue(const IFunCall&, TIEContext*)> Body) {
    NewRef<TLogFunction>(Name, std::move(Body))->AddReasoner(Engine);
  }
  // An ordered template (facts like (a 1 2)).
  IFactTemplate Ordered(const std::string& Name) {
    return Templates[Name] = Engine->CreateFactTemplate(Name);
  }
  IFactTemplate Unordered(const std::string& Name, std::initializer_list<const char*> Slots) {
    IFactTemplate T = NewRef<TFactTemplate>(Engine, Name);
    for (const char* S : Slots) T->AddSlot(S, FCNil);
    Engine->FactTemplates().Add(T);
    return Templates[Name] = T;
  }
  // The template temp with one fuzzy slot, level.
  IFactTemplate FuzzyTemplate() {
    IFactTemplate T = NewRef<TFactTemplate>(Engine, "temp");
    T->AddSlot("level", FCNil)->SetSlotType({dtFuzzy});
    Engine->FactTemplates().Add(T);
    return T;
  }
  // A fuzzy value: the triangle of width 20 around Peak.
  static IIEValue Tri(double Peak) {
    IFuzzySet S = NewRef<TIEFuzzySet>();
    S->Triangle(Peak - 10, Peak, Peak + 10);
    return NewRef<TIEValue>(S);
  }
  IFact OrderedFact(const std::string& Name, std::initializer_list<IIEValue> Fields) {
    IFact F = Templates.at(Name)->NewFact();
    F->SetValue(SDefaultSlotName, NewList(NewRef<TValueVector>(Fields)));
    return F;
  }
  int AssertOrdered(const std::string& Name, std::initializer_list<IIEValue> Fields) {
    return Engine->Assert(OrderedFact(Name, Fields));
  }
  // A pattern on an ordered template: one test per field (a nil value leaves the field untested).
  TIEPattern* Pattern(TRule* R, const std::string& Name, std::initializer_list<IIEValue> Fields,
                      int Negated = 0) {
    auto* P = NewObject<TIEPattern>(R, Negated, Templates.at(Name), Name);
    int I = 0;
    for (const IIEValue& V : Fields) {
      if (V) P->AddTest(SDefaultSlotName, V, true, false, I);
      ++I;
    }
    return P;
  }
  TRule* NewRule(const std::string& Name,
                 std::initializer_list<std::function<TIEPattern*(TRule*)>> Patterns,
                 std::initializer_list<IIEValue> Record = {}) {
    TRule* R = NewObject<TRule>(Engine);
    R->SetRuleName(Name);
    R->BeginUpdate();
    for (auto& Make : Patterns) R->Patterns().Add(Make(R));
    IFunCall C = NewRef<TFunctionCall>(Engine, "record");
    C->AddArgument(NewAtom(Name));
    for (const IIEValue& V : Record) C->AddArgument(V);
    R->Actions().Add(C);
    R->EndUpdate();
    Engine->Rules().Add(R);
    return R;
  }
  IFunCall Call(const std::string& Name, std::initializer_list<IIEValue> Args) {
    IFunCall C = NewRef<TFunctionCall>(Engine, Name);
    for (const IIEValue& A : Args) C->AddArgument(A);
    return C;
  }
  std::vector<std::string> Agenda() {
    std::vector<std::string> R;
    for (TActivation* A : Engine->Activations())
      R.push_back(A->Rule()->RuleName() + ":" + A->Token()->GetToFactsString());
    return R;
  }
  void FireAll() {
    while (TActivation* A = Engine->Agenda().First()) Engine->FireActivation(A);
  }
  IIEValue I(int V) { return NewInteger(V); }
  IIEValue A(const char* V) { return NewAtom(V); }
  IIEValue Var(const char* V) { return NewVariable(V); }

  TInferenceEngine* Engine = nullptr;
  std::map<std::string, IFactTemplate> Templates;
  std::vector<std::string> Log;
};

TEST_F(NetworkTest, JoinsMatchOnSharedVariables) {
  Ordered("a");
  Ordered("b");
  NewRule("r",
          {[&](TRule* R) { return Pattern(R, "a", {Var("x")}); },
           [&](TRule* R) {
             return Pattern(R, "b", {Var("x"), Var("y")});
           }},
          {Var("x"), Var("y")});
  AssertOrdered("a", {I(1)});
  AssertOrdered("b", {I(1), A("one")});
  AssertOrdered("b", {I(2), A("two")});
  AssertOrdered("a", {I(2)});
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"r:f-0, f-1", "r:f-3, f-2"}));
  Engine->Retract(Engine->FactList()[0]);  // (a 1)
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"r:f-3, f-2"}));
  FireAll();
  EXPECT_EQ(Log, (std::vector<std::string>{"r,2,two"}));
}

TEST_F(NetworkTest, RulesOnTemplatesWithoutFactsActivateWhenFactsArrive) {
  Ordered("later");
  NewRule("r", {[&](TRule* R) { return Pattern(R, "later", {A("x")}); }});
  EXPECT_TRUE(Agenda().empty());
  AssertOrdered("later", {A("y")});
  AssertOrdered("later", {A("x")});
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"r:f-1"}));
}

TEST_F(NetworkTest, CompileTraceAndSharing) {
  Ordered("a");
  Ordered("b");
  TRule* R1 = NewRule("one", {[&](TRule* R) { return Pattern(R, "a", {A("x")}); },
                              [&](TRule* R) { return Pattern(R, "b", {A("y")}); }});
  EXPECT_EQ(R1->CompileTrace(), "one: +1+1+1+1+2+t");
  TRule* R2 = NewRule("two", {[&](TRule* R) { return Pattern(R, "a", {A("x")}); },
                              [&](TRule* R) { return Pattern(R, "b", {A("y")}); }});
  EXPECT_EQ(R2->CompileTrace(), "two: =1=1=2+t");
  const auto* Nodes = Engine->Network().GetRuleNodesList(R1);
  ASSERT_NE(Nodes, nullptr);
  for (TReteNode* N : *Nodes)
    if (!dynamic_cast<TPatternMatchTerminalNode*>(N)) {
      EXPECT_EQ(N->RuleUseCount(), 2) << N->GetToString();
    }
  Engine->Rules().Remove("one");
  for (TReteNode* N : *Engine->Network().GetRuleNodesList(R2)) EXPECT_EQ(N->RuleUseCount(), 1);
  AssertOrdered("a", {A("x")});
  AssertOrdered("b", {A("y")});
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"two:f-0, f-1"}));
}

TEST_F(NetworkTest, CallsArePlacedWhereTheirVariablesLive) {
  Ordered("a");
  Ordered("b");
  TRule* R = NewObject<TRule>(Engine);
  R->SetRuleName("r");
  TIEPattern* P0 = Pattern(R, "a", {Var("x")});
  P0->AddTest(SDefaultSlotName, NewRef<TIEValue>(Call(">", {Var("x"), I(0)})), true, false, 0);
  R->Patterns().Add(P0);
  TIEPattern* P1 = Pattern(R, "b", {Var("y")});
  P1->AddTest(SDefaultSlotName, NewRef<TIEValue>(Call(">", {Var("y"), Var("x")})), true, false, 0);
  R->Patterns().Add(P1);
  TIEPattern* T = NewObject<TIEPattern>(R, 0, Templates.at("a"), STestCE);
  T->AddTest(SDefaultSlotName, NewRef<TIEValue>(Call(">", {Var("y"), I(10)})));
  R->Patterns().Add(T);
  Engine->Rules().Add(R);
  int Alpha = 0, JoinTests = 0, TestNodes = 0;
  for (TReteNode* N : *Engine->Network().GetRuleNodesList(R)) {
    if (auto* P = dynamic_cast<TPatternMatchNode*>(N))
      if (P->Value() && P->Value()->DType() == dtFunCall) ++Alpha;
    if (auto* J = dynamic_cast<TJoinNode*>(N)) JoinTests += J->GetTestCount();
    if (typeid(*N) == typeid(TTestNode)) TestNodes++;
  }
  EXPECT_EQ(Alpha, 1);
  EXPECT_EQ(JoinTests, 1);
  EXPECT_EQ(TestNodes, 1);
  AssertOrdered("a", {I(5)});
  AssertOrdered("b", {I(7)});
  AssertOrdered("b", {I(12)});
  AssertOrdered("a", {I(-1)});
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"r:f-0, f-2, f--1"}));
}

TEST_F(NetworkTest, DerivedTemplatesPassTheClassTest) {
  IFactTemplate Base = Unordered("shape", {"size"});
  IFactTemplate Circle = NewRef<TFactTemplate>(Engine, Base, "", "circle");
  Engine->FactTemplates().Add(Circle);
  Templates["circle"] = Circle;
  TRule* R = NewObject<TRule>(Engine);
  R->Patterns().Add(NewObject<TIEPattern>(R, 0, Base, "shape"));
  Engine->Rules().Add(R);
  Engine->Assert(Circle->NewFact());
  EXPECT_EQ(Engine->Activations().size(), 1u);
}

TEST_F(NetworkTest, NegationBlocksUntilTheLastBlockingFactGoes) {
  Ordered("a");
  Ordered("b");
  AssertOrdered("a", {I(1)});
  AssertOrdered("b", {I(1), A("first")});
  AssertOrdered("b", {I(1), A("second")});
  NewRule("r", {[&](TRule* R) { return Pattern(R, "a", {Var("x")}); },
                [&](TRule* R) { return Pattern(R, "b", {Var("x")}, 1); }});
  EXPECT_TRUE(Agenda().empty());
  Engine->Retract(Engine->FactList()[1]);
  EXPECT_TRUE(Agenda().empty());
  Engine->Retract(Engine->FactList()[1]);
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"r:f-0, f--1"}));
  AssertOrdered("b", {I(1), A("third")});
  EXPECT_TRUE(Agenda().empty());
}

TEST_F(NetworkTest, NegatedJoinsAreNeverShared) {
  Ordered("a");
  Ordered("b");
  NewRule("n1", {[&](TRule* R) { return Pattern(R, "a", {}); },
                 [&](TRule* R) { return Pattern(R, "b", {}, 1); }});
  TRule* N2 = NewRule("n2", {[&](TRule* R) { return Pattern(R, "a", {}); },
                             [&](TRule* R) { return Pattern(R, "b", {}, 1); }});
  EXPECT_EQ(N2->CompileTrace().find("=2"), std::string::npos);
  TRule* Plain = NewRule("p", {[&](TRule* R) { return Pattern(R, "a", {}); },
                               [&](TRule* R) { return Pattern(R, "b", {}); }});
  EXPECT_NE(Plain->CompileTrace().find("+2"), std::string::npos);
}

TEST_F(NetworkTest, UniqueJoinsTheFirstMatchOfANewPartialMatchOnly) {
  Ordered("a");
  Ordered("b");
  TRule* R = NewObject<TRule>(Engine);
  R->SetRuleName("u");
  R->Patterns().Add(Pattern(R, "a", {}));
  TIEPattern* P = Pattern(R, "b", {});
  P->SetUnique(true);
  R->Patterns().Add(P);
  Engine->Rules().Add(R);
  AssertOrdered("b", {I(1)});
  AssertOrdered("b", {I(2)});
  AssertOrdered("a", {I(0)});  // a new left token: one partner
  EXPECT_EQ(Agenda().size(), 1u);
  AssertOrdered("a", {I(3)});
  EXPECT_EQ(Agenda().size(), 2u);
  AssertOrdered("b", {I(4)});  // a new right fact joins every left token
  EXPECT_EQ(Agenda().size(), 4u);
}

TEST_F(NetworkTest, MultifieldSegmentationsAreAllKept) {
  Ordered("a");
  NewRule("seg", {[&](TRule* R) {
            TIEPattern* P = Pattern(R, "a", {});
            P->AddTest(SDefaultSlotName, NewMultiVariable("x"), true, false, 0);
            return P;
          }},
          {NewMultiVariable("x")});
  AssertOrdered("a", {I(1), I(2), I(3)});
  EXPECT_EQ(Agenda().size(), 4u);  // segment lengths 3, 2, 1 and 0
  Engine->Retract(Engine->FactList()[0]);
  EXPECT_TRUE(Agenda().empty());
  // (a $?x ?y&:(> ?y 2) $?z): every segmentation is a match of its own.
  NewRule(
      "mid", {[&](TRule* R) {
        TIEPattern* P = Pattern(R, "a", {});
        P->AddTest(SDefaultSlotName, NewMultiVariable("x"), true, false, 0);
        P->AddTest(SDefaultSlotName, NewVariable("y"), true, false, 1);
        P->AddTest(SDefaultSlotName, NewRef<TIEValue>(Call(">", {Var("y"), I(2)})), true, false, 1);
        P->AddTest(SDefaultSlotName, NewMultiVariable("z"), true, false, 2);
        P->SetSlotLength(P->IndexOfSlotName(SDefaultSlotName), 3);  // as the parser sets it
        return P;
      }},
      {Var("y")});
  Engine->Rules().Remove("seg");
  AssertOrdered("a", {I(1), I(3), I(5)});
  FireAll();
  std::sort(Log.begin(), Log.end());
  EXPECT_EQ(Log, (std::vector<std::string>{"mid,3", "mid,5"}));
}

TEST_F(NetworkTest, ARuleAddedLaterLeavesTheAgendaAlone) {
  Ordered("a");
  Ordered("b");
  NewRule("old", {[&](TRule* R) { return Pattern(R, "a", {Var("x")}); },
                  [&](TRule* R) { return Pattern(R, "b", {Var("x")}); }});
  AssertOrdered("a", {I(1)});
  AssertOrdered("b", {I(1)});
  AssertOrdered("a", {I(2)});
  AssertOrdered("b", {I(2)});
  ASSERT_EQ(Engine->Activations().size(), 2u);
  TActivation* First = Engine->Activations()[0];
  Engine->FireActivation(First);  // fired: must not come back
  TActivation* Pending = Engine->Activations()[0];
  int Events = 0;
  Engine->Network().OnDeactivation = [&](TObject*, TActivation*) { ++Events; };
  // Shares the alpha chains and the join of "old".
  NewRule("new", {[&](TRule* R) { return Pattern(R, "a", {Var("x")}); },
                  [&](TRule* R) { return Pattern(R, "b", {Var("x")}); }});
  EXPECT_EQ(Events, 0);
  EXPECT_EQ(Engine->Activations()[0], Pending);
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"old:f-2, f-3", "new:f-0, f-1", "new:f-2, f-3"}));
  Engine->Network().OnDeactivation.Clear();
}

TEST_F(NetworkTest, TestElementsKeepPatternPositions) {
  Ordered("a");
  Ordered("b");
  Ordered("c");
  TRule* R = NewObject<TRule>(Engine);
  R->SetRuleName("r");
  R->Patterns().Add(Pattern(R, "a", {Var("x")}));
  TIEPattern* T = NewObject<TIEPattern>(R, 0, Templates.at("a"), STestCE);
  T->AddTest(SDefaultSlotName, NewRef<TIEValue>(Call(">", {Var("x"), I(0)})));
  R->Patterns().Add(T);
  R->Patterns().Add(Pattern(R, "b", {Var("y")}));
  R->Patterns().Add(Pattern(R, "c", {Var("z")}));
  R->Actions().Add(Call("record", {Var("x"), Var("y"), Var("z")}));
  Engine->Rules().Add(R);
  AssertOrdered("a", {I(1)});
  AssertOrdered("b", {A("bee")});
  AssertOrdered("c", {A("sea")});
  FireAll();
  EXPECT_EQ(Log, (std::vector<std::string>{"1,bee,sea"}));
}

TEST_F(NetworkTest, AVariableRepeatedInOneSlotIsTested) {
  Ordered("pair");
  NewRule("same", {[&](TRule* R) { return Pattern(R, "pair", {Var("x"), Var("x")}); }});
  AssertOrdered("pair", {I(1), I(2)});
  EXPECT_TRUE(Agenda().empty());
  AssertOrdered("pair", {I(3), I(3)});
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"same:f-1"}));
}

TEST_F(NetworkTest, ExistsPairsEachPartialMatchWithItsOwnFacts) {
  Ordered("a");
  Ordered("b");
  NewRule("r",
          {[&](TRule* R) { return Pattern(R, "a", {Var("x")}); },
           [&](TRule* R) { return Pattern(R, "b", {Var("x")}, 2); }},
          {Var("x")});
  AssertOrdered("a", {I(1)});
  AssertOrdered("a", {I(2)});
  AssertOrdered("b", {I(1)});
  AssertOrdered("b", {I(1), A("other")});  // a second b for a1 changes nothing
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"r:f-0, f--1"}));
  Engine->Retract(Engine->FactList()[2]);
  EXPECT_EQ(Agenda().size(), 1u);
  Engine->Retract(Engine->FactList()[2]);
  EXPECT_TRUE(Agenda().empty());
}

TEST_F(NetworkTest, RemovalsAreNotCutByThresholds) {
  IFactTemplate T = FuzzyTemplate();
  TRule* R = NewObject<TRule>(Engine);
  TIEPattern* P = NewObject<TIEPattern>(R, 0, T, "temp");
  P->AddTest("level", Tri(50));
  R->Patterns().Add(P);
  Engine->Rules().Add(R);
  IFact F = T->NewFact();
  F->SetValue("level", Tri(58));  // overlaps the pattern's set at degree 0.6
  Engine->Assert(F);
  ASSERT_EQ(Engine->Activations().size(), 1u);
  EXPECT_NEAR(Engine->Activations()[0]->Strength(), 0.6, 1e-6);
  EXPECT_EQ(Engine->Activations()[0]->GetToString(), "0 " + R->RuleName() + " : f-0 (0.6000)");
  Engine->Network().SetMinActivationStrength(0.9f);
  Engine->Retract(F);
  EXPECT_TRUE(Engine->Activations().empty());
  // A weaker match than the threshold does not activate.
  IFact G = T->NewFact();
  G->SetValue("level", Tri(58));
  Engine->Assert(G);
  EXPECT_TRUE(Engine->Activations().empty());
}

TEST_F(NetworkTest, OverlappingFuzzyConstantsGetAlphaNodesOfTheirOwn) {
  IFactTemplate T = FuzzyTemplate();
  TRule* R1 = NewObject<TRule>(Engine);
  TIEPattern* P1 = NewObject<TIEPattern>(R1, 0, T, "temp");
  P1->AddTest("level", Tri(50));
  R1->Patterns().Add(P1);
  Engine->Rules().Add(R1);
  TRule* R2 = NewObject<TRule>(Engine);
  TIEPattern* P2 = NewObject<TIEPattern>(R2, 0, T, "temp");
  P2->AddTest("level", Tri(52));
  R2->Patterns().Add(P2);
  Engine->Rules().Add(R2);
  EXPECT_EQ(R2->CompileTrace().find("=1"), std::string::npos);
}

TEST_F(NetworkTest, RemovingARuleWithdrawsItsActivations) {
  Ordered("a");
  NewRule("r", {[&](TRule* R) { return Pattern(R, "a", {}); }});
  AssertOrdered("a", {I(1)});
  ASSERT_EQ(Engine->Activations().size(), 1u);
  Engine->Rules().Remove("r");
  EXPECT_TRUE(Engine->Activations().empty());
}

TEST_F(NetworkTest, AssertionsFromTestsWaitForThePropagation) {
  Ordered("a");
  Ordered("echo");
  Add("echo", [this](const IFunCall& C, TIEContext* Ctx) {
    Engine->Assert(OrderedFact("echo", {C->GetArgument(0)->Resolve(Ctx)}));
    return FCTrue;
  });
  TRule* R = NewObject<TRule>(Engine);
  R->SetRuleName("r");
  TIEPattern* P = Pattern(R, "a", {Var("x")});
  P->AddTest(SDefaultSlotName, NewRef<TIEValue>(Call("echo", {Var("x")})), true, false, 0);
  R->Patterns().Add(P);
  Engine->Rules().Add(R);
  NewRule("e", {[&](TRule* R) { return Pattern(R, "echo", {}); }});
  AssertOrdered("a", {I(7)});
  EXPECT_EQ(Engine->FactList().size(), 2u);
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"r:f-0", "e:f-1"}));
}

TEST_F(NetworkTest, ATestThatRaisesLeavesTheFactAsserted) {
  Ordered("a");
  Add("boom", [](const IFunCall&, TIEContext*) -> IIEValue { throw EIEException("boom"); });
  TRule* R = NewObject<TRule>(Engine);
  TIEPattern* P = Pattern(R, "a", {});
  P->AddTest(SDefaultSlotName, NewRef<TIEValue>(Call("boom", {})), true, false, 0);
  R->Patterns().Add(P);
  Engine->Rules().Add(R);
  try {
    AssertOrdered("a", {I(1)});
    FAIL();
  } catch (const EIEException& E) {
    EXPECT_EQ(std::string(E.what()).rfind("boom for pattern match = TPatternMatchNode", 0), 0u)
        << E.what();
  }
  EXPECT_EQ(Engine->FactList().size(), 1u);
}

TEST_F(NetworkTest, OneShotRulesFireOncePerReset) {
  Ordered("a");
  TRule* R = NewRule("once", {[&](TRule* R) { return Pattern(R, "a", {}); }});
  R->SetOneShot(true);
  AssertOrdered("a", {I(1)});
  FireAll();
  AssertOrdered("a", {I(2)});
  EXPECT_TRUE(Agenda().empty());
  R->Reset();
  AssertOrdered("a", {I(3)});
  EXPECT_EQ(Agenda().size(), 1u);
}

// An engine that records what the joins ask for.
class TGoalEngine : public TInferenceEngine {
 public:
  using TInferenceEngine::TInferenceEngine;
  void AskForGoal(TJoinNode&, TIEPattern& Pattern, TRule* Rule, const TIEToken& Token) override {
    Asked.push_back(Rule->RuleName() + ":" + Pattern.Name() + ":" + Token.GetToFactsString());
  }
  std::vector<std::string> Asked;
};

TEST(BackwardChainingHook, JoinsAskWhenNoFactMatches) {
  auto* E = test::WithoutInitialFact(NewObject<TGoalEngine>(nullptr));
  IFactTemplate A = E->CreateFactTemplate("a");
  IFactTemplate X = E->CreateFactTemplate("x");
  X->SetBackwardChaining(true);
  TRule* R = NewObject<TRule>(E);
  R->SetRuleName("r");
  R->Patterns().Add(NewObject<TIEPattern>(R, 0, A, "a"));
  R->Patterns().Add(NewObject<TIEPattern>(R, 0, X, "x"));
  TIEPattern* Quiet = NewObject<TIEPattern>(R, 0, X, "x");
  Quiet->SetExplicit(true);
  R->Patterns().Add(Quiet);
  E->Rules().Add(R);
  IFact Fx = X->NewFact();
  E->Assert(A->NewFact());
  EXPECT_EQ(E->Asked, (std::vector<std::string>{"r:x:f-0"}));
  E->Assert(Fx);  // a fact that matches: the waiting partial match goes on, nothing more is asked
  EXPECT_EQ(E->Asked.size(), 1u);
  EXPECT_EQ(E->Activations().size(), 1u);
  Fx = nullptr;
  A = X = nullptr;
  Free(E);
}

TEST_F(NetworkTest, DisablingTheNetworkDropsEveryNodeUntilRulesComeBack) {
  Ordered("a");
  TRule* R = NewRule("r", {[&](TRule* R) { return Pattern(R, "a", {}); }});
  EXPECT_GT(Engine->Network().NodeCount(), 0);
  Engine->Network().SetEnabled(false);
  EXPECT_EQ(Engine->Network().NodeCount(), 0);
  EXPECT_EQ(Engine->Network().GetRootCount(), 0);
  AssertOrdered("a", {I(1)});
  Engine->Network().SetEnabled(true);
  EXPECT_EQ(Engine->Network().GetRuleNodesList(R), nullptr);
  R->Change();  // the rule comes back with its next change
  EXPECT_NE(Engine->Network().GetRuleNodesList(R), nullptr);
  EXPECT_EQ(Agenda(), (std::vector<std::string>{"r:f-0"}));
  TTreeItem Tree = Engine->Network().AssignTo();
  ASSERT_EQ(Tree.Children.size(), 1u);
  EXPECT_EQ(Tree.Children[0].Text.rfind(
                "TPatternMatchNode In/Out#: 0/1 RuleUse: 1 Value: a Test: pmtTestClassType", 0),
            0u);
}

}  // namespace
}  // namespace norvale
