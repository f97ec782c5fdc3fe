#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "language/LanguageFixture.h"

namespace norvale {
namespace {

class FactCommandsTest : public test::LanguageFixture {
 protected:
  void TearDown() override {
    for (const std::string& F : Files) std::remove(F.c_str());
    LanguageFixture::TearDown();
  }

  // A fresh engine in place of the current one.
  void Restart() {
    LanguageFixture::TearDown();
    Console.clear();
    LanguageFixture::SetUp();
  }
  // The facts' printed forms with their IDs, in fact-base order.
  std::vector<std::string> Facts() { return FactsOf(Engine); }
  static std::vector<std::string> FactsOf(TInferenceEngine* E) {
    std::vector<std::string> R;
    for (const IFact& F : E->FactList()) R.push_back(F->GetToIDString());
    return R;
  }
  // The message of what evaluating Text raises.
  std::string EvalError(const std::string& Text) {
    try {
      Eval(Text);
    } catch (const Exception& E) {
      return E.Message();
    }
    return "<no exception>";
  }
  // A file name in the temporary directory, removed after the test.
  std::string TempFile(const std::string& Name) {
    std::string F = (std::filesystem::temp_directory_path() /
                     ("norvale-" + std::to_string(::getpid()) + "-" + Name))
                        .string();
    Files.push_back(F);
    return F;
  }
  static std::string Quoted(const std::string& Text) { return "\"" + Text + "\""; }
  static std::string ReadFile(const std::string& Name) {
    std::ifstream In(Name, std::ios::binary);
    std::ostringstream S;
    S << In.rdbuf();
    return S.str();
  }

