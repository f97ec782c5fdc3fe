// Run-time type information: enumeration names, a class registry by name, and published
// properties and events described once per class.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <variant>
#include <vector>

#include "platform/Classes.h"

namespace norvale {

// --- enumerations ---------------------------------------------------------------------------

struct TEnumInfo {
  std::string Name;                // e.g. "TIEType"
  std::vector<std::string> Names;  // value names in ordinal order, e.g. "dtNone", "dtAtom"
  int Count() const { return static_cast<int>(Names.size()); }
  // The name of an ordinal; "" for an ordinal out of range.
  const std::string& NameOf(int Ordinal) const;
  // The ordinal of a name, compared without regard to case; -1 when there is none.
  int OrdinalOf(std::string_view Name) const;
};

// Specialised for each enumeration that has names (NORVALE_ENUM, used in namespace norvale
// itself, not in a nested or unnamed namespace).
template <class E>
struct TEnumTraits {
  static constexpr bool HasInfo = false;
};

#define NORVALE_ENUM(E, ...)                       \
  template <>                                      \
  struct TEnumTraits<E> {                          \
    static constexpr bool HasInfo = true;          \
    static const TEnumInfo& Info() {               \
      static const TEnumInfo I{#E, {__VA_ARGS__}}; \
      return I;                                    \
    }                                              \
  };

template <class E>
const std::string& EnumName(E Value) {
  return TEnumTraits<E>::Info().NameOf(static_cast<int>(Value));
}

// --- published properties -------------------------------------------------------------------

enum TTypeKind {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkBool
};

// A property value read or written by name: ordinals and sets travel as integers.
using TPropValue = std::variant<std::monostate, int64_t, double, bool, std::string, TObject*>;

struct TPropInfo {
  std::string Name;
  TTypeKind Kind = tkUnknown;
  std::string TypeName;             // "Integer", "String", "TIEType", "TNotifyEvent", ...
  const TEnumInfo* Enum = nullptr;  // enumerations and the element type of sets
  std::function<TPropValue(const TObject*)> Get;
  std::function<void(TObject*, const TPropValue&)> Set;  // empty for read-only properties
  bool HasDefault = false;
  TPropValue Default;
  // Events only.
  std::type_index EventType = typeid(void);
  std::function<bool(const TObject*)> EventAssigned;
  std::function<void(TObject*, TObject*)> SwapEvent;  // exchanges the handlers of two objects
  std::function<void(TObject*)> ClearEvent;
  // The event member of an object (a TEvent of type EventType), and the exchange of two such
  // members: lets handlers move between objects of unrelated classes whose events agree in type.
  std::function<void*(TObject*)> EventField;
  void (*SwapEventFields)(void* A, void* B) = nullptr;

  bool ReadOnly() const { return !Set; }
  bool IsEvent() const { return Kind == tkMethod; }
};

struct TClassInfo {
  std::string Name;
  std::type_index Type = typeid(void);
  std::type_index ParentType = typeid(void);
  bool IsComponent = false;
  // Creates an instance: components get the owner, other classes ignore it; a counted object
  // comes back with one reference that the caller adopts. Empty for abstract classes.
  std::function<TObject*(TComponent* Owner)> Factory;
  std::function<bool(const TObject*)> IsInstance;
  std::vector<TPropInfo> OwnProperties;

  const TClassInfo* Parent() const;
  bool InheritsFrom(const TClassInfo* Other) const;
  // Own and inherited properties, the root class's first.
  std::vector<const TPropInfo*> Properties() const;
  const TPropInfo* FindProperty(std::string_view Name) const;
  TObject* Create(TComponent* Owner = nullptr) const;
};

class TClassRegistry {
 public:
  static TClassRegistry& Instance();
  TClassInfo& Add(TClassInfo Info);
  // By name, without regard to case; nil when unknown.
  const TClassInfo* Find(std::string_view Name) const;
  // By name; raises EClassNotFound "Class %s not found" when unknown.
  const TClassInfo& Get(std::string_view Name) const;
  const TClassInfo* Find(std::type_index Type) const;
  // The most derived registered class of an object.
  const TClassInfo* Of(const TObject* Obj) const;
  // Creates an instance of the class registered under Name (EClassNotFound when unknown).
  TObject* Create(std::string_view Name, TComponent* Owner = nullptr) const;

