#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LanguageFixture.h"
#include "engine/functions/InterpretedFunction.h"
#include "engine/language/IEPrinter.h"

namespace norvale {
namespace {

using PrinterTest = test::LanguageFixture;

TEST_F(PrinterTest, DeffunctionsPrintOneStatementPerIndentedLine) {
  IUserFunction F = Engine->ParseFunction("(deffunction sq (?x) \"square\" (* ?x ?x))");
  EXPECT_EQ(Engine->PrettyPrint(*F),
            "(deffunction sq (?x)\r\n"
            "    \"square\"\r\n"
            "    (* ?x ?x)\r\n"
            ")\r\n");
  F = Engine->ParseFunction(
      "(deffunction f ($?all)\n"
      "  ; first line\n"
      "  ;; second line\n"
      "  (printout t $?all)\n"
      "  $?all)");
  EXPECT_EQ(Engine->PrettyPrint(*F),
            "(deffunction f ($?all)\r\n"
            "    ; first line\r\n"
            "    ;; second line\r\n"
            "    (printout t $?all)\r\n"
            "    $?all\r\n"
            ")\r\n");
}

TEST_F(PrinterTest, GlobalsPrintAsWritten) {
  Engine->Parse("(defglobal ?*x* = 1 ?*y* = (+ 1 2))", true);
  EXPECT_EQ(Engine->PrettyPrintGlobalVariables(), "(defglobal ?*x* = 1 ?*y* = (+ 1 2))");
  EXPECT_EQ(Engine->GlobalVariables().GetToString(), "(defglobal ?*x* = 1 ?*y* = (+ 1 2))");
  EXPECT_EQ(Engine->PrettyPrint("*x*", NewInteger(1)), "?*x* = 1");
  EXPECT_EQ(Engine->PrettyPrint("?v", FCNil), "?v = nil");
  EXPECT_EQ(Engine->PrettyPrint("", FCNil), "");
}

TEST_F(PrinterTest, CallsPrintTheirCommentLinesAndPairs) {
  IFunCall C = Engine->ParseFunCall("(modify ?f (a 1) (b 2 3))");
  EXPECT_EQ(C->GetToString(), "(modify ?f (a 1) (b 2 3))");
  C = NewRef<TFunctionCall>(Engine, "f");
  C->SetComment("one\r\n;two\r\n\r\n  three  ");
  EXPECT_EQ(C->GetToString(), "; one\r\n;two\r\n\r\n; three\r\n(f)");
}

TEST_F(PrinterTest, BuiltInFunctionsPrintAsCommentedDescriptions) {
  auto F = NewRef<test::TLambdaFunction>(
      "twice", [](const std::vector<IIEValue>&, TIEContext*) { return FCNil; });
  F->SetComment("Doubles.\r\nReally.");
  F->SetArgumentString(" <number>");
  EXPECT_EQ(Engine->PrettyPrint(static_cast<const TIEUserFunction&>(*F)),
            ";; twice function\r\n"
            ";;    Doubles.\r\n"
            ";;    Really.\r\n"
            ";;         syntax: (twice <number>)\r\n");
  EXPECT_EQ(Engine->Parser().GetSyntaxStatement(*F), "(twice <number>)");
  F->SetArgumentString("  ");
  EXPECT_EQ(Engine->Parser().GetSyntaxStatement(*F), "(twice)");
}

TEST_F(PrinterTest, ReadBackTextPrintsNilAndEscapesAndLeavesStringsAlone) {
  // Read-back text writes nil where display output shows nothing.
  IFunCall C = Engine->ParseFunCall("(eq ?x nil)");
  EXPECT_EQ(C->GetToString(), "(eq ?x nil)");
  EXPECT_EQ(C->GetArgument(1)->GetToString(), "");
  Engine->Parse("(defglobal ?*o* = nil)", true);
  EXPECT_EQ(Engine->PrettyPrintGlobalVariables(), "(defglobal ?*o* = nil)");

  // Comments and strings with quotes and backslashes are escaped.
  IUserFunction F = Engine->ParseFunction(
      "(deffunction q () \"say \\\"hi\\\" \\\\ there\" (printout t \"a\\\"b\\\\c\"))");
  std::string Printed = Engine->PrettyPrint(*F);
  EXPECT_NE(Printed.find("    \"say \\\"hi\\\" \\\\ there\"\r\n"), std::string::npos) << Printed;
  EXPECT_NE(Printed.find("(printout t \"a\\\"b\\\\c\")"), std::string::npos) << Printed;

  // Characters that would end a word are escaped in atoms and variable names.
  EXPECT_EQ(Engine->ParseFunCall("(f a\\(b ?x\\ y \\c)")->GetToString(), "(f a\\(b ?x\\ y \\c)");

  // A fact inside a call is written as facts read back, not as listings show it.
  IFunCall Assert = Engine->ParseFunCall("(assert (a\\\\b nil \"s\"))");
  EXPECT_EQ(Assert->GetToString(), "(assert (a\\\\b nil \"s\" ))");

  // A string over several lines is not indented, however often it is saved and read.
  std::string Text = "(deffunction m () (printout t \"line 1\r\n  line 2\r\nline 3\"))";
  for (int Round = 0; Round < 3; ++Round) {
    Text = Engine->PrettyPrint(*Engine->ParseFunction(Text));
    EXPECT_NE(Text.find("\"line 1\r\n  line 2\r\nline 3\""), std::string::npos) << Text;
  }
}

// Print, read, print again: the second text must equal the first.
TEST_F(PrinterTest, PrintingAndReadingBackIsAFixedPoint) {
  const char* Corpus[] = {
      "(deffunction sq (?x) \"square\" (* ?x ?x))",
      "(deffunction f \"before\" (?a $?b) \"after\" (printout t ?a crlf) $?b nil)",
      "(deffunction g () (eq ?x nil) (h \"\" \"\\\"\" \"\\\\\"))",
      "(deffunction m ()\n  ; above\n  (f \"multi\nline\r\n  text\" (g ; inner\n (h))))",
      "(deffunction n () ;; a\n\n ;; b\n (f ((0 0) (5 1.5) (?x (g)))))",
      "(deffunction p () (modify ?f (a 1) (b 2 3)) (duplicate (f) (c \"d\")) (modify ?f ?p x))",
      "(deffunction r () (f = & | ~ [ ]) (?v a) (f 12.5 -3 TRUE FALSE))",
      "(deffunction e ())",
      "(deffunction s (?x) \"\" \"first statement\" (g))",
      "(deffunction t () \"first statement\" (g))",
      "(deffunction c \"with \\\"quotes\\\" and \\\\ backslash\" () 1)",
      // Words that hold escaped characters keep them escaped.
      "(deffunction x\\(y (?a\\ b $?c\\;) (f\\\"g a\\)b\\\\ ?a\\ b) \\z)",
  };
  for (const char* Source : Corpus) {
    std::string First = Engine->PrettyPrint(*Engine->ParseFunction(Source));
    std::string Second = Engine->PrettyPrint(*Engine->ParseFunction(First));
    EXPECT_EQ(First, Second) << Source;
  }
  const char* Globals[] = {
      "(defglobal ?*a* = nil ?*b* = \"q\\\"\\\\\" ?*c* = (f nil \"x\ny\") ?*d* = 2.5)",
  };
  for (const char* Source : Globals) {
    Engine->GlobalVariables().Clear();
    Engine->Parse(Source, false);
    std::string First = Engine->PrettyPrintGlobalVariables();
    Engine->GlobalVariables().Clear();
    Engine->Parse(First, false);
    EXPECT_EQ(Engine->PrettyPrintGlobalVariables(), First) << Source;
  }
}

}  // namespace
}  // namespace norvale
