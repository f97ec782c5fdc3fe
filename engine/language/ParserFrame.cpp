// The parser's frame: settings, the top-level loop and its two error modes, dispatch by keyword,
// the echo of top-level results, parse errors and construct heads.
#include <algorithm>
#include <functional>

#include "engine/engine/FactSet.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEClipsParser.h"
#include "platform/Restore.h"

namespace norvale {

// --- TSlotFunctions ----------------------------------------------------------------------------

void TSlotFunctions::Add(const std::string& Name, uint32_t Start, uint32_t End) {
  FItems.push_back({Name, (Start & 0xFFFF) | ((End & 0xFFFF) << 16)});
  // The setters keep the pair in order.
  SetEnd(Count() - 1, End & 0xFFFF);
}

int TSlotFunctions::IndexOf(std::string_view Name) const noexcept {
  for (size_t I = 0; I < FItems.size(); ++I)
    if (FItems[I].Name == Name) return static_cast<int>(I);
  return -1;
}

uint32_t TSlotFunctions::End(int Index) const {
  const uint32_t P = FItems.at(Index).Packed;
  return P <= 0xFFFF ? NoEnd : P >> 16;
}

void TSlotFunctions::SetStart(int Index, uint32_t Value) {
  Value &= 0xFFFF;
  uint32_t E = End(Index);
  if (Value > E) E = Value;
  FItems.at(Index).Packed = Value | (E << 16);
}

void TSlotFunctions::SetEnd(int Index, uint32_t Value) {
  Value &= 0xFFFF;
  if (Value == 0) Value = 1;
  uint32_t S = Start(Index);
  if (Value < S) S = Value;
  FItems.at(Index).Packed = S | (Value << 16);
}

bool TSlotFunctions::operator==(const TSlotFunctions& Other) const {
  if (FItems.size() != Other.FItems.size()) return false;
  for (size_t I = 0; I < FItems.size(); ++I)
    if (FItems[I].Name != Other.FItems[I].Name || FItems[I].Packed != Other.FItems[I].Packed)
      return false;
  return true;
}

// --- TIEClipsParser: settings --------------------------------------------------------------------

TIEClipsParser::TIEClipsParser(TInferenceEngine* Owner, TIETokenizerStream* Stream)
    : TIEParser(Owner, Stream) {
  // Their parenthesised arguments are facts ...
  AddSlotFunction("assert", 0, TSlotFunctions::NoEnd);
  AddSlotFunction("fuzzy-assert", 0, TSlotFunctions::NoEnd);
  AddSlotFunction("fuzzy-assert-unconditional", 0, TSlotFunctions::NoEnd);
  // ... and from the second argument on, slot/value pairs.
  AddSlotFunction("modify", 1, TSlotFunctions::NoEnd);
  AddSlotFunction("duplicate", 1, TSlotFunctions::NoEnd);
}

void TIEClipsParser::Assign(TPersistent* Source) {
  TIEParser::Assign(Source);
  if (auto* P = dynamic_cast<TIEClipsParser*>(Source); P && P != this)
    FSlotFunctions = P->FSlotFunctions;
}

std::string TIEClipsParser::GetSyntaxStatement(const TIEUserFunction& Function) {
  std::string Arguments = Trim(Function.ArgumentString());
  if (Arguments.empty()) return "(" + Function.FunctionName() + ")";
  return "(" + Function.FunctionName() + " " + Arguments + ")";
}

std::string TIEClipsParser::GenerateVarName(const std::string& Prefix) {
  return GenerateSymbol(Prefix);
}

TIETokenizerStream& TIEClipsParser::Tokens() {
  if (!FStream) throw EIEParseException("No tokenizer installed in the parser");
  return *FStream;
}

// --- errors --------------------------------------------------------------------------------------

namespace {

// A cut that does not split a character of several bytes.
size_t CharBoundary(const std::string& S, size_t At) {
  while (At > 0 && At < S.size() && (static_cast<unsigned char>(S[At]) & 0xC0) == 0x80) --At;
  return At;
}

std::string ShortenConstruct(std::string Text) {
  if (Text.size() < 256) return Text;
  const size_t Head = CharBoundary(Text, 128);
  const size_t Tail = CharBoundary(Text, Text.size() - 128);
  return Text.substr(0, Head) + "... " + NewLineString + Text.substr(Tail);
}

}  // namespace

void TIEClipsParser::ParseError(const std::string& Method, const std::string& Message) {
  TIETokenizerStream& S = Tokens();
  const int Line = S.Current().LineNumber;
  throw EIEParseException(
      Format(SParseError, {Message, Method, IntToStr(Line), ShortenConstruct(S.GetToString())}),
      Line);
}

void TIEClipsParser::ParseError(const std::string& Method, std::string_view Fmt,
                                std::initializer_list<TFormatArg> Args) {
  ParseError(Method, Format(Fmt, Args));
}

TIEClipsParser::TDepth::TDepth(TIEClipsParser& Parser, const char* Method)
    : FGuard(Parser.FOwner ? Parser.FOwner->ExpressionNesting() : Parser.FLocalNesting) {
  if (FGuard.Exceeded()) Parser.ParseError(Method, SNestedTooDeeply);
}

// --- construct heads -----------------------------------------------------------------------------

void TIEClipsParser::ParseHeader(std::string& Name, std::string& Comment, TToken& Token,
                                 const std::string& ExpectedMessage, const std::string& Method,
                                 const std::string& Keyword, bool ReadComment) {
  TToken T = Next();
  if (!T.Is(ttOpen)) ParseError(Method, ExpectedMessage);
  T = Next();
  if (!T.Is(ttAtom) || T.Text != Keyword) ParseError(Method, ExpectedMessage);
  T = Next();
  if (!T.Is(ttAtom)) ParseError(Method, SMissingName);
  Name = std::string(T.Text);
  Comment.clear();
  if (ReadComment) {
    T = Next();
    if (T.Is(ttString)) {
      Comment = std::string(T.Text);
      T = Next();
    }
  }
  Token = T;
}

// --- the top level -------------------------------------------------------------------------------

TParsedType TIEClipsParser::GetConstructType(const TToken& Token) {
  switch (Token.DataType) {
    case ttEOF:
      if (Token.Text == "EOF") return ptEOF;
      break;
    case ttAtom:
    case ttInteger:
    case ttFloat:
    case ttVariable:
    case ttMultiVariable:
      return ptValue;
    case ttOpen: {
      PutBack();
      const std::string Keyword = Tokens().Head();
      if (Keyword == "defrule") return ptRule;
      if (Keyword == "deffacts") return ptFactSet;
      if (Keyword == "deftemplate") return ptFactTemplate;
      if (Keyword == "deffunction") return ptFunction;
      if (Keyword == "defglobal") return ptGlobals;
      if (Keyword == "deftype") return ptDefType;
      if (Keyword == "EOF") return ptEOF;
      return ptFunCall;
    }
    default:
      break;
  }
  ParseError("GetConstructType", SUnexpectedSymbol, {TokenToString(Token)});
}

bool TIEClipsParser::Parse(bool Execute) {
  if (ErrorHandling() == ehRaiseAllAtEnd) return ParseCollecting(Execute);
  while (ParseExpression(Execute)) {
  }
  return true;
}

bool TIEClipsParser::ParseCollecting(bool Execute) {
  std::vector<std::string> Messages;
  int FirstLine = 0;
  auto Collect = [&](std::string Message, int Line) {
    if (Messages.empty()) FirstLine = Line;
    Messages.push_back(std::move(Message));
  };
  // The exception for what was collected.
  auto Raise = [&]() {
    if (Messages.size() == 1) throw EIEParseException(Messages.front(), FirstLine);
    std::string All;
    for (const std::string& M : Messages) {
      if (!All.empty()) All += NewLineString;
      All += M;
    }
    throw EIEParseException(Format(SMultipleParseError, {All}), FirstLine);
  };
  // Runs Step, collecting the message of what it raises; false when it raised.
  auto Collecting = [&](const auto& Step) -> bool {
    try {
      Step();
      return true;
    } catch (const EAbort&) {
      throw;  // the silent abort passes unchanged
    } catch (const EIELimitError&) {
      throw;  // and so does a passed nesting limit: recovering would only recurse again
    } catch (const EIEParseException& E) {
      Collect(E.Message(), E.LineNumber());
    } catch (const Exception& E) {
      TIETokenizerStream& S = Tokens();
      const int Line = S.Current().LineNumber;
      Collect(Format(SParseError, {E.Message(), "Parse", IntToStr(Line), S.GetToString()}), Line);
    } catch (...) {
      // Not an exception of ours: it ends the parse, in place of what was collected if anything.
      if (!Messages.empty()) Raise();
      throw;
    }
    return false;
  };
  bool More = true;
  while (More) {
    if (Collecting([&] { More = ParseExpression(Execute); })) continue;
    if (static_cast<int>(Messages.size()) > MaxErrors()) break;
    // Recovery: the rest of the broken construct goes.
    Collecting([&] { Tokens().MoveToNextConstruct(); });
    if (static_cast<int>(Messages.size()) > MaxErrors()) break;
  }
  if (!Messages.empty()) Raise();
  return true;
}

bool TIEClipsParser::ParseExpression(bool Execute) {
  TRestore<bool> Executing(FExecuting, Execute);
  TToken Token = Next();
  TParsedType Type = GetConstructType(Token);
  TObject* AObject = nullptr;
  IUnknown AInterface;
  IIEValue Result = HandleConstruct(Type, Token, Execute, AObject, AInterface);
  OnParse(this, Type, AObject, AInterface);
  return Result.Get() != FCEOF.Get();
}

void TIEClipsParser::Echo(const std::function<std::string()>& Text) {
  // No text is made for an echo nobody receives.
  if (FOwner && FOwner->HasConsoleOutput()) FOwner->PrintOut("", Text() + NewLineString);
}

IIEValue TIEClipsParser::HandleConstruct(TParsedType& Type, const TToken& Token, bool Execute,
                                         TObject*& AObject, IUnknown& AInterface) {
  IIEValue Result = FCNil;
  TInferenceEngine* Engine = FOwner;
  switch (Type) {
    case ptValue:
      Result = TokenValue(Token.DataType, Token.Text, Token.Number,
                          Engine ? Engine->GlobalContext() : nullptr);
      break;
    case ptFunCall:
      Result = Execute ? ParseNExecuteFunCall() : NewRef<TIEValue>(ParseFunCall());
      break;
    case ptRule: {
      TRule* Rule = ParseRule();
      AObject = Rule;
      if (Engine) Engine->Rules().Add(Rule);
      Echo([&] { return IntToStr(Rule->RuleNumber()); });
      return Result;
    }
    case ptFactSet: {
      TFactSet* FactSet = ParseFactSet();
      AObject = FactSet;
      if (Engine) {
        FactSet->SetEngineNoParse(Engine);
        Engine->FactSets().Add(FactSet);
      }
      Echo([&] { return IntToStr(FactSet->Count()); });
      return Result;
    }
    case ptFactTemplate: {
      IFactTemplate Template = ParseFactTemplate();
      AInterface = Template;
      if (Engine) Engine->FactTemplates().Add(Template);
      Echo([&] { return Template->GetToString(); });
      return Result;
    }
    case ptFunction: {
      IUserFunction Function = ParseFunction();
      AInterface = Function;
      if (Engine) Engine->UserFunctions().Put(Function->FunctionName(), Function);
      Echo([&] { return Function->FunctionName(); });
      return Result;
    }
    case ptGlobals:
      ParseGlobalVariables();
      return Result;
    case ptDefType: {
      IIEDefinedType DefinedType = ParseDefinedType();
      AInterface = DefinedType;
      if (Engine) Engine->DefinedTypes().Add(DefinedType);
      Echo([&] { return DefinedType->GetToString(); });
      return Result;
    }
    case ptEOF:
      AInterface = FCEOF;
      return FCEOF;
    case ptNone:
      return Result;
  }
  // A value or a call: nil (or nothing) is not echoed.
  if (!Result || Result->Equals(FCNil)) {
    Type = ptNone;
    return FCNil;
  }
  AInterface = Result;
  Echo([&] { return Result->GetToString(); });
  return Result;
}

}  // namespace norvale
