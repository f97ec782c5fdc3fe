// The writer of text meant to be read back by the parser: saved files, the whole-system text,
// listings of constructs and copies between engines. Display output (printout, watch lines, fact
// listings) uses the values' own printed forms instead.
//
// Unlike display output, read-back text prints nil as "nil", and it indents only its own
// structural line breaks, never the line breaks inside a string.
#pragma once

#include <string>
#include <string_view>

#include "engine/core/ValueVector.h"
#include "engine/functions/FunctionCall.h"

namespace norvale {

class TInterpretedFunction;
class TIEDefinedType;
class TFactSlot;
class TFactTemplate;
class TFact;
class TFactSet;
class TIEPattern;
class TRule;

// Text with indentation at structural line breaks. The indentation of a line is written when
// text follows on it, so empty lines stay empty.
class TIEWriter {
 public:
  void Write(std::string_view Text);
  void Write(char C);
  // A line break (CR LF) that starts a line at the current indentation.
  void NewLine();
  void Indent() noexcept { ++FLevel; }
  void Outdent() noexcept {
    if (FLevel > 0) --FLevel;
  }
  const std::string& Text() const noexcept { return FText; }
  std::string Take() { return std::move(FText); }

 private:
  std::string FText;
  int FLevel = 0;
  bool FLineStart = true;
};

// The read-back forms. Values: nil as "nil", strings quoted and escaped, lists as their items each
// followed by a blank, calls and singletons in their language forms.
void WriteValue(TIEWriter& Writer, const TIEValue* Value);
// Comment lines, then "(name args)"; modify and duplicate write their further list arguments as
// slot/value pairs.
void WriteFunCall(TIEWriter& Writer, const TFunctionCall& FunCall);
// A comment of a call or pattern: one line each, "; " in front of a line that is not empty and not
// a comment already, each followed by a line break.
void WriteCommentLines(TIEWriter& Writer, const std::string& Comment);
void WriteSingletons(TIEWriter& Writer, const TSingletonsVector& Singletons);
// A construct or slot name, escaped so that it reads back as one word with the same text.
void WriteName(TIEWriter& Writer, std::string_view Name);

std::string PrintValue(const TIEValue* Value);
std::string PrintFunCall(const TFunctionCall& FunCall);
std::string PrintSingletons(const TSingletonsVector& Singletons);
// "(deffunction name (params)", the comment quoted, each statement, ")": one per line, CR LF after
// each, the comment and statements indented.
std::string PrintInterpretedFunction(const TInterpretedFunction& Function);
// A built-in function described in comment lines: ";; name function", then its comment and
// "     syntax: " + Synopsis, each of those lines after ";;     ".
std::string PrintUserFunction(const TIEUserFunction& Function, const std::string& Synopsis);
// "?name = value" ("?" added unless the name has one); nothing for an empty name.
std::string PrintGlobalVariable(const std::string& Name, const IIEValue& Value);
// "(defglobal ?name = value ...)" in the table's order.
std::string PrintGlobalVariables(const TValueHashTable& Variables);

// The constructs (ConstructPrinter.cpp).
void WriteDefinedType(TIEWriter& Writer, const TIEDefinedType& Type);
void WriteFuzzySet(TIEWriter& Writer, const TIFuzzySet& Set, bool Term);
void WriteFuzzyVariable(TIEWriter& Writer, const TIFuzzyVariable& Variable);
void WriteSlot(TIEWriter& Writer, const TFactSlot& Slot);
void WriteTemplate(TIEWriter& Writer, const TFactTemplate& Template);
// A fact as it reads back: a slot whose value is nil or empty is written unless reading the fact
// without it gives that value again.
void WriteFact(TIEWriter& Writer, const TFact& Fact);
void WriteFactSet(TIEWriter& Writer, TFactSet& FactSet);
void WritePattern(TIEWriter& Writer, const TIEPattern& Pattern);
void WriteRule(TIEWriter& Writer, const TRule& Rule);
// Only the patterns or only the actions of a rule, indented.
void WriteRuleParts(TIEWriter& Writer, const TRule& Rule, TRuleConstruct Part);

std::string PrintSlot(const TFactSlot& Slot);
std::string PrintTemplate(const TFactTemplate& Template);
std::string PrintFact(const TFact& Fact);
std::string PrintFactSet(TFactSet& FactSet);
std::string PrintPattern(const TIEPattern& Pattern);
std::string DefinedTypePrettyPrint(const TIEDefinedType& Type);
std::string FuzzySetPrettyPrint(const TIFuzzySet& Set, bool Term);
std::string FuzzyVariablePrettyPrint(const TIFuzzyVariable& Variable);
std::string RulePrettyPrint(const TRule& Rule);
std::string RulePrettyPrint(const TRule& Rule, TRuleConstruct Part);

}  // namespace norvale
