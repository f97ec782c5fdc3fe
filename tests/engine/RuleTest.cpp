#include <gtest/gtest.h>

#include "TestSupport.h"

#include "engine/core/ValueVector.h"
#include "engine/engine/InferenceEngine.h"

namespace norvale {
namespace {

using test::MessageOf;

// A function recording calls: (record tag args...) appends "tag:arg1,arg2" to a log.
class TRecordFunction : public TIEUserFunction {
 public:
  explicit TRecordFunction(std::vector<std::string>* Log) : FLog(Log) {}
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName("record");
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    std::string Line;
    for (const IIEValue& A : FunCall->Arguments()) {
      if (!Line.empty()) Line += ",";
      Line += A->Resolve(Context)->ToString();
    }
    FLog->push_back(Line);
    Result = FCTrue;
  }

 private:
  std::vector<std::string>* FLog;
};

// (return): sets the context's return state.
class TReturnFunction : public TIEUserFunction {
 public:
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName("return");
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    Result = FunCall->GetArgumentCount() ? FunCall->GetArgument(0) : FCNil;
    Context->SetReturnValue(Result);
  }
};

class RuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = NewObject<TInferenceEngine>(nullptr);
    NewRef<TRecordFunction>(&Log)->AddReasoner(Engine);
    NewRef<TReturnFunction>()->AddReasoner(Engine);
    Person = NewRef<TFactTemplate>(Engine, "person");
    Person->AddSlot("name", FCNil);
    Person->AddSlot("age", NewInteger(0));
    Person->AddMultiSlot("tags", FCNilList);
    Engine->FactTemplates().Add(Person);
  }
  void TearDown() override {
    Person = nullptr;
    Free(Engine);
  }

  TIEPattern* NewPattern(TRule* Rule, const IFactTemplate& T, int Negated = 0) {
    return NewObject<TIEPattern>(Rule, Negated, T, T->TemplateName());
  }
  IFunCall Call(const std::string& Name, std::initializer_list<IIEValue> Args) {
    IFunCall C = NewRef<TFunctionCall>(Engine, Name);
    for (const IIEValue& A : Args) C->AddArgument(A);
    return C;
  }

  TInferenceEngine* Engine = nullptr;
  IFactTemplate Person;
  std::vector<std::string> Log;
};

TEST_F(RuleTest, NamesAndNumbers) {
  TRule* Free1 = NewObject<TRule>(nullptr);
  EXPECT_EQ(Free1->RuleName(), "Rule_0");
  TRule* R1 = NewObject<TRule>(Engine);
  TRule* R2 = NewObject<TRule>(Engine);
  EXPECT_EQ(R1->RuleName(), "Rule_0");
  EXPECT_EQ(R2->RuleName(), "Rule_1");
  Free1->SetEngine(Engine);  // a new number, the same name
  EXPECT_EQ(Free1->RuleNumber(), 2);
  EXPECT_EQ(Free1->RuleName(), "Rule_0");
  EXPECT_EQ(MessageOf([&] { R2->SetRuleName("bad name"); }),
            "bad name contains unexpected character: \" \"");
  EXPECT_EQ(R2->RuleName(), "Rule_1");
  Free(Free1);
  EXPECT_EQ(Engine->Rules().Find("Rule_0"), nullptr);  // a freed rule leaves the table
}

