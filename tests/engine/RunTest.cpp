#include <gtest/gtest.h>

#include <regex>

#include "EngineFixture.h"
#include "TestSupport.h"
#include "engine/engine/FactSet.h"

namespace norvale {
namespace {

using test::MessageOf;

class RunTest : public test::EngineFixture {
 public:
  using EngineFixture::Call;

 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    Function("log", [this](const std::vector<IIEValue>& Args, TIEContext*) {
      std::string Line;
      for (const IIEValue& A : Args) Line += (Line.empty() ? "" : " ") + A->ToString();
      Log.push_back(Line);
      return FCTrue;
    });
    Function("emit", [this](const std::vector<IIEValue>& Args, TIEContext*) {
      IFact F = OrderedFact(Args.at(0)->AsString(), {});
      IValueVector Rest = NewRef<TValueVector>();
      for (size_t I = 1; I < Args.size(); ++I) Rest->Add(Args[I]);
      F->SetValue(SDefaultSlotName, NewList(Rest));
      Engine->Assert(F);
      return FCTrue;
    });
    Function("halt", [this](const std::vector<IIEValue>&, TIEContext*) {
      Engine->Halt();
      return FCTrue;
    });
    Function("fail", [](const std::vector<IIEValue>& Args, TIEContext*) -> IIEValue {
      throw EIEException(Args.at(0)->AsString());
    });
    Function("exit", [](const std::vector<IIEValue>&, TIEContext*) -> IIEValue { throw EAbort(); });
    Function("clear", [this](const std::vector<IIEValue>&, TIEContext*) {
      Engine->Clear();
      return FCTrue;
    });
    Function("unregister", [this](const std::vector<IIEValue>& Args, TIEContext*) {
      Engine->Rules().Remove(Args.at(0)->AsString());
      return FCTrue;
    });
    Function("redefine", [this](const std::vector<IIEValue>& Args, TIEContext*) {
      Rule(Args.at(0)->AsString(), [&](TRule* R) { R->Patterns().Add(Pattern(R, "other", {})); });
      return FCTrue;
    });
    Function("set-global", [this](const std::vector<IIEValue>& Args, TIEContext*) {
      Engine->GlobalContext()->AddGlobalBinding(Args.at(0)->AsString(), Args.at(1));
      return FCTrue;
    });
    Function("global", [this](const std::vector<IIEValue>& Args, TIEContext*) {
      return Engine->GlobalContext()->GetVariable(Args.at(0)->AsString());
    });
  }

  // A rule on (Template ?x) running the given actions.
  TRule* On(const std::string& Name, const std::string& Template,
            std::initializer_list<IFunCall> Actions, int Salience = 0) {
    return Rule(
        Name,
        [&](TRule* R) {
          R->Patterns().Add(Pattern(R, Template, {NewVariable("x")}));
          for (const IFunCall& A : Actions) R->Actions().Add(A);
        },
        Salience);
  }
  void AssertOrdered(const std::string& Name, std::initializer_list<IIEValue> Fields) {
    Engine->Assert(OrderedFact(Name, Fields));
  }

