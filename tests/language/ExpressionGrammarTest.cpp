#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LanguageFixture.h"
#include "engine/functions/InterpretedFunction.h"

namespace norvale {
namespace {

using ExpressionGrammarTest = test::LanguageFixture;

// The arguments of a call as "type:printed" items.
std::string Shape(const IFunCall& Call) {
  std::string R = Call->Name() + "[";
  for (const IIEValue& A : Call->Arguments()) {
    if (R.back() != '[') R += ", ";
    R += GetIETypeName(A->DType()).substr(2) + ":" + A->GetToString();
  }
  return R + "]";
}

TEST_F(ExpressionGrammarTest, CallsTheirNamesAndArguments) {
  struct {
    const char* Text;
    const char* Shape;
  } Cases[] = {
      {"(= 1 1)", "=[Integer:1, Integer:1]"},
      {"(printout t = )", "printout[Atom:t, String:\"=\"]"},
      {"(f & | ~ [ ])", "f[String:\"&\", String:\"|\", String:\"~\", String:\"[\", String:\"]\"]"},
      {"(?f)", "__get-var[Variable:?f]"},
      {"($?f a)", "__get-var[MultiVariable:$?f, Atom:a]"},
      {"(foo (a b))", "foo[FunCall:(a b)]"},
      {"(f ((0 0) (5 1)))", "f[Singletons:((0 0) (5 1) )]"},
      {"(f \"s\" 1.5 TRUE nil ?x $?y)",
       "f[String:\"s\", Float:1.5000, Atom:TRUE, Atom:, Variable:?x, MultiVariable:$?y]"},
      {"(modify ?f (x 1) (y 2 3))", "modify[Variable:?f, List:x 1 , List:y 2 3  ]"},
      // The fact designator comes first, also when it is a call.
      {"(duplicate (nth$ 0 ?l) (x 1))", "duplicate[FunCall:(nth$ 0 ?l), List:x 1 ]"},
  };
  for (const auto& C : Cases) EXPECT_EQ(Shape(Engine->ParseFunCall(C.Text)), C.Shape) << C.Text;

  IFunCall Pairs = Engine->ParseFunCall("(modify ?f (y 2 3))");
  IValueVector Pair = Pairs->GetArgument(1)->AsList();
  EXPECT_EQ(Pair->Get(1)->DType(), dtList);
  EXPECT_EQ(Pair->Get(1)->AsList()->Count(), 2);
}

TEST_F(ExpressionGrammarTest, CallsAreMadeForTheEngineAndReportedInnermostFirst) {
  std::vector<std::string> Seen;
  Engine->Parser().OnParseFunCall = [&](TObject*, const IFunCall& C) { Seen.push_back(C->Name()); };
  IFunCall C = Engine->ParseFunCall("(a (b (c)) (d))");
  EXPECT_EQ(Seen, (std::vector<std::string>{"c", "b", "d", "a"}));
  EXPECT_EQ(C->Reasoner(), static_cast<IReasoner*>(Engine));
  // An unknown name parses and fails only when executed.
  EXPECT_EQ(test::MessageOf([&] { C->Execute(Engine->GlobalContext()); }),
            "Function is unimplemented or unassigned: a");
}

TEST_F(ExpressionGrammarTest, MalformedExpressionsNameWhatIsWrong) {
  struct {
    const char* Text;
    const char* Message;
  } Cases[] = {
      {"x", "Expected \"(\" in ParseFunCall"},
      {"(1 2)", "Missing name in ParseFunCall"},
      {"(f a", "Unexpected end of stream in ParseFunCall"},
      {"(f (( 1 2 ) (a b)))", "Expected number, variable, or function call in ParseFuzzyPoints"},
      {"(f ((1 2 3)))", "Expected \")\" in ParseFuzzyPoints"},
      {"(f ((1 2) x))", "Expected \")\" in ParseFuzzyPoints"},
      {"(modify ?f x)", ""},
      {"(modify ?f (1 2))", "Expected \"( <atom>\" in ParseValuePair"},
      {"(modify ?f (x))", "Expected value missing in ParseValuePair"},
      {"(modify ?f (x 1 & 2))", "Expected \")\" in ParseValuePair"},
  };
  for (const auto& C : Cases) {
    std::string M = test::MessageOf([&] { Engine->ParseFunCall(C.Text); });
    if (*C.Message == 0)
      EXPECT_EQ(M, "<no exception>") << C.Text;
    else
      EXPECT_NE(M.find(C.Message), std::string::npos) << C.Text << ": " << M;
  }
}

TEST_F(ExpressionGrammarTest, ValueSequencesAndLists) {
  EXPECT_EQ(Engine->ParseValue("a")->DType(), dtAtom);
  IIEValue Several = Engine->ParseValue("a [ 1 (f) ((1 2)) ] ) b");
  ASSERT_EQ(Several->DType(), dtList);
  EXPECT_EQ(Several->GetToString(), "a [ 1 (f) ((1 2) ) ] ");
  EXPECT_EQ(Engine->ParseValue("a = b")->GetToString(), "a");  // the sequence ends at "="
  EXPECT_EQ(test::MessageOf([&] { Engine->ParseValue("& a"); }),
            "Parsing Error, Bad Argument: & in ParseValue at line 1: & ");
  EXPECT_TRUE(!Engine->ParseValue(")"));

  EXPECT_EQ(Engine->ParseList("")->Count(), 0);
  EXPECT_EQ(Engine->ParseList("x")->Count(), 1);
  IValueVector L = Engine->ParseList("a =(+ 1 2) \"s\")");
  ASSERT_EQ(L->Count(), 3);
  EXPECT_EQ(L->Get(1)->DType(), dtFunCall);
  EXPECT_NE(test::MessageOf([&] {
              Engine->ParseList("a = b");
            }).find("\"=\" cannot appear as an atom within a fact in ParseList"),
            std::string::npos);
  EXPECT_NE(test::MessageOf([&] { Engine->ParseList("a ~"); }).find("Bad Slot Value: ~"),
            std::string::npos);
}

TEST_F(ExpressionGrammarTest, GlobalVariables) {
  std::vector<std::string> Seen;
  Engine->Parser().OnParseVariable = [&](TObject*, const std::string& Name, const IIEValue& V) {
    Seen.push_back(Name + "=" + V->GetToString());
  };
  Engine->Parse("(defglobal ?*x* = 1 ?*y* = (+ 1 2) ?* = \"s\")", true);
  EXPECT_EQ(Seen, (std::vector<std::string>{"*x*=1", "*y*=(+ 1 2)", "*=\"s\""}));
  EXPECT_EQ(Eval("(+ ?*x* ?*y*)"), "4");
  // The table keeps the initial value as written; the binding holds its value.
  EXPECT_EQ(Engine->GlobalVariables().Get("*y*")->DType(), dtFunCall);
  Engine->Parse("(defglobal ?*x* = 10)", true);
  EXPECT_EQ(Eval("(+ ?*x* 0)"), "10");

  struct {
    const char* Text;
    const char* Message;
  } Errors[] = {
      {"(defglobal ?x = 1)", "Bad Variable Name, must start and end with an asterisk: x"},
      {"(defglobal ?*x 1)", "Bad Variable Name, must start and end with an asterisk: *x"},
      {"(defglobal ?*x* 1)", "Expected \"=\" in ParseVariable"},
      {"(defglobal ?*x* = 1 2)", "Missing name in ParseVariable"},
      {"(defglobal ?*x* = )", "Expected value missing in ParseVariable"},
      {"(defglobal ?*x* = 1", "Missing name in ParseVariable"},
      {"(defglobl ?*x* = 1)", "Function is unimplemented or unassigned: defglobl"},
  };
  for (const auto& E : Errors)
    EXPECT_NE(ParseError(E.Text).find(E.Message), std::string::npos)
        << E.Text << ": " << ParseError(E.Text);
  // A value that cannot be computed leaves the variable as it was, or not there at all.
  EXPECT_NE(ParseError("(defglobal ?*x* = (nosuch) ?*new* = (nosuch))"), "");
  EXPECT_EQ(Engine->GlobalVariables().Get("*x*")->GetToString(), "1");  // from the cases above
  EXPECT_FALSE(Engine->GlobalVariables().ContainsKey("*new*"));
  std::string Name;
  EXPECT_EQ(Engine->ParseVariable("?*v* = abc", Name)->GetToString(), "abc");
  EXPECT_EQ(Name, "*v*");
}

TEST_F(ExpressionGrammarTest, DeffunctionHeadsParametersAndBodies) {
  IUserFunction F =
      Engine->ParseFunction("(deffunction f \"first\" (?a $?rest) \"second\" (+ ?a 1) ?a \"s\")");
  auto* I = dynamic_cast<TInterpretedFunction*>(F.Get());
  ASSERT_TRUE(I);
  EXPECT_EQ(I->FunctionName(), "f");
  EXPECT_EQ(I->Comment(), "second");
  ASSERT_EQ(I->GetArgumentCount(), 2);
  EXPECT_EQ(I->GetArgument(0)->DType(), dtVariable);
  EXPECT_EQ(I->GetArgument(1)->DType(), dtMultiVariable);
  EXPECT_EQ(I->GetArgument(1)->Text(), "rest");
  EXPECT_EQ(I->GetStatementCount(), 3);
  EXPECT_EQ(I->MinArgumentCount(), 2);
  EXPECT_EQ(I->MaxArgumentCount(), TIEUserFunction::NoArgumentLimit);
  EXPECT_FALSE(Engine->ContainsUserFunction("f"));  // read, not registered

  struct {
    const char* Text;
    const char* Message;
  } Errors[] = {
      {"(deffunction)", "Missing name in ParseFunction"},
      {"(deffunction 12 ())", "Missing name in ParseFunction"},
      {"(deffunction f ?x)", "Expected \"(\" in ParseFunction"},
      {"(deffunction f (?x a))", "Expected \")\" in ParseFunction"},
      {"(deffunction f () & )", "Unexpected character found: \"&\" in ParseFunction"},
      {"(deffunction f () (+ 1 2)", "Unexpected end of stream in ParseFunction"},
  };
  for (const auto& E : Errors) {
    std::string M = test::MessageOf([&] { Engine->ParseFunction(E.Text); });
    EXPECT_NE(M.find(E.Message), std::string::npos) << E.Text << ": " << M;
  }
  EXPECT_EQ(test::MessageOf([&] { Engine->ParseFunction("(defglobal f ())"); }),
            "Parsing Error, Expected \"( deffunction\" in ParseFunction at line 1: ( defglobal ");
}

}  // namespace
}  // namespace norvale
