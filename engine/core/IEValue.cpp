#include "engine/core/IEValue.h"

#include <cmath>
#include <limits>

#include "engine/core/BindingInfo.h"
#include "engine/core/ValueVector.h"
#include "engine/facts/Fact.h"
#include "engine/functions/FunctionCall.h"

namespace norvale {

namespace {

TContextResolver GContextResolver = nullptr;
TContextResolver GFunCallResolver = nullptr;
TFuzzySetFactory GFuzzySetFactory = nullptr;

bool IsRefType(TIEType T) noexcept {
  return T == dtFunCall || T == dtFact || T == dtList || T == dtSingletons || T == dtFuzzy;
}

int32_t TruncToInt32(double V) {
  double T = std::trunc(V);
  if (!(T >= std::numeric_limits<int32_t>::min() && T <= std::numeric_limits<int32_t>::max()))
    return T > 0 ? std::numeric_limits<int32_t>::max() : std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(T);
}

int32_t PointerHash(const void* P) noexcept {
  return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(P)));
}

const TCloneable* AsCloneable(TInterfacedPersistent* P) noexcept {
  return static_cast<TCloneable*>(P);
}

}  // namespace

void SetContextResolver(TContextResolver Resolver) { GContextResolver = Resolver; }
void SetFunCallResolver(TContextResolver Resolver) { GFunCallResolver = Resolver; }
void SetFuzzySetFactory(TFuzzySetFactory Factory) { GFuzzySetFactory = Factory; }

IFuzzySet NewEngineFuzzySet() {
  return GFuzzySetFactory ? GFuzzySetFactory() : NewRef<TIFuzzySet>();
}

const std::string& GetIETypeName(TIEType Type) { return EnumName(Type); }

// --- string hash ----------------------------------------------------------------------------

int32_t CalculateHash(std::string_view Text, int Skip) {
  if (Skip < 1) Skip = 1;
  uint32_t H = 0;
  for (size_t I = 0; I < Text.size(); I += static_cast<size_t>(Skip))
    H = H * 31u + static_cast<unsigned char>(Text[I]);
  return static_cast<int32_t>(H);
}

int32_t CalculateHash(std::string_view Text) {
  if (Text.size() < 16) return CalculateHash(Text, 1);
  return CalculateHash(Text, static_cast<int>(Text.size() / 8));
}

// --- construction ---------------------------------------------------------------------------

TIEValue::TIEValue(std::string Text, TIEType Type) {
  if (!IEStringTypes.Contains(Type)) throw EIEException(SInvalidValueType);
  FType = Type;
  FText = std::move(Text);
}

TIEValue::TIEValue(int32_t Value, TIEType Type) {
  if (!IEIntegerTypes.Contains(Type)) throw EIEException(SInvalidValueType);
  FType = Type;
  FInteger = Value;
}

TIEValue::TIEValue(const IValueVector& List) : FType(dtList) {
  FRef = List.Get();
  if (FRef) FRef->AddRef();
}

TIEValue::TIEValue(const IIEValue& Source) {
  FInteger = 0;
  if (Source) {
    FType = dtNone;
    CopyPayload(*Source, true);
  }
}

TIEValue::TIEValue(const IFuzzySet& Set) : FType(dtFuzzy) {
  FRef = Set.Get();
  if (FRef) FRef->AddRef();
}

TIEValue::TIEValue(const IFact& Fact) : FType(dtFact) {
  FRef = Fact.Get();
  if (FRef) FRef->AddRef();
}

TIEValue::TIEValue(const IFunCall& Call) : FType(dtFunCall) {
  FRef = Call.Get();
  if (FRef) FRef->AddRef();
}

TIEValue::TIEValue(const ISingletonsVector& Singletons) : FType(dtSingletons) {
  FRef = Singletons.Get();
  if (FRef) FRef->AddRef();
}

TIEValue::TIEValue(TObject* Object, bool Owned) : FType(dtObject) {
  FObject = Object;
  if (Owned && Object) {
    FOwned = true;
    if (auto* C = dynamic_cast<TComponent*>(Object)) {
      FNexus = new TIEValueNexus(this);
      C->FreeNotification(FNexus);
    }
  }
}

