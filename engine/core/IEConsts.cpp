#include "engine/core/IEConsts.h"

namespace norvale {

void RaiseIE(std::string_view Fmt, std::initializer_list<TFormatArg> Args) {
  throw EIEException(Format(Fmt, Args));
}

}  // namespace norvale
