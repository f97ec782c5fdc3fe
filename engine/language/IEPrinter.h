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
  bool FLineStart = false;
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

}  // namespace norvale