  std::vector<std::string> Files;
};

// --- results ---------------------------------------------------------------------------------

TEST_F(FactCommandsTest, CommandsAnswerAsTheCatalogueSays) {
  struct {
    const char* Setup;
    const char* Call;
    const char* Result;
  } Cases[] = {
      {"", "(assert)", "FALSE"},
      {"", "(assert (a) (b))", "<Fact-2>"},
      // A duplicate is not added: assert says FALSE, assert-string the index -1.
      {"(assert (a))", "(assert (a))", "FALSE"},
      {"(assert (a))", "(assert (b) (a))", "FALSE"},
      {"(assert (a))", "(assert-string \"(a)\")", "<Fact--1>"},
      {"", "(assert-string \"(a 1)\" \"(b 2)\")", "<Fact-2>"},
      {"", "(retract 99)", "TRUE"},
      {"", "(retract-string \"(nothing)\")", "TRUE"},
      {"(deftemplate p (slot x))(assert (p (x 1)))", "(modify 1 (x 2))", "<Fact-2>"},
      {"(deftemplate p (slot x))(assert (p (x 1)))", "(duplicate 1 (x 2))", "<Fact-2>"},
      {"(deftemplate p (slot x))(assert (p (x 1)))", "(duplicate 1 (x 1))", "<Fact--1>"},
      {"(assert (a 1 2))", "(get-slot-value 1)", "1 2 "},
      {"(deftemplate p (slot x))(assert (p (x 7)))", "(get-slot-value 1 x)", "7"},
      {"(deftemplate p (slot x))(assert (p (x 7)))", "(get-slot-value (+ 0 1) \"x\")", "7"},
      {"", "(run 0)", "0"},
      {"(defrule r (go) =>)(assert (go))", "(run)", "1"},
      {"(defrule r (go ?n&:(< ?n 5)) => (assert (go (+ ?n 1))))(assert (go 0))", "(run 3)", "3"},
      {"", "(reset)", "TRUE"},
      {"", "(clear)", "TRUE"},
      {"", "(halt)", "TRUE"},
      {"", "(watch rules)", "TRUE"},
      {"", "(unwatch all)", "TRUE"},
      {"", "(set-fact-duplication FALSE)", "TRUE"},
      {"(set-fact-duplication FALSE)", "(set-fact-duplication TRUE)", "FALSE"},
      {"", "(get-fact-duplication)", "TRUE"},
      {"(set-fact-duplication FALSE)", "(get-fact-duplication)", "FALSE"},
      // Only FALSE itself lets duplicates in.
      {"(set-fact-duplication nil)", "(get-fact-duplication)", "TRUE"},
      {"", "(do-backward-chaining a b)", "TRUE"},
      {"", "(version)", "2.0000"},
  };
  for (const auto& C : Cases) {
    Restart();
    Engine->Parse(C.Setup, true);
    EXPECT_EQ(Eval(C.Call), C.Result) << C.Setup << " " << C.Call;
  }
}

TEST_F(FactCommandsTest, FailuresNameWhatIsWrong) {
  Engine->Parse("(deftemplate p (slot x))(assert (p (x 1)))", true);
  struct {
    const char* Call;
    const char* Message;
  } Cases[] = {
      {"(modify 99 (x 1))", "No Such Fact with ID=99 exists"},
      {"(duplicate 99 (x 1))", "No Such Fact with ID=99 exists"},
      {"(get-slot-value 99)", "No Such Fact with ID=99 exists"},
      {"(get-slot-value \"1\" x)",
       "Invalid argument type for deffunction: \"dtString\".  Expected FactId, Fact"},
      {"(get-slot-value 1.5 x)",
       "Invalid argument type for deffunction: \"dtFloat\".  Expected FactId, Fact"},
      {"(get-slot-value 1 y)", "No such slot name: \"y\""},
      {"(watch Facts)", "Cannot watch Facts"},
      {"(watch everything)", "Cannot watch everything"},
      {"(unwatch Rules)", "Cannot unwatch Rules"},
      {"(do-backward-chaining not)", "Cannot backchain on special CEs: not"},
      {"(do-backward-chaining a test)", "Cannot backchain on special CEs: test"},
      {"(assert-string)", "Too few arguments for assert-string"},
      {"(duplicate 1)", "Too few arguments for duplicate"},
      {"(run 1 2)", "Too many arguments for run"},
      {"(reset 1)", "Too many arguments for reset"},
      {"(load \"/no/such/dir/file.clp\")", ""},
  };
  for (const auto& C : Cases) {
    std::string Message = EvalError(C.Call);
    if (*C.Message)
      EXPECT_EQ(Message, C.Message) << C.Call;
    else
      EXPECT_NE(Message, "<no exception>") << C.Call;
  }
  // Nothing of that changed the fact base.
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-1 (p (x 1))"}));
  // A modify that fails part way puts the fact back, as a new fact.
  EXPECT_EQ(EvalError("(modify 1 (x 2) (y 1))"), "No such slot name: \"y\"");
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-2 (p (x 2))"}));
}

TEST_F(FactCommandsTest, ExitIsTheSilentAbort) {
  EXPECT_THROW(Eval("(exit)"), EAbort);
  // It ends a parse where it stands.
  EXPECT_THROW(Engine->Parse("(assert (a)) (exit) (assert (b))", true), EAbort);
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-1 (a)"}));
}

// --- facts -----------------------------------------------------------------------------------

TEST_F(FactCommandsTest, AssertMakesEachFactConcreteInTheCallingContext) {
  Engine->Parse(
      "(deftemplate point (slot x) (slot y))"
      "(defrule copy (seed ?v) => (assert (point (x ?v) (y (+ ?v 1))) (seen ?v)))"
      "(assert (seed 1)) (assert (seed 2))",
      true);
  EXPECT_EQ(Engine->Run(), 2);
  EXPECT_EQ(Facts(),
            (std::vector<std::string>{"f-0 (Initial-Fact)", "f-1 (seed 1 )", "f-2 (seed 2 )",
                                      "f-3 (point (x 2) (y 3))", "f-4 (seen 2 )",
                                      "f-5 (point (x 1) (y 2))", "f-6 (seen 1 )"}));
}

TEST_F(FactCommandsTest, RetractTakesIndexesOrEverything) {
  Engine->Parse("(assert (a) (b) (c) (d))", true);
  EXPECT_EQ(Eval("(retract 1 3 99)"), "TRUE");
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-2 (b)", "f-4 (d)"}));
  EXPECT_EQ(Eval("(retract-string \"(d)\")"), "TRUE");
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-2 (b)"}));
  // An asterisk counts only as the first argument.
  EXPECT_NE(EvalError("(retract 2 *)"), "<no exception>");
  Engine->Parse("(assert (e))", true);
  EXPECT_EQ(Eval("(retract *)"), "TRUE");
  EXPECT_EQ(Engine->FactCount(), 0);
}

TEST_F(FactCommandsTest, ModifyStoresSingleAndMultislotValues) {
  struct {
    const char* Change;
    const char* Fact;
  } Cases[] = {
      {"(s 5)", "(p (m a b ) (s 5))"},
      // A single-field slot takes several values as one list.
      {"(s 1 2)", "(p (m a b ) (s 1 2 ))"},
      {"(m 1 2)", "(p (m 1 2 ) (s 0))"},
      {"(m z)", "(p (m z ) (s 0))"},
      {"(m (+ 1 2) x)", "(p (m 3 x ) (s 0))"},
      {"(s (+ 1 2)) (m (+ 2 2))", "(p (m 4 ) (s 3))"},
  };
  for (const auto& C : Cases) {
    Restart();
    Engine->Parse("(deftemplate p (slot s) (multislot m)) (assert (p (s 0) (m a b)))", true);
    EXPECT_EQ(Eval(std::string("(modify 1 ") + C.Change + ")"), "<Fact-2>") << C.Change;
    ASSERT_EQ(Engine->FactCount(), 2) << C.Change;
    EXPECT_EQ(Engine->FactList()[1]->GetToString(), C.Fact) << C.Change;
  }
}

TEST_F(FactCommandsTest, ModifyAndDuplicateFromRulesSeeTheRulesBindings) {
  Engine->Parse(
      "(deftemplate counter (slot n))"
      "(defrule up ?c <- (counter (n ?n&:(< ?n 3))) => (modify ?c (n (+ ?n 1))))"
      "(defrule copy ?c <- (counter (n 3)) => (duplicate ?c (n 10)))"
      "(assert (counter (n 0)))",
      true);
  EXPECT_EQ(Engine->Run(), 4);
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-4 (counter (n 3))",
                                               "f-5 (counter (n 10))"}));
}

