// The engine's side of the knowledge language: its parser, the parse entry points (each inside a
// TParseScope) and printing, which goes through the parser's writer.
#include <istream>

#include "engine/engine/InferenceEngine.h"
#include "engine/functions/InterpretedFunction.h"
#include "engine/language/IEClipsParser.h"
#include "engine/language/ParseScope.h"
#include "engine/rete/IEContext.h"

namespace norvale {

// --- the parser and its settings -----------------------------------------------------------------

TIEParser* TInferenceEngine::NewParser() { return NewObject<TIEClipsParser>(this, nullptr); }

TIETokenizerStream* TInferenceEngine::NewTokenizer(std::string Text) {
  return NewObject<TIEClipsStream>(std::move(Text), this);
}

void TInferenceEngine::SetParserErrorHandling(TErrorHandling Value) noexcept {
  FParserErrorHandling = Value;
  if (FParser) FParser->SetErrorHandling(Value);
}

void TInferenceEngine::SetParserMaxErrors(int Value) noexcept {
  FParserMaxErrors = Value;
  if (FParser) FParser->SetMaxErrors(Value);
}

void TInferenceEngine::SetTypeChecks(TTypeChecks Value) noexcept {
  FTypeChecks = Value;
  if (FParser) FParser->SetStaticTypeChecks(Value.Contains(tcStatic));
}

// --- parse entry points --------------------------------------------------------------------------

namespace {
// Op run on the engine's parser reading Text.
template <class TOp>
auto ParseText(TInferenceEngine& Engine, std::string Text, TOp Op) {
  TParseScope Scope(Engine, std::move(Text));
  return Op(Scope.Parser());
}
}  // namespace

bool TInferenceEngine::Parse(const std::string& Text, bool Execute) {
  TParseScope Scope(*this, Text);
  return Scope.Parser().Parse(Execute);
}

bool TInferenceEngine::Parse(std::istream& Stream, bool Execute) {
  TParseScope Scope(*this, Stream);
  return Scope.Parser().Parse(Execute);
}

IIEValue TInferenceEngine::Parse(const std::string& Text, TIEType ValueType) {
  switch (ValueType) {
    case dtNone:
      return NewRef<TIEValue>();
    case dtAtom:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return NewRef<TIEValue>(Text, ValueType);
    case dtString: {
      // One pair of quotes comes off and escapes are resolved, as the tokenizer reads a string.
      size_t I = !Text.empty() && Text.front() == '"' ? 1 : 0;
      std::string S;
      S.reserve(Text.size());
      for (; I < Text.size(); ++I) {
        if (Text[I] == '\\' && I + 1 < Text.size())
          ++I;
        else if (Text[I] == '"' && I + 1 == Text.size())
          break;
        S += Text[I];
      }
      return NewString(std::move(S));
    }
    case dtInteger:
      return NewInteger(StrToInt(Text));
    case dtFactId:
      return norvale::NewFactId(StrToInt(Text));
    case dtFloat:
      return NewFloat(StrToFloat(Text));
    case dtFunCall:
      return NewRef<TIEValue>(ParseFunCall(Text));
    case dtFact:
      return NewRef<TIEValue>(ParseFactText(Text));
    case dtList: {
      IIEValue V = ParseValue(Text);
      return V ? V : FCNil;
    }
    default:
      break;
  }
  if (static_cast<unsigned>(ValueType) <= static_cast<unsigned>(dtMultiSlot))
    RaiseIE(SParseTypeError, {GetIETypeName(ValueType)});
  RaiseIE(SParseTypeError, {"Unknown Type (" + IntToStr(static_cast<int>(ValueType)) + ")"});
}

IFunCall TInferenceEngine::ParseFunCall(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseFunCall(); });
}

IIEValue TInferenceEngine::ParseNExecuteFunCall(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseNExecuteFunCall(); });
}

IIEValue TInferenceEngine::ParseValue(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseValue(); });
}

IIEValue TInferenceEngine::ParseValue(const std::string& Text, const IFactSlot& Slot) {
  return ParseText(*this, Text, [&](TIEParser& P) { return P.ParseValue(Slot); });
}

