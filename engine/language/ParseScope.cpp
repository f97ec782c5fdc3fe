#include "engine/language/ParseScope.h"

#include <istream>
#include <iterator>

#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEParser.h"

namespace norvale {

namespace {
TNestingLevel& CheckedLevel(TInferenceEngine& Engine) { return Engine.ParseNesting(); }
}  // namespace

TParseScope::TParseScope(TInferenceEngine& Engine, std::string Text)
    : FGuard(CheckedLevel(Engine)), FEngine(Engine) {
  if (FGuard.Exceeded()) throw EIELimitError(SParsesNestedTooDeeply);
  Install(Engine.NewTokenizer(std::move(Text)));
}

TParseScope::TParseScope(TInferenceEngine& Engine, std::istream& Stream)
    : TParseScope(Engine, std::string(std::istreambuf_iterator<char>(Stream),
                                      std::istreambuf_iterator<char>())) {}

void TParseScope::Install(TIETokenizerStream* Tokens) {
  FTokens = Tokens;
  FParser = &FEngine.Parser();
  FPrevious = FParser->Stream();
  FParser->SetStream(FTokens);
}

TParseScope::~TParseScope() {
  FParser->SetStream(FPrevious);
  Free(FTokens);
}

}  // namespace norvale