TEST_F(RuleTest, InitialFactGoesInFrontOfElementsThatCannotStartARule) {
  IFactTemplate A = Engine->CreateFactTemplate("a");
  struct Case {
    const char* What;
    std::function<void(TRule*)> Build;
    int Count;
  };
  const Case Cases[] = {
      {"only pattern negated", [&](TRule* R) { R->Patterns().Add(NewPattern(R, A, 1)); }, 2},
      {"exists", [&](TRule* R) { R->Patterns().Add(NewPattern(R, A, 2)); }, 2},
      {"test element",
       [&](TRule* R) {
         auto* T = NewObject<TIEPattern>(R, 0, A, STestCE);
         R->Patterns().Add(T);
       },
       2},
      {"negated pattern inserted at 0",
       [&](TRule* R) {
         R->Patterns().Add(NewPattern(R, A));
         R->Patterns().Insert(0, NewPattern(R, A, 1));
       },
       3},
      {"plain pattern", [&](TRule* R) { R->Patterns().Add(NewPattern(R, A)); }, 1},
  };
  for (const Case& C : Cases) {
    TRule* R = NewObject<TRule>(Engine);
    C.Build(R);
    ASSERT_EQ(R->Patterns().Count(), C.Count) << C.What;
    if (C.Count > 1) {
      EXPECT_EQ(R->Patterns()[0]->Name(), SInitialFactPattern) << C.What;
      EXPECT_EQ(R->Patterns()[0]->NegatedCount(), 0) << C.What;
    }
    Free(R);
  }
  IFactTemplate Chained = Engine->CreateFactTemplate("chained");
  Chained->SetBackwardChaining(true);
  TRule* R = NewObject<TRule>(Engine);
  R->Patterns().Add(NewPattern(R, Chained));
  EXPECT_EQ(R->Patterns().Count(), 2);
  Free(R);
}

TEST_F(RuleTest, BindingsRecordTheFirstPositiveUse) {
  TRule* R = NewObject<TRule>(Engine);
  TIEPattern* P0 = NewPattern(R, Person);
  P0->AddTest("name", NewVariable("n"));
  P0->AddTest("tags", NewVariable("t"), true, false, 1);
  P0->SetBoundName("f");
  R->Patterns().Add(P0);
  TIEPattern* P1 = NewPattern(R, Person);
  P1->AddTest("name", NewVariable("n"));  // not a first use
  P1->AddTest("age", NewVariable("a"));
  R->Patterns().Add(P1);
  ASSERT_EQ(R->GetBindingCount(), 4);
  EXPECT_EQ(R->GetBindingByName("f")->ToString(), "name=f FactIdx=0 SlotIdx=__PATTERN");
  EXPECT_EQ(R->GetBindingByName("n")->ToString(), "name=n FactIdx=0 SlotIdx=name");
  EXPECT_EQ(R->GetBindingByName("t")->ToString(), "name=t FactIdx=0 SlotIdx=tags SubIdx=1");
  EXPECT_EQ(R->GetBindingByName("a")->ToString(), "name=a FactIdx=1 SlotIdx=age");
  // Inserting a pattern in front shifts every position.
  TIEPattern* First = NewPattern(R, Person);
  R->Patterns().Insert(0, First);
  EXPECT_EQ(R->GetBindingByName("a")->FactIndex(), 2);
  EXPECT_EQ(R->GetBindingByName("f")->FactIndex(), 1);
  Free(R);
}

TEST_F(RuleTest, NegatedPatternsRenameAnonymousVariablesAndRefuseNegatedFirstUse) {
  TRule* R = NewObject<TRule>(Engine);
  R->Patterns().Add(NewPattern(R, Person));
  R->Patterns().Add(NewPattern(R, Person));
  TIEPattern* Neg = NewPattern(R, Person, 1);
  Neg->AddTest("name", NewVariable("_blank_7"));
  R->Patterns().Add(Neg);
  EXPECT_EQ(Neg->GetSlotTest(Neg->IndexOfSlotName("name"), 0)->SlotValue()->ToString(),
            "?_3__blank_7");
  Free(R);

  TRule* Bad = NewObject<TRule>(Engine);
  TIEPattern* P = NewPattern(Bad, Person);
  P->AddTest("name", NewVariable("x"), true, true);
  EXPECT_EQ(MessageOf([&] { Bad->Patterns().Add(P); }),
            "First Use of Variable is negated, variable name is x");
  Free(Bad);

  TRule* Orphan = NewObject<TRule>(nullptr);
  TIEPattern* Q = NewPattern(Orphan, Person);
  EXPECT_EQ(MessageOf([&] { Orphan->Patterns().Add(Q); }), "Unknown/Undefined Inference Engine");
  Free(Orphan);
}