TIEValue::~TIEValue() {
  ReleasePayload();
  if (FNexus) {
    FNexus->FValue = nullptr;
    Free(FNexus);
    FNexus = nullptr;
  }
}

void TIEValue::BeforeDestruction() {
  FOnChange.reset();
  if (!IsPermanent()) ReleasePayload();
}

void TIEValue::ReleasePayload() {
  if (FType == dtObject && FOwned) {
    TObject* Obj = FObject;
    if (FNexus) {
      FNexus->FValue = nullptr;
      Free(FNexus);
      FNexus = nullptr;
    }
    FOwned = false;
    FObject = nullptr;
    FType = dtNone;
    auto* C = dynamic_cast<TComponent*>(Obj);
    if (!(C && C->Destroying())) Free(Obj);
  } else if (IsRefType(FType)) {
    TInterfacedPersistent* P = FRef;
    FRef = nullptr;
    FType = dtNone;
    if (P) P->Release();
  }
  if (FNexus) {  // left over after the owned component was freed elsewhere
    FNexus->FValue = nullptr;
    Free(FNexus);
    FNexus = nullptr;
  }
}

// --- typed payload access -------------------------------------------------------------------

TValueVector* TIEValue::ListPtr() const noexcept {
  return FType == dtList ? static_cast<TValueVector*>(FRef) : nullptr;
}
TSingletonsVector* TIEValue::SingletonsPtr() const noexcept {
  return FType == dtSingletons ? static_cast<TSingletonsVector*>(FRef) : nullptr;
}
TFact* TIEValue::FactPtr() const noexcept {
  return FType == dtFact ? static_cast<TFact*>(FRef) : nullptr;
}
TFunctionCall* TIEValue::FunCallPtr() const noexcept {
  return FType == dtFunCall ? static_cast<TFunctionCall*>(FRef) : nullptr;
}
TIFuzzySet* TIEValue::FuzzyPtr() const noexcept {
  return FType == dtFuzzy ? static_cast<TIFuzzySet*>(FRef) : nullptr;
}

// --- getters --------------------------------------------------------------------------------

void TIEValue::RaiseNotType(const char* Word) const {
  throw EIEException(Format(SNotCorrectType, {Word, GetToString(), GetIETypeName(FType)}));
}

std::string TIEValue::AsStringSlow() const {
  switch (FType) {
    case dtInteger:
      return std::to_string(FInteger);
    case dtFloat:
      return FloatToStr4(FFloat);
    case dtFuzzy:
      return FRef ? FuzzyPtr()->ToString() : std::string();
    default:
      RaiseNotType("string");
  }
}

int32_t TIEValue::AsIntegerSlow() const {
  switch (FType) {
    case dtAtom:
    case dtString: {
      int32_t I;
      if (TryStrToInt(FText, I)) return I;
      double D;
      if (TryStrToFloat(FText, D) && std::trunc(D) >= std::numeric_limits<int32_t>::min() &&
          std::trunc(D) <= std::numeric_limits<int32_t>::max())
        return static_cast<int32_t>(std::trunc(D));
      break;
    }
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return FInteger;
    case dtFloat:
      return TruncToInt32(FFloat);
    case dtExternalAddress:
      return PointerHash(FAddress);
    case dtFuzzy:
      if (FRef) return TruncToInt32(std::round(FuzzyPtr()->Defuzzify()));
      break;
    default:
      break;
  }
  RaiseNotType("integer");
}

double TIEValue::AsNumericSlow() const {
  switch (FType) {
    case dtAtom:
    case dtString: {
      if (this == FCNil.Get()) return 0;
      double D;
      if (TryStrToFloat(FText, D)) return D;
      break;
    }
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return FInteger;
    case dtFloat:
      return FFloat;
    case dtFuzzy:
      if (FRef) return FuzzyPtr()->Defuzzify();
      break;
    default:
      break;
  }
  RaiseNotType("numeric");
}

int32_t TIEValue::AsFactId() const {
  if (IEIntegerTypes.Contains(FType) && FType != dtDescriptor) return FInteger;
  if (FType == dtFloat) return TruncToInt32(FFloat);
  RaiseNotType("fact id");
}

