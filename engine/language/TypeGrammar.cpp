// The grammar of defined types and fuzzy values.
#include "engine/language/IEClipsParser.h"

namespace norvale {

IIEDefinedType TIEClipsParser::ParseDefinedType() {
  NotAvailable("ParseDefinedType", "Defined types");
}

}  // namespace norvale