// A multislot given one value gets a new list: the list it had may be shared with other facts
// and with the variable it was bound from.
TEST_F(FactCommandsTest, ModifyLeavesASharedListAlone) {
  Engine->Parse(
      "(deftemplate bag (multislot items))"
      "(defrule share (list $?l) => (assert (bag (items ?l))) (assert (bag (items ?l x)))"
      "  (modify 2 (items z)) (printout t ?l crlf))"
      "(assert (list a b))",
      true);
  TakeConsole();
  Engine->Run();
  EXPECT_EQ(TakeConsole(), "a b \r\n");
  EXPECT_EQ(Facts(),
            (std::vector<std::string>{"f-0 (Initial-Fact)", "f-1 (list a b )",
                                      "f-3 (bag (items a b x ))", "f-4 (bag (items z ))"}));

  // A host that puts one list value into two facts and binds it to ?l.
  Restart();
  Engine->Parse("(deftemplate bag (multislot items) (slot n))", true);
  IFactTemplate Bag = Engine->FactTemplates().Find("bag");
  IValueVector Items = NewRef<TValueVector>();
  Items->Add(NewAtom("a"));
  Items->Add(NewAtom("b"));
  IIEValue Shared = NewList(Items);
  Engine->GlobalContext()->SetVariable("l", Shared);
  for (int N : {1, 2}) {
    IFact F = Bag->NewFact();
    F->SetValue("items", Shared);
    F->SetValue("n", NewInteger(N));
    Engine->Assert(F);
  }
  TakeConsole();
  Engine->Parse("(modify 1 (items z)) (printout t ?l crlf)", true);
  EXPECT_EQ(TakeConsole(), "<Fact-3>\r\na b \r\n");
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-2 (bag (items a b ) (n 2))",
                                               "f-3 (bag (items z ) (n 1))"}));
}