 private:
  std::vector<std::unique_ptr<TClassInfo>> FClasses;
};

// Property access by name (EPropertyError "Unknown property: %s" for an unknown name).
TPropValue GetPropValue(const TObject* Obj, std::string_view Name);
void SetPropValue(TObject* Obj, std::string_view Name, const TPropValue& Value);
std::string PropValueToString(const TPropInfo& Prop, const TPropValue& Value);
TPropValue PropValueFromString(const TPropInfo& Prop, std::string_view Text);

class EPropertyError : public Exception {
 public:
  using Exception::Exception;
};

namespace detail {

template <class T>
struct IsTSet : std::false_type {};
template <class E>
struct IsTSet<TSet<E>> : std::true_type {
  using Element = E;
};

template <class V>
void DescribeKind(TPropInfo& P) {
  using D = std::remove_cvref_t<V>;
  if constexpr (std::is_same_v<D, bool>) {
    P.Kind = tkBool;
    P.TypeName = "Boolean";
  } else if constexpr (std::is_enum_v<D>) {
    P.Kind = tkEnumeration;
    if constexpr (TEnumTraits<D>::HasInfo) {
      P.Enum = &TEnumTraits<D>::Info();
      P.TypeName = P.Enum->Name;
    }
  } else if constexpr (std::is_integral_v<D>) {
    P.Kind = tkInteger;
    P.TypeName = "Integer";
  } else if constexpr (std::is_floating_point_v<D>) {
    P.Kind = tkFloat;
    P.TypeName = sizeof(D) == 4 ? "Single" : "Double";
  } else if constexpr (std::is_same_v<D, std::string>) {
    P.Kind = tkString;
    P.TypeName = "String";
  } else if constexpr (IsTSet<D>::value) {
    P.Kind = tkSet;
    using E = typename IsTSet<D>::Element;
    if constexpr (TEnumTraits<E>::HasInfo) {
      P.Enum = &TEnumTraits<E>::Info();
      P.TypeName = "set of " + P.Enum->Name;
    }
  } else if constexpr (std::is_pointer_v<D> &&
                       std::is_base_of_v<TObject, std::remove_pointer_t<D>>) {
    P.Kind = tkClass;
    P.TypeName = TObject::ClassNameOf(typeid(std::remove_pointer_t<D>));
  } else {
    static_assert(sizeof(D) == 0, "property type has no run-time type information");
  }
}

template <class V>
TPropValue ToPropValue(const V& Value) {
  using D = std::remove_cvref_t<V>;
  if constexpr (std::is_same_v<D, bool>)
    return Value;
  else if constexpr (std::is_enum_v<D>)
    return static_cast<int64_t>(Value);
  else if constexpr (std::is_integral_v<D>)
    return static_cast<int64_t>(Value);
  else if constexpr (std::is_floating_point_v<D>)
    return static_cast<double>(Value);
  else if constexpr (std::is_same_v<D, std::string>)
    return Value;
  else if constexpr (IsTSet<D>::value)
    return static_cast<int64_t>(Value.Bits());
  else
    return static_cast<TObject*>(Value);
}

template <class V>
V FromPropValue(const TPropValue& Value) {
  using D = std::remove_cvref_t<V>;
  auto AsInt = [&]() -> int64_t {
    if (auto* I = std::get_if<int64_t>(&Value)) return *I;
    if (auto* B = std::get_if<bool>(&Value)) return *B;
    if (auto* F = std::get_if<double>(&Value)) return static_cast<int64_t>(*F);
    throw EPropertyError("Invalid property value");
  };
  if constexpr (std::is_same_v<D, bool>) {
    if (auto* B = std::get_if<bool>(&Value)) return *B;
    return AsInt() != 0;
  } else if constexpr (std::is_enum_v<D>)
    return static_cast<D>(AsInt());
  else if constexpr (std::is_integral_v<D>)
    return static_cast<D>(AsInt());
  else if constexpr (std::is_floating_point_v<D>) {
    if (auto* F = std::get_if<double>(&Value)) return static_cast<D>(*F);
    return static_cast<D>(AsInt());
  } else if constexpr (std::is_same_v<D, std::string>) {
    if (auto* S = std::get_if<std::string>(&Value)) return *S;
    throw EPropertyError("Invalid property value");
  } else if constexpr (IsTSet<D>::value)
    return D::FromBits(static_cast<uint64_t>(AsInt()));
  else {
    if (auto* O = std::get_if<TObject*>(&Value)) return dynamic_cast<D>(*O);
    if (std::holds_alternative<std::monostate>(Value)) return nullptr;
    throw EPropertyError("Invalid property value");
  }
}

template <class M>
struct MemberTraits;
template <class C, class R>
struct MemberTraits<R (C::*)() const> {
  using Result = R;
};
template <class C, class R>
struct MemberTraits<R (C::*)() const noexcept> {
  using Result = R;
};

}  // namespace detail

// Describes the published properties and events of class T; see RegisterClass.
template <class T>
class TClassBuilder {
 public:
  explicit TClassBuilder(TClassInfo& Info) : FInfo(Info) {}

