// The tokenizer swap around every parse: the engine's one parser reads a new text while a scope
// lives, and goes back to the text it was reading before when the scope ends, however it ends.
// So a command that parses (load, batch, assert-string) while a file is being parsed uses the same
// parser, and the outer parse resumes where it was.
#pragma once

#include <iosfwd>
#include <string>

#include "engine/core/NestingGuard.h"

namespace norvale {

class TInferenceEngine;
class TIEParser;
class TIETokenizerStream;

class TParseScope {
 public:
  // Raises EIEException when parses are nested deeper than the engine allows.
  TParseScope(TInferenceEngine& Engine, std::string Text);
  TParseScope(TInferenceEngine& Engine, std::istream& Stream);
  ~TParseScope();
  TParseScope(const TParseScope&) = delete;
  TParseScope& operator=(const TParseScope&) = delete;

  TIEParser& Parser() const noexcept { return *FParser; }
  TIETokenizerStream& Tokens() const noexcept { return *FTokens; }

 private:
  void Install(TIETokenizerStream* Tokens);
  TNestingGuard FGuard;
  TInferenceEngine& FEngine;
  TIEParser* FParser = nullptr;
  TIETokenizerStream* FPrevious = nullptr;
  TIETokenizerStream* FTokens = nullptr;
};

}  // namespace norvale