TEST_F(FactCommandsTest, DuplicateAssertsAChangedCopyAndKeepsTheOriginal) {
  std::vector<std::string> Retracted;
  Engine->OnRetraction = [&](TObject*, const IFact& F) { Retracted.push_back(F->GetToString()); };
  Engine->Parse("(deftemplate p (slot x) (slot y)) (assert (p (x 1) (y 1)))", true);
  EXPECT_EQ(Eval("(duplicate 1 (x 2))"), "<Fact-2>");
  EXPECT_EQ(Eval("(duplicate 1 (y 3) (x 4))"), "<Fact-3>");
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-1 (p (x 1) (y 1))",
                                               "f-2 (p (x 2) (y 1))", "f-3 (p (x 4) (y 3))"}));
  EXPECT_TRUE(Retracted.empty());
  // With duplicates allowed, an unchanged copy is one more fact, and the original still stays.
  Engine->Parse("(set-fact-duplication FALSE)", true);
  EXPECT_EQ(Eval("(duplicate 1 (x 1))"), "<Fact-4>");
  EXPECT_EQ(Engine->FactCount(), 5);
  EXPECT_TRUE(Retracted.empty());
}

TEST_F(FactCommandsTest, GetSlotValueAnswersACopy) {
  Engine->Parse("(assert (a 1 2)) (deftemplate p (multislot m)) (assert (p (m x y)))", true);
  IIEValue Fields = Engine->ParseNExecuteFunCall("(get-slot-value 1)");
  IIEValue List = Engine->ParseNExecuteFunCall("(get-slot-value 2 m)");
  Fields->AsList()->Clear();
  List->AsList()->Clear();
  EXPECT_EQ(Facts(),
            (std::vector<std::string>{"f-0 (Initial-Fact)", "f-1 (a 1 2 )", "f-2 (p (m x y ))"}));
  // A fact value is taken as it is.
  Engine->Parse("(defrule r ?f <- (p (m $?)) => (printout t (get-slot-value ?f m) crlf))", true);
  TakeConsole();
  Engine->Run();
  EXPECT_EQ(TakeConsole(), "x y \r\n");
}

// --- the engine ------------------------------------------------------------------------------

TEST_F(FactCommandsTest, ANestedRunFiresNothing) {
  // The rule being fired is still first on the agenda: a nested run would fire it again and
  // again, and a nested (run 1) would free it under the outer run.
  Engine->Parse(
      "(defrule again (declare (salience 1)) => (printout t (run) \" \" (run 1) crlf))"
      "(defrule next => (printout t next crlf))",
      true);
  Engine->Reset();
  TakeConsole();
  EXPECT_EQ(Engine->Run(), 2);
  EXPECT_EQ(TakeConsole(), "0 0\r\nnext\r\n");
  // The engine runs normally afterwards.
  Engine->Reset();
  EXPECT_EQ(Eval("(run 1)"), "1");
  EXPECT_EQ(Engine->ActivationCount(), 1);
}

TEST_F(FactCommandsTest, HaltStopsTheRunAfterTheRule) {
  Engine->Parse(
      "(defrule first (declare (salience 10)) => (halt) (printout t halted crlf))"
      "(defrule second => (printout t second crlf))",
      true);
  Engine->Reset();
  TakeConsole();
  EXPECT_EQ(Engine->Run(), 1);
  EXPECT_EQ(TakeConsole(), "halted\r\n");
  EXPECT_EQ(Engine->Run(), 1);
}

TEST_F(FactCommandsTest, ResetAndClear) {
  Engine->Parse("(deftemplate p (slot x)) (defrule r (p (x 1)) =>) (assert (p (x 1)))", true);
  Eval("(reset)");
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)"}));
  EXPECT_EQ(Engine->Rules().Count(), 1);
  Eval("(clear)");
  EXPECT_EQ(Engine->Rules().Count(), 0);
  EXPECT_FALSE(Engine->FactTemplates().Find("p"));
  // The built-in functions stay.
  EXPECT_EQ(Eval("(eq 1 1)"), "TRUE");
}

