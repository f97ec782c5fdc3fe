#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "LanguageFixture.h"
#include "engine/engine/FactSet.h"

namespace norvale {
namespace {

class FactGrammarTest : public test::LanguageFixture {
 protected:
  IFactTemplate Template(const std::string& Name) { return Engine->FactTemplates().Find(Name); }
  std::vector<std::string> Facts() {
    std::vector<std::string> R;
    for (const IFact& F : Engine->FactList()) R.push_back(F->GetToString());
    return R;
  }
};

TEST_F(FactGrammarTest, TemplatesWithSlotsTypesAndDefaults) {
  Engine->Parse(
      "(deftemplate p \"a point\" (slot x (type INTEGER)) (slot y (default 1.5))"
      "  (multislot tags (default a b)) (field z (TYPE FLOAT)))"
      "(deftemplate q (slot n (type INTEGER) (default 2.7)) (slot c (default (+ 1 2)))"
      "  (slot d (default-dynamic (+ 1 2))))",
      true);
  IFactTemplate P = Template("p");
  ASSERT_TRUE(P);
  EXPECT_EQ(P->Comment(), "a point");
  EXPECT_EQ(P->GetSlot("x")->SlotType(), TIETypes{dtInteger});
  EXPECT_EQ(P->GetSlot("y")->SlotType(), IESlotTypes);
  EXPECT_EQ(P->GetSlot("y")->SlotDefault()->GetToString(), "1.5000");
  EXPECT_TRUE(P->GetSlot("tags")->IsMultiSlot());
  EXPECT_EQ(P->GetSlot("tags")->SlotDefault()->GetToString(), "a b ");
  EXPECT_EQ(P->GetSlot("z")->SlotType(), TIETypes{dtFloat});

  IFactTemplate Q = Template("q");
  EXPECT_EQ(Q->GetSlot("n")->SlotDefault()->DType(), dtInteger);
  EXPECT_EQ(Q->GetSlot("n")->SlotDefault()->GetToString(), "2");
  EXPECT_EQ(Q->GetSlot("c")->SlotDefault()->GetToString(), "3");
  EXPECT_EQ(Q->GetSlot("d")->SlotDefault()->DType(), dtFunCall);
  EXPECT_TRUE(Q->GetSlot("d")->DefaultDynamic());
}

TEST_F(FactGrammarTest, MalformedTemplatesNameWhatIsWrong) {
  struct {
    const char* Text;
    const char* Message;
  } Cases[] = {
      {"(deftemplate p (slot x (type float)))", "Invalid slot type: float"},
      {"(deftemplate p (slot x (type INTEGER FUZZY)))",
       "Cannot mix fuzzy type with other primitive types"},
      {"(deftemplate p\n (slot x (type INTEGER)\n (default abc)))",
       "Parsing Error, Not a INTEGER type.  Value (abc) is a dtAtom type for ParseValue slot in "
       "ParseValue(SlotTypes) at line 3"},
      {"(deftemplate p (slat x))", "Invalid slot type: slat in ParseFactTemplateSlot"},
      {"(deftemplate p (slot (x)))", "Bad Slot Name: ( in ParseFactTemplateSlot"},
      {"(deftemplate p (slot x (colour red)))", "Invalid slot qualifier: colour"},
      {"(deftemplate p (slot x (default 1) (default 2 3)))", "Expected \")\""},
      {"(deftemplate p (slot x) y)", "Expected \")\" in ParseFactTemplate"},
      {"(deftemplate p badword (slot x))", "Expected \"(\", \"extends\", or \"is-a\""},
      {"(deftemplate p is-a nothing)", "type name unknown or invalid: nothing"},
      {"(deftemplate p (slot x (type SYMBOL) (allowed-symbols a b", "Unexpected end of stream"},
  };
  for (const auto& C : Cases) {
    std::string M = ParseError(C.Text);
    EXPECT_NE(M.find(C.Message), std::string::npos) << C.Text << ": " << M;
  }
}

TEST_F(FactGrammarTest, ParentsAndDefinedTypes) {
  Engine->Parse(
      "(deftemplate base (slot a (default 1)))"
      "(deftemplate child extends base (slot b))"
      "(deftemplate orphan extends nothing-such (slot a))"
      "(deftype colour extends (type SYMBOL) (allowed-symbols red green))"
      "(deftemplate t is-a colour)"
      "(deftemplate u (slot c (type colour)) (slot n (type INTEGER) (range 0 9) (units \"m s\")))",
      true);
  EXPECT_EQ(Template("child")->Parent(), Template("base"));
  EXPECT_TRUE(Template("child")->ContainsSlot("a"));
  EXPECT_TRUE(Template("child")->ContainsSlot("b"));
  EXPECT_FALSE(Template("orphan")->Parent());
  EXPECT_TRUE(Template("t")->IsOrdered());
  EXPECT_EQ(Template("t")->GetSlot(SDefaultSlotName)->ExtendedTypeInfo()->Name(), "colour");
  IFactSlot N = Template("u")->GetSlot("n");
  ASSERT_TRUE(N->ExtendedTypeInfo());
  EXPECT_TRUE(N->ExtendedTypeInfo()->Implicit());
  EXPECT_EQ(N->ExtendedTypeInfo()->MaxRange(), 9);
  EXPECT_EQ(N->ExtendedTypeInfo()->Units(), "m s");
  EXPECT_NE(ParseError("(deftemplate t2 is-a colour (slot a))").find("Expected \")\""),
            std::string::npos);
  EXPECT_NE(ParseError("(assert (u (c blue)))").find("Value \"blue\" is not valid"),
            std::string::npos);
}

TEST_F(FactGrammarTest, DefaultsAreComputedIntoNewValues) {
  Engine->Parse("(defglobal ?*n* = 3) (deftemplate p (slot x (type FLOAT) (default ?*n*)))", true);
  EXPECT_EQ(Engine->GlobalContext()->GetVariable("*n*")->DType(), dtInteger);
  EXPECT_EQ(Template("p")->GetSlot("x")->SlotDefault()->GetToString(), "3.0000");
}

TEST_F(FactGrammarTest, FactsOrderedAndBySlot) {
  Engine->Parse(
      "(deftemplate person (slot name) (slot age (type INTEGER) (default 0)) (multislot kids))"
      "(assert (point 1 2) (person (name Bob) (kids a b)) (person (age 4.0) (name \"Al\")))",
      true);
  EXPECT_EQ(Template("point")->Comment(), "(Implied)");
  EXPECT_EQ(Facts(), (std::vector<std::string>{"(Initial-Fact)", "(point 1 2 )",
                                               "(person (age 0) (kids a b ) (name Bob))",
                                               "(person (age 4) (name \"Al\"))"}));
  EXPECT_EQ(ParseError("(assert (person (nme Bob)))"), "No such slot name: \"nme\"");
  Engine->Parser().SetStrictTemplates(true);
  EXPECT_NE(ParseError("(assert (line 1 2))").find("Unknown fact template: line in ParseFact"),
            std::string::npos);
  EXPECT_FALSE(Template("line"));
}

TEST_F(FactGrammarTest, DynamicDefaultsAreComputedForEachFact) {
  Engine->Parse(
      "(deftemplate t (slot id (default-dynamic (gensym*))))"
      "(assert (t)) (assert (t))",
      true);
  std::vector<std::string> F = Facts();
  ASSERT_EQ(F.size(), 3u);
  EXPECT_NE(F[1], F[2]);
}

TEST_F(FactGrammarTest, FactSetsAndFactFiles) {
  Engine->Parse("(deffacts d \"c\" (a 1) (b 2))", true);
  EXPECT_EQ(TakeConsole(), "2\r\n");
  ASSERT_EQ(Engine->FactSets().Count(), 1);
  TFactSet* D = Engine->FactSets().Items(0);
  EXPECT_EQ(D->FactSetName(), "d");
  EXPECT_EQ(D->Comment(), "c");
  Engine->Reset();
  EXPECT_EQ(Facts(), (std::vector<std::string>{"(Initial-Fact)", "(a 1 )", "(b 2 )"}));
  EXPECT_NE(ParseError("(deffacts e (a 1) x)").find("Expected \")\" in ParseFactSet"),
            std::string::npos);
  EXPECT_EQ(Engine->FactSets().Count(), 1);

  std::istringstream FactText("(c 3)\n(c 4)");
  EXPECT_TRUE(Engine->LoadFacts(FactText));
  EXPECT_EQ(Facts().size(), 5u);
}

}  // namespace
}  // namespace norvale
