// Intrusive, atomically counted objects and the Ref<T> handle.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace norvale {

// Adds an atomic reference count to a class of the object hierarchy. An object is freed (through
// its BeforeDestruction and virtual destructor) when its last reference goes. Objects marked
// permanent are never counted and never freed.
template <class Base>
class TCountedBase : public Base {
 public:
  using Base::Base;

  void AddRef() const noexcept {
    if (!FPermanent) FRefCount.fetch_add(1, std::memory_order_relaxed);
  }
  void Release() const noexcept {
    if (FPermanent) return;
    if (FRefCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      auto* Self = const_cast<TCountedBase*>(this);
      Self->BeforeDestruction();
      delete Self;
    }
  }
  int32_t RefCount() const noexcept { return FRefCount.load(std::memory_order_relaxed); }
  bool IsPermanent() const noexcept { return FPermanent; }
  // Shared constants: never counted, never freed.
  void MakePermanent() noexcept { FPermanent = true; }

 private:
  mutable std::atomic<int32_t> FRefCount{0};
  bool FPermanent = false;
};

// A counted reference. Copying adds one reference; nil is allowed.
template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  Ref(T* P) noexcept : FPtr(P) {
    if (FPtr) FPtr->AddRef();
  }
  Ref(const Ref& O) noexcept : FPtr(O.FPtr) {
    if (FPtr) FPtr->AddRef();
  }
  Ref(Ref&& O) noexcept : FPtr(O.FPtr) { O.FPtr = nullptr; }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  Ref(const Ref<U>& O) noexcept : FPtr(O.Get()) {
    if (FPtr) FPtr->AddRef();
  }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  Ref(Ref<U>&& O) noexcept : FPtr(O.Detach()) {}
  ~Ref() {
    if (FPtr) FPtr->Release();
  }

  Ref& operator=(const Ref& O) noexcept {
    Reset(O.FPtr);
    return *this;
  }
  Ref& operator=(Ref&& O) noexcept {
    if (this != &O) {
      T* Old = FPtr;
      FPtr = O.FPtr;
      O.FPtr = nullptr;
      if (Old) Old->Release();
    }
    return *this;
  }
  Ref& operator=(std::nullptr_t) noexcept {
    Reset(nullptr);
    return *this;
  }

  void Reset(T* P = nullptr) noexcept {
    if (P) P->AddRef();
    T* Old = FPtr;
    FPtr = P;
    if (Old) Old->Release();
  }
  // Takes over a pointer that already carries one reference for this handle.
  static Ref Adopt(T* P) noexcept {
    Ref R;
    R.FPtr = P;
    return R;
  }
  // Gives up the pointer without releasing it.
  T* Detach() noexcept {
    T* P = FPtr;
    FPtr = nullptr;
    return P;
  }

  T* Get() const noexcept { return FPtr; }
  T* operator->() const noexcept { return FPtr; }
  T& operator*() const noexcept { return *FPtr; }
  explicit operator bool() const noexcept { return FPtr != nullptr; }
  bool operator!() const noexcept { return FPtr == nullptr; }

  template <class U>
  bool operator==(const Ref<U>& O) const noexcept {
    return FPtr == O.Get();
  }
  bool operator==(std::nullptr_t) const noexcept { return FPtr == nullptr; }
  bool operator==(const T* P) const noexcept { return FPtr == P; }

 private:
  T* FPtr = nullptr;
};

// Two-phase construction of a counted object: the constructor, then AfterConstruction, which may
// dispatch to overrides and may hand out references to the object.
template <class T, class... A>
Ref<T> NewRef(A&&... Args) {
  Ref<T> R(new T(std::forward<A>(Args)...));
  R->AfterConstruction();
  return R;
}

// A checked downcast of a counted reference (nil when the object is of another class).
template <class T, class U>
Ref<T> RefCast(const Ref<U>& R) noexcept {
  return Ref<T>(dynamic_cast<T*>(R.Get()));
}

}  // namespace norvale

template <class T>
struct std::hash<norvale::Ref<T>> {
  size_t operator()(const norvale::Ref<T>& R) const noexcept { return std::hash<T*>()(R.Get()); }
};
