#include "engine/facts/FactTemplate.h"

#include <algorithm>

#include "engine/core/IEHelpers.h"
#include "engine/core/ValueVector.h"
#include "engine/facts/Fact.h"
#include "engine/language/IEPrinter.h"

namespace norvale {

namespace {

// A private copy of a value for a slot default or a fact: shared constants stand for themselves,
// anything else is copied (lists included), so no two owners share one changeable value.
IIEValue PrivateCopy(const IIEValue& V) {
  if (!V || IsValueConstant(V)) return V;
  return NewRef<TIEValue>(V);
}

}  // namespace

void CheckConstructName(const std::string& Name) {
  size_t P = Name.find_first_of(SInvalidNameCharacters);
  if (P != std::string::npos) throw EIEException(Format(SUnexpectedCharacter, {Name, Name[P]}));
}

std::string QuoteComment(const std::string& Comment) { return NewString(Comment)->ToString(); }

// --- TFactSlot ------------------------------------------------------------------------------

TFactSlot::TFactSlot(TFactTemplate* Template) : FTemplate(Template) {}

TFactSlot::~TFactSlot() {
  FTemplate = nullptr;
  if (FSlotDefault) FSlotDefault->SetOnChange(nullptr);
  FSlotDefault = nullptr;
  FExtendedTypeInfo = nullptr;
}

std::string TFactSlot::GetTemplateName() const {
  return FTemplate ? FTemplate->TemplateName() : std::string();
}

bool TFactSlot::DynamicChecks() const {
  return FTemplate && FTemplate->Engine() &&
         FTemplate->Engine()->FactTypeChecks().Contains(tcDynamic);
}

void TFactSlot::SetName(const TIEName& Value) {
  if (Value == FName) return;
  CheckConstructName(Value);
  if (FTemplate) FTemplate->NewSlotName(this, Value);
  FName = Value;
}

void TFactSlot::SetSlotType(TIETypes Value) {
  if (Value == FSlotType) return;
  if (Value.Contains(dtFuzzy) && !((Value - IEMultiSlotTypes) == TIETypes{dtFuzzy}))
    throw EIEException(SCannotMixFuzzy);
  if (FTemplate) FTemplate->NewSlotType(this, Value);
  FSlotType = Value;
  if (FExtendedTypeInfo && FExtendedTypeInfo->Implicit()) FExtendedTypeInfo->SetBaseTypes(Value);
  if (!FSlotDefault || !IsValid(FSlotDefault)) SetSlotDefault(CreateValidDefault(IsMultiSlot()));
}

void TFactSlot::SetExtendedTypeInfo(const IIEDefinedType& Value) {
  if (Value == FExtendedTypeInfo) return;
  TIETypes Types = Value ? Value->BaseTypes() : TIETypes();
  if (FTemplate) FTemplate->NewSlotType(this, Types);
  bool WasMulti = IsMultiSlot();
  FExtendedTypeInfo = Value;
  // A multislot stays a multislot under its new type (the ordered "__Data" slot always is one).
  if (FName == SDefaultSlotName || WasMulti) Types = Types + IEMultiSlotTypes;
  SetSlotType(Types);
}

void TFactSlot::SetSlotDefault(const IIEValue& Value) {
  if (Value && DynamicChecks() && !IsValid(Value))
    throw EIEException(Format(SInvalidSlotDefault, {Value->ToString()}));
  if (FSlotDefault) FSlotDefault->SetOnChange(nullptr);
  IIEValue Stored = PrivateCopy(Value);
  if (FTemplate) FTemplate->NewSlotDefault(this, Stored);
  FSlotDefault = Stored;
  if (FSlotDefault) FSlotDefault->SetOnChange([this](const IIEValue& V) { ValueChanged(V); });
}

void TFactSlot::ValueChanged(const IIEValue& Value) {
  if (DynamicChecks() && !IsValid(Value))
    throw EIEException(Format(SInvalidValue, {Value->ToString(), FName}));
}

bool TFactSlot::IsValid(const IIEValue& Value) const {
  if (!Value) return true;
  if (Value.Get() == FCNil.Get()) return !FSlotType.Contains(dtList);
  if (Value.Get() == FCNilList.Get()) return FSlotType.Contains(dtList);
  if (FExtendedTypeInfo) return FExtendedTypeInfo->IsValid(Value);
  TIETypes Allowed = FSlotType + IEAlwaysValidTypes;
  if (!Allowed.Contains(Value->DType())) return false;
  if (TValueVector* L = Value->ListPtr())
    for (const IIEValue& E : L->Values())
      if (E && !Allowed.Contains(E->DType())) return false;
  return true;
}

std::string TFactSlot::GetInvalidValueString(const IIEValue& Value) const {
  if (!Value) return {};
  if (FExtendedTypeInfo) {
    std::string Reason = FExtendedTypeInfo->GetInvalidValueString(Value);
    return Reason.empty() ? Reason : Format(SBadSlotValue, {Reason, FName});
  }
  if (!(FSlotType + TIETypes{dtVariable, dtFunCall, dtMultiVariable}).Contains(Value->DType()))
    return Format(SBadSlotValue,
                  {Format(SNotCorrectType, {IETypeNames(FSlotType, ", "), Value->ToString(),
                                            GetIETypeName(Value->DType())}),
                   FName});
  if (TValueVector* L = Value->ListPtr()) {
    TIETypes Allowed = FSlotType + IEAlwaysValidTypes;
    for (const IIEValue& E : L->Values())
      if (E && !Allowed.Contains(E->DType()))
        return Format(
            SBadSlotValue,
            {Format(SNotCorrectType, {IETypeNames(FSlotType, ", "), Value->ToString(),
                                      GetIETypeName(E->DType()) + " (" + E->ToString() + ")"}),
             FName});
  }
  return {};
}

IIEValue TFactSlot::CreateValidDefault(bool AsMultiSlot) const {
  if (FExtendedTypeInfo) return FExtendedTypeInfo->CreateValidDefault(AsMultiSlot);
  if (AsMultiSlot) return NewList();
  static const TIEType Order[] = {dtAtom,   dtString,          dtInteger, dtFloat,
                                  dtObject, dtExternalAddress, dtFuzzy,   dtFactId,
                                  dtFact,   dtDescriptor,      dtClass};
  for (TIEType T : Order) {
    if (!FSlotType.Contains(T)) continue;
    switch (T) {
      case dtAtom:
        return NewAtom("");
      case dtString:
        return NewString("");
      case dtInteger:
        return NewInteger(0);
      case dtFloat:
        return NewFloat(0.0);
      case dtObject:
        return NewRef<TIEValue>(static_cast<TObject*>(nullptr), false);
      case dtExternalAddress:
        return NewRef<TIEValue>(static_cast<void*>(nullptr));
      case dtFuzzy:
        return FCNil;
      case dtFactId:
        return NewFactId(0);
      case dtFact:
        return NewRef<TIEValue>(IFact());
      case dtDescriptor:
        return NewRef<TIEValue>(0, dtDescriptor);
      case dtClass:
        return NewRef<TIEValue>(static_cast<const TClassInfo*>(nullptr));
      default:
        break;
    }
  }
  return NewRef<TIEValue>();
}

void TFactSlot::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TFactSlot*>(Source)) {
    AssignFrom(S);
    return;
  }
  TCloneable::Assign(Source);
}