int32_t TIEValue::AsDescriptor() const {
  if (FType != dtDescriptor) RaiseNotType("descriptor");
  return FInteger;
}

void* TIEValue::AsExternalAddress() const {
  if (FType == dtObject) return FObject;
  if (FType == dtExternalAddress) return FAddress;
  RaiseNotType("External Address");
}

TObject* TIEValue::AsObject() const {
  if (FType != dtObject) RaiseNotType("object");
  return FObject;
}

const TClassInfo* TIEValue::AsClass() const {
  if (FType != dtClass) RaiseNotType("class");
  return FClass;
}

IFact TIEValue::AsFact() const {
  if (FType != dtFact) RaiseNotType("fact");
  return IFact(FactPtr());
}

IFunCall TIEValue::AsFunCall() const {
  if (FType != dtFunCall) RaiseNotType("function call");
  return IFunCall(FunCallPtr());
}

IValueVector TIEValue::AsList() const {
  if (FType != dtList) RaiseNotType("list");
  return IValueVector(ListPtr());
}

ISingletonsVector TIEValue::AsSingletons() const {
  if (FType != dtSingletons) RaiseNotType("singletons");
  return ISingletonsVector(SingletonsPtr());
}

IFuzzySet TIEValue::AsFuzzy() const {
  if (FType != dtFuzzy) RaiseNotType("fuzzy value");
  return IFuzzySet(FuzzyPtr());
}

// --- setters --------------------------------------------------------------------------------

void TIEValue::CheckNotFrozen() const {
  if (IsPermanent()) throw EIEException(Format(SFrozenConstant, {GetToString()}));
}

void TIEValue::Changing() {
  CheckNotFrozen();
  ReleasePayload();
}

void TIEValue::Changed() {
  if (FOnChange && *FOnChange) (*FOnChange)(IIEValue(this));
}

void TIEValue::SetText(TIEType Type, const std::string& Value) {
  Changing();
  FType = Type;
  FText = Value;
  Changed();
}

void TIEValue::SetInt(TIEType Type, int32_t Value) {
  Changing();
  FType = Type;
  FText.clear();
  FInteger = Value;
  Changed();
}

void TIEValue::SetRef(TIEType Type, TInterfacedPersistent* Value) {
  if (Value) Value->AddRef();  // before Changing: Value may be held only by the old payload
  try {
    Changing();
  } catch (...) {
    if (Value) Value->Release();
    throw;
  }
  FType = Type;
  FText.clear();
  FRef = Value;
  Changed();
}

void TIEValue::SetAsFloat(double Value) {
  Changing();
  FType = dtFloat;
  FText.clear();
  FFloat = Value;
  Changed();
}

void TIEValue::SetAsList(const IValueVector& Value) { SetRef(dtList, Value.Get()); }
void TIEValue::SetAsFact(const IFact& Value) { SetRef(dtFact, Value.Get()); }
void TIEValue::SetAsFunCall(const IFunCall& Value) { SetRef(dtFunCall, Value.Get()); }
void TIEValue::SetAsSingletons(const ISingletonsVector& Value) {
  SetRef(dtSingletons, Value.Get());
}
void TIEValue::SetAsFuzzy(const IFuzzySet& Value) { SetRef(dtFuzzy, Value.Get()); }

void TIEValue::SetAsObject(TObject* Value) {
  Changing();
  FType = dtObject;
  FText.clear();
  FObject = Value;
  Changed();
}

void TIEValue::SetAsOwnedObject(TObject* Value) {
  Changing();
  FType = dtObject;
  FText.clear();
  FObject = Value;
  if (Value) {
    FOwned = true;
    if (auto* C = dynamic_cast<TComponent*>(Value)) {
      FNexus = new TIEValueNexus(this);
      C->FreeNotification(FNexus);
    }
  }
  Changed();
}

void TIEValue::SetAsClass(const TClassInfo* Value) {
  Changing();
  FType = dtClass;
  FText.clear();
  FClass = Value;
  Changed();
}

void TIEValue::SetAsExternalAddress(void* Value) {
  Changing();
  FType = dtExternalAddress;
  FText.clear();
  FAddress = Value;
  Changed();
}

void TIEValue::Reset() {
  Changing();
  FType = dtNone;
  FText.clear();
  FInteger = 0;
}

