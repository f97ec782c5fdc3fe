#include "engine/language/IEParser.h"

#include "engine/engine/InferenceEngine.h"

namespace norvale {

TIEParser::TIEParser(TInferenceEngine* Owner, TIETokenizerStream* Stream)
    : FOwner(Owner), FStream(Stream) {}

void TIEParser::Assign(TPersistent* Source) {
  auto* P = dynamic_cast<TIEParser*>(Source);
  if (!P) {
    TPersistent::Assign(Source);
    return;
  }
  if (P == this) return;
  FStream = P->FStream;
  FStrictTemplates = P->FStrictTemplates;
  FStaticTypeChecks = P->FStaticTypeChecks;
  FErrorHandling = P->FErrorHandling;
  FMaxErrors = P->FMaxErrors;
}

void TIEParser::Clear() {
  if (FStream) FStream->Clear();
}

std::string TIEParser::GenerateSymbol(const std::string& Prefix) {
  if (FOwner) return FOwner->GenerateSymbol(Prefix);
  return Prefix;
}

void TIEParser::ClearEvents() {
  OnParse.Clear();
  OnParseFact.Clear();
  OnParseFactSet.Clear();
  OnParseFactTemplate.Clear();
  OnParseFunCall.Clear();
  OnParseFunction.Clear();
  OnParseVariable.Clear();
  OnParsePattern.Clear();
  OnParseRule.Clear();
  OnParseDefinedType.Clear();
  OnParseFuzzySet.Clear();
  OnParseFuzzyVariable.Clear();
  OnParseSingletons.Clear();
}

}  // namespace norvale
