#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "LanguageFixture.h"

namespace norvale {
namespace {

using ParserFrameTest = test::LanguageFixture;

TEST_F(ParserFrameTest, TopLevelResultsAreEchoedUnlessNil) {
  struct {
    const char* Text;
    const char* Echo;
  } Cases[] = {
      {"abc", "abc\r\n"},
      {"12 2.5", "12\r\n2.5000\r\n"},
      {"(+ 1 2)", "3\r\n"},
      {"(printout t \"x\" crlf)", "x\r\n"},  // printed, nil result not echoed
      {"nil", ""},
      {"(create$ a \"b\")", "a \"b\" \r\n"},
      {"(deffunction sq (?x) (* ?x ?x)) (sq 4)", "sq\r\n16\r\n"},
      {"(defglobal ?*g* = 7) ?*g*", "7\r\n"},
  };
  for (const auto& C : Cases) {
    EXPECT_EQ(ParseError(C.Text), "") << C.Text;
    EXPECT_EQ(TakeConsole(), C.Echo) << C.Text;
  }
}

TEST_F(ParserFrameTest, StreamsAreReadWhole) {
  std::istringstream In("(deffunction f () 7)\r\n(f)");
  EXPECT_TRUE(Engine->Parse(In, true));
  EXPECT_EQ(TakeConsole(), "f\r\n7\r\n");
}

TEST_F(ParserFrameTest, OnParseReportsEachConstruct) {
  std::vector<std::string> Seen;
  Engine->Parser().OnParse = [&](TObject*, TParsedType Type, TObject*, const IUnknown& I) {
    Seen.push_back(EnumName(Type) + (I ? ":" + I->ClassName() : std::string()));
  };
  Engine->Parse("", true);
  EXPECT_EQ(Seen, std::vector<std::string>{"ptEOF:TIEValue"});
  Seen.clear();
  Engine->Parse("x (printout t) (deffunction f ()) (defglobal ?*a* = 1) (+ 1 1)", true);
  EXPECT_EQ(Seen, (std::vector<std::string>{"ptValue:TIEValue", "ptNone",
                                            "ptFunction:TInterpretedFunction", "ptGlobals",
                                            "ptFunCall:TIEValue", "ptEOF:TIEValue"}));
}

TEST_F(ParserFrameTest, WithoutExecuteCallsAreParsedAndShownButNotRun) {
  Engine->Parse("(printout t \"x\") (+ 1 2)", false);
  EXPECT_EQ(TakeConsole(), "(printout t \"x\")\r\n(+ 1 2)\r\n");
}

TEST_F(ParserFrameTest, ErrorsCarryTheRoutineTheLineAndTheConstruct) {
  struct {
    const char* Text;
    const char* Message;
    int Line;
  } Cases[] = {
      {"\"a sentence\"",
       "Parsing Error, Unexpected symbol, expected a \"(\", constant, or global variable: "
       "\\\"a sentence\"\\ in GetConstructType at line 1: \\\"a sentence\"\\ ",
       1},
      {"(deffunction f ()\n  (+ 1 2)\n  ))",
       "Parsing Error, Unexpected symbol, expected a \"(\", constant, or global variable: ) in "
       "GetConstructType at line 3: ) ",
       3},
      {"(+ 1\n\n2",
       "Parsing Error, Unexpected end of stream in ParseFunCall at line 3: ( + 1\r\n2 EOF ", 3},
      {"(1 2)", "Parsing Error, Missing name in ParseFunCall at line 1: ( 1 ", 1},
      {"(\"a\")", "Parsing Error, Missing name in ParseFunCall at line 1: ( \\\"a\"\\ ", 1},
  };
  for (const auto& C : Cases) {
    try {
      Engine->Parse(C.Text, true);
      ADD_FAILURE() << C.Text;
    } catch (const EIEParseException& E) {
      EXPECT_EQ(E.Message(), C.Message) << C.Text;
      EXPECT_EQ(E.LineNumber(), C.Line) << C.Text;
    }
  }
}

TEST_F(ParserFrameTest, ALongBrokenConstructIsQuotedByItsEnds) {
  std::string Text = "(f";
  while (Text.size() < 300) Text += " abcdefghi";
  std::string Message = ParseError(Text);  // the closing ")" is missing
  const std::string Prefix = "Parsing Error, Unexpected end of stream in ParseFunCall at line 1: ";
  ASSERT_EQ(Message.substr(0, Prefix.size()), Prefix);
  std::string Quoted = Message.substr(Prefix.size());
  EXPECT_EQ(Quoted.size(), 128 + 4 + 2 + 128u);
  EXPECT_EQ(Quoted.substr(0, 12), "( f abcdefgh");
  EXPECT_EQ(Quoted.substr(128, 6), "... \r\n");
  EXPECT_EQ(Quoted.substr(Quoted.size() - 14), "abcdefghi EOF ");
}

TEST_F(ParserFrameTest, ImmediateModeKeepsWhatWasParsedBeforeTheError) {
  EXPECT_NE(ParseError("(deffunction a () 1) (deffunction b () 2) (1) (deffunction c () 3)"), "");
  EXPECT_TRUE(Engine->ContainsUserFunction("a"));
  EXPECT_TRUE(Engine->ContainsUserFunction("b"));
  EXPECT_FALSE(Engine->ContainsUserFunction("c"));
  // Errors of executed calls reach the caller unchanged.
  EXPECT_EQ(ParseError("(fail \"boom\")"), "boom");
}

TEST_F(ParserFrameTest, CollectModeGathersErrorsAndGoesOn) {
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  // One error: its message alone; the constructs around it are read.
  EXPECT_EQ(ParseError("(deffunction a () 1) (1 2) (deffunction b () 2)"),
            "Parsing Error, Missing name in ParseFunCall at line 1: ( 1 ");
  EXPECT_TRUE(Engine->ContainsUserFunction("b"));

  // Twelve: the first MaxErrors + 1 are listed and the parse stops there.
  std::string Text;
  for (int I = 0; I < 12; ++I) Text += "(" + std::to_string(I) + " x)\n";
  Text += "(deffunction late () 1)";
  try {
    Engine->Parse(Text, true);
    FAIL();
  } catch (const EIEParseException& E) {
    const std::string& M = E.Message();
    EXPECT_EQ(M.rfind("Errors parsing stream:\r\n", 0), 0u);
    int Lines = 0;
    for (size_t P = M.find("Parsing Error"); P != std::string::npos;
         P = M.find("Parsing Error", P + 1))
      ++Lines;
    EXPECT_EQ(Lines, 11);
    EXPECT_NE(M.find("line 11:"), std::string::npos);
    EXPECT_EQ(M.find("line 12:"), std::string::npos);
    EXPECT_EQ(E.LineNumber(), 1);
  }
  EXPECT_FALSE(Engine->ContainsUserFunction("late"));

  // Errors of executed calls are wrapped with the construct they came from.
  EXPECT_EQ(ParseError("(+ 1 1)\n(fail \"boom\")"),
            "Parsing Error, boom in Parse at line 2: ( fail \\\"boom\"\\ ) ");
}

TEST_F(ParserFrameTest, RecoveryResumesAfterTheBrokenConstructEvenAfterAStrayClose) {
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  // A stray ")" at the top does not make recovery stop inside the next construct, whose call
  // would run then.
  std::string M = ParseError(") (deffunction f () (printout t \"X\" crlf)) (f)");
  EXPECT_EQ(M.find("Errors parsing stream"), std::string::npos) << M;
  EXPECT_NE(M.find("GetConstructType"), std::string::npos);
  EXPECT_EQ(TakeConsole(), "f\r\nX\r\n");

  M = ParseError("(+ 1 (2 3) 4) (printout t \"after\")");
  EXPECT_NE(M.find("Missing name"), std::string::npos);
  EXPECT_EQ(TakeConsole(), "after");
}

TEST_F(ParserFrameTest, ParsingWithoutExecuteNeverRunsACall) {
  std::vector<std::string> Ran;
  test::TLambdaFunction::TBody Record = [&](const std::vector<IIEValue>&, TIEContext*) {
    Ran.push_back("ran");
    return FCNil;
  };
  NewRef<test::TLambdaFunction>("remove", Record)->AddReasoner(Engine);
  NewRef<test::TLambdaFunction>("clear", Record)->AddReasoner(Engine);
  for (TErrorHandling Mode : {ehRaiseImmediate, ehRaiseAllAtEnd}) {
    Engine->SetParserErrorHandling(Mode);
    Engine->Parse("(remove \"f\") (clear) (defglobal ?*x* = (clear))", false);
  }
  EXPECT_TRUE(Ran.empty());
}

TEST_F(ParserFrameTest, TheSilentAbortPassesUnchanged) {
  for (TErrorHandling Mode : {ehRaiseImmediate, ehRaiseAllAtEnd}) {
    Engine->SetParserErrorHandling(Mode);
    EXPECT_THROW(Engine->Parse("(+ 1 1) (exit) (printout t \"no\")", true), EAbort)
        << EnumName(Mode);
    EXPECT_EQ(TakeConsole(), "2\r\n");
  }
  // Also when errors were collected before it.
  EXPECT_THROW(Engine->Parse("(1 2) (exit)", true), EAbort);
  Engine->Parse("(deffunction quit () (exit))", true);
  EXPECT_THROW(Engine->Parse("(quit)", true), EAbort);
}

TEST_F(ParserFrameTest, ANestedParseUsesTheSameParserAndTheOuterOneResumes) {
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  std::string M = ParseError(
      "(printout t \"a\")\n"
      "(parse \"(printout t \\\"b\\\")\n\n(1)\")\n"
      "(printout t \"c\")\n"
      "(2)");
  EXPECT_EQ(TakeConsole(), "abc");
  // The nested error names its own line; the outer parse goes on and adds its own error.
  EXPECT_EQ(M,
            "Errors parsing stream:\r\n"
            "Parsing Error, Missing name in ParseFunCall at line 3: ( 1 \r\n"
            "Parsing Error, Missing name in ParseFunCall at line 6: ( 2 ");
}

TEST_F(ParserFrameTest, DeepNestingIsRefusedAndTheEngineStaysUsable) {
  // Expressions: past the limit a parse error, far past it no crash.
  for (int Depth : {1001, 100000}) {
    std::string Text;
    for (int I = 0; I < Depth; ++I) Text += "(+ 1 ";
    EXPECT_NE(ParseError(Text).find("Expression nested too deeply in ParseFunCall"),
              std::string::npos);
  }
  std::string Text;
  for (int I = 0; I < 999; ++I) Text += "(+ 1 ";
  Text += "0" + std::string(999, ')');
  EXPECT_EQ(ParseError(Text), "");
  EXPECT_EQ(TakeConsole(), "999\r\n");

  // Texts parsed within one another: a text that parses itself.
  Engine->Parse("(defglobal ?*self* = \"(parse ?*self*)\")", true);
  EXPECT_EQ(ParseError("(parse ?*self*)"), "Texts parsed within one another nested too deeply");
  EXPECT_EQ(Engine->ParseNesting().Depth, 0);
  EXPECT_EQ(Eval("(+ 2 2)"), "4");

  // Collecting errors does not restart the recursion at every level (2^64 parses otherwise).
  Engine->SetParserErrorHandling(ehRaiseAllAtEnd);
  Engine->Parse("(defglobal ?*twice* = \"(parse ?*twice*) (parse ?*twice*)\")", true);
  EXPECT_EQ(ParseError("(parse ?*twice*)"), "Texts parsed within one another nested too deeply");
}

TEST_F(ParserFrameTest, ParsingValuesOfAType) {
  struct {
    const char* Text;
    TIEType Type;
    const char* Printed;
    TIEType Result;
  } Cases[] = {
      {"abc", dtAtom, "abc", dtAtom},
      // One pair of quotes comes off and escapes are resolved.
      {"\"say \\\"hi\\\"\"", dtString, "\"say \\\"hi\\\"\"", dtString},
      {"\"\"hi\"", dtString, "\"\\\"hi\"", dtString},
      {"plain", dtString, "\"plain\"", dtString},
      {"42", dtInteger, "42", dtInteger},
      {"7", dtFactId, "<Fact-7>", dtFactId},
      {"2.5", dtFloat, "2.5000", dtFloat},
      {"x", dtVariable, "?x", dtVariable},
      {"(+ 1 2)", dtFunCall, "(+ 1 2)", dtFunCall},
      {"a b", dtList, "a b ", dtList},
      {"a", dtList, "a", dtAtom},
      {"", dtList, "", dtAtom},
      {"", dtNone, "", dtNone},
  };
  for (const auto& C : Cases) {
    IIEValue V = Engine->Parse(C.Text, C.Type);
    EXPECT_EQ(V->GetToString(), C.Printed) << C.Text;
    EXPECT_EQ(V->DType(), C.Result) << C.Text;
  }
  EXPECT_EQ(test::MessageOf([&] { Engine->Parse("x", dtObject); }),
            "Unable to parse strings of dtObject at this time");
  EXPECT_EQ(test::MessageOf([&] { Engine->Parse("x", static_cast<TIEType>(25)); }),
            "Unable to parse strings of Unknown Type (25) at this time");
  EXPECT_THROW(Engine->Parse("4x", dtInteger), EConvertError);
}

}  // namespace
}  // namespace norvale
