#include <gtest/gtest.h>

#include <pthread.h>

#include <string>

#include "LanguageFixture.h"
#include "engine/functions/InterpretedFunction.h"

namespace norvale {
namespace {

using DeffunctionTest = test::LanguageFixture;

TEST_F(DeffunctionTest, CallsBindParametersAndReturnTheLastValue) {
  Engine->Parse(
      "(deffunction sq (?x) \"square\" (* ?x ?x))"
      "(deffunction rest (?a $?r) (length$ ?r))"
      "(deffunction fact (?n) (if (<= ?n 1) then 1 else (* ?n (fact (- ?n 1)))))"
      "(deffunction nothing ())",
      true);
  struct {
    const char* Call;
    const char* Result;
  } Cases[] = {
      {"(sq 3)", "9"},     {"(rest 1 2 3)", "2"}, {"(rest 1 a)", "1"},
      {"(fact 5)", "120"}, {"(nothing)", ""},
  };
  for (const auto& C : Cases) EXPECT_EQ(Eval(C.Call), C.Result) << C.Call;
  EXPECT_EQ(test::MessageOf([&] { Eval("(sq)"); }), "Too few arguments for sq");
  EXPECT_EQ(test::MessageOf([&] { Eval("(sq 1 2)"); }), "Too many arguments for sq");
  // A trailing multifield parameter takes one value or more.
  EXPECT_EQ(test::MessageOf([&] { Eval("(rest 1)"); }), "Too few arguments for rest");
}

TEST_F(DeffunctionTest, ReturnStopsTheBodyAndItsExpressionSeesTheCallsBindings) {
  Engine->Parse(
      "(deffunction two () (printout t a) (return 5) (printout t b))"
      "(deffunction g (?n) (return (+ ?n 1)))"
      "(deffunction inner (?n) (if TRUE then (return (* ?n 10)) (printout t never)) "
      "  (printout t never))",
      true);
  TakeConsole();
  EXPECT_EQ(Eval("(two)"), "5");
  EXPECT_EQ(TakeConsole(), "a");
  EXPECT_EQ(Eval("(g 4)"), "5");
  EXPECT_EQ(Eval("(inner 3)"), "30");
  EXPECT_EQ(TakeConsole(), "");
  // The return state ends with the call: the caller goes on.
  EXPECT_EQ(Eval("(+ (g 1) (g 2))"), "5");
}

TEST_F(DeffunctionTest, ArgumentsAreEvaluatedInTheCallersContext) {
  // h passes its own ?b and ?p1 on; g's parameters must not be seen while they are evaluated.
  Engine->Parse(
      "(deffunction g (?p1 ?p2) (- ?p2 ?p1))"
      "(deffunction h (?b ?p1 ?p2) (g ?b ?p1))",
      true);
  EXPECT_EQ(Eval("(h 10 3 7)"), "-7");
}

TEST_F(DeffunctionTest, ParametersHideTheCallersVariablesAndLeaveThemAlone) {
  Engine->Parse("(defglobal ?*x* = 1) (deffunction f (?x) (bind ?x 99) ?x)", true);
  TIEContext* Global = Engine->GlobalContext();
  Global->AddLocalBinding("x", NewInteger(5));
  EXPECT_EQ(Eval("(f 2)"), "99");
  EXPECT_EQ(Global->GetVariable("x")->GetToString(), "5");
  // A name the function does not bind itself still reaches the caller's scope.
  Engine->Parse("(deffunction set-global () (bind ?*x* 7))", true);
  Eval("(set-global)");
  EXPECT_EQ(Eval("(+ ?*x* 0)"), "7");

  // An atom parameter is bound to nil locally; its argument is not evaluated.
  Ref<TInterpretedFunction> A = NewRef<TInterpretedFunction>("atoms");
  A->AddArgument("x", dtAtom);
  A->AddStatement(NewVariable("x"));
  A->AddReasoner(Engine);
  EXPECT_EQ(Eval("(atoms (fail))"), "");
  EXPECT_EQ(Global->GetVariable("x")->GetToString(), "5");
  EXPECT_EQ(test::MessageOf([&] { A->AddArgument("n", dtInteger); }),
            "Invalid argument type for deffunction: \"dtInteger\".  Expected Atom, Variable, "
            "MultiVariable");
}

TEST_F(DeffunctionTest, RecursionPastTheLimitFailsAndTheEngineGoesOn) {
  Engine->Parse("(deffunction down (?n) (down (+ ?n 1)))", true);
  EXPECT_EQ(test::MessageOf([&] { Eval("(down 0)"); }),
            "Deffunction calls nested too deeply: down");
  EXPECT_EQ(Engine->CallNesting().Depth, 0);
  Engine->SetMaxCallDepth(10);
  Engine->Parse("(deffunction fact (?n) (if (<= ?n 1) then 1 else (* ?n (fact (- ?n 1)))))", true);
  EXPECT_EQ(Eval("(fact 10)"), "3628800");
  EXPECT_NE(test::MessageOf([&] { Eval("(fact 11)"); }), "<no exception>");
  EXPECT_EQ(Eval("(fact 5)"), "120");
}

TEST_F(DeffunctionTest, ARecursiveDeffunctionIsFreedWhenItsEngineLetsGo) {
  Engine->Parse("(deffunction fact (?n) (if (<= ?n 1) then 1 else (* ?n (fact (- ?n 1)))))", true);
  EXPECT_EQ(Eval("(fact 3)"), "6");  // binds the call in its body to the function itself
  IUserFunction F = Engine->GetUserFunction("fact");
  Engine->UserFunctions().Remove("fact");
  EXPECT_EQ(F->RefCount(), 1);
}

// A host may run the engine on a thread with a small stack: recursion stops before it runs out.
TEST_F(DeffunctionTest, RecursionOnASmallStackFailsInsteadOfCrashing) {
  Engine->Parse("(deffunction down (?n) (down (+ ?n 1)))", true);
  struct TRun {
    TInferenceEngine* Engine;
    std::string Message;
  } Run{Engine, ""};
  pthread_attr_t Attr;
  pthread_attr_init(&Attr);
  pthread_attr_setstacksize(&Attr, 256 << 10);
  pthread_t Thread;
  auto Body = [](void* P) -> void* {
    auto* R = static_cast<TRun*>(P);
    R->Message = test::MessageOf([&] { R->Engine->ParseNExecuteFunCall("(down 0)"); });
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&Thread, &Attr, Body, &Run), 0);
  pthread_join(Thread, nullptr);
  pthread_attr_destroy(&Attr);
  EXPECT_EQ(Run.Message, "Deffunction calls nested too deeply: down");
}

TEST_F(DeffunctionTest, ClearRemovesDeffunctionsOnly) {
  Engine->Parse("(deffunction f () 1)", true);
  Engine->Clear();
  EXPECT_FALSE(Engine->ContainsUserFunction("f"));
  EXPECT_TRUE(Engine->ContainsUserFunction("+"));
}

TEST_F(DeffunctionTest, AssigningFunctionsReadsDeffunctionsAgainInDefinitionOrder) {
  // b calls a: it must be defined after a in the copy too for nothing to go wrong, and the
  // names sort the other way round.
  Engine->Parse("(deffunction zz () 1) (deffunction aa () (+ (zz) 1))", true);
  auto* Other = NewObject<TInferenceEngine>(nullptr);
  std::vector<std::string> Added;
  Other->OnAddUserFunction = [&](TObject*, const IUserFunction& F) {
    if (F->IsInterpreted()) Added.push_back(F->FunctionName());
  };
  Other->UserFunctions().Assign(Engine->UserFunctions(), false);
  EXPECT_EQ(Added, (std::vector<std::string>{"zz", "aa"}));
  IIEValue V = Other->ParseNExecuteFunCall("(aa)");
  EXPECT_EQ(V->GetToString(), "2");
  // The copies are new functions, not shared ones.
  EXPECT_NE(Other->GetUserFunction("aa"), Engine->GetUserFunction("aa"));
  Free(Other);
}

TEST_F(DeffunctionTest, GlobalVariablesAreCopiedThroughTheirText) {
  Engine->Parse("(defglobal ?*a* = 1 ?*b* = (+ 2 3) ?*c* = nil)", true);
  auto* Other = NewObject<TInferenceEngine>(nullptr);
  test::LanguageFixture::AddTestFunctions(Other);
  Other->GlobalVariables().Assign(&Engine->GlobalVariables());
  EXPECT_EQ(Other->GlobalVariables().Keys(), (std::vector<std::string>{"*a*", "*b*", "*c*"}));
  EXPECT_EQ(Other->GlobalContext()->GetVariable("*b*")->GetToString(), "5");
  EXPECT_EQ(Other->GlobalVariables().Get("*b*")->DType(), dtFunCall);
  EXPECT_EQ(Other->GlobalVariables().Get("*c*"), FCNil);
  Free(Other);
}

}  // namespace
}  // namespace norvale
