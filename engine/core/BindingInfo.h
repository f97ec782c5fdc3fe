// A compiled variable reference: which fact of a partial match, which slot, which field.
#pragma once

#include <string>

#include "engine/core/IEConsts.h"

namespace norvale {

class TBindingInfo : public TPersistent {
 public:
  TBindingInfo() = default;
  TBindingInfo(int FactIndex, std::string SlotIndex, int SubIndex)
      : FSubIndex(SubIndex), FFactIndex(FactIndex), FSlotIndex(std::move(SlotIndex)) {}

  int SubIndex() const noexcept { return FSubIndex; }
  void SetSubIndex(int Value) noexcept { FSubIndex = Value; }
  int FactIndex() const noexcept { return FFactIndex; }
  void SetFactIndex(int Value) noexcept { FFactIndex = Value; }
  const std::string& SlotIndex() const noexcept { return FSlotIndex; }
  void SetSlotIndex(const std::string& Value) { FSlotIndex = Value; }

  void Assign(TPersistent* Source) override;
  // Same class family, fact index, slot name (case-sensitive) and sub-index.
  virtual bool Equals(const TBindingInfo* Other) const;
  // "FactIdx=0 SlotIdx=colour", then " SubIdx=2" for a field of a multislot.
  virtual std::string ToString() const;

 private:
  int FSubIndex = NoSubIndex;
  int FFactIndex = 0;
  std::string FSlotIndex;
};

}  // namespace norvale
