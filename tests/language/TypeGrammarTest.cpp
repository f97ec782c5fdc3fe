#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LanguageFixture.h"
#include "engine/core/IEFuzzy.h"
#include "engine/rete/Rule.h"
#include "fuzzy/FuzzyNames.h"

namespace norvale {
namespace {

class TypeGrammarTest : public test::LanguageFixture {
 protected:
  IIEDefinedType Type(const std::string& Name) { return Engine->DefinedTypes().Find(Name); }
  // A fuzzy type temp over 0 .. 100 with the terms cold, warm and hot.
  IFuzzyVariable Temperature() {
    Engine->Parse(
        "(deftype temp extends (type FUZZY) (range 0 100) (units C)"
        " (values (term cold ((0 1) (50 0))) (term warm ((25 0) (50 1) (75 0)))"
        "         (term hot ((50 0) (100 1)))))",
        true);
    return Type("temp")->FuzzyType();
  }
  // An expression evaluated for temp, printed as its sets' names (a list as "[a, b]").
  std::string Eval(const std::string& Text) {
    IIEValue V = Engine->EvalFuzzyExpression(Temperature(), Text, Engine->GlobalContext());
    if (V->DType() != dtList) return V->AsFuzzy()->Name();
    std::string R = "[";
    for (const IIEValue& I : V->AsList()->Values())
      R += (R.size() > 1 ? ", " : "") + I->AsFuzzy()->Name();
    return R + "]";
  }
};

TEST_F(TypeGrammarTest, DefinedTypesWithTheirClauses) {
  Engine->Parse(
      "(deftype age \"years\" extends (type INTEGER) (range 0 120))"
      "(deftype small extends (type age) (range ?VARIABLE 10))"
      "(deftype pair extends (type INTEGER) (cardinality 2 ?VARIABLE))"
      "(deftype colour extends (type LEXEME) (allowed-strings red 5) (allowed-symbols blue))"
      "(deftype computed extends (type INTEGER) (range (+ 1 1) 9))"
      "(deftype backwards extends (type FLOAT) (range 10 5))",
      true);
  IIEDefinedType Age = Type("age");
  ASSERT_TRUE(Age);
  EXPECT_EQ(Age->Comment(), "years");
  EXPECT_EQ(Age->BaseTypes(), TIETypes{dtInteger});
  EXPECT_TRUE(Age->RangeLimited());
  EXPECT_EQ(Age->MinRange(), 0);
  EXPECT_EQ(Age->MaxRange(), 120);

  IIEDefinedType Small = Type("small");
  EXPECT_EQ(Small->Ancestor(), Age);
  EXPECT_EQ(Small->MinRange(), 0);
  EXPECT_EQ(Small->MaxRange(), 10);
  EXPECT_EQ(Small->Name(), "small");

  IIEDefinedType Pair = Type("pair");
  EXPECT_TRUE(Pair->CardinalityLimited());
  EXPECT_EQ(Pair->MinCardinality(), 2);
  EXPECT_EQ(Pair->MaxCardinality(), 2147483647);

  IIEDefinedType Colour = Type("colour");
  EXPECT_EQ(Colour->Constraints(), (TValueConstraints{vcString, vcAtom}));
  ASSERT_EQ(Colour->GetConstraintStringsCount(), 2);
  EXPECT_EQ(Colour->GetConstraintString(0), "red");
  EXPECT_EQ(Colour->GetConstraintString(1), "5");
  EXPECT_EQ(Colour->GetConstraintAtom(0), "blue");

  EXPECT_EQ(Type("computed")->MinRange(), 2);
  EXPECT_EQ(Type("backwards")->MinRange(), 5);
  EXPECT_EQ(Type("backwards")->MaxRange(), 5);
}

TEST_F(TypeGrammarTest, MalformedTypesNameWhatIsWrong) {
  struct {
    const char* Text;
    const char* Message;
  } Cases[] = {
      {"(deftype age (type INTEGER))", "Missing keyword.  Expected \"extends\""},
      {"(deftype age extends (kind INTEGER))", "Missing keyword.  Expected \"type\""},
      {"(deftype t extends (type float))", "Invalid slot type: float in ParseSlotTypes"},
      {"(deftype t extends (type INTEGER FUZZY))", "Cannot mix fuzzy type with other primitive"},
      {"(deftype t extends (type SYMBOL) (allowed-colours red))",
       "Expected allowed value argument for deftype, received allowed-colours"},
      {"(deftype t extends (type INTEGER) (range a 5))",
       "Expected integer, variable, or function call for range"},
      {"(deftype t extends (type INTEGER) (cardinality 1))",
       "Expected integer, variable, or function call for cardinality"},
      {"(deftype t extends (type INTEGER) (range ?nope 5))",
       "Corrupted Binding, variable not found: nope"},
      // A list that runs into the end of the text ends the parse.
      {"(deftype t extends (type SYMBOL) (allowed-symbols a b", "Unexpected end of stream"},
      {"(deftype f extends (type FUZZY) (range ?x 100))", "Expected value missing"},
      {"(deftype f extends (type FUZZY) (colour red))",
       "Missing keyword.  Expected \"range, units, or values\""},
      {"(deftype f extends (type FUZZY) (values (term a)))", "Expected value missing"},
      {"(deftype f extends (type FUZZY) (values (trem a 1)))", "Expected \"( term\""},
  };
  for (const auto& C : Cases) {
    std::string M = ParseError(C.Text);
    EXPECT_NE(M.find(C.Message), std::string::npos) << C.Text << ": " << M;
  }
}

TEST_F(TypeGrammarTest, UnitsKeepTheirTextWithoutQuotes) {
  Engine->Parse("(deftype t extends (type FLOAT) (units \"deg C\"))", true);
  EXPECT_EQ(Type("t")->Units(), "deg C");
  Engine->Parse("(deftype f extends (type FUZZY) (units \"deg C\") (values (term a 1)))", true);
  EXPECT_EQ(Type("f")->Units(), "deg C");
}

TEST_F(TypeGrammarTest, AllowedValuesAreConvertedIntoNewValues) {
  // The global holds 3; converting it for a float list must not change the global.
  Engine->Parse("(defglobal ?*n* = 3) (deftype t extends (type FLOAT) (allowed-floats ?*n* 1))",
                true);
  EXPECT_EQ(Engine->GlobalContext()->GetVariable("*n*")->DType(), dtInteger);
  EXPECT_EQ(Type("t")->GetConstraintFloat(0), 3.0);
  // The shared constants stay what they are.
  Engine->Parse("(deftype s extends (type STRING) (allowed-strings TRUE nil))", true);
  EXPECT_EQ(FCTrue->DType(), dtAtom);
  EXPECT_EQ(Type("s")->GetConstraintString(0), "TRUE");
}

TEST_F(TypeGrammarTest, FuzzyTypesReportTermsThenTheVariableThenTheType) {
  std::vector<std::string> Events;
  TIEParser& P = Engine->Parser();
  P.OnParseFuzzySet = [&](TObject*, const IFuzzySet& S) { Events.push_back("set " + S->Name()); };
  P.OnParseFuzzyVariable = [&](TObject*, const IFuzzyVariable&) { Events.push_back("variable"); };
  P.OnParseDefinedType = [&](TObject*, const IIEDefinedType& T) {
    Events.push_back("type " + T->Name());
  };
  Engine->Parse(
      "(deftype temp extends (type FUZZY) (range 0 100) (units C)"
      " (values (term cold ((0 1) (50 0))) (term hot ((50 0) (100 1)))))",
      true);
  EXPECT_EQ(Events, (std::vector<std::string>{"set cold", "set hot", "variable", "type temp"}));
  IFuzzyVariable V = Type("temp")->FuzzyType();
  ASSERT_TRUE(V);
  EXPECT_EQ(V->Name(), "temp");
  EXPECT_EQ(V->From(), 0);
  EXPECT_EQ(V->To(), 100);
  EXPECT_EQ(V->Units(), "C");
  EXPECT_EQ(Type("temp")->Units(), "C");
  ASSERT_TRUE(V->FindTerm("cold"));
  EXPECT_TRUE(V->FindTerm("cold")->IsTerm());
  EXPECT_DOUBLE_EQ(V->FindTerm("cold")->DegreeOfMembership(25), 0.5);
}

TEST_F(TypeGrammarTest, FuzzyExpressions) {
  struct {
    const char* Text;
    const char* Result;
  } Cases[] = {
      {"cold", "cold"},
      {"very cold", "very cold"},
      {"very very cold", "very very cold"},
      {"cold or hot", "cold or hot"},
      {"very cold or hot", "very cold or hot"},
      {"[ cold or hot ]", "cold or hot"},
      {"cold hot", "[cold, hot]"},
      // A hedge or "[" after an operand starts a new value; the earlier one is kept.
      {"cold very hot", "[cold, very hot]"},
      {"cold [ hot ]", "[cold, hot]"},
      {"5", "5"},
  };
  for (const auto& C : Cases) EXPECT_EQ(Eval(C.Text), C.Result) << C.Text;

  // The term itself is left as it was.
  IFuzzySet Cold = Temperature()->FindTerm("cold");
  EXPECT_DOUBLE_EQ(Cold->DegreeOfMembership(25), 0.5);
  EXPECT_EQ(Cold->Name(), "cold");

  struct {
    const char* Text;
    const char* Message;
  } Errors[] = {
      {"[ cold or hot", "Missing Fuzzy Close Bracket in expression"},
      {"very", "Missing fuzzy operand to be modified by hedge: very"},
      {"cold or", "Missing fuzzy operand to be modified by hedge: or"},
      {"tepid", "Invalid item in fuzzy expression: tepid"},
  };
  for (const auto& E : Errors)
    EXPECT_EQ(test::MessageOf([&] { Eval(E.Text); }), E.Message) << E.Text;
  EXPECT_EQ(test::MessageOf([&] {
              Engine->EvalFuzzyExpression(nullptr, NewAtom("cold"), Engine->GlobalContext());
            }),
            "fuzzy variable is not defined");
  EXPECT_EQ(test::MessageOf(
                [&] { Engine->EvalFuzzyExpression(nullptr, IIEValue(), Engine->GlobalContext()); }),
            "fuzzy variable is not defined");
}

TEST_F(TypeGrammarTest, HedgesNeverChangeASetTheyDidNotMake) {
  IFuzzyVariable V = Temperature();
  // A global holding a set, and a call returning one: both stay unchanged.
  IFuzzySet Stored = V->FindTerm("warm")->Copy();
  Engine->GlobalContext()->AddGlobalBinding("*s*", NewRef<TIEValue>(Stored));
  NewRef<test::TLambdaFunction>("hot-set", [V](const std::vector<IIEValue>&, TIEContext*) {
    return NewRef<TIEValue>(V->FindTerm("hot"));
  })->AddReasoner(Engine);
  IIEValue A = Engine->EvalFuzzyExpression(V, "very ?*s*", Engine->GlobalContext());
  IIEValue B = Engine->EvalFuzzyExpression(V, "extremely (hot-set)", Engine->GlobalContext());
  EXPECT_DOUBLE_EQ(Stored->DegreeOfMembership(40), 0.6);
  EXPECT_DOUBLE_EQ(V->FindTerm("hot")->DegreeOfMembership(75), 0.5);
  EXPECT_LT(A->AsFuzzy()->DegreeOfMembership(40), 0.5);
  EXPECT_LT(B->AsFuzzy()->DegreeOfMembership(75), 0.5);
}

TEST_F(TypeGrammarTest, AnExpressionThatCannotBeEvaluatedYetIsKeptAsWritten) {
  IFuzzyVariable V = Temperature();
  IValueVector Written = Engine->ParseList("?s or hot");
  IIEValue Deferred = Engine->EvalFuzzyExpression(V, Written, nullptr);
  ASSERT_EQ(Deferred->DType(), dtList);
  EXPECT_EQ(Deferred->GetToString(), "?s or hot ");
  // Later, with a context, it is converted once, from the written order.
  Engine->GlobalContext()->AddLocalBinding("s", NewAtom("cold"));
  IIEValue Now = Engine->EvalFuzzyExpression(V, Deferred, Engine->GlobalContext());
  EXPECT_EQ(Now->AsFuzzy()->Name(), "cold or hot");
}

}  // namespace
}  // namespace norvale