void TIEValue::SetOnChange(TIEValueChangeEvent Handler) {
  if (IsPermanent()) return;  // constants never change, so their handler would never run
  if (Handler)
    FOnChange = std::make_unique<TIEValueChangeEvent>(std::move(Handler));
  else
    FOnChange.reset();
}

void TIEValue::SetTag(int32_t Value) {
  CheckNotFrozen();
  FTag = Value;
}

void TIEValue::OwnedComponentFreed(TComponent* Component) {
  if (FType != dtObject || FObject != Component) return;
  // The component is already on its way out: forget it without freeing it again. The nexus is
  // freed with the next change of this value.
  FOwned = false;
  FObject = nullptr;
  FType = dtNone;
  FText.clear();
}

void TIEValueNexus::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation == opRemove && FValue) FValue->OwnedComponentFreed(Component);
}

// --- copying --------------------------------------------------------------------------------

TObject* TIEValue::DuplicateOwned(TObject* Object) const {
  const TClassInfo* Info = TClassRegistry::Instance().Find(std::type_index(typeid(*Object)));
  auto* Source = dynamic_cast<TPersistent*>(Object);
  if (!Source || !Info || !Info->Factory)
    throw EIEException(Format(SUncloneableValue, {Object->ClassName()}));
  auto* Comp = dynamic_cast<TComponent*>(Object);
  TObject* Copy = Info->Create(Comp ? Comp->Owner() : nullptr);
  try {
    static_cast<TPersistent*>(Copy)->Assign(Source);
  } catch (...) {
    if (auto* Counted = dynamic_cast<TInterfacedPersistent*>(Copy))
      Counted->Release();
    else
      Free(Copy);
    throw;
  }
  return Copy;
}

void TIEValue::CopyPayload(const TIEValue& S, bool CloneLists) {
  FTag = S.FTag;
  switch (S.FType) {
    case dtNone:
      FType = dtNone;
      FInteger = 0;
      break;
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      FText = S.FText;
      FType = S.FType;
      break;
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      FInteger = S.FInteger;
      FType = S.FType;
      break;
    case dtFloat:
      FFloat = S.FFloat;
      FType = dtFloat;
      break;
    case dtExternalAddress:
      FAddress = S.FAddress;
      FType = dtExternalAddress;
      break;
    case dtClass:
      FClass = S.FClass;
      FType = dtClass;
      break;
    case dtList:
      if (CloneLists && S.FRef) {
        IValueVector Copy = S.ListPtr()->Clone();
        FRef = Copy.Detach();
      } else {
        FRef = S.FRef;
        if (FRef) FRef->AddRef();
      }
      FType = dtList;
      break;
    case dtFunCall:
    case dtFact:
    case dtSingletons:
    case dtFuzzy:
      FRef = S.FRef;
      if (FRef) FRef->AddRef();
      FType = S.FType;
      break;
    case dtObject:
      if (S.IsOwningObject()) {
        TObject* Copy = DuplicateOwned(S.FObject);  // raises with this value still dtNone
        FType = dtObject;
        FObject = Copy;
        FOwned = true;
        if (auto* C = dynamic_cast<TComponent*>(Copy)) {
          FNexus = new TIEValueNexus(this);
          C->FreeNotification(FNexus);
        }
      } else {
        FObject = S.FObject;
        FType = dtObject;
      }
      break;
  }
}

void TIEValue::Assign(const IIEValue& Source) {
  if (Source.Get() == this) return;
  Reset();
  if (Source) CopyPayload(*Source, true);
  Changed();
}

void TIEValue::Assign(TPersistent* Source) {
  if (Source == this) return;
  if (auto* V = dynamic_cast<TIEValue*>(Source)) {
    Reset();
    CopyPayload(*V, false);
    Changed();
    return;
  }
  TCloneable::Assign(Source);
}

void TIEValue::AssignFrom(const TCloneable* Source) {
  if (auto* V = dynamic_cast<const TIEValue*>(Source))
    Assign(IIEValue(const_cast<TIEValue*>(V)));
  else
    RaiseAssignError(Source, this);
}

