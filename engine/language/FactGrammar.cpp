// The template, fact and fact-set grammar.
#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEClipsParser.h"

namespace norvale {

IFactTemplate TIEClipsParser::ParseFactTemplate() {
  NotAvailable("ParseFactTemplate", "Fact templates");
}

IFact TIEClipsParser::ParseFact() { NotAvailable("ParseFact", "Facts"); }

TFactSet* TIEClipsParser::ParseFactSet() { NotAvailable("ParseFactSet", "Fact sets"); }

bool TIEClipsParser::LoadFacts() {
  if (!FOwner) return false;
  NotAvailable("LoadFacts", "Facts");
}

}  // namespace norvale
