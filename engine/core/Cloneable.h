// The common base of the engine's counted objects.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Classes.h"

namespace norvale {

class TCloneable;
using ICloneable = Ref<TCloneable>;

// A counted, persistent object that can be copied, compared and printed, and that carries an
// integer Tag for the host's use.
class TCloneable : public TInterfacedPersistent {
 public:
  int32_t Tag() const noexcept { return FTag; }
  virtual void SetTag(int32_t Value) { FTag = Value; }

  // A new object equal to this one.
  virtual ICloneable CloneObject() const;
  // The interface form of Assign: copies Source into this object (the default raises the
  // assignment error).
  virtual void AssignFrom(const TCloneable* Source);
  virtual bool Equals(const TCloneable* Other) const { return Other == this; }
  virtual int32_t GetHashCode() const;
  virtual std::string GetToString() const { return {}; }
  std::string ToString() const { return GetToString(); }

 protected:
  int32_t FTag = 0;
};

}  // namespace norvale
