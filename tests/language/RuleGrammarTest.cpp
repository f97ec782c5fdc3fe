#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LanguageFixture.h"
#include "engine/rete/Rule.h"

namespace norvale {
namespace {

class RuleGrammarTest : public test::LanguageFixture {
 protected:
  TRule* Rule(const std::string& Name) { return Engine->Rules().Find(Name); }
  // Parses Program, resets, asserts Facts one by one and runs; what the rules printed.
  std::string Run(const std::string& Program, const std::string& Facts) {
    Engine->Parse(Program, true);
    Engine->Reset();
    Engine->Parse(Facts, true);
    TakeConsole();
    Engine->Run();
    return TakeConsole();
  }
  // The tests of a pattern's slot as "value/sub/and|or/~" items, before the rule compiles them.
  std::vector<std::string> RawTests(const std::string& Text, const std::string& Slot) {
    std::vector<std::string> R;
    Engine->Parser().OnParsePattern = [&](TObject*, TIEPattern* P) {
      int I = P->IndexOfSlotName(Slot);
      for (int K = 0; I >= 0 && K < P->GetSlotTestCount(I); ++K) {
        TIEPatternMatchTest* T = P->GetSlotTest(I, K);
        R.push_back(T->SlotValue()->GetToString() + "/" + std::to_string(T->MultiSlotSubIndex()) +
                    (T->Conjunction() ? "/and" : "/or") +
                    (T->SlotTestType() == sttNotEquals ? "/~" : ""));
      }
    };
    Engine->Parse(Text, true);
    Engine->Parser().OnParsePattern = nullptr;
    return R;
  }
};

TEST_F(RuleGrammarTest, RulesTheirPropertiesPatternsAndActions) {
  Engine->Parse(
      "(defrule none \"only actions\" => (printout t \"x\" crlf))"
      "(defrule props (declare (salience (+ 1 2)) (oneshot (eq 1 1)) (enabled FALSE)) (a) => )"
      "(defrule numbered (declare (salience -5)) (a ?x $?rest) => (printout t ?x))",
      true);
  TRule* None = Rule("none");
  ASSERT_TRUE(None);
  EXPECT_EQ(None->Comment(), "only actions");
  EXPECT_EQ(None->Actions().Count(), 1);
  TRule* Props = Rule("props");
  EXPECT_EQ(Props->SalienceExpression()->DType(), dtFunCall);
  EXPECT_EQ(Props->Salience(), 3);
  EXPECT_TRUE(Props->OneShot());
  EXPECT_FALSE(Props->Enabled());
  EXPECT_EQ(Rule("numbered")->Salience(), -5);
  EXPECT_EQ(TakeConsole(), "0\r\n1\r\n2\r\n");  // the rule numbers echoed
}

TEST_F(RuleGrammarTest, MalformedRulesNameWhatIsWrong) {
  struct {
    const char* Text;
    const char* Message;
  } Cases[] = {
      {"(defrule r (declare (priority 1)) => )",
       "Expected rule property, salience, oneshot, or enabled"},
      {"(defrule r (declare (salience abc)) => )",
       "Expected integer, variable, or function call for salience"},
      {"(defrule r ?f <- (not (a)) => )", "\"not\" and \"test\" CEs cannot be bound to variables"},
      {"(defrule r ?f (a) => )", "Expected \"<-\""},
      {"(defrule r (a) (printout t x))", "Expected \"=>\""},
      {"(defrule r (a) = (b))", "Expected \"=>\""},
      {"(defrule r (\"a\") => )", "Expected \"( <atom>\" in ParsePattern"},
      {"(deftemplate person (slot age)) (defrule r (person (age 1 2)) => )",
       "Slot \"age\" is not a multislot"},
      {"(defrule r (a [) => )", "Bad Slot Value: ["},
      {"(defrule r (a 1) => (f) x)", "Expected \")\" in ParseRule"},
  };
  for (const auto& C : Cases) {
    std::string M = ParseError(C.Text);
    EXPECT_NE(M.find(C.Message), std::string::npos) << C.Text << ": " << M;
  }
  // A failed rule is not registered.
  EXPECT_EQ(Engine->Rules().Count(), 0);
}

TEST_F(RuleGrammarTest, NegationLevelsAndWrappers) {
  Engine->Parse(
      "(defrule nn (not (not (a))) => ) (defrule ex (exists (a)) => )"
      "(defrule un (unique (a)) => ) (defrule xp (explicit (a)) => )"
      "(defrule t (test (eq 1 1)) (not (test (eq 1 2))) => )",
      true);
  auto Last = [&](const char* Name) {
    TRule* R = Rule(Name);
    return R->Patterns()[R->Patterns().Count() - 1];
  };
  EXPECT_EQ(Last("nn")->NegatedCount(), 2);
  EXPECT_EQ(Last("ex")->NegatedCount(), 2);
  EXPECT_TRUE(Last("un")->Unique());
  EXPECT_TRUE(Last("xp")->Explicit());
  TIEPattern* NotTest = Last("t");
  EXPECT_TRUE(NotTest->IsTest());
  EXPECT_EQ(NotTest->NegatedCount(), 0);
  EXPECT_EQ(NotTest->GetSlotTest(0, 0)->SlotTestType(), sttNotEquals);
}

TEST_F(RuleGrammarTest, FieldConstraintsAsWritten) {
  Engine->Parse("(deftemplate person (slot name)) (deftemplate q (slot s))", true);
  EXPECT_EQ(RawTests("(defrule r (person (name ?n&~Bob|Al)) => )", "name"),
            (std::vector<std::string>{"?n/-1/and", "Bob/-1/and/~", "Al/-1/or"}));
  // A name keeps the kind of its first occurrence.
  EXPECT_EQ(RawTests("(defrule s (a ?x $?x) => )", SDefaultSlotName),
            (std::vector<std::string>{"?x/0/and", "?x/1/and"}));
  // A return-value constraint binds a fresh single-field variable first.
  std::vector<std::string> Eq = RawTests("(defrule q (q (s a|=(+ 1 1))) => )", "s");
  ASSERT_EQ(Eq.size(), 3u);
  EXPECT_EQ(Eq[0].substr(0, 5), "?_eq_");
  EXPECT_EQ(Eq[1], "a/-1/and");
  EXPECT_EQ(Eq[2].substr(0, 10), "(eq* ?_eq_");
  EXPECT_EQ(Eq[2].substr(Eq[2].size() - 15), " (+ 1 1))/-1/or");
}

TEST_F(RuleGrammarTest, ReturnValueConstraintsMatchOneField) {
  const std::string Program =
      "(deftemplate s (multislot vals)) (deftemplate q (slot s))"
      "(defrule plus (p ?x =(+ ?x 1)) => (printout t \"plus \" ?x crlf))"
      "(defrule notplus (p ?x ~=(+ ?x 1)) => (printout t \"not \" ?x crlf))"
      "(defrule four (s (vals =(* 2 2))) => (printout t \"four\" crlf))"
      "(defrule either (q (s ?v&a|=(+ 1 1))) => (printout t \"either \" ?v crlf))";
  std::string Out = Run(Program,
                        "(assert (p 1 2)) (assert (p 5 7)) (assert (s (vals 4)))"
                        "(assert (q (s a))) (assert (q (s 2))) (assert (q (s 3)))");
  for (const char* Line : {"plus 1\r\n", "not 5\r\n", "four\r\n", "either a\r\n", "either 2\r\n"})
    EXPECT_NE(Out.find(Line), std::string::npos) << Line << " in " << Out;
  EXPECT_EQ(Out.find("plus 5"), std::string::npos) << Out;
  EXPECT_EQ(Out.find("not 1"), std::string::npos) << Out;
  EXPECT_EQ(Out.find("either 3"), std::string::npos) << Out;
}

TEST_F(RuleGrammarTest, BackwardChainingPatternsComeInPairs) {
  Engine->Parse("(defrule r (need-data ?x) => )", true);
  TRule* R = Rule("r");
  ASSERT_TRUE(R);
  EXPECT_EQ(R->Patterns().Count(), 2);
}

TEST_F(RuleGrammarTest, AWholeProgramMatchesAndFires) {
  const std::string Program = R"(
    (deftemplate person (slot name) (slot age (type INTEGER)) (multislot kids))
    (deftype adult-age extends (type INTEGER) (range 18 ?VARIABLE))
    (deffacts people
      (person (name Ann) (age 40) (kids Bob Cid))
      (person (name Bob) (age 12))
      (person (name Cid) (age 9))
      (person (name Dan) (age 30)))
    (defrule parent (declare (salience 10))
      (person (name ?p) (kids $? ?k $?))
      (person (name ?k) (age ?a))
      =>
      (printout t ?p " has " ?k " aged " ?a crlf))
    (defrule childless
      (person (name ?p) (age ?a&:(<= 18 ?a)) (kids))
      (not (person (kids $? ?p $?)))
      =>
      (printout t ?p " is an adult without children" crlf))
    (defrule any-child
      (exists (person (age ?a&:(< ?a 18))))
      =>
      (printout t "there are children" crlf))
    (defrule retire
      ?f <- (person (name Dan))
      (test (eq 1 1))
      =>
      (printout t "fact " ?f crlf))
  )";
  std::string Out = Run(Program, "");
  EXPECT_NE(Out.find("Ann has Bob aged 12\r\n"), std::string::npos) << Out;
  EXPECT_NE(Out.find("Ann has Cid aged 9\r\n"), std::string::npos) << Out;
  EXPECT_NE(Out.find("Dan is an adult without children\r\n"), std::string::npos) << Out;
  EXPECT_EQ(Out.find("Ann is an adult"), std::string::npos) << Out;
  EXPECT_NE(Out.find("there are children\r\n"), std::string::npos) << Out;
  EXPECT_NE(Out.find("fact <Fact-4>\r\n"), std::string::npos) << Out;
  // Salience first: the parent rule fires before the others.
  EXPECT_EQ(Out.find("Ann has"), 0u) << Out;
}

}  // namespace
}  // namespace norvale
