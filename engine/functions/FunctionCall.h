// Function calls: a function name, unevaluated arguments and the engine that finds the function.
#pragma once

#include "engine/core/IEValue.h"

namespace norvale {

class TFunctionCall : public TCloneable {
 public:
  TFunctionCall() = default;
};

}  // namespace norvale
