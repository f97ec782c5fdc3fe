#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/language/Tokenizer.h"
#include "engine/rete/IEContext.h"

namespace norvale {
namespace {

struct TTok {
  int Kind;
  std::string Text;
  double Number;
  int Line;
};

std::vector<TTok> Tokens(const std::string& Text) {
  TIEClipsStream S(Text);
  std::vector<TTok> R;
  for (;;) {
    TToken T = S.Next();
    R.push_back({T.DataType, std::string(T.Text), T.Number, T.LineNumber});
    if (T.DataType == ttEOF) return R;
  }
}

std::vector<int> Kinds(const std::string& Text) {
  std::vector<int> R;
  for (const TTok& T : Tokens(Text)) R.push_back(T.Kind);
  return R;
}

TEST(TokenizerTest, CutsTokensOfEveryKind) {
  struct {
    const char* Input;
    std::vector<int> Kinds;
  } Cases[] = {
      {"(a)b", {'(', ttAtom, ')', ttAtom, ttEOF}},
      {"a;x", {ttAtom, ttEOF}},
      {"=>", {'=', ttAtom, ttEOF}},
      {"<- <= >= <> eq* create$ a=b", {1, 1, 1, 1, 1, 1, 1, ttEOF}},
      {"x<y", {ttAtom, ttAtom, ttEOF}},
      {"& ( ) = [ ] | ~", {'&', '(', ')', '=', '[', ']', '|', '~', ttEOF}},
      {"?x $?y \"s\" 1 2.5", {ttVariable, ttMultiVariable, ttString, ttInteger, ttFloat, ttEOF}},
      {"a\"b\"c", {ttAtom, ttString, ttAtom, ttEOF}},
      {"", {ttEOF}},
  };
  for (const auto& C : Cases) EXPECT_EQ(Kinds(C.Input), C.Kinds) << C.Input;
}

TEST(TokenizerTest, NumbersFollowTheStrictGrammarAndEverythingElseIsAnAtom) {
  struct {
    const char* Word;
    int Kind;
    double Number;
  } Cases[] = {
      {"12", ttInteger, 12},
      {"-2147483648", ttInteger, -2147483648.0},
      {"+7", ttInteger, 7},
      {"2147483647", ttInteger, 2147483647},
      {"2147483648", ttFloat, 2147483648.0},
      {"99999999999", ttFloat, 99999999999.0},
      {"12.5", ttFloat, 12.5},
      {"1e3", ttFloat, 1000},
      {"-1.5E-2", ttFloat, -0.015},
      {".5", ttFloat, 0.5},
      {"5.", ttFloat, 5},
      {"1e-400", ttFloat, 0},
      {"1.2.3", ttAtom, 0},
      {"-", ttAtom, 0},
      {"+", ttAtom, 0},
      {".", ttAtom, 0},
      {"1abc", ttAtom, 0},
      {"+-", ttAtom, 0},
      {"-inf", ttAtom, 0},
      {"nan", ttAtom, 0},
      {"0x10", ttAtom, 0},
      {"1e", ttAtom, 0},
      {"1e+", ttAtom, 0},
      {"1e400", ttAtom, 0},
      {"-x", ttAtom, 0},
  };
  for (const auto& C : Cases) {
    std::vector<TTok> T = Tokens(C.Word);
    ASSERT_EQ(T.size(), 2u) << C.Word;
    EXPECT_EQ(T[0].Kind, C.Kind) << C.Word;
    if (C.Kind == ttAtom) {
      EXPECT_EQ(T[0].Text, C.Word);
    } else {
      EXPECT_DOUBLE_EQ(T[0].Number, C.Number) << C.Word;
      EXPECT_EQ(T[0].Text, "") << C.Word;
    }
  }
}

TEST(TokenizerTest, EscapesTakeTheNextCharacterLiterally) {
  std::vector<TTok> T = Tokens(R"(x\(y "a\"b\\c\n" \az ab\)");
  ASSERT_EQ(T.size(), 5u);
  EXPECT_EQ(T[0].Kind, ttAtom);
  EXPECT_EQ(T[0].Text, "x(y");
  EXPECT_EQ(T[1].Kind, ttString);
  EXPECT_EQ(T[1].Text, "a\"b\\cn");
  // A word's first character is taken as it is, even a backslash.
  EXPECT_EQ(T[2].Text, "\\az");
  // A backslash at the very end ends the word.
  EXPECT_EQ(T[3].Text, "ab");
}

TEST(TokenizerTest, LoneBlanksGetGeneratedNames) {
  TInferenceEngine* Engine = NewObject<TInferenceEngine>(nullptr);
  TIEClipsStream S("? ? $? ?x", Engine);
  TToken A = S.Next(), B = S.Next(), C = S.Next(), D = S.Next();
  EXPECT_EQ(A.DataType, ttVariable);
  EXPECT_EQ(B.DataType, ttVariable);
  EXPECT_NE(A.Text, B.Text);
  EXPECT_EQ(A.Text.substr(0, 7), "_blank_");
  EXPECT_EQ(B.Text.substr(0, 7), "_blank_");
  EXPECT_EQ(C.DataType, ttMultiVariable);
  EXPECT_EQ(C.Text.substr(0, 8), "_blank_$");
  EXPECT_EQ(D.Text, "x");
  Free(Engine);
}

TEST(TokenizerTest, CountsEachLineBreakOnceAndGivesTokensTheLineTheyEndOn) {
  std::vector<TTok> T = Tokens("a\r\nb\rc\nd");
  ASSERT_EQ(T.size(), 5u);
  for (int I = 0; I < 4; ++I) EXPECT_EQ(T[I].Line, I + 1) << T[I].Text;

  // A string spanning lines carries the line it ends on; CR LF inside it counts once.
  T = Tokens("\"x\r\ny\nz\" w ;c\r\n v");
  EXPECT_EQ(T[0].Line, 3);
  EXPECT_EQ(T[1].Line, 3);
  EXPECT_EQ(T[2].Line, 4);
  EXPECT_EQ(T[3].Line, 4);  // the end
}

TEST(TokenizerTest, UnterminatedStringsAreParseErrors) {
  for (const char* Text : {"\"abc", "(a \"abc\\\"", "\"abc\\"}) {
    TIEClipsStream S(Text);
    try {
      while (S.Next().DataType != ttEOF) {
      }
      ADD_FAILURE() << Text;
    } catch (const EIEParseException& E) {
      EXPECT_EQ(E.Message(), "Invalid string value, string was not terminated");
      EXPECT_EQ(E.LineNumber(), 1);
    }
  }
}

TEST(TokenizerTest, WhitespaceAndCommentsArriveWithTheRightTokens) {
  TIEClipsStream S("  ; first\n(f ;second\r\n ?x \n (g)) ;tail");
  TToken Open = S.Next();
  EXPECT_EQ(S.WhiteSpaceOf(Open), "  ; first\r\n");
  EXPECT_EQ(S.CommentOf(Open), "; first");
  TToken F = S.Next();
  EXPECT_EQ(S.WhiteSpaceOf(F), "");
  TToken X = S.Next();
  EXPECT_EQ(X.DataType, ttVariable);
  EXPECT_EQ(S.WhiteSpaceOf(X), " ;second\r\n ");
  // Whitespace before a variable carries over to the next token, with what follows it.
  TToken G = S.Next();
  EXPECT_EQ(S.WhiteSpaceOf(G), " ;second\r\n  \n ");
  EXPECT_EQ(S.CommentOf(G), ";second");
  S.Next();
  S.Next();
  S.Next();
  TToken End = S.Next();
  EXPECT_EQ(End.DataType, ttEOF);
  EXPECT_EQ(S.WhiteSpaceOf(End), " ;tail\r\n");
}

TEST(TokenizerTest, PutBackHeadAndDepth) {
  TIEClipsStream S("(defrule r) x (=) (?v) (\"s\")");
  EXPECT_EQ(S.Head(), "defrule");
  EXPECT_EQ(S.Depth(), 0);
  TToken T = S.Next();
  EXPECT_EQ(T.DataType, '(');
  EXPECT_EQ(S.Depth(), 1);
  S.PutBack();
  EXPECT_EQ(S.Depth(), 0);
  EXPECT_EQ(S.Next().DataType, '(');
  EXPECT_EQ(S.Next().Text, "defrule");
  EXPECT_EQ(S.Next().Text, "r");
  EXPECT_EQ(S.Next().DataType, ')');
  EXPECT_EQ(S.Depth(), 0);
  EXPECT_EQ(S.Head(), "");  // x is taken
  EXPECT_EQ(S.Current().Text, "x");
  EXPECT_EQ(S.Head(), "=");
  S.MoveToNextConstruct();  // nothing taken: depth 0
  EXPECT_EQ(S.Next().DataType, '(');
  S.MoveToNextConstruct();
  EXPECT_EQ(S.Depth(), 0);
  EXPECT_EQ(S.Head(), "v");
  S.MoveToNextConstruct();
  EXPECT_EQ(S.Next().DataType, '(');
  S.MoveToNextConstruct();
  EXPECT_EQ(S.Head(), "");  // a string is no keyword
}

TEST(TokenizerTest, AStrayCloseDoesNotLowerTheDepth) {
  TIEClipsStream S(") (a (b");
  EXPECT_EQ(S.Next().DataType, ')');
  EXPECT_EQ(S.Depth(), 0);
  S.PutBack();
  EXPECT_EQ(S.Depth(), 0);
  S.Next();
  S.Next();
  S.Next();
  EXPECT_EQ(S.Depth(), 1);
  S.MoveToNextConstruct();  // runs into the end
  EXPECT_EQ(S.Next().DataType, ttEOF);
}

TEST(TokenizerTest, TheConstructTextHoldsTheTokensTakenOneSourceLinePerLine) {
  TIEClipsStream S("(x) (foo \"a b\"\r\n   12.5\n ?v (bar)");
  for (int I = 0; I < 3; ++I) S.Next();
  EXPECT_EQ(S.GetToString(), "( x ) ");
  for (int I = 0; I < 6; ++I) S.Next();
  EXPECT_EQ(S.GetToString(), "( foo \\\"a b\"\\\r\n12.5000\r\n?v ( ");
  S.PutBack();
  EXPECT_EQ(S.GetToString(), "( foo \\\"a b\"\\\r\n12.5000\r\n?v ");
}

TEST(TokenizerTest, ALongConstructKeepsItsFirstAndLastTokensForErrors) {
  std::string Text = "(f";
  for (int I = 0; I < 20000; ++I) Text += " a" + std::to_string(I);
  TIEClipsStream S(Text + ")");
  for (int I = 0; I < 20002; ++I) S.Next();
  std::string Shown = S.GetToString();
  EXPECT_EQ(Shown.substr(0, 10), "( f a0 a1 ");
  EXPECT_EQ(Shown.substr(Shown.size() - 7), "a19999 ");
  S.PutBack();
  S.PutBack();
  EXPECT_EQ(S.Next().Text, "a19998");
}

TEST(TokenizerTest, ClearAndDiscardingTheRestOfALine) {
  TIEClipsStream S("(a b c\r\n d) e");
  S.Next();
  S.Next();
  S.Peek();  // read ahead, then dropped with the rest of the line
  S.DiscardUntilEOL();
  TToken D = S.Next();
  EXPECT_EQ(D.Text, "d");
  EXPECT_EQ(D.LineNumber, 2);
  S.Clear();
  EXPECT_EQ(S.GetToString(), "");
  S.SetLineNumber(10);
  EXPECT_EQ(S.Next().LineNumber, 10);
}

TEST(TokenizerTest, TokenObjectsPrintAndBecomeValues) {
  struct {
    int Kind;
    const char* Text;
    double Number;
    const char* Printed;
    const char* ValuePrinted;
    TIEType ValueType;
  } Cases[] = {
      {ttString, "hi", 0, "\\\"hi\"\\", "\"hi\"", dtString},
      {ttInteger, "", 42, "42", "42", dtInteger},
      {ttFloat, "", 2, "2.0000", "2.0000", dtFloat},
      {ttVariable, "x", 0, "?x", "?x", dtVariable},
      {ttMultiVariable, "y", 0, "$?y", "$?y", dtMultiVariable},
      {ttAtom, "abc", 0, "abc", "abc", dtAtom},
      {'(', "", 0, "(", "\"40\"", dtString},
  };
  for (const auto& C : Cases) {
    IStreamToken T = NewRef<TIEStreamToken>(C.Kind, 1, C.Text, C.Number);
    EXPECT_EQ(T->GetToString(), C.Printed);
    EXPECT_EQ(T->Value()->GetToString(), C.ValuePrinted);
    EXPECT_EQ(T->Value()->DType(), C.ValueType);
  }
  EXPECT_EQ(TokenValue(ttAtom, "TRUE", 0), FCTrue);
  EXPECT_EQ(TokenValue(ttAtom, "FALSE", 0), FCFalse);
  EXPECT_EQ(TokenValue(ttAtom, "NiL", 0), FCNil);
  EXPECT_NE(TokenValue(ttAtom, "true", 0), FCTrue);
  EXPECT_EQ(TokenValue(ttEOF, "EOF", 0), FCEOF);
  TIEContext Context(nullptr, nullptr);
  Context.AddLocalBinding("x", NewInteger(3));
  EXPECT_EQ(TokenValue(ttVariable, "x", 0, &Context)->GetToString(), "3");
  EXPECT_EQ(test::MessageOf([&] { TokenValue(ttVariable, "nope", 0, &Context); }),
            "Unknown variable name: nope");
}

TEST(TokenizerTest, TheObjectFormRoundTripsThroughPutBack) {
  TIEClipsStream S(" ;c\n(a b)");
  IStreamToken Open = S.NextToken();
  EXPECT_EQ(Open->DataType(), '(');
  EXPECT_EQ(Open->WhiteSpace(), " ;c\r\n");
  EXPECT_EQ(Open->LineNumber(), 2);
  S.PutBackToken(Open);
  EXPECT_EQ(S.Depth(), 0);
  EXPECT_EQ(S.NextToken()->DataType(), '(');
  // A token made elsewhere goes in front of what is still to come.
  S.PutBackToken(NewRef<TIEStreamToken>(ttAtom, 2, "z", 0, " "));
  EXPECT_EQ(S.GetCurrentToken()->Text(), "z");
  EXPECT_EQ(S.NextToken()->Text(), "z");
  EXPECT_EQ(S.NextToken()->Text(), "a");
}

}  // namespace
}  // namespace norvale
