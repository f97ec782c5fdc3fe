// The component framework: objects, persistent objects, components with owners and free
// notification, bit sets and events.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/Exception.h"
#include "platform/Ref.h"

namespace norvale {

// A set of enumeration values, one bit per ordinal (ordinals 0..63).
template <class E>
class TSet {
 public:
  constexpr TSet() noexcept = default;
  constexpr TSet(std::initializer_list<E> Items) noexcept {
    for (E Item : Items) FBits |= Bit(Item);
  }
  static constexpr TSet FromBits(uint64_t Bits) noexcept {
    TSet S;
    S.FBits = Bits;
    return S;
  }
  constexpr uint64_t Bits() const noexcept { return FBits; }
  constexpr bool Contains(E Item) const noexcept {
    return static_cast<unsigned>(Item) < 64 && ((FBits >> static_cast<unsigned>(Item)) & 1u);
  }
  constexpr bool Empty() const noexcept { return FBits == 0; }
  constexpr TSet& Include(E Item) noexcept {
    FBits |= Bit(Item);
    return *this;
  }
  constexpr TSet& Exclude(E Item) noexcept {
    FBits &= ~Bit(Item);
    return *this;
  }
  constexpr TSet operator+(TSet O) const noexcept { return FromBits(FBits | O.FBits); }
  constexpr TSet operator-(TSet O) const noexcept { return FromBits(FBits & ~O.FBits); }
  constexpr TSet operator*(TSet O) const noexcept { return FromBits(FBits & O.FBits); }
  constexpr TSet operator+(E Item) const noexcept { return FromBits(FBits | Bit(Item)); }
  constexpr TSet operator-(E Item) const noexcept { return FromBits(FBits & ~Bit(Item)); }
  constexpr bool operator==(const TSet&) const noexcept = default;
  // True when every member of this set is in O.
  constexpr bool SubsetOf(TSet O) const noexcept { return (FBits & ~O.FBits) == 0; }

 private:
  static constexpr uint64_t Bit(E Item) noexcept {
    return static_cast<unsigned>(Item) < 64 ? (uint64_t{1} << static_cast<unsigned>(Item)) : 0;
  }
  uint64_t FBits = 0;
};

// An optional method reference; calling an unassigned event does nothing.
template <class... Args>
class TEvent {
 public:
  using THandler = std::function<void(Args...)>;
  TEvent() = default;
  TEvent(std::nullptr_t) {}
  template <class F, class = std::enable_if_t<std::is_invocable_v<F&, Args...> &&
                                              !std::is_same_v<std::decay_t<F>, TEvent>>>
  TEvent(F&& Handler) : FHandler(std::forward<F>(Handler)) {}

  explicit operator bool() const noexcept { return static_cast<bool>(FHandler); }
  bool Assigned() const noexcept { return static_cast<bool>(FHandler); }
  void operator()(Args... A) const {
    if (FHandler) FHandler(std::forward<Args>(A)...);
  }
  void Clear() noexcept { FHandler = nullptr; }
  const THandler& Handler() const noexcept { return FHandler; }
  void Swap(TEvent& O) noexcept { FHandler.swap(O.FHandler); }

 private:
  THandler FHandler;
};

class TObject;
class TFiler;
using TNotifyEvent = TEvent<TObject*>;

// Root of the class hierarchy. Construction and destruction are two-phase: NewObject/NewRef call
// AfterConstruction after the constructor (so it can dispatch to overrides), and Free or the last
// Release calls BeforeDestruction before the destructor.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject();

  virtual void AfterConstruction() {}
  virtual void BeforeDestruction() {}

  // The class name without namespace, as the registry and the printed forms use it.
  std::string ClassName() const;
  static std::string ClassNameOf(const std::type_info& Type);
};

// Frees an object that is not counted: BeforeDestruction, then the destructor. Nil is allowed.
void Free(TObject* Obj);
template <class T>
void FreeAndNil(T*& Obj) {
  T* P = Obj;
  Obj = nullptr;
  Free(P);
}

