// Small helpers the test programs share.
#pragma once

#include <functional>
#include <string>

#include "engine/core/IEConsts.h"

namespace norvale::test {

// The message of the EIEException that F raises, or "<no exception>".
inline std::string MessageOf(const std::function<void()>& F) {
  try {
    F();
  } catch (const EIEException& E) {
    return E.Message();
  }
  return "<no exception>";
}

}  // namespace norvale::test
