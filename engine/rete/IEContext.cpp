#include "engine/rete/IEContext.h"

#include <algorithm>
#include <memory>

#include "engine/core/ValueVector.h"

namespace norvale {

namespace {

TFuzzyFactResolver GFuzzyFactResolver = nullptr;

// Frees a binding that is not (or no longer) held by a table.
struct TBindingFree {
  void operator()(TBinding* B) const { Free(B); }
};
using TBindingHolder = std::unique_ptr<TBinding, TBindingFree>;

}  // namespace

void SetFuzzyFactResolver(TFuzzyFactResolver Resolver) { GFuzzyFactResolver = Resolver; }

// --- TBinding ------------------------------------------------------------------------------------

TBinding::TBinding(const TIEName& Name, int FactIndex, const std::string& SlotIndex, int SubIndex)
    : TBindingInfo(FactIndex, SlotIndex, SubIndex), FName(Name) {}

TBinding::TBinding(const TIEName& Name, const IIEValue& Value)
    : TBindingInfo(LocalBindingIndex, SLocalBinding, NoSubIndex), FName(Name), FValue(Value) {}

void TBinding::Assign(TPersistent* Source) {
  TBindingInfo::Assign(Source);
  if (auto* B = dynamic_cast<TBinding*>(Source)) {
    FName = B->FName;
    FValue = B->FValue;
  }
}

bool TBinding::Equals(const TBindingInfo* Other) const {
  auto* B = dynamic_cast<const TBinding*>(Other);
  if (!B || !TBindingInfo::Equals(Other) || FName != B->FName) return false;
  return FValue == B->FValue || (FValue && FValue->Equals(B->FValue));
}

std::string TBinding::ToString() const {
  std::string R = "name=" + FName;
  if (FValue) R += " value=" + FValue->ToString();
  return R + " " + TBindingInfo::ToString();
}

// --- TBindings -----------------------------------------------------------------------------------

// Destruction frees the bindings without telling the context, which is going away itself.
TBindings::~TBindings() {
  for (TBinding* B : FOrder) Free(B);
}

void TBindings::Add(TBinding* Binding) {
  if (!Binding) return;
  TBindingHolder Hold(Binding);
  auto It = FItems.find(Binding->Name());
  if (It != FItems.end()) {
    if (It->second == Binding) {
      Hold.release();
      return;
    }
    Remove(Binding->Name());
  }
  FOrder.reserve(FOrder.size() + 1);
  FItems.emplace(Binding->Name(), Binding);
  FOrder.push_back(Hold.release());
  if (FContext) FContext->Notify(Binding, tnAdded);
}

TBinding* TBindings::Find(const std::string& Name) const {
  auto It = FItems.find(Name);
  return It == FItems.end() ? nullptr : It->second;
}

void TBindings::Remove(const std::string& Name) {
  auto It = FItems.find(Name);
  if (It == FItems.end()) return;
  TBindingHolder Old(It->second);
  FItems.erase(It);
  FOrder.erase(std::find(FOrder.begin(), FOrder.end(), Old.get()));
  if (FContext) FContext->Notify(Old.get(), tnDeleted);
}

void TBindings::Clear() {
  std::vector<TBinding*> Old;
  Old.swap(FOrder);
  FItems.clear();
  for (TBinding* B : Old) Free(B);
  if (FContext) FContext->Notify(nullptr, tnCleared);
}

// --- TIEContext: scopes --------------------------------------------------------------------------

TIEContext::TIEContext(TIEContext* Parent, TInferenceEngine* Engine)
    : FEngine(Engine), FBindings(this), FParent(Parent) {}

TIEContext::~TIEContext() = default;

TIEContext* TIEContext::Push() { return NewObject<TIEContext>(this, FEngine); }

TIEContext* TIEContext::Pop() {
  if (!FParent) return this;
  FParent->FReturnFlag = FReturnFlag;
  FParent->FReturnValue = FReturnValue;
  return FParent;
}

TIEContext* TIEContext::Outermost() noexcept {
  TIEContext* C = this;
  while (C->FParent) C = C->FParent;
  return C;
}

const TIEContext* TIEContext::Outermost() const noexcept {
  const TIEContext* C = this;
  while (C->FParent) C = C->FParent;
  return C;
}

TBinding* TIEContext::FindBinding(const std::string& Name) const {
  for (const TIEContext* C = this; C; C = C->FParent)
    if (TBinding* B = C->FBindings.Find(Name)) return B;
  return nullptr;
}

TBinding* TIEContext::FindGlobalBinding(const std::string& Name) const {
  return Outermost()->FBindings.Find(Name);
}

// --- TIEContext: bindings ------------------------------------------------------------------------

TBinding* TIEContext::AddLocalBinding(const TIEName& Name, const IIEValue& Value) {
  TBinding* B = NewObject<TBinding>(Name, Value);
  FBindings.Add(B);
  return B;
}

TBinding* TIEContext::AddBinding(const TIEName& Name, const IIEValue& Value) {
  if (TBinding* B = FindBinding(Name)) {
    B->SetValue(Value);
    return B;
  }
  return AddLocalBinding(Name, Value);
}

// Always this scope's own table: a binding of the name in an enclosing scope is shadowed, never
// replaced (its table still holds it).
TBinding* TIEContext::AddBinding(const TIEName& Name, int FactIndex, const std::string& SlotIndex,
                                 int SubIndex) {
  TBinding* B = NewObject<TBinding>(Name, FactIndex, SlotIndex, SubIndex);
  FBindings.Add(B);
  return B;
}

void TIEContext::SetVariable(const TIEName& Name, const IIEValue& Value) {
  if (TBinding* B = FBindings.Find(Name)) {
    B->SetValue(Value);
    return;
  }
  AddBinding(Name, Value);
}

void TIEContext::AddGlobalBinding(const TIEName& Name, const IIEValue& Value) {
  TIEContext* Global = Outermost();
  if (TBinding* B = Global->FBindings.Find(Name)) {
    B->SetValue(Value);
    return;
  }
  Global->AddLocalBinding(Name, Value);
}

IIEValue TIEContext::GetVariable(const std::string& Name) const {
  TBinding* B = FindBinding(Name);
  if (!B) throw EIEException(Format(SUnknownVariable, {Name}));
  return B->Value();
}

void TIEContext::Clear() { FBindings.Clear(); }

// --- TIEContext: return state --------------------------------------------------------------------

void TIEContext::SetReturnValue(const IIEValue& Value) {
  FReturnValue = Value;
  FReturnFlag = true;
}

void TIEContext::ClearReturnValue() {
  FReturnFlag = false;
  FReturnValue = nullptr;
}

void TIEContext::Notify(TBinding* /*Binding*/, TTableNotification Action) {
  if (Action == tnCleared) ClearReturnValue();
}

void TIEContext::Assign(TPersistent* Source) {
  if (auto* C = dynamic_cast<TIEContext*>(Source)) {
    if (C == this) return;
    FReturnFlag = C->FReturnFlag;
    FReturnValue = C->FReturnValue ? C->FReturnValue->Clone() : IIEValue();
    return;
  }
  TPersistent::Assign(Source);
}

// --- TIEContext: resolving -----------------------------------------------------------------------

IIEValue TIEContext::ResolveBinding(const TBindingInfo& Info) const {
  const int Index = Info.FactIndex();
  const TIEToken* Token = FToken.Get();
  const int Held = Token ? Token->Count() : 0;
  TFact* Fact = nullptr;
  if (FFact && Held == Index) {
    Fact = FFact.Get();  // the fact being matched, not yet in the token
  } else if (Token && Index >= 0 && Index < Held) {
    Fact = Token->Facts(Index);
  }
  if (!Fact) throw EIEException(Format(SBindingFactMissing, {Info.ToString()}));

  const std::string& Slot = Info.SlotIndex();
  if (Slot == SPatternBinding) return NewFactId(Fact->ID());
  TFactTemplate* Template = Fact->TemplatePtr();
  TFactSlot* S = Template ? Template->FindSlot(Slot) : nullptr;
  if (!S) throw EIEException(Format(SInvalidSlotName, {Slot}));
  const IIEValue& Value = Fact->ValueAt(S->Index());
  if (Info.SubIndex() == NoSubIndex) return Value;

  const TValueVector* List = Value && Value->DType() == dtList ? Value->ListPtr() : nullptr;
  if (!List || Info.SubIndex() < 0 || Info.SubIndex() >= List->Count())
    throw EIEException(Format(SBindingFieldMissing, {Info.ToString()}));
  return List->Get(Info.SubIndex());
}

IFact TIEContext::Resolve(const IFact& Fact) {
  if (!Fact || !Fact->TemplatePtr()) return Fact;
  TFactTemplate* Template = Fact->TemplatePtr();
  const bool Fuzzy = Template->IsFuzzy();
  if (Fuzzy && GFuzzyFactResolver) {
    GFuzzyFactResolver(*this, *Fact);
    return Fact;
  }
  // A copy: setting a slot must not disturb the iteration should the template change.
  const std::vector<int> Positions = Template->SortedSlots();
  for (int Index : Positions) {
    TFactSlot* Slot = Template->SlotAt(Index);
    if (!Slot) continue;
    IIEValue Value = Fact->ValueAt(Index);
    if (!Value) continue;
    IIEValue Result = Value->Resolve(this);
    // A new list value: the old one may be shared (a binding's value, a pattern constant).
    if (!Fuzzy && Result && Result->DType() == dtList && Result->ListPtr())
      Result = NewList(ExpandList(*Result->ListPtr()));
    if (Result != Value) Fact->SetValue(Slot->Name(), Result);
  }
  return Fact;
}

IValueVector TIEContext::ExpandList(const TValueVector& List) {
  IValueVector R = NewRef<TValueVector>();
  R->Reserve(List.Count());
  for (const IIEValue& Item : List.Values()) {
    IIEValue Value = Item ? Item->Resolve(this) : Item;
    if (Value && Value->DType() == dtList && Value->ListPtr())
      R->Append(*ExpandList(*Value->ListPtr()));
    else
      R->Add(Value);
  }
  return R;
}

namespace {

void FlattenInto(const TValueVector& List, TValueVector& Into) {
  for (const IIEValue& Item : List.Values()) {
    if (Item && Item->DType() == dtList && Item->ListPtr())
      FlattenInto(*Item->ListPtr(), Into);
    else
      Into.Add(Item);
  }
}

}  // namespace

IValueVector TIEContext::FlattenList(const TValueVector& List) {
  IValueVector R = NewRef<TValueVector>();
  FlattenInto(List, *R);
  return R;
}

// --- resolving variables and binding references in a context ------------------------------------

namespace {

IIEValue ResolveInContext(const TIEValue& Value, TObject* Context) {
  auto* C = dynamic_cast<TIEContext*>(Context);
  if (!C) throw EIEException(Format(SNoContext, {GetIETypeName(Value.DType())}));
  switch (Value.DType()) {
    case dtVariable:
    case dtMultiVariable: {
      TBinding* B = C->FindBinding(Value.Text());
      if (!B || !B->Value()) throw EIEException(Format(SCorruptedVariable, {Value.Text()}));
      return B->Value();
    }
    case dtObject:
      if (auto* Info = dynamic_cast<const TBindingInfo*>(Value.AsObject()))
        return C->ResolveBinding(*Info);
      break;
    default:
      break;
  }
  return IIEValue(const_cast<TIEValue*>(&Value));
}

const bool Installed = (SetContextResolver(&ResolveInContext), true);

const bool Registered =
    (RegisterClass<TBinding, TBindingInfo>("TBinding").ReadOnly("Name", &TBinding::Name),
     RegisterClass<TIEContext, TPersistent>("TIEContext"), true);

}  // namespace

}  // namespace norvale