TEST_F(RuleTest, GoalPatternsAreBoundAndGetANegatedCompanion) {
  IFactTemplate Goal = NewRef<TFactTemplate>(Engine, "need-person");
  Goal->AddSlot("name", FCNil);
  Goal->AddSlot("age", NewInteger(0));
  Goal->AddMultiSlot("tags", FCNilList);
  Engine->FactTemplates().Add(Goal);
  TRule* R = NewObject<TRule>(Engine);
  TIEPattern* P = NewPattern(R, Goal);
  P->AddTest("name", NewVariable("_blank_1"));
  P->AddTest("age", NewVariable("y"));
  R->Patterns().Add(P);
  ASSERT_EQ(R->Patterns().Count(), 2);
  EXPECT_EQ(P->BoundName().rfind(SFactPrefix, 0), 0u);
  TIEPattern* Companion = R->Patterns()[1];
  EXPECT_EQ(Companion->Name(), "person");
  EXPECT_EQ(Companion->NegatedCount(), 1);
  EXPECT_TRUE(Companion->BoundName().empty());
  std::string Anonymous =
      Companion->GetSlotTest(Companion->IndexOfSlotName("name"), 0)->SlotValue()->AsString();
  EXPECT_NE(Anonymous, "_blank_1");
  EXPECT_EQ(Companion->GetSlotTest(Companion->IndexOfSlotName("age"), 0)->SlotValue()->AsString(),
            "y");
  // The companion is left out of the printed rule.
  EXPECT_EQ(R->ToString().find("(not (person"), std::string::npos);
  Free(R);
}

TEST_F(RuleTest, FiringBindsVariablesAndReturnEndsTheActions) {
  TRule* R = NewObject<TRule>(Engine);
  R->SetRuleName("greet");
  TIEPattern* P = NewPattern(R, Person);
  P->AddTest("name", NewVariable("n"));
  P->AddTest("tags", NewVariable("second"), true, false, 1);
  P->SetBoundName("f");
  R->Patterns().Add(P);
  R->Actions().Add(Call("record", {NewVariable("n"), NewVariable("second"), NewVariable("f"),
                                   NewVariable(SRuleBinding)}));
  R->Actions().Add(Call("return", {}));
  R->Actions().Add(Call("record", {NewAtom("not-reached")}));

  IFact F = Person->NewFact();
  F->SetValue("name", NewAtom("ann"));
  F->SetValue(
      "tags",
      NewList(NewRef<TValueVector>(std::initializer_list<IIEValue>{NewAtom("a"), NewAtom("b")})));
  F->SetID(5);
  int Fired = 0;
  R->OnFire = [&](TObject*, TIEContext* C) {
    ++Fired;
    EXPECT_EQ(C->Parent(), Engine->GlobalContext());
  };
  R->Fire(NewRef<TIEToken>(taAdd, F));
  EXPECT_EQ(Log, (std::vector<std::string>{"ann,b,<Fact-5>,\"greet\""}));
  EXPECT_EQ(Fired, 1);
  EXPECT_TRUE(R->Fired());
  // The return state stays inside the firing.
  EXPECT_FALSE(Engine->GlobalContext()->ReturnFlag());
  EXPECT_EQ(Engine->GlobalContext()->Bindings().Count(), 0);
  R->Reset();
  EXPECT_FALSE(R->Fired());
  Free(R);
}

TEST_F(RuleTest, ChangesAreReportedOnceUnlessNothingChanged) {
  TRule* R = NewObject<TRule>(Engine);
  int Changes = 0;
  R->OnChange = [&](TObject*) { ++Changes; };
  R->SetSalienceInteger(0);
  EXPECT_EQ(Changes, 0);
  R->SetSalienceInteger(10);
  EXPECT_EQ(Changes, 1);
  R->BeginUpdate();
  R->SetEnabled(false);
  R->SetOneShot(true);
  R->SetComment("c");
  R->EndUpdate();
  EXPECT_EQ(Changes, 2);
  // TRUE is not an integer: the error passes on and the salience stays.
  EXPECT_THROW(R->SetSalience(NewRef<TIEValue>(Call("record", {NewAtom("salience")}))),
               EIEException);
  EXPECT_EQ(R->Salience(), 10);
  Free(R);
}