// Two-phase construction of an object that is not counted.
template <class T, class... A>
T* NewObject(A&&... Args) {
  T* P = new T(std::forward<A>(Args)...);
  try {
    P->AfterConstruction();
  } catch (...) {
    Free(P);
    throw;
  }
  return P;
}

using TInterfacedObject = TCountedBase<TObject>;

// An object that can copy itself from and to other persistent objects.
class TPersistent : public TObject {
 public:
  // Copies Source into this object; the default asks Source to AssignTo this one.
  virtual void Assign(TPersistent* Source);
  // Copies this object into Dest; the default raises the assignment error.
  virtual void AssignTo(TPersistent* Dest);
  // Declares the data that component streaming stores for this object beside its published
  // properties, one TFiler::DefineProperty per item (platform/Streaming.h); the default declares
  // none. Writing and reading both call it.
  virtual void DefineProperties(TFiler& Filer);
};

class TInterfacedPersistent : public TCountedBase<TPersistent> {};
// A reference to any counted persistent object, where the design passes an untyped interface.
using IUnknown = Ref<TInterfacedPersistent>;

enum TOperation { opInsert, opRemove };
enum TComponentStateItem { csLoading, csReading, csWriting, csDestroying, csDesigning, csUpdating };
using TComponentState = TSet<TComponentStateItem>;

// A component: owned by another component, which frees it (last-first) when it is freed itself.
// References between components are plain pointers kept safe by free notification: a component
// registered with FreeNotification is told by Notification(Component, opRemove) that the
// component is going away.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* Owner);
  ~TComponent() override;
  void BeforeDestruction() override;

  TComponent* Owner() const noexcept { return FOwner; }
  const std::string& Name() const noexcept { return FName; }
  virtual void SetName(const std::string& Value);

  int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const;
  int ComponentIndex() const;
  TComponent* FindComponent(const std::string& Name) const;

  void InsertComponent(TComponent* Component);
  void RemoveComponent(TComponent* Component);
  void DestroyComponents();

  // Asks Component to tell this one (and this one to tell Component) when it is freed.
  void FreeNotification(TComponent* Component);
  void RemoveFreeNotification(TComponent* Component);

  TComponentState ComponentState() const noexcept { return FState; }
  bool Destroying() const noexcept { return FState.Contains(csDestroying); }
  bool Designing() const noexcept { return FState.Contains(csDesigning); }
  void SetDesigning(bool Value, bool Children = true);
  void SetLoading(bool Value);

  // Called when the framework has finished reading this component from a stream.
  virtual void Loaded();

 protected:
  // Told of components inserted into or removed from the owner and of freed components.
  virtual void Notification(TComponent* Component, TOperation Operation);
  void MarkDestroying();
  // Whether the owner passes on to this component the news of its other components coming and
  // going (on by default). A kind of component that an owner holds by the thousand and that
  // watches what it needs with FreeNotification turns it off, so that adding and removing one of
  // them does not cost a call on each of the others.
  void SetSiblingNotifications(bool Value);

 private:
  friend class TComponentAccess;
  void NotifyFreeNotifies();
  void Insert(TComponent* C);
  void Remove(TComponent* C);

  TComponent* FOwner = nullptr;
  std::string FName;
  std::vector<TComponent*> FComponents;
  // The owned components that are told of their siblings, and a count of removals from it that
  // tells a notification in progress whether its snapshot is still current.
  std::vector<TComponent*> FListeners;
  uint64_t FListenerRemovals = 0;
  bool FSiblingNotifications = true;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FState;
  // The teardown of BeforeDestruction has run (csDestroying alone also marks the components of
  // an owner that is going, before their own teardown).
  bool FTornDown = false;
};

// Lets code outside a component deliver a notification to it (the framework's own channel).
class TComponentAccess {
 public:
  static void Notify(TComponent* Target, TComponent* Component, TOperation Operation) {
    Target->Notification(Component, Operation);
  }
};

}  // namespace norvale