IIEValue TInferenceEngine::ParseValue(const std::string& Text, TIETypes Types,
                                      const IIEDefinedType& DefinedType) {
  return ParseText(*this, Text, [&](TIEParser& P) { return P.ParseValue(Types, DefinedType); });
}

IValueVector TInferenceEngine::ParseList(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseList(); });
}

TRule* TInferenceEngine::ParseRule(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseRule(); });
}

IUserFunction TInferenceEngine::ParseFunction(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseFunction(); });
}

bool TInferenceEngine::ParseGlobalVariables(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseGlobalVariables(); });
}

IIEValue TInferenceEngine::ParseVariable(const std::string& Text, std::string& Name) {
  return ParseText(*this, Text, [&](TIEParser& P) { return P.ParseVariable(Name); });
}

IIEValue TInferenceEngine::ParseNamedValue(const std::string& Text, std::string& Name) {
  return ParseText(*this, Text, [&](TIEParser& P) { return P.ParseNamedValue(Name); });
}

int TInferenceEngine::Assert(const std::string& Text) {
  IFact Fact = ParseFactText(Text);
  FGlobalContext->Resolve(Fact);
  return Assert(Fact, false);
}

void TInferenceEngine::Retract(const std::string& Text) {
  IFact Fact = ParseFactText(Text);
  FGlobalContext->Resolve(Fact);
  Retract(Fact);
}

ISingletonsVector TInferenceEngine::ParseSingletons(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseSingletons(); });
}

IFact TInferenceEngine::ParseFactText(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseFact(); });
}

IFactSlot TInferenceEngine::ParseFactSlotText(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseFactTemplateSlot(); });
}

IFactTemplate TInferenceEngine::ParseFactTemplate(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseFactTemplate(); });
}

TFactSet* TInferenceEngine::ParseFactSet(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseFactSet(); });
}

IFuzzySet TInferenceEngine::ParseFuzzySet(TIFuzzyVariable* Variable, const std::string& Text) {
  return ParseText(*this, Text,
                   [&](TIEParser& P) { return P.ParseFuzzySet(IFuzzyVariable(Variable)); });
}

IFuzzyVariable TInferenceEngine::ParseFuzzyVariable(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseFuzzyVariable(); });
}

IIEDefinedType TInferenceEngine::ParseDefinedType(const std::string& Text) {
  return ParseText(*this, Text, [](TIEParser& P) { return P.ParseDefinedType(); });
}

// --- printing ------------------------------------------------------------------------------------

std::string TInferenceEngine::PrettyPrint(const TFunctionCall& FunCall) {
  return FParser->PrettyPrint(FunCall);
}
std::string TInferenceEngine::PrettyPrint(const TFact& Fact) { return FParser->PrettyPrint(Fact); }
std::string TInferenceEngine::PrettyPrint(const TIEUserFunction& Function) {
  return FParser->PrettyPrint(Function);
}
std::string TInferenceEngine::PrettyPrint(const TInterpretedFunction& Function) {
  return FParser->PrettyPrint(Function);
}
std::string TInferenceEngine::PrettyPrint(const TIEDefinedType& Type) {
  return FParser->PrettyPrint(Type);
}
std::string TInferenceEngine::PrettyPrint(const TRule& Rule) { return FParser->PrettyPrint(Rule); }
std::string TInferenceEngine::PrettyPrint(const TIEValue& Value) {
  return FParser->PrettyPrint(Value);
}
std::string TInferenceEngine::PrettyPrint(const std::string& VarName, const IIEValue& Value) {
  return FParser->PrettyPrint(VarName, Value);
}
std::string TInferenceEngine::PrettyPrint(const TSingletonsVector* Singletons) {
  return Singletons ? FParser->PrettyPrint(*Singletons) : std::string();
}
std::string TInferenceEngine::PrettyPrint(const TIFuzzySet* Set, bool Term) {
  return Set ? FParser->PrettyPrint(*Set, Term) : std::string();
}
std::string TInferenceEngine::PrettyPrint(const TIFuzzyVariable* Variable) {
  return Variable ? FParser->PrettyPrint(*Variable) : std::string();
}

std::string TInferenceEngine::PrettyPrintGlobalVariables() {
  if (FGlobalVariables->Count() == 0) return std::string();
  return FParser->PrettyPrint(*FGlobalVariables);
}

}  // namespace norvale
