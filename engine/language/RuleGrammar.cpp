// The rule grammar.
#include "engine/language/IEClipsParser.h"

namespace norvale {

TRule* TIEClipsParser::ParseRule() { NotAvailable("ParseRule", "Rules"); }

}  // namespace norvale