  // A read-write property through a getter and a setter.
  template <class G, class S>
  TClassBuilder& Property(const std::string& Name, G Getter, S Setter) {
    using V = std::remove_cvref_t<typename detail::MemberTraits<G>::Result>;
    TPropInfo P = Describe<V>(Name, Getter);
    P.Set = [Setter](TObject* O, const TPropValue& Value) {
      (static_cast<T*>(O)->*Setter)(detail::FromPropValue<V>(Value));
    };
    return Add(std::move(P));
  }
  template <class G, class S, class V>
  TClassBuilder& Property(const std::string& Name, G Getter, S Setter, const V& Default) {
    Property(Name, Getter, Setter);
    FInfo.OwnProperties.back().HasDefault = true;
    FInfo.OwnProperties.back().Default = detail::ToPropValue(
        static_cast<std::remove_cvref_t<typename detail::MemberTraits<G>::Result>>(Default));
    return *this;
  }
  template <class G>
  TClassBuilder& ReadOnly(const std::string& Name, G Getter) {
    using V = std::remove_cvref_t<typename detail::MemberTraits<G>::Result>;
    return Add(Describe<V>(Name, Getter));
  }
  // An event: a public TEvent member of T.
  template <class Ev>
  TClassBuilder& Event(const std::string& Name, Ev T::*Field, const std::string& TypeName) {
    TPropInfo P;
    P.Name = Name;
    P.Kind = tkMethod;
    P.TypeName = TypeName;
    P.EventType = typeid(Ev);
    P.EventAssigned = [Field](const TObject* O) {
      return static_cast<bool>(static_cast<const T*>(O)->*Field);
    };
    P.ClearEvent = [Field](TObject* O) { (static_cast<T*>(O)->*Field).Clear(); };
    P.SwapEvent = [Field](TObject* A, TObject* B) {
      T* TA = dynamic_cast<T*>(A);
      T* TB = dynamic_cast<T*>(B);
      if (TA && TB) (TA->*Field).Swap(TB->*Field);
    };
    P.EventField = [Field](TObject* O) -> void* { return &(static_cast<T*>(O)->*Field); };
    P.SwapEventFields = [](void* A, void* B) { static_cast<Ev*>(A)->Swap(*static_cast<Ev*>(B)); };
    return Add(std::move(P));
  }

  const TClassInfo& Info() const { return FInfo; }

 private:
  template <class V, class G>
  TPropInfo Describe(const std::string& Name, G Getter) {
    TPropInfo P;
    P.Name = Name;
    detail::DescribeKind<V>(P);
    P.Get = [Getter](const TObject* O) -> TPropValue {
      return detail::ToPropValue((static_cast<const T*>(O)->*Getter)());
    };
    return P;
  }
  TClassBuilder& Add(TPropInfo P) {
    FInfo.OwnProperties.push_back(std::move(P));
    return *this;
  }
  TClassInfo& FInfo;
};

// Registers class T (derived from Parent, or a root when Parent is void) under Name. A class
// that can be made from its name needs a constructor taking the owner (components) or no
// arguments (other classes).
template <class T, class Parent = void>
TClassBuilder<T> RegisterClass(const std::string& Name) {
  TClassInfo I;
  I.Name = Name;
  I.Type = typeid(T);
  if constexpr (!std::is_void_v<Parent>) I.ParentType = typeid(Parent);
  I.IsComponent = std::is_base_of_v<TComponent, T>;
  I.IsInstance = [](const TObject* O) { return dynamic_cast<const T*>(O) != nullptr; };
  if constexpr (!std::is_abstract_v<T>) {
    if constexpr (std::is_base_of_v<TComponent, T> && std::is_constructible_v<T, TComponent*>) {
      I.Factory = [](TComponent* Owner) -> TObject* { return NewObject<T>(Owner); };
    } else if constexpr (!std::is_base_of_v<TComponent, T> && std::is_default_constructible_v<T>) {
      I.Factory = [](TComponent*) -> TObject* {
        if constexpr (requires(T * P) { P->AddRef(); }) {
          // A counted object comes back carrying one reference, which the caller adopts.
          Ref<T> R = NewRef<T>();
          return R.Detach();
        } else {
          return NewObject<T>();
        }
      };
    }
  }
  return TClassBuilder<T>(TClassRegistry::Instance().Add(std::move(I)));
}

}  // namespace norvale
