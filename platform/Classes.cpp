#include "platform/Classes.h"

#include <algorithm>
#include <cctype>
#include <cxxabi.h>
#include <memory>

#include "platform/Format.h"

namespace norvale {

const char* const SAssignError = "Cannot assign a %s to a %s";

Exception::~Exception() = default;

std::string AssignErrorMessage(const TPersistent* Source, const TPersistent* Dest) {
  return Format(SAssignError, {Source ? Source->ClassName() : std::string("nil"),
                               Dest ? Dest->ClassName() : std::string("nil")});
}

void RaiseAssignError(const TPersistent* Source, const TPersistent* Dest) {
  throw EConvertError(AssignErrorMessage(Source, Dest));
}

TObject::~TObject() = default;

std::string TObject::ClassNameOf(const std::type_info& Type) {
  int Status = 0;
  std::unique_ptr<char, void (*)(void*)> Demangled(
      abi::__cxa_demangle(Type.name(), nullptr, nullptr, &Status), std::free);
  std::string Name = (Status == 0 && Demangled) ? Demangled.get() : Type.name();
  // Strip namespaces and template arguments' namespaces of the outer name.
  size_t Angle = Name.find('<');
  size_t Colon = Name.rfind("::", Angle == std::string::npos ? std::string::npos : Angle);
  if (Colon != std::string::npos) Name = Name.substr(Colon + 2);
  return Name;
}

std::string TObject::ClassName() const { return ClassNameOf(typeid(*this)); }

void Free(TObject* Obj) {
  if (!Obj) return;
  Obj->BeforeDestruction();
  delete Obj;
}

void TPersistent::Assign(TPersistent* Source) {
  if (Source)
    Source->AssignTo(this);
  else
    RaiseAssignError(nullptr, this);
}

void TPersistent::AssignTo(TPersistent* Dest) { RaiseAssignError(this, Dest); }

void TPersistent::DefineProperties(TFiler&) {}

// --- TComponent -----------------------------------------------------------------------------

TComponent::TComponent(TComponent* Owner) {
  if (Owner) Owner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Normally BeforeDestruction did all of this while the object was still whole; a component
  // deleted directly gets the same treatment here.
  if (!FTornDown) {
    FTornDown = true;
    MarkDestroying();
    NotifyFreeNotifies();
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
  }
  // Drop links that were made after BeforeDestruction.
  while (!FFreeNotifies.empty()) {
    TComponent* C = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& L = C->FFreeNotifies;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
  }
  DestroyComponents();
  if (FOwner) FOwner->Remove(this);
}

void TComponent::BeforeDestruction() {
  if (FTornDown) return;
  FTornDown = true;
  MarkDestroying();
  NotifyFreeNotifies();
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::MarkDestroying() {
  FState.Include(csDestroying);
  for (TComponent* C : FComponents) C->MarkDestroying();
}

void TComponent::NotifyFreeNotifies() {
  while (!FFreeNotifies.empty()) {
    TComponent* C = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& L = C->FFreeNotifies;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
    C->Notification(this, opRemove);
  }
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FComponents[Index];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto& L = FOwner->FComponents;
  auto It = std::find(L.begin(), L.end(), this);
  return It == L.end() ? -1 : static_cast<int>(It - L.begin());
}

TComponent* TComponent::FindComponent(const std::string& Name) const {
  if (Name.empty()) return nullptr;
  for (TComponent* C : FComponents)
    if (SameText(C->FName, Name)) return C;
  return nullptr;
}

namespace {
bool IsValidIdent(const std::string& S) {
  if (S.empty()) return false;
  if (!(std::isalpha(static_cast<unsigned char>(S[0])) || S[0] == '_')) return false;
  for (char C : S)
    if (!(std::isalnum(static_cast<unsigned char>(C)) || C == '_')) return false;
  return true;
}
}  // namespace

void TComponent::SetName(const std::string& Value) {
  if (FName == Value) return;
  if (!Value.empty() && !IsValidIdent(Value))
    throw EComponentError(Format("''%s'' is not a valid component name", {Value}));
  if (FOwner && !Value.empty()) {
    TComponent* Other = FOwner->FindComponent(Value);
    if (Other && Other != this)
      throw EComponentError(Format("A component named %s already exists", {Value}));
  }
  FName = Value;
}

void TComponent::Insert(TComponent* C) {
  FComponents.push_back(C);
  if (C->FSiblingNotifications) FListeners.push_back(C);
  C->FOwner = this;
}

namespace {
// Erases C from L, searching from the end: components mostly go in the reverse of their coming.
bool EraseFromBack(std::vector<TComponent*>& L, TComponent* C) {
  auto It = std::find(L.rbegin(), L.rend(), C);
  if (It == L.rend()) return false;
  L.erase(std::next(It).base());
  return true;
}
}  // namespace

void TComponent::Remove(TComponent* C) {
  EraseFromBack(FComponents, C);
  if (EraseFromBack(FListeners, C)) ++FListenerRemovals;
  C->FOwner = nullptr;
}

void TComponent::SetSiblingNotifications(bool Value) {
  if (Value == FSiblingNotifications) return;
  FSiblingNotifications = Value;
  if (!FOwner) return;
  if (Value) {
    FOwner->FListeners.push_back(this);
  } else if (EraseFromBack(FOwner->FListeners, this)) {
    ++FOwner->FListenerRemovals;
  }
}

void TComponent::InsertComponent(TComponent* Component) {
  if (!Component || Component->FOwner == this) return;
  if (!Component->FName.empty() && FindComponent(Component->FName))
    throw EComponentError(Format("A component named %s already exists", {Component->FName}));
  if (Component->FOwner) Component->FOwner->RemoveComponent(Component);
  Insert(Component);
  if (FState.Contains(csDesigning)) Component->SetDesigning(true);
  Notification(Component, opInsert);
}

void TComponent::RemoveComponent(TComponent* Component) {
  if (!Component || Component->FOwner != this) return;
  Notification(Component, opRemove);
  Remove(Component);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* C = FComponents.back();
    Remove(C);
    Free(C);
  }
}

void TComponent::FreeNotification(TComponent* Component) {
  if (!Component || Component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), Component) == FFreeNotifies.end())
    FFreeNotifies.push_back(Component);
  auto& L = Component->FFreeNotifies;
  if (std::find(L.begin(), L.end(), this) == L.end()) L.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* Component) {
  if (!Component) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), Component),
                      FFreeNotifies.end());
  auto& L = Component->FFreeNotifies;
  L.erase(std::remove(L.begin(), L.end(), this), L.end());
}

void TComponent::Notification(TComponent* Component, TOperation Operation) {
  if (Operation == opRemove && Component) RemoveFreeNotification(Component);
  if (FListeners.empty()) return;
  // Pass the news on to owned components; copy first, a handler may free siblings. A sibling
  // gone meanwhile is skipped: only after a removal is it worth looking each one up.
  std::vector<TComponent*> Snapshot = FListeners;
  const uint64_t Removals = FListenerRemovals;
  for (TComponent* C : Snapshot) {
    if (C == Component) continue;
    if (FListenerRemovals != Removals &&
        std::find(FListeners.begin(), FListeners.end(), C) == FListeners.end())
      continue;
    C->Notification(Component, Operation);
  }
}

void TComponent::SetDesigning(bool Value, bool Children) {
  if (Value)
    FState.Include(csDesigning);
  else
    FState.Exclude(csDesigning);
  if (Children)
    for (TComponent* C : FComponents) C->SetDesigning(Value, true);
}

void TComponent::SetLoading(bool Value) {
  if (Value)
    FState.Include(csLoading);
  else
    FState.Exclude(csLoading);
}

void TComponent::Loaded() { FState.Exclude(csLoading); }

}  // namespace norvale
