#include "engine/language/IEPrinter.h"

#include <cstring>
#include <functional>

#include "engine/functions/InterpretedFunction.h"

namespace norvale {

// --- TIEWriter ---------------------------------------------------------------------------------

void TIEWriter::Write(std::string_view Text) {
  if (Text.empty()) return;
  if (FLineStart) {
    for (int I = 0; I < FLevel; ++I) FText += IndentString;
    FLineStart = false;
  }
  FText += Text;
}

void TIEWriter::Write(char C) { Write(std::string_view(&C, 1)); }

void TIEWriter::NewLine() {
  FText += NewLineString;
  FLineStart = true;
}

// --- values and calls ----------------------------------------------------------------------------

namespace {

// The items of a list separated by single blanks, the items of nested lists likewise.
void WriteItems(TIEWriter& Writer, const TValueVector& List) {
  bool First = true;
  for (const IIEValue& Item : List.Values()) {
    if (!First) Writer.Write(' ');
    First = false;
    if (Item && Item->DType() == dtList && Item->ListPtr())
      WriteItems(Writer, *Item->ListPtr());
    else
      WriteValue(Writer, Item.Get());
  }
}

// Each line of Text; lines end in CR LF, LF or CR, and a line end at the very end starts no
// further line.
void ForEachLine(std::string_view Text, const std::function<void(std::string_view)>& Line) {
  size_t Start = 0;
  while (Start < Text.size()) {
    size_t End = Text.find_first_of("\r\n", Start);
    if (End == std::string_view::npos) {
      Line(Text.substr(Start));
      return;
    }
    Line(Text.substr(Start, End - Start));
    Start = End + 1;
    if (Text[End] == '\r' && Start < Text.size() && Text[Start] == '\n') ++Start;
  }
}

// A word the tokenizer reads back as the same text: the characters that would end it, and
// backslashes, are escaped. A word's first character is read as it is, so it is never escaped;
// the name of a variable comes after its prefix and is escaped from its start.
void WriteWord(TIEWriter& Writer, std::string_view Text, bool EscapeFirst) {
  size_t Plain = 0;
  for (size_t I = EscapeFirst ? 0 : 1; I < Text.size(); ++I) {
    const unsigned char C = static_cast<unsigned char>(Text[I]);
    if (C > 0x20 && !std::strchr("\"&();<[]|~\\", C)) continue;
    Writer.Write(Text.substr(Plain, I - Plain));
    Writer.Write('\\');
    Plain = I;
  }
  Writer.Write(Text.substr(Plain));
}

}  // namespace

void WriteName(TIEWriter& Writer, std::string_view Name) { WriteWord(Writer, Name, false); }

void WriteValue(TIEWriter& Writer, const TIEValue* Value) {
  if (!Value) {
    Writer.Write("nil");
    return;
  }
  switch (Value->DType()) {
    case dtNone:
      Writer.Write("nil");
      return;
    case dtAtom:
      if (Value->Text().empty())
        Writer.Write("nil");
      else
        WriteWord(Writer, Value->Text(), false);
      return;
    case dtSlot:
    case dtMultiSlot:
      WriteWord(Writer, Value->Text(), false);
      return;
    case dtVariable:
      Writer.Write('?');
      WriteWord(Writer, Value->Text(), true);
      return;
    case dtMultiVariable:
      Writer.Write("$?");
      WriteWord(Writer, Value->Text(), true);
      return;
    case dtString:
      Writer.Write(QuoteString(Value->Text()));
      return;
    case dtFunCall:
      if (const TFunctionCall* C = Value->FunCallPtr()) WriteFunCall(Writer, *C);
      return;
    case dtList:
      if (const TValueVector* L = Value->ListPtr())
        for (const IIEValue& Item : L->Values()) {
          WriteValue(Writer, Item.Get());
          Writer.Write(' ');
        }
      return;
    case dtSingletons:
      if (const TSingletonsVector* S = Value->SingletonsPtr()) WriteSingletons(Writer, *S);
      return;
    case dtFact:
      if (const TFact* F = Value->FactPtr()) WriteFact(Writer, *F);
      return;
    default:
      Writer.Write(Value->GetToString());
      return;
  }
}

void WriteCommentLines(TIEWriter& Writer, const std::string& Comment) {
  ForEachLine(Comment, [&](std::string_view Line) {
    std::string T = Trim(Line);
    if (!T.empty() && T[0] != ';') Writer.Write("; ");
    Writer.Write(T);
    Writer.NewLine();
  });
}

void WriteFunCall(TIEWriter& Writer, const TFunctionCall& FunCall) {
  if (!FunCall.Comment().empty()) WriteCommentLines(Writer, FunCall.Comment());
  Writer.Write('(');
  WriteWord(Writer, FunCall.Name(), false);
  const bool PairStyle = FunCall.Name() == "modify" || FunCall.Name() == "duplicate";
  const std::vector<IIEValue>& Args = FunCall.Arguments();
  for (size_t I = 0; I < Args.size(); ++I) {
    const TIEValue* A = Args[I].Get();
    if (PairStyle && I > 0 && A && A->DType() == dtList && A->ListPtr()) {
      // A slot/value pair; any other argument (a variable holding a pair) is written as it is.
      Writer.Write(" (");
      WriteItems(Writer, *A->ListPtr());
      Writer.Write(')');
    } else {
      Writer.Write(' ');
      WriteValue(Writer, A);
    }
  }
  Writer.Write(')');
}

void WriteSingletons(TIEWriter& Writer, const TSingletonsVector& Singletons) {
  if (Singletons.Count() == 0) return;
  Writer.Write('(');
  for (int I = 0; I < Singletons.Count(); ++I) {
    Writer.Write('(');
    WriteValue(Writer, Singletons.XValues(I).Get());
    Writer.Write(' ');
    WriteValue(Writer, Singletons.YValues(I).Get());
    Writer.Write(") ");
  }
  Writer.Write(')');
}

std::string PrintValue(const TIEValue* Value) {
  TIEWriter W;
  WriteValue(W, Value);
  return W.Take();
}

std::string PrintFunCall(const TFunctionCall& FunCall) {
  TIEWriter W;
  WriteFunCall(W, FunCall);
  return W.Take();
}

std::string PrintSingletons(const TSingletonsVector& Singletons) {
  TIEWriter W;
  WriteSingletons(W, Singletons);
  return W.Take();
}

// --- functions and globals -----------------------------------------------------------------------

std::string PrintInterpretedFunction(const TInterpretedFunction& Function) {
  TIEWriter W;
  W.Write("(deffunction ");
  WriteWord(W, Function.FunctionName(), false);
  W.Write(" (");
  for (int I = 0; I < Function.GetArgumentCount(); ++I) {
    if (I > 0) W.Write(' ');
    WriteValue(W, Function.GetArgument(I).Get());
  }
  W.Write(')');
  W.Indent();
  W.NewLine();
  // A string first in the body would read back as the comment: an empty comment is written then.
  const bool StringFirst = Function.GetStatementCount() > 0 && Function.GetStatement(0) &&
                           Function.GetStatement(0)->DType() == dtString;
  if (!Function.Comment().empty() || StringFirst) {
    W.Write(QuoteString(Function.Comment()));
    W.NewLine();
  }
  for (int I = 0; I < Function.GetStatementCount(); ++I) {
    WriteValue(W, Function.GetStatement(I).Get());
    W.NewLine();
  }
  W.Outdent();
  W.Write(')');
  W.NewLine();
  return W.Take();
}

std::string PrintUserFunction(const TIEUserFunction& Function, const std::string& Synopsis) {
  std::string R = ";; " + Function.FunctionName() + " function" + NewLineString;
  std::string Text;
  if (!Function.Comment().empty()) Text = Function.Comment() + NewLineString;
  Text += "     syntax: " + Synopsis;
  ForEachLine(Text, [&](std::string_view Line) {
    R += ";;";
    R += IndentString;
    R += Line;
    R += NewLineString;
  });
  return R;
}

std::string PrintGlobalVariable(const std::string& Name, const IIEValue& Value) {
  if (Name.empty()) return std::string();
  TIEWriter W;
  W.Write('?');
  WriteWord(W, Name[0] == '?' ? std::string_view(Name).substr(1) : std::string_view(Name), true);
  W.Write(" = ");
  WriteValue(W, Value.Get());
  return W.Take();
}

std::string PrintGlobalVariables(const TValueHashTable& Variables) {
  TIEWriter W;
  W.Write("(defglobal");
  for (const std::string& Name : Variables.Keys()) {
    W.Write(" ?");
    WriteWord(W, Name, true);
    W.Write(" = ");
    WriteValue(W, Variables.Get(Name).Get());
  }
  W.Write(')');
  return W.Take();
}

}  // namespace norvale