void TIEValue::AssignTo(const IIEValue& Target) const {
  if (!Target || Target.Get() == this) return;
  TIEValue& T = *Target;
  switch (FType) {
    case dtNone:
      T.Reset();
      break;
    case dtAtom:
      T.SetAsAtom(FText);
      break;
    case dtString:
      T.SetAsString(FText);
      break;
    case dtVariable:
      T.SetAsVariable(FText);
      break;
    case dtMultiVariable:
      T.SetAsMultiVariable(FText);
      break;
    case dtSlot:
      T.SetAsSlot(FText);
      break;
    case dtMultiSlot:
      T.SetAsMultiSlot(FText);
      break;
    case dtInteger:
      T.SetAsInteger(FInteger);
      break;
    case dtFactId:
      T.SetAsFactId(FInteger);
      break;
    case dtDescriptor:
      T.SetAsDescriptor(FInteger);
      break;
    case dtFloat:
      T.SetAsFloat(FFloat);
      break;
    case dtExternalAddress:
      T.SetAsExternalAddress(FAddress);
      break;
    case dtClass:
      T.SetAsClass(FClass);
      break;
    case dtList:
      T.SetAsList(FRef ? ListPtr()->Clone() : IValueVector());
      break;
    case dtSingletons:
      T.SetAsSingletons(ISingletonsVector(SingletonsPtr()));
      break;
    case dtFuzzy:
      T.SetAsFuzzy(IFuzzySet(FuzzyPtr()));
      break;
    case dtFunCall:
      T.SetAsFunCall(IFunCall(FunCallPtr()));
      break;
    case dtFact:
      T.SetAsFact(IFact(FactPtr()));
      break;
    case dtObject:
      if (IsOwningObject())
        T.SetAsOwnedObject(DuplicateOwned(FObject));
      else
        T.SetAsObject(FObject);
      break;
  }
}

void TIEValue::AssignTo(TPersistent* Dest) {
  if (auto* V = dynamic_cast<TIEValue*>(Dest))
    AssignTo(IIEValue(V));
  else
    TCloneable::AssignTo(Dest);
}

IIEValue TIEValue::Clone() const {
  IIEValue R = NewRef<TIEValue>();
  R->Assign(static_cast<TPersistent*>(const_cast<TIEValue*>(this)));
  return R;
}

// --- comparison -----------------------------------------------------------------------------

bool TIEValue::Equals(const TCloneable* Other) const {
  auto* V = dynamic_cast<const TIEValue*>(Other);
  return V && Equals(V);
}

bool TIEValue::Equals(const TIEValue* Value) const {
  if (Value == this) return true;
  if (!Value) return false;
  const TIEType T = FType;
  if (Value->FType == T || T == dtFuzzy) {
    switch (T) {
      case dtNone:
        return true;
      case dtInteger:
      case dtFactId:
      case dtDescriptor:
        return Value->FInteger == FInteger;
      case dtFloat:
        return Value->FFloat == FFloat;
      case dtFunCall:
      case dtFact:
      case dtList:
      case dtSingletons:
        if (!FRef || !Value->FRef) return FRef == Value->FRef;
        return AsCloneable(FRef)->Equals(AsCloneable(Value->FRef));
      case dtObject:
        return FObject == Value->FObject;
      case dtExternalAddress:
        return FAddress == Value->FAddress;
      case dtClass:
        return false;
      case dtFuzzy:
        if (!FRef) return Value->FType == dtFuzzy && !Value->FRef;
        return FuzzyPtr()->Equals(Value);
      default:
        return FText == Value->FText;  // the text types
    }
  }
  if (Value->FType == dtFuzzy) return Value->Equals(this);
  return false;
}

bool TIEValue::EqualsStar(const TIEValue* Value) const {
  if (Value == this) return true;
  if (!Value) return false;
  if (FType == dtFunCall && Value->FType != dtFunCall) return false;
  if (FType != dtFuzzy && Value->FType == dtFuzzy) return Value->EqualsStar(this);
  switch (FType) {
    case dtNone:
      return true;
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return Value->AsInteger() == FInteger;
    case dtFloat:
      return Value->AsFloat() == FFloat;
    case dtFunCall:
    case dtFact:
    case dtList:
    case dtSingletons:
    case dtFuzzy:
    case dtObject:
    case dtExternalAddress:
    case dtClass:
      return Equals(Value);
    default:
      return Value->AsString() == FText;
  }
}

