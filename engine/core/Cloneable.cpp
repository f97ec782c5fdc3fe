#include "engine/core/Cloneable.h"

#include "engine/core/IEConsts.h"

namespace norvale {

ICloneable TCloneable::CloneObject() const {
  throw EIEException(Format("%s cannot be cloned", {ClassName()}));
}

void TCloneable::AssignFrom(const TCloneable* Source) { RaiseAssignError(Source, this); }

int32_t TCloneable::GetHashCode() const {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(this));
}

}  // namespace norvale
