#include "platform/TypeInfo.h"

#include <algorithm>
#include <memory>

#include "platform/Format.h"

namespace norvale {

const std::string& TEnumInfo::NameOf(int Ordinal) const {
  static const std::string Empty;
  return Ordinal >= 0 && Ordinal < Count() ? Names[Ordinal] : Empty;
}

int TEnumInfo::OrdinalOf(std::string_view Name) const {
  for (int I = 0; I < Count(); ++I)
    if (SameText(Names[I], Name)) return I;
  return -1;
}

const TClassInfo* TClassInfo::Parent() const {
  if (ParentType == typeid(void)) return nullptr;
  return TClassRegistry::Instance().Find(ParentType);
}

bool TClassInfo::InheritsFrom(const TClassInfo* Other) const {
  for (const TClassInfo* C = this; C; C = C->Parent())
    if (C == Other) return true;
  return false;
}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
  std::vector<const TClassInfo*> Chain;
  for (const TClassInfo* C = this; C; C = C->Parent()) Chain.push_back(C);
  std::vector<const TPropInfo*> R;
  for (auto It = Chain.rbegin(); It != Chain.rend(); ++It)
    for (const TPropInfo& P : (*It)->OwnProperties) {
      // A redeclared property replaces the inherited one in place.
      auto Same = std::find_if(R.begin(), R.end(),
                               [&](const TPropInfo* Q) { return SameText(Q->Name, P.Name); });
      if (Same != R.end())
        *Same = &P;
      else
        R.push_back(&P);
    }
  return R;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view Name) const {
  for (const TClassInfo* C = this; C; C = C->Parent())
    for (const TPropInfo& P : C->OwnProperties)
      if (SameText(P.Name, Name)) return &P;
  return nullptr;
}

TObject* TClassInfo::Create(TComponent* Owner) const {
  if (!Factory)
    throw EClassNotFound(Format("Cannot create an instance of abstract class %s", {Name}));
  return Factory(Owner);
}

TClassRegistry& TClassRegistry::Instance() {
  static TClassRegistry R;
  return R;
}

TClassInfo& TClassRegistry::Add(TClassInfo Info) {
  for (auto& C : FClasses)
    if (C->Type == Info.Type) {
      *C = std::move(Info);
      return *C;
    }
  FClasses.push_back(std::make_unique<TClassInfo>(std::move(Info)));
  return *FClasses.back();
}

const TClassInfo* TClassRegistry::Find(std::string_view Name) const {
  for (auto& C : FClasses)
    if (SameText(C->Name, Name)) return C.get();
  return nullptr;
}

const TClassInfo& TClassRegistry::Get(std::string_view Name) const {
  const TClassInfo* C = Find(Name);
  if (!C) throw EClassNotFound(Format("Class %s not found", {Name}));
  return *C;
}

const TClassInfo* TClassRegistry::Find(std::type_index Type) const {
  for (auto& C : FClasses)
    if (C->Type == Type) return C.get();
  return nullptr;
}

const TClassInfo* TClassRegistry::Of(const TObject* Obj) const {
  if (!Obj) return nullptr;
  if (const TClassInfo* Exact = Find(std::type_index(typeid(*Obj)))) return Exact;
  // Not registered itself: the deepest registered class it derives from.
  const TClassInfo* Best = nullptr;
  int BestDepth = -1;
  for (auto& C : FClasses) {
    if (!C->IsInstance || !C->IsInstance(Obj)) continue;
    int Depth = 0;
    for (const TClassInfo* P = C->Parent(); P; P = P->Parent()) ++Depth;
    if (Depth > BestDepth) Best = C.get(), BestDepth = Depth;
  }
  return Best;
}

TObject* TClassRegistry::Create(std::string_view Name, TComponent* Owner) const {
  return Get(Name).Create(Owner);
}

namespace {
const TPropInfo& PropOf(const TObject* Obj, std::string_view Name) {
  const TClassInfo* C = TClassRegistry::Instance().Of(Obj);
  const TPropInfo* P = C ? C->FindProperty(Name) : nullptr;
  if (!P || P->IsEvent()) throw EPropertyError(Format("Unknown property: %s", {Name}));
  return *P;
}
}  // namespace

TPropValue GetPropValue(const TObject* Obj, std::string_view Name) {
  return PropOf(Obj, Name).Get(Obj);
}

void SetPropValue(TObject* Obj, std::string_view Name, const TPropValue& Value) {
  const TPropInfo& P = PropOf(Obj, Name);
  if (P.ReadOnly()) throw EPropertyError(Format("Property %s is read-only", {Name}));
  P.Set(Obj, Value);
}

std::string PropValueToString(const TPropInfo& Prop, const TPropValue& Value) {
  if (std::holds_alternative<std::monostate>(Value)) return {};
  switch (Prop.Kind) {
    case tkBool:
      return std::get<bool>(Value) ? "True" : "False";
    case tkEnumeration:
      if (Prop.Enum) return Prop.Enum->NameOf(static_cast<int>(std::get<int64_t>(Value)));
      return std::to_string(std::get<int64_t>(Value));
    case tkSet: {
      uint64_t Bits = static_cast<uint64_t>(std::get<int64_t>(Value));
      std::string R = "[";
      bool First = true;
      for (int I = 0; I < 64; ++I)
        if ((Bits >> I) & 1u) {
          if (!First) R += ",";
          First = false;
          R += Prop.Enum ? Prop.Enum->NameOf(I) : std::to_string(I);
        }
      return R + "]";
    }
    case tkInteger:
      return std::to_string(std::get<int64_t>(Value));
    case tkFloat:
      return Format("%.17g", {std::get<double>(Value)});
    case tkString:
      return std::get<std::string>(Value);
    default:
      return {};
  }
}

TPropValue PropValueFromString(const TPropInfo& Prop, std::string_view Text) {
  switch (Prop.Kind) {
    case tkBool:
      if (SameText(Text, "True")) return true;
      if (SameText(Text, "False")) return false;
      break;
    case tkEnumeration:
      if (Prop.Enum) {
        int O = Prop.Enum->OrdinalOf(Text);
        if (O >= 0) return static_cast<int64_t>(O);
      }
      break;
    case tkSet: {
      uint64_t Bits = 0;
      std::string Item;
      auto Flush = [&]() {
        std::string T = Trim(Item);
        Item.clear();
        if (T.empty()) return;
        int O = Prop.Enum ? Prop.Enum->OrdinalOf(T) : -1;
        if (O < 0) throw EPropertyError(Format("Invalid property value: %s", {T}));
        if (O < 64) Bits |= uint64_t{1} << O;
      };
      for (char C : Text) {
        if (C == '[' || C == ']' || C == ',')
          Flush();
        else
          Item += C;
      }
      Flush();
      return static_cast<int64_t>(Bits);
    }
    case tkInteger: {
      int64_t V;
      if (TryStrToInt64(Text, V)) return V;
      break;
    }
    case tkFloat: {
      double V;
      if (TryStrToFloat(Text, V)) return V;
      break;
    }
    case tkString:
      return std::string(Text);
    default:
      break;
  }
  throw EPropertyError(Format("Invalid property value: %s", {Text}));
}

}  // namespace norvale
