#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LanguageFixture.h"
#include "engine/engine/FactSet.h"
#include "engine/rete/Rule.h"

namespace norvale {
namespace {

// The read-back texts of what a text defines, in the order it defines them, and of the facts it
// asserts.
std::vector<std::string> Printed(const std::string& Text, bool WithFacts = true) {
  auto* E = NewObject<TInferenceEngine>(nullptr);
  test::LanguageFixture::AddTestFunctions(E);
  std::vector<std::string> R;
  E->Parser().OnParse = [&](TObject*, TParsedType Type, TObject* Object, const IUnknown& I) {
    switch (Type) {
      case ptRule:
        R.push_back(E->PrettyPrint(*static_cast<TRule*>(Object)));
        break;
      case ptFactSet:
        R.push_back(static_cast<TFactSet*>(Object)->GetToString());
        break;
      case ptFactTemplate:
        R.push_back(static_cast<TFactTemplate*>(I.Get())->GetToString());
        break;
      case ptDefType:
        R.push_back(E->PrettyPrint(*static_cast<TIEDefinedType*>(I.Get())));
        break;
      case ptFunction:
        R.push_back(E->PrettyPrint(*static_cast<TIEUserFunction*>(I.Get())));
        break;
      default:
        break;
    }
  };
  try {
    E->Parse(Text, true);
  } catch (const Exception& X) {
    R.push_back("error: " + X.Message());
  }
  // The globals first: rules and defaults may name them.
  if (E->GlobalVariables().Count() > 0) R.insert(R.begin(), E->PrettyPrintGlobalVariables());
  if (WithFacts)
    for (const IFact& F : E->FactList()) R.push_back("(assert " + E->PrettyPrint(*F) + ")");
  Free(E);
  return R;
}

// Everything printed from Text reads back and prints the same again.
void ExpectFixedPoint(const std::string& Text) {
  std::vector<std::string> First = Printed(Text);
  std::string All;
  for (const std::string& P : First) {
    ASSERT_EQ(P.rfind("error: ", 0), std::string::npos) << P << "\nin\n" << Text;
    All += P + "\r\n";
  }
  std::vector<std::string> Second = Printed(All);
  EXPECT_EQ(First, Second) << All;
}

TEST(RoundTripTest, EveryConstructPrintsAsItReadsBack) {
  const char* Corpus[] = {
      // Templates: comments with quotes, defaults of every kind, inline and named types.
      R"((deftemplate p "a \"quoted\" point\\"
           (slot x (type INTEGER) (default 2.7)) (slot y (default nil))
           (multislot tags (default a "b c" nil)) (slot s (default "line 1
  line 2"))
           (slot n (type NUMBER) (range 0.5 ?VARIABLE) (units "deg C"))
           (slot c (allowed-strings "a\"b" "x\\y") (allowed-symbols red x\(y))
           (slot d (default-dynamic (gensym*)))))",
      R"((deftemplate base (slot a)) (deftemplate child "kid" extends base (slot b (type SYMBOL))))",
      R"((deftype colour "colours" extends (type SYMBOL) (allowed-symbols red green))
         (deftemplate t is-a colour)
         (deftype small extends (type INTEGER) (range 1 9) (cardinality 2 ?VARIABLE)))",
      // Fuzzy types, fuzzy slots and fuzzy patterns.
      R"((deftype temp extends (type FUZZY) (range 0 100) (units "deg C")
           (values (term cold ((0 1) (50 0))) (term hot ((50 0) (100 1)))
                   (term warm cold or hot)))
         (deftemplate reading (slot t (type temp) (default cold)) (slot where))
         (defrule chilly (reading (t very cold) (where ?w)) => (printout t ?w crlf)))",
      // Rules: properties, salience expressions, every conditional element, constraints.
      R"((defglobal ?*p* = 5)
         (deftemplate person (slot name) (multislot kids))
         (defrule r "say \"hi\""
           (declare (salience ?*p*) (oneshot TRUE))
           ; a comment above the pattern
           ?f <- (person (name ?n&~Bob|Al) (kids $? ?k $?))
           (not (person (name ?k)))
           (exists (a ?x&:(eq ?x 1)))
           (unique (explicit (b nil "s" 2.5)))
           (test (eq ?n "x\\y"))
           (person (kids))
           (p ?y =(+ ?y 1) ~=(+ 1 1))
           (q ?z a|=(+ 1 1))
           =>
           ; a comment above the action
           (printout t "multi
  line" nil crlf)))",
      R"((defrule s (declare (salience (+ 1 2)) (enabled FALSE)) (need-data ?x) => ))",
      // Fact sets and facts.
      R"((deftemplate person (slot name (default Ann)) (slot age) (multislot kids (default x)))
         (deffacts people "the \"people\"" (person (name nil)) (person (kids)) (point 1 "two" nil))
         (assert (person (name "multi
line")) (point nil) (point "a\\b")))",
  };
  for (const char* Text : Corpus) ExpectFixedPoint(Text);
}

TEST(RoundTripTest, RulesPrintAsThePartGives) {
  std::vector<std::string> P = Printed("(defrule r (a ?x) => (printout t ?x crlf))", false);
  ASSERT_EQ(P.size(), 1u);
  EXPECT_EQ(P[0],
            "(defrule r\r\n"
            "    (a ?x)\r\n"
            "    =>\r\n"
            "    (printout t ?x crlf)\r\n"
            ")");
  P = Printed("(defrule s (declare (salience (+ 1 2))) (need-x ?y) => )", false);
  ASSERT_EQ(P.size(), 1u);
  // The goal pattern the need- pattern makes is not printed; the pattern keeps its fact variable.
  EXPECT_EQ(P[0].substr(0, 46), "(defrule s\r\n    (declare (salience (+ 1 2)))\r\n");
  EXPECT_NE(P[0].find(" <- (need-x ?y)\r\n    =>\r\n)"), std::string::npos) << P[0];
  EXPECT_EQ(P[0].find("(x "), std::string::npos) << P[0];
  P = Printed("(defrule t (not (not (a))) (exists (b)) => )", false);
  ASSERT_EQ(P.size(), 1u);
  EXPECT_NE(P[0].find("(exists (a ))"), std::string::npos) << P[0];
  EXPECT_NE(P[0].find("(exists (b ))"), std::string::npos) << P[0];
}

}  // namespace
}  // namespace norvale