int32_t TIEValue::GetHashCode() const {
  switch (FType) {
    case dtNone:
      return 0;
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return FInteger;
    case dtFloat:
      return TruncToInt32(FFloat);
    case dtExternalAddress:
      return PointerHash(FAddress);
    case dtFunCall:
    case dtFact:
    case dtList:
    case dtSingletons:
      return FRef ? AsCloneable(FRef)->GetHashCode() : 0;
    case dtFuzzy:
      return FRef ? CalculateHash(FuzzyPtr()->ToString()) : 0;
    case dtObject:
      return PointerHash(FObject);
    case dtClass:
      return PointerHash(FClass);
    default:
      return CalculateHash(FText);
  }
}

std::string QuoteString(std::string_view Text) {
  std::string R;
  R.reserve(Text.size() + 2);
  R += '"';
  for (char C : Text) {
    if (C == '\\')
      R += "\\\\";
    else if (C == '"')
      R += "\\\"";
    else
      R += C;
  }
  R += '"';
  return R;
}

std::string TIEValue::GetToString() const {
  switch (FType) {
    case dtNone:
      return {};
    case dtAtom:
    case dtSlot:
    case dtMultiSlot:
      return FText;
    case dtString:
      return QuoteString(FText);
    case dtInteger:
      return std::to_string(FInteger);
    case dtVariable:
      return "?" + FText;
    case dtMultiVariable:
      return "$?" + FText;
    case dtFactId:
      return "<Fact-" + std::to_string(FInteger) + ">";
    case dtFloat:
      return FloatToStr4(FFloat);
    case dtFunCall:
    case dtFact:
    case dtList:
    case dtSingletons:
      return FRef ? AsCloneable(FRef)->GetToString() : std::string();
    case dtDescriptor:
      return "<UNKNOWN>";
    case dtObject:
      if (!FObject) return {};
      if (auto* B = dynamic_cast<const TBindingInfo*>(FObject))
        return "<" + FObject->ClassName() + ": " + B->ToString() + ">";
      return "<Object: " + FObject->ClassName() + ">";
    case dtClass:
      return FClass ? FClass->Name : std::string();
    case dtExternalAddress:
      return "<External-Address: " + std::to_string(reinterpret_cast<uintptr_t>(FAddress)) + ">";
    case dtFuzzy:
      return FRef ? FuzzyPtr()->ToString() : std::string();
  }
  return {};
}

// --- resolving ------------------------------------------------------------------------------

IIEValue TIEValue::Resolve(TObject* Context) const {
  switch (FType) {
    case dtVariable:
    case dtMultiVariable:
      if (!Context || !GContextResolver)
        throw EIEException(Format(SNoContext, {GetIETypeName(FType)}));
      return GContextResolver(*this, Context);
    case dtFunCall:
      if (!GFunCallResolver) throw EIEException(Format(SNoContext, {GetIETypeName(FType)}));
      return GFunCallResolver(*this, Context);
    case dtObject:
      if (dynamic_cast<const TBindingInfo*>(FObject)) {
        if (!Context || !GContextResolver)
          throw EIEException(Format(SNoContext, {GetIETypeName(FType)}));
        return GContextResolver(*this, Context);
      }
      break;
    case dtSingletons: {
      const TSingletonsVector* S = SingletonsPtr();
      if (!S) break;
      IFuzzySet Set = NewEngineFuzzySet();
      if (auto* P = dynamic_cast<IFuzzyParser*>(S->Parser())) Set->SetParser(P);
      Set->BeginUpdate();
      try {
        for (int I = 0; I < S->Count(); ++I) {
          double X = S->XValues(I)->Resolve(Context)->AsNumeric();
          double Y = S->YValues(I)->Resolve(Context)->AsNumeric();
          Set->AddPoint(X, Y);
        }
      } catch (...) {
        Set->EndUpdate();
        throw;
      }
      Set->EndUpdate();
      Set->SetName(Set->ValuesText());
      return NewRef<TIEValue>(Set);
    }
    default:
      break;
  }
  return IIEValue(const_cast<TIEValue*>(this));
}