void TFactSlot::AssignFrom(const TCloneable* Source) {
  auto* S = dynamic_cast<const TFactSlot*>(Source);
  if (!S) {
    RaiseAssignError(Source, this);
  }
  if (S == this) return;
  // The type first (it may replace the default), then the default, then the name (which
  // registers the slot with its template).
  IIEDefinedType Type = S->FExtendedTypeInfo;
  if (Type && Type->Implicit()) Type = Type->Clone();
  FExtendedTypeInfo = nullptr;
  FSlotType = S->FSlotType;
  FExtendedTypeInfo = Type;
  SetSlotDefault(S->FSlotDefault);
  FDefaultDynamic = S->FDefaultDynamic;
  FTag = S->FTag;
  SetName(S->FName);
}

IFactSlot TFactSlot::Clone() const {
  IFactSlot R = NewRef<TFactSlot>();
  R->AssignFrom(this);
  return R;
}

bool TFactSlot::Equals(const TCloneable* Other) const {
  if (Other == this) return true;
  auto* S = dynamic_cast<const TFactSlot*>(Other);
  if (!S) return false;
  if (FName != S->FName || !(FSlotType == S->FSlotType)) return false;
  if (FExtendedTypeInfo != S->FExtendedTypeInfo &&
      !(FExtendedTypeInfo && FExtendedTypeInfo->Equals(S->FExtendedTypeInfo.Get())))
    return false;
  if (FSlotDefault == S->FSlotDefault) return true;
  return FSlotDefault && FSlotDefault->EqualsStar(S->FSlotDefault);
}

