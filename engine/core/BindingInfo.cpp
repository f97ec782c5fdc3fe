#include "engine/core/BindingInfo.h"

namespace norvale {

void TBindingInfo::Assign(TPersistent* Source) {
  if (auto* B = dynamic_cast<TBindingInfo*>(Source)) {
    FSubIndex = B->FSubIndex;
    FFactIndex = B->FFactIndex;
    FSlotIndex = B->FSlotIndex;
    return;
  }
  TPersistent::Assign(Source);
}

bool TBindingInfo::Equals(const TBindingInfo* Other) const {
  return Other && FFactIndex == Other->FFactIndex && FSlotIndex == Other->FSlotIndex &&
         FSubIndex == Other->FSubIndex;
}

std::string TBindingInfo::ToString() const {
  std::string R = "FactIdx=" + std::to_string(FFactIndex) + " SlotIdx=" + FSlotIndex;
  if (FSubIndex != NoSubIndex) R += " SubIdx=" + std::to_string(FSubIndex);
  return R;
}

namespace {
const bool Registered =
    (RegisterClass<TBindingInfo, TPersistent>("TBindingInfo")
         .Property("SubIndex", &TBindingInfo::SubIndex, &TBindingInfo::SetSubIndex)
         .Property("FactIndex", &TBindingInfo::FactIndex, &TBindingInfo::SetFactIndex)
         .Property("SlotIndex", &TBindingInfo::SlotIndex, &TBindingInfo::SetSlotIndex),
     true);
}  // namespace

}  // namespace norvale