namespace norvale {
namespace {

class FuzzyFactsTest : public test::LanguageFixture {
 protected:
  void SetUp() override {
    test::LanguageFixture::SetUp();
    Engine->Parse(
        "(deftype temp extends (type FUZZY) (range 0 100)"
        " (values (term cold ((0 1) (50 0))) (term hot ((50 0) (100 1)))))"
        "(deftemplate reading (slot where) (slot t (type temp)))",
        true);
  }
  std::vector<std::string> Facts() {
    std::vector<std::string> R;
    for (const IFact& F : Engine->FactList()) R.push_back(F->GetToString());
    return R;
  }
};

TEST_F(FuzzyFactsTest, FuzzySlotsReadExpressionsAndPatternsMatchThem) {
  Engine->Parse(
      "(defrule cold-somewhere (reading (where ?w) (t cold)) => (printout t ?w \" is cold\" crlf))",
      true);
  Engine->Assert("(reading (where here) (t very cold))");
  Engine->Assert("(reading (where there) (t hot))");
  TakeConsole();
  Engine->Run();
  EXPECT_EQ(TakeConsole(), "here is cold\r\n");
  EXPECT_NE(ParseError("(deftemplate bad (slot t (type FUZZY)))(assert (bad (t cold)))")
                .find("Fuzzy Type Definition needed to parse value"),
            std::string::npos);
}

// An expression that needs a variable is kept as written and converted once, when the fact is
// asserted; the rule that writes it prints and reads back.
TEST_F(FuzzyFactsTest, AnExpressionWithAVariableIsConvertedWhenTheFactIsAsserted) {
  Engine->Parse("(defrule warm-up (go ?s) => (assert (reading (where x) (t ?s or hot))))", true);
  TRule* Rule = Engine->Rules().Find("warm-up");
  ASSERT_TRUE(Rule);
  EXPECT_NE(Rule->GetToString().find("(t ?s or hot )"), std::string::npos) << Rule->GetToString();
  Engine->Parse(Rule->GetToString(), true);  // reads back
  Engine->Assert("(go cold)");
  Engine->Run();
  std::vector<std::string> F = Facts();
  ASSERT_EQ(F.size(), 3u);
  EXPECT_EQ(F[2], "(reading (t cold or hot) (where x))");
}

}  // namespace
}  // namespace norvale