std::string TFactSlot::GetToString() const { return PrintSlot(*this); }

// --- TFactTemplate --------------------------------------------------------------------------

TFactTemplate::TFactTemplate(TComponent* Owner)
    : FOwner(Owner), FEngine(dynamic_cast<IFactEngine*>(Owner)) {}

TFactTemplate::TFactTemplate(TComponent* Owner, const std::string& Name) : TFactTemplate(Owner) {
  CheckConstructName(Name);
  FTemplateName = Name;
}

TFactTemplate::TFactTemplate(TComponent* Owner, const IFactTemplate& Template,
                             const std::string& Comment, const std::string& Name)
    : TFactTemplate(Owner) {
  if (Template) CopyFrom(*Template);
  CheckConstructName(Name);
  FTemplateName = Name;
  FComment = Comment;
  FParent = Template && Template->Owner() == FOwner ? Template : IFactTemplate();
}

TFactTemplate::~TFactTemplate() {
  for (IFactSlot& S : FSlots)
    if (S) S->FTemplate = nullptr;
}

void TFactTemplate::SetTemplateName(const TIEName& Value) {
  if (Value == FTemplateName) return;
  CheckConstructName(Value);
  if (FEngine) FEngine->FactTemplateRenaming(this, FTemplateName, Value);
  FTemplateName = Value;
}

void TFactTemplate::SetParent(const IFactTemplate& Value) {
  FParent = Value && Value->Owner() == FOwner && Value.Get() != this ? Value : IFactTemplate();
}

bool TFactTemplate::IsFuzzy() const {
  if (!FFuzzyValid) {
    FFuzzy = false;
    for (int I : FOrder)
      if (FSlots[I]->IsFuzzy()) FFuzzy = true;
    FFuzzyValid = true;
  }
  return FFuzzy;
}

TFactSlot* TFactTemplate::FindSlot(const std::string& Name) const {
  auto It = FByName.find(Name);
  return It == FByName.end() ? nullptr : FSlots[It->second].Get();
}

IFactSlot TFactTemplate::GetSlot(const std::string& Name) const {
  TFactSlot* S = FindSlot(Name);
  if (!S) throw EIEException(Format(SInvalidSlotName, {Name}));
  return IFactSlot(S);
}

bool TFactTemplate::ContainsSlot(const std::string& Name, IFactSlot& Slot) const {
  Slot = IFactSlot(FindSlot(Name));
  return static_cast<bool>(Slot);
}

std::vector<IFactSlot> TFactTemplate::Slots() const {
  std::vector<IFactSlot> R;
  R.reserve(FOrder.size());
  for (int I : FOrder) R.push_back(FSlots[I]);
  return R;
}

std::vector<std::string> TFactTemplate::GetSlotNames() const {
  std::vector<std::string> R;
  R.reserve(FSorted.size());
  for (int I : FSorted) R.push_back(FSlots[I]->Name());
  return R;
}

IFactSlot TFactTemplate::ContainsType(const TIEDefinedType* DefinedType) const {
  for (int I : FOrder)
    if (FSlots[I]->ExtendedTypeInfo().Get() == DefinedType) return FSlots[I];
  return {};
}

void TFactTemplate::RebuildSorted() {
  FSorted = FOrder;
  std::stable_sort(FSorted.begin(), FSorted.end(), [this](int A, int B) {
    return CompareText(FSlots[A]->Name(), FSlots[B]->Name()) < 0;
  });
}

void TFactTemplate::UpdateOrdered() {
  FOrdered = FByName.size() <= 1 && FByName.count(SDefaultSlotName) != 0;
}

void TFactTemplate::NewSlotName(TFactSlot* Slot, const std::string& NewName) {
  InvalidateNames();
  auto Existing = FByName.find(NewName);
  if (Existing != FByName.end() && FSlots[Existing->second].Get() != Slot) RemoveSlot(NewName);
  if (Slot->FIndex >= 0 && Slot->FIndex < static_cast<int>(FSlots.size()) &&
      FSlots[Slot->FIndex].Get() == Slot) {
    FByName.erase(Slot->FName);
  } else {
    Slot->FIndex = static_cast<int>(FSlots.size());
    FSlots.emplace_back(Slot);
    FOrder.push_back(Slot->FIndex);
    InvalidateTypes();
  }
  FByName[NewName] = Slot->FIndex;
  // Sorting reads the names: put the new one in place first.
  std::string Old = Slot->FName;
  Slot->FName = NewName;
  RebuildSorted();
  Slot->FName = Old;
  UpdateOrdered();
}