  std::vector<std::string> Log;
};

TEST_F(RunTest, AnEmptyRunFiresBothEventsAndPrintsNoStatistics) {
  std::vector<std::string> Events;
  Engine->OnStartInference = [&](TObject*) { Events.push_back("start"); };
  Engine->OnEndInference = [&](TObject*, int Fired) {
    Events.push_back("end " + std::to_string(Fired));
  };
  Engine->SetWatch({cwStatistics, cwRule});
  EXPECT_EQ(Engine->Run(), 0);
  EXPECT_EQ(Events, (std::vector<std::string>{"start", "end 0"}));
  EXPECT_TRUE(Output.empty());
}

TEST_F(RunTest, StepLimitsFireLinesAndHalting) {
  On("chain", "a",
     {Call("log", {NewAtom("chain"), NewVariable("x")}),
      Call("emit", {NewAtom("b"), NewVariable("x")})});
  On("after", "b", {Call("log", {NewAtom("after"), NewVariable("x")})});
  AssertOrdered("a", {NewInteger(1)});
  AssertOrdered("a", {NewInteger(2)});
  Engine->SetWatch({cwRule});

  // One step, even though the firing made a new activation.
  EXPECT_EQ(Engine->Run(1), 1);
  EXPECT_EQ(Log, (std::vector<std::string>{"chain 2"}));
  EXPECT_EQ(Output, (std::vector<std::string>{"FIRE 0 chain f-2\r\n"}));
  EXPECT_EQ(Engine->ActivationCount(), 2);

  // A new run numbers its firings from 0 again; depth-first fires the newest activation first.
  Output.clear();
  EXPECT_EQ(Engine->Run(), 3);
  EXPECT_EQ(Output, (std::vector<std::string>{"FIRE 0 after f-3\r\n", "FIRE 1 chain f-1\r\n",
                                              "FIRE 2 after f-4\r\n"}));
  EXPECT_EQ(Engine->RulesFired(), 3);
}

TEST_F(RunTest, HaltStopsAfterTheHaltingRuleAndTheNextRunGoesOn) {
  On("stop", "a", {Call("log", {NewAtom("stop")}), Call("halt", {})}, 10);
  On("other", "a", {Call("log", {NewAtom("other"), NewVariable("x")})});
  AssertOrdered("a", {NewInteger(1)});
  EXPECT_EQ(Engine->Run(), 1);
  EXPECT_TRUE(Engine->Halted());
  EXPECT_EQ(Log, (std::vector<std::string>{"stop"}));
  EXPECT_EQ(Engine->Run(), 1);
  EXPECT_FALSE(Engine->Halted());
  EXPECT_EQ(Log.back(), "other 1");
}

TEST_F(RunTest, AOneShotRuleFiresOncePerReset) {
  TRule* R = On("once", "a", {Call("log", {NewVariable("x")})});
  R->SetOneShot(true);
  AssertOrdered("a", {NewInteger(1)});
  EXPECT_EQ(Engine->Run(), 1);
  AssertOrdered("a", {NewInteger(2)});
  EXPECT_EQ(Engine->ActivationCount(), 0);
  Engine->Reset();
  AssertOrdered("a", {NewInteger(3)});
  EXPECT_EQ(Engine->Run(), 1);
  EXPECT_EQ(Log, (std::vector<std::string>{"1", "3"}));
}

TEST_F(RunTest, SalienceEvaluatedEveryTimeReordersTheAgenda) {
  struct TCase {
    TSalience Evaluation;
    std::vector<std::string> Order;
  };
  for (const TCase& C :
       {TCase{sActivate, {"bump", "mid", "low"}}, TCase{sEveryTime, {"bump", "low", "mid"}}}) {
    Log.clear();
    Engine->Clear();
    Engine->Reset();
    Engine->SetSalienceEvaluation(C.Evaluation);
    Engine->GlobalVariables().Put("p", NewInteger(0));
    On("bump", "a",
       {Call("log", {NewAtom("bump")}), Call("set-global", {NewAtom("p"), NewInteger(10)})}, 9);
    On("mid", "a", {Call("log", {NewAtom("mid")})}, 7);
    TRule* Low = On("low", "a", {Call("log", {NewAtom("low")})});
    Low->SetSalience(NewRef<TIEValue>(Call("global", {NewAtom("p")})));
    AssertOrdered("a", {NewInteger(1)});
    Engine->Run();
    EXPECT_EQ(Log, C.Order) << "salience evaluation " << C.Evaluation;
  }
}

TEST_F(RunTest, StatisticsLines) {
  On("r", "a", {Call("log", {NewVariable("x")})});
  AssertOrdered("a", {NewInteger(1)});
  AssertOrdered("a", {NewInteger(2)});
  Engine->SetWatch({cwStatistics});
  EXPECT_EQ(Engine->Run(), 2);
  ASSERT_EQ(Output.size(), 4u);
  EXPECT_TRUE(std::regex_match(Output[0], std::regex("2 rules fired\\.     Run time is "
                                                     "[0-9]+\\.[0-9]{4} seconds\r\n")))
      << Output[0];
  EXPECT_TRUE(std::regex_match(Output[1], std::regex("[0-9]+(\\.[0-9]{4})? rules per second\r\n")))
      << Output[1];
  // Three facts after each firing; one activation left after the first, none after the second.
  EXPECT_EQ(Output[2], "3.0000 mean number of facts (3 maximum)\r\n");
  EXPECT_EQ(Output[3], "0.5000 mean number of activations (2 maximum)\r\n");
}

TEST_F(RunTest, ResetAssertsInitialFactThenTheFactSetsAndRestoresGlobals) {
  struct TCase {
    bool ResetGlobals;
    int64_t After;
  };
  for (const TCase& C : {TCase{true, 1}, TCase{false, 42}}) {
    Engine->Clear();
    Engine->SetResetGlobals(C.ResetGlobals);
    Engine->GlobalVariables().Put("g", NewInteger(1));
    auto* First = NewObject<TFactSet>(Engine);
    First->SetFactSetName("first");
    First->AddFact(OrderedFact("x", {NewInteger(1)}));
    First->AddFact(OrderedFact("x", {NewInteger(2)}));
    auto* Second = NewObject<TFactSet>(Engine);
    Second->SetFactSetName("second");
    Second->AddFact(OrderedFact("y", {NewAtom("z")}));
    AssertOrdered("junk", {});
    Engine->GlobalContext()->AddGlobalBinding("g", NewInteger(42));

    Engine->Reset();
    EXPECT_EQ(FactTexts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-1 (x 1 )",
                                                     "f-2 (x 2 )", "f-3 (y z )"}));
    EXPECT_EQ(Engine->GlobalContext()->GetVariable("g")->AsInteger(), C.After);
    Free(First);
    Free(Second);
  }
}