TEST_F(FactCommandsTest, WatchAndUnwatchChangeTheWatchSet) {
  const TConstructWatches All{cwActivation, cwFact, cwRule, cwCompilation, cwStatistics};
  struct {
    const char* Name;
    TConstructWatch Watch;
  } Names[] = {{"activations", cwActivation},
               {"facts", cwFact},
               {"rules", cwRule},
               {"compilations", cwCompilation},
               {"statistics", cwStatistics}};
  for (const auto& N : Names) {
    Engine->SetWatch({});
    Eval(std::string("(watch ") + N.Name + ")");
    EXPECT_EQ(Engine->Watch(), TConstructWatches{N.Watch}) << N.Name;
    Eval("(watch all)");
    Eval(std::string("(unwatch ") + N.Name + ")");
    EXPECT_EQ(Engine->Watch(), All - N.Watch) << N.Name;
  }
  Eval("(unwatch all)");
  EXPECT_TRUE(Engine->Watch().Empty());

  // watch evaluates its argument, unwatch takes it as written.
  Engine->Parse("(bind ?w facts)", true);
  Eval("(watch ?w)");
  EXPECT_EQ(Engine->Watch(), TConstructWatches{cwFact});
  EXPECT_EQ(EvalError("(unwatch ?w)"), "Cannot unwatch w");
  EXPECT_EQ(Engine->Watch(), TConstructWatches{cwFact});
}

TEST_F(FactCommandsTest, GensymStarSharesTheEnginesSymbolCounter) {
  const int Start = Engine->SymbolIndex();
  EXPECT_EQ(Eval("(gensym*)"), "gen" + std::to_string(Start));
  EXPECT_EQ(Engine->GenerateSymbol("x"), "x" + std::to_string(Start + 1));
  IIEValue Next = Engine->ParseNExecuteFunCall("(gensym*)");
  EXPECT_EQ(Next->DType(), dtAtom);
  EXPECT_EQ(Next->GetToString(), "gen" + std::to_string(Start + 2));
}

// --- backward chaining -----------------------------------------------------------------------

TEST_F(FactCommandsTest, DoBackwardChainingMakesGoalTemplates) {
  Engine->Parse("(deftemplate known \"k\" (slot a) (multislot b))", true);
  Eval("(do-backward-chaining goal known)");
  for (const char* Name : {"goal", "known"}) {
    IFactTemplate T = Engine->FactTemplates().Find(Name);
    ASSERT_TRUE(T) << Name;
    EXPECT_TRUE(T->IsBackwardChaining()) << Name;
    IFactTemplate Goal = Engine->FactTemplates().Find(std::string("need-") + Name);
    ASSERT_TRUE(Goal) << Name;
    EXPECT_EQ(Goal->Comment(), std::string("Goal seeker for ") + Name);
    EXPECT_FALSE(Goal->Parent());
    // Asking for goals of goals would chain without end.
    EXPECT_FALSE(Goal->IsBackwardChaining()) << Name;
    EXPECT_EQ(Goal->GetSlotNames(), T->GetSlotNames()) << Name;
  }
  EXPECT_EQ(Engine->FactTemplates().Find("goal")->Comment(), "(Implied)");
  EXPECT_EQ(Engine->FactTemplates().Find("known")->Comment(), "k");
}