// --- constants and short hands --------------------------------------------------------------

struct TIEConstants {
  IIEValue True, False, EmptyString, Nil, NilList, Catch, Finally, Except, Else, Do, EOF_, Then, PI,
      Zero;
  static IIEValue Make(IIEValue V) {
    V->MakePermanent();
    return V;
  }
  TIEConstants()
      : True(Make(NewRef<TIEValue>(std::string("TRUE"), dtAtom))),
        False(Make(NewRef<TIEValue>(std::string("FALSE"), dtAtom))),
        EmptyString(Make(NewRef<TIEValue>(std::string(), dtAtom))),
        Nil(Make(NewRef<TIEValue>(std::string(), dtAtom))),
        NilList(Make(NewRef<TIEValue>(NewRef<TValueVector>()))),
        Catch(Make(NewRef<TIEValue>(std::string("catch"), dtAtom))),
        Finally(Make(NewRef<TIEValue>(std::string("finally"), dtAtom))),
        Except(Make(NewRef<TIEValue>(std::string("except"), dtAtom))),
        Else(Make(NewRef<TIEValue>(std::string("else"), dtAtom))),
        Do(Make(NewRef<TIEValue>(std::string("do"), dtAtom))),
        EOF_(Make(NewRef<TIEValue>(std::string("EOF"), dtAtom))),
        Then(Make(NewRef<TIEValue>(std::string("then"), dtAtom))),
        PI(Make(NewRef<TIEValue>(3.141592653589793))),
        Zero(Make(NewRef<TIEValue>(0.0))) {
    // The empty list of FCNilList is shared by every reader: it must not change either.
    NilList->ListPtr()->MakePermanent();
  }
};

namespace {
// Created on first use and never freed: the constants outlive every engine.
TIEConstants& Constants() {
  static TIEConstants* C = new TIEConstants();
  return *C;
}
}  // namespace

const IIEValue& FCTrue = Constants().True;
const IIEValue& FCFalse = Constants().False;
const IIEValue& FCEmptyString = Constants().EmptyString;
const IIEValue& FCNil = Constants().Nil;
const IIEValue& FCNilList = Constants().NilList;
const IIEValue& FCCatch = Constants().Catch;
const IIEValue& FCFinally = Constants().Finally;
const IIEValue& FCExcept = Constants().Except;
const IIEValue& FCElse = Constants().Else;
const IIEValue& FCDo = Constants().Do;
const IIEValue& FCEOF = Constants().EOF_;
const IIEValue& FCThen = Constants().Then;
const IIEValue& FCPI = Constants().PI;
const IIEValue& FCZero = Constants().Zero;

bool IsValueConstant(const TIEValue* V) noexcept {
  if (!V || !V->IsPermanent()) return false;
  const TIEConstants& C = Constants();
  return V == C.True.Get() || V == C.False.Get() || V == C.EmptyString.Get() || V == C.Nil.Get() ||
         V == C.NilList.Get() || V == C.Catch.Get() || V == C.Finally.Get() ||
         V == C.Except.Get() || V == C.Else.Get() || V == C.Do.Get() || V == C.EOF_.Get() ||
         V == C.Then.Get() || V == C.PI.Get() || V == C.Zero.Get();
}

IIEValue NewAtom(const std::string& Text) { return NewRef<TIEValue>(Text, dtAtom); }
IIEValue NewString(const std::string& Text) { return NewRef<TIEValue>(Text, dtString); }
IIEValue NewVariable(const std::string& Name) { return NewRef<TIEValue>(Name, dtVariable); }
IIEValue NewMultiVariable(const std::string& Name) {
  return NewRef<TIEValue>(Name, dtMultiVariable);
}
IIEValue NewInteger(int32_t Value) { return NewRef<TIEValue>(Value, dtInteger); }
IIEValue NewFloat(double Value) { return NewRef<TIEValue>(Value); }
IIEValue NewFactId(int32_t Id) { return NewRef<TIEValue>(Id, dtFactId); }
IIEValue NewList(const IValueVector& List) { return NewRef<TIEValue>(List); }
IIEValue NewList() { return NewRef<TIEValue>(NewRef<TValueVector>()); }

}  // namespace norvale
