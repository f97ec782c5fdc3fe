// Facts: records of slot values that conform to a fact template.
#pragma once

#include "engine/core/IEValue.h"

namespace norvale {

class TFact : public TCloneable {
 public:
  TFact() = default;
  int32_t ID() const noexcept { return FID; }
  virtual void SetID(int32_t Value) { FID = Value; }

 protected:
  int32_t FID = -1;
};

}  // namespace norvale