void TFactTemplate::NewSlotDefault(TFactSlot*, IIEValue& Default) {
  // A call default is evaluated per fact: keep a copy of its own.
  if (Default && Default->DType() == dtFunCall) Default = Default->Clone();
}

void TFactTemplate::NewSlotType(TFactSlot*, TIETypes) { InvalidateTypes(); }

IFactSlot TFactTemplate::AddSlot(const std::string& Name, const IIEValue& Default) {
  if (!Default) throw EIEException(SBadSlotType);
  if (Default->DType() == dtList)
    throw EIEException(Format(SInvalidSlotDefault, {Default->ToString()}));
  if (Trim(Name).empty()) throw EIEException(Format(SBadSlotName, {Name}));
  if (TFactSlot* S = FindSlot(Name)) {
    if (S->SlotDefault() && S->SlotDefault()->DType() == dtList)
      throw EIEException(SInvalidExistingSlotChange);
    S->SetSlotDefault(Default);
    return IFactSlot(S);
  }
  CheckConstructName(Name);
  IFactSlot S = NewRef<TFactSlot>(this);
  S->FSlotType = IESlotTypes;
  S->SetSlotDefault(Default);
  S->SetName(Name);
  UpdateOrdered();
  return S;
}

IFactSlot TFactTemplate::AddMultiSlot(const std::string& Name, const IIEValue& Default) {
  if (!Default) throw EIEException(SBadSlotType);
  if (Default->DType() != dtList)
    throw EIEException(Format(SInvalidDefaultMultislotValue,
                              {Default->DType() == dtNone ? std::string() : Default->ToString()}));
  if (Trim(Name).empty()) throw EIEException(Format(SBadSlotName, {Name}));
  if (TFactSlot* S = FindSlot(Name)) {
    if (S->SlotDefault() && S->SlotDefault()->DType() != dtList)
      throw EIEException(SInvalidExistingMultiSlotChange);
    S->SetSlotDefault(Default);
    return IFactSlot(S);
  }
  CheckConstructName(Name);
  IFactSlot S = NewRef<TFactSlot>(this);
  S->FSlotType = IESlotTypes + IEMultiSlotTypes;
  S->SetSlotDefault(Default);
  S->SetName(Name);
  UpdateOrdered();
  return S;
}

IFactSlot TFactTemplate::AddSlot(const IFactSlot& Slot) {
  if (!Slot) throw EIEException(SBadSlotType);
  IFactSlot S = NewRef<TFactSlot>(this);
  S->AssignFrom(Slot.Get());
  UpdateOrdered();
  return S;
}

void TFactTemplate::SetSlot(const std::string& Name, const IFactSlot& Slot) {
  if (!Slot || Slot->Name() != Name)
    throw EIEException(Format(SNoIndexNameMatch, {Name, Slot ? Slot->Name() : std::string()}));
  if (FindSlot(Name) == Slot.Get()) return;
  if (Slot->FTemplate && Slot->FTemplate != this) Slot->FTemplate->RemoveSlot(Name);
  auto It = FByName.find(Name);
  if (It != FByName.end()) {
    FSlots[It->second]->FTemplate = nullptr;
    Slot->FIndex = It->second;
    FSlots[It->second] = Slot;
  } else {
    Slot->FIndex = static_cast<int>(FSlots.size());
    FSlots.push_back(Slot);
    FOrder.push_back(Slot->FIndex);
    FByName[Name] = Slot->FIndex;
  }
  Slot->FTemplate = this;
  InvalidateNames();
  InvalidateTypes();
  RebuildSorted();
  UpdateOrdered();
}

void TFactTemplate::RemoveSlot(const std::string& Name) {
  auto It = FByName.find(Name);
  if (It == FByName.end()) throw EIEException(Format(SInvalidSlotName, {Name}));
  int Index = It->second;
  FByName.erase(It);
  FSlots[Index]->FTemplate = nullptr;
  FSlots[Index] = nullptr;
  FOrder.erase(std::find(FOrder.begin(), FOrder.end(), Index));
  InvalidateNames();
  InvalidateTypes();
  RebuildSorted();
  UpdateOrdered();
}

