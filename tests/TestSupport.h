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

// Takes (Initial-Fact) out of a new engine's fact base and starts fact IDs at 0 again, for tests
// that count facts and IDs of their own.
template <class TEngine>
TEngine* WithoutInitialFact(TEngine* Engine) {
  Engine->Facts().Clear();
  Engine->SetFactIdCounter(0);
  return Engine;
}

}  // namespace norvale::test