TEST_F(RunTest, ClearLeavesOnlyTheBuiltInsAndNumbersRulesFromZero) {
  On("r", "a", {Call("log", {NewVariable("x")})});
  On("s", "a", {Call("log", {NewVariable("x")})});
  AssertOrdered("a", {NewInteger(1)});
  Engine->GlobalVariables().Put("g", NewInteger(1));
  Engine->EngineVariables().Put("v", NewInteger(2));
  auto* Set = NewObject<TFactSet>(Engine);
  Set->AddFact(OrderedFact("x", {}));
  IIEDefinedType Money = NewRef<TIEDefinedType>();
  Money->SetName("money");
  Engine->DefinedTypes().Add(Money);
  int Cleared = 0;
  Engine->OnClear = [&](TObject*) { ++Cleared; };

  Engine->Clear();
  EXPECT_EQ(Cleared, 1);
  EXPECT_EQ(Engine->FactCount(), 0);
  EXPECT_EQ(Engine->ActivationCount(), 0);
  EXPECT_EQ(Engine->Rules().Count(), 0);
  EXPECT_EQ(Engine->DefinedTypes().Count(), 0);
  EXPECT_EQ(Engine->GlobalVariables().Count(), 0);
  EXPECT_EQ(Engine->EngineVariables().Count(), 0);
  EXPECT_EQ(Engine->FactSets().Count(), 0);
  EXPECT_EQ(Set->Engine(), nullptr);
  std::vector<std::string> Names;
  for (const IFactTemplate& T : Engine->FactTemplates().Templates())
    Names.push_back(T->TemplateName());
  EXPECT_EQ(Names, (std::vector<std::string>{"Initial-Fact", "__NOT-OR-TEST-CE*"}));
  EXPECT_TRUE(Engine->ContainsUserFunction("eq"));
  EXPECT_EQ(MessageOf([&] { Engine->GlobalContext()->GetVariable("g"); }),
            "Unknown variable name: g");

  TRule* Again = On("again", "a", {});
  EXPECT_EQ(Again->RuleNumber(), 0);
  // Facts and rules work as before.
  Engine->Reset();
  AssertOrdered("a", {NewInteger(5)});
  EXPECT_EQ(Engine->Run(), 1);
  Free(Set);
}

TEST_F(RunTest, AnExceptionFromAnActionEndsTheRunCleanly) {
  struct TCase {
    const char* Function;
    bool Abort;
  };
  for (const TCase& C : {TCase{"fail", false}, TCase{"exit", true}}) {
    Engine->Clear();
    Engine->Reset();
    Log.clear();
    On("bad", "a", {Call(C.Function, {NewString("boom")}), Call("log", {NewAtom("unreached")})}, 5);
    On("good", "a", {Call("log", {NewAtom("good")})});
    AssertOrdered("a", {NewInteger(1)});
    std::vector<std::string> Events;
    Engine->OnRemoveActivation = [&](TObject*, int Index, TActivation* A) {
      Events.push_back("remove " + A->Rule()->RuleName() + " at " + std::to_string(Index));
    };
    Engine->OnEndInference = [&](TObject*, int) { Events.push_back("end"); };
    if (C.Abort)
      EXPECT_THROW(Engine->Run(), EAbort);
    else
      EXPECT_EQ(MessageOf([&] { Engine->Run(); }), "boom");
    EXPECT_EQ(Events, (std::vector<std::string>{"remove bad at 0"}));
    EXPECT_EQ(Engine->RulesFired(), 0);
    EXPECT_EQ(Engine->CurrentActivation(), nullptr);
    ASSERT_EQ(Engine->ActivationCount(), 1);
    // The lock was released and the rest of the agenda still fires.
    EXPECT_EQ(Engine->Run(), 1);
    EXPECT_EQ(Log, (std::vector<std::string>{"good"}));
    Engine->OnRemoveActivation.Clear();
    Engine->OnEndInference.Clear();
  }
}

TEST_F(RunTest, TheFiringRuleMayBeClearedRemovedOrRedefinedByItsOwnActions) {
  auto Clear = [](RunTest* T) { return T->Call("clear", {}); };
  auto Unregister = [](RunTest* T) { return T->Call("unregister", {NewAtom("self")}); };
  auto Redefine = [](RunTest* T) { return T->Call("redefine", {NewAtom("self")}); };
  struct TRow {
    const char* Name;
    std::function<IFunCall(RunTest*)> Action;
    bool RuleLeft;
  };
  for (const TRow& Row : {TRow{"clear", Clear, false}, TRow{"unregister", Unregister, false},
                          TRow{"redefine", Redefine, true}}) {
    Engine->Clear();
    Engine->Reset();
    Log.clear();
    On("self", "a",
       {Call("log", {NewAtom("before")}), Row.Action(this), Call("log", {NewAtom("after")})});
    On("later", "a", {Call("log", {NewAtom("later")})}, -1);
    AssertOrdered("a", {NewInteger(1)});
    EXPECT_EQ(Engine->Run(1), 1) << Row.Name;
    EXPECT_EQ(Log, (std::vector<std::string>{"before", "after"})) << Row.Name;
    EXPECT_EQ(Engine->Rules().Find("self") != nullptr, Row.RuleLeft) << Row.Name;
    // Whatever is left on the agenda fires normally.
    Engine->Run();
  }
}

}  // namespace
}  // namespace norvale