TEST_F(RuleTest, PrintedForm) {
  TRule* R = NewObject<TRule>(Engine);
  R->SetRuleName("r");
  R->SetComment("a \"rule\"");
  R->SetSalienceInteger(5);
  R->SetOneShot(true);
  TIEPattern* P = NewPattern(R, Person);
  P->AddTest("name", NewVariable("n"));
  R->Patterns().Add(P);
  R->Actions().Add(Call("record", {NewVariable("n"), NewString("x")}));
  EXPECT_EQ(R->ToString(),
            "(defrule r\r\n"
            "    \"a \\\"rule\\\"\"\r\n"
            "    (declare (salience 5) (oneshot TRUE))\r\n"
            "    (person (name ?n) )\r\n"
            "    =>\r\n"
            "    (record ?n \"x\")\r\n"
            ")");
  Free(R);
}

TEST_F(RuleTest, CoreFunctionsCompare) {
  struct Case {
    IFunCall Call;
    const IIEValue* Expected;
  };
  IIEValue One = NewInteger(1), OneF = NewFloat(1);
  const Case Cases[] = {
      {Call("eq", {One, NewInteger(1), NewInteger(1)}), &FCTrue},
      {Call("eq", {One, OneF}), &FCFalse},
      {Call("eq*", {One, OneF}), &FCTrue},
      {Call("eq", {One}), &FCTrue},
      {Call("neq", {One, NewInteger(2), NewInteger(3)}), &FCTrue},
      {Call("neq", {One, NewInteger(2), NewInteger(1)}), &FCFalse},
      {Call("and", {}), &FCTrue},
      {Call("and", {FCTrue, FCFalse}), &FCFalse},
      {Call("and", {FCNil, NewInteger(0)}), &FCTrue},
      {Call("or", {}), &FCFalse},
      {Call("or", {FCNil, FCTrue}), &FCTrue},
      {Call("or", {FCNil}), &FCFalse},  // only TRUE counts for or
      {Call("not", {FCFalse}), &FCTrue},
      {Call("not", {FCNil}), &FCFalse},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(C.Call->Execute(Engine->GlobalContext()).Get(), C.Expected->Get())
        << C.Call->ToString();
  EXPECT_EQ(MessageOf([&] { Call("not", {})->Execute(Engine->GlobalContext()); }),
            "Too few arguments for not");
}

TEST_F(RuleTest, EngineSymbolsAndTemplates) {
  EXPECT_EQ(Engine->GenerateSymbol("g"), "g1");
  EXPECT_EQ(Engine->GenerateSymbol("g"), "g2");
  Engine->SetSymbolIndex(5);
  EXPECT_EQ(Engine->SymbolIndex(), 5);
  Engine->SetSymbolIndex(2);
  EXPECT_EQ(Engine->SymbolIndex(), 6);
  IFactTemplate Initial = Engine->FindFactTemplate(SInitialFactPattern);
  ASSERT_TRUE(Initial);
  EXPECT_TRUE(Initial->IsOrdered());
  EXPECT_EQ(Initial->Comment(), "(Implied)");
  EXPECT_EQ(Engine->NullFact()->Template()->TemplateName(), SNullFact);
  EXPECT_EQ(Engine->CreateFactTemplate("colour"), Engine->CreateFactTemplate("colour"));
  Engine->SetDuplicateConstructs(dcError);
  EXPECT_EQ(
      MessageOf([&] { Engine->FactTemplates().Add(NewRef<TFactTemplate>(Engine, "colour")); }),
      "Fact Template Name already exists: \"colour\"");
}

}  // namespace
}  // namespace norvale