// The whole-system text holds need-x and then (do-backward-chaining x): the goal template it read
// is kept, with the rules on it; only one that differs is replaced.
TEST_F(FactCommandsTest, DoBackwardChainingKeepsAnEqualGoalTemplate) {
  Engine->Parse(
      "(deftemplate x (slot a))"
      "(deftemplate need-x \"Goal seeker for x\" (slot a))"
      "(defrule answer (need-x (a ?v)) => (assert (x (a ?v))))",
      true);
  IFactTemplate Goal = Engine->FactTemplates().Find("need-x");
  TRule* Rule = Engine->Rules().Find("answer");
  Eval("(do-backward-chaining x)");
  EXPECT_EQ(Engine->FactTemplates().Find("need-x"), Goal);
  EXPECT_EQ(Engine->Rules().Find("answer"), Rule);
  EXPECT_TRUE(Engine->FactTemplates().Find("x")->IsBackwardChaining());

  Engine->Parse("(deftemplate y (slot a) (slot b)) (deftemplate need-y (slot a))", true);
  IFactTemplate Old = Engine->FactTemplates().Find("need-y");
  Eval("(do-backward-chaining y)");
  IFactTemplate New = Engine->FactTemplates().Find("need-y");
  EXPECT_NE(New, Old);
  EXPECT_EQ(New->GetSlotNames(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(FactCommandsTest, BackwardChainingSurvivesTheWholeSystemText) {
  Engine->Parse(
      "(deftemplate price (slot item) (slot amount))"
      "(do-backward-chaining price)"
      "(defrule ask (need-price (item ?i)) => (assert (price (item ?i) (amount 10))))"
      "(defrule total (price (item pen) (amount ?a)) => (printout t total \" \" ?a crlf))",
      true);
  TInferenceEngine* Other = NewObject<TInferenceEngine>(nullptr);
  AddTestFunctions(Other);
  Other->SetExpertSystem(Engine->GetExpertSystem());
  EXPECT_TRUE(Other->FactTemplates().Find("price")->IsBackwardChaining());
  EXPECT_FALSE(Other->FactTemplates().Find("need-price")->IsBackwardChaining());
  EXPECT_EQ(Other->FactTemplates().Count(), Engine->FactTemplates().Count());
  EXPECT_EQ(Other->Rules().Count(), 2);
  // The rule on the goal template reads the goal template the engine holds.
  TRule* Ask = Other->Rules().Find("ask");
  ASSERT_TRUE(Ask);
  EXPECT_EQ(Ask->Patterns().Patterns().front()->FactTemplate(),
            Other->FactTemplates().Find("need-price"));
  Free(Other);
}

// --- files -----------------------------------------------------------------------------------

TEST_F(FactCommandsTest, SaveAndLoadTheWholeSystem) {
  const std::string File = TempFile("system.clp");
  Engine->Parse(
      "(deftemplate p (slot x)) (defrule r (p (x ?x)) => (printout t ?x crlf))"
      "(assert (p (x 1)) (p (x 2)))",
      true);
  EXPECT_EQ(Eval("(save " + Quoted(File) + ")"), "TRUE");

  TInferenceEngine* Other = NewObject<TInferenceEngine>(nullptr);
  AddTestFunctions(Other);
  IIEValue R = Other->ParseNExecuteFunCall("(load " + Quoted(File) + ")");
  EXPECT_EQ(R->GetToString(), "TRUE");
  EXPECT_EQ(Other->Rules().Count(), 1);
  EXPECT_EQ(FactsOf(Other), Facts());
  Free(Other);
}

TEST_F(FactCommandsTest, SaveAndLoadFacts) {
  const std::string All = TempFile("all.ief"), Some = TempFile("some.ief");
  Engine->Parse("(deftemplate p (slot x)) (assert (a 1) (p (x 2)) (b) (a 3))", true);
  EXPECT_EQ(Eval("(save-facts " + Quoted(All) + ")"), "TRUE");
  EXPECT_EQ(ReadFile(All), "(Initial-Fact)\r\n(a 1 )\r\n(p (x 2))\r\n(b)\r\n(a 3 )\r\n");
  // Named templates' facts, template after template in the order given.
  EXPECT_EQ(Eval("(save-facts " + Quoted(Some) + " b a nothing)"), "TRUE");
  EXPECT_EQ(ReadFile(Some), "(b)\r\n(a 1 )\r\n(a 3 )\r\n");
  // An existing file is overwritten.
  Eval("(save-facts " + Quoted(Some) + " p)");
  EXPECT_EQ(ReadFile(Some), "(p (x 2))\r\n");

  Engine->Parse("(retract *)", true);
  EXPECT_EQ(Eval("(load-facts " + Quoted(Some) + ")"), "TRUE");
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-5 (p (x 2))"}));
  EXPECT_NE(EvalError("(load-facts \"/no/such/dir/facts.ief\")"), "<no exception>");
}

}  // namespace
}  // namespace norvale