void TFactTemplate::ClearSlots() {
  for (IFactSlot& S : FSlots)
    if (S) S->FTemplate = nullptr;
  FSlots.clear();
  FByName.clear();
  FOrder.clear();
  FSorted.clear();
  InvalidateNames();
  InvalidateTypes();
  UpdateOrdered();
}

void TFactTemplate::AssignSlots(const IFactTemplate& Template) {
  if (!Template || Template.Get() == this) return;
  std::vector<IFactSlot> Source = Template->Slots();
  ClearSlots();
  for (const IFactSlot& S : Source) {
    if (FEngine) {
      // Read the slot back in this engine so that its defined type and default belong here.
      IFactSlot Parsed = FEngine->ParseFactSlotText(S->GetToString());
      AddSlot(Parsed ? Parsed : S);
    } else {
      AddSlot(S);
    }
  }
}

IFact TFactTemplate::NewFact() {
  IFact F = NewRef<TFact>(IFactTemplate(this));
  FillFactWithDefaults(*F);
  return F;
}

void TFactTemplate::FillFactWithDefaults(TFact& Fact) {
  if (!Fact.Template()) throw EIEException(SNoTemplate);
  if (Fact.TemplatePtr() != this)
    throw EIEException(
        Format(SFactTemplatesDifferent, {Fact.Template()->TemplateName(), FTemplateName}));
  for (int I : FSorted) {
    TFactSlot* S = FSlots[I].Get();
    IIEValue V = S->SlotDefault() ? PrivateCopy(S->SlotDefault()) : FCNil;
    if (S->DefaultDynamic() && FEngine && V) V = V->Resolve(FEngine->FactContext());
    Fact.PutValueAt(I, V);
  }
}

void TFactTemplate::CopyFrom(const TFactTemplate& Source) {
  if (&Source == this) return;
  ClearSlots();
  FBackwardChaining = Source.FBackwardChaining;
  for (int I : Source.FOrder) AddSlot(Source.FSlots[I]);
  UpdateOrdered();
}

IFactTemplate TFactTemplate::Clone() const { return Clone(FOwner); }

IFactTemplate TFactTemplate::Clone(TComponent* Owner) const {
  IFactTemplate R = NewRef<TFactTemplate>(Owner);
  R->FTemplateName = FTemplateName;
  R->FComment = FComment;
  R->FBackwardChaining = FBackwardChaining;
  R->FTag = FTag;
  if (Owner == FOwner) R->FParent = FParent;
  if (R->FEngine && R->FEngine != FEngine)
    R->AssignSlots(IFactTemplate(const_cast<TFactTemplate*>(this)));
  else
    for (int I : FOrder) R->AddSlot(FSlots[I]);
  R->UpdateOrdered();
  return R;
}

void TFactTemplate::Assign(TPersistent* Source) {
  if (auto* T = dynamic_cast<TFactTemplate*>(Source)) {
    AssignFrom(T);
    return;
  }
  TCloneable::Assign(Source);
}

void TFactTemplate::AssignFrom(const TCloneable* Source) {
  auto* T = dynamic_cast<const TFactTemplate*>(Source);
  if (!T) RaiseAssignError(Source, this);
  if (T == this) return;
  FTemplateName = T->FTemplateName;
  FComment = T->FComment;
  FTag = T->FTag;
  FParent = T->FOwner == FOwner ? T->FParent : IFactTemplate();
  if (FEngine && T->FEngine != FEngine) {
    FBackwardChaining = T->FBackwardChaining;
    AssignSlots(IFactTemplate(const_cast<TFactTemplate*>(T)));
  } else {
    CopyFrom(*T);
  }
}

bool TFactTemplate::Equals(const TCloneable* Other) const {
  if (Other == this) return true;
  auto* T = dynamic_cast<const TFactTemplate*>(Other);
  if (!T) return false;
  if (FOrdered != T->FOrdered || FTemplateName != T->FTemplateName) return false;
  for (int I : FOrder) {
    TFactSlot* Mine = FSlots[I].Get();
    TFactSlot* Theirs = T->FindSlot(Mine->Name());
    if (!Theirs || !Mine->Equals(Theirs)) return false;
  }
  return true;
}

int32_t TFactTemplate::GetHashCode() const {
  if (!FHashValid) {
    std::string T = FTemplateName;
    for (int I : FSorted) T += FSlots[I]->Name() + NewLineString;
    FHash = CalculateHash(T, 1);
    FHashValid = true;
  }
  return FHash;
}

std::string TFactTemplate::GetToString() const { return PrintTemplate(*this); }

}  // namespace norvale
