#include "engine/functions/IEPackages.h"

#include <algorithm>
#include <sstream>
#include <typeinfo>

#include "engine/engine/InferenceEngine.h"
#include "platform/Format.h"
#include "platform/Streaming.h"
#include "platform/TypeInfo.h"

namespace norvale {

// --- TReasonerList and TCustomReasonerOwner ---------------------------------------------------

void TReasonerList::Notify(IReasoner* Reasoner, TListNotification Action) {
  if (FOwner) FOwner->ReasonerNotification(Reasoner, Action);
}

void TCustomReasonerOwner::ReasonerNotification(IReasoner*, TListNotification) {}

// --- TUserFunctionList ------------------------------------------------------------------------

TUserFunctionList::TUserFunctionList(TUserPackage* Package) : FPackage(Package) {
  FItems.reserve(100);
}

void TUserFunctionList::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index >= Limit)
    throw EListError(Format("List index out of bounds (%d)", {Index}));
}

void TUserFunctionList::Notify(const IUserFunction& Function, TListNotification Action) {
  if (FPackage) FPackage->FunctionNotification(Function, Action);
}

int TUserFunctionList::Add(const IUserFunction& Function) {
  if (!Function) return -1;
  int Index = IndexOf(Function);
  if (Index >= 0) return Index;
  FItems.push_back(Function);
  Index = Count() - 1;
  Notify(Function, lnAdded);
  return Index;
}

void TUserFunctionList::Insert(int Index, const IUserFunction& Function) {
  if (!Function || IndexOf(Function) >= 0) return;
  CheckIndex(Index, Count() + 1);
  FItems.insert(FItems.begin() + Index, Function);
  Notify(Function, lnAdded);
}

void TUserFunctionList::Delete(int Index) {
  CheckIndex(Index, Count());
  IUserFunction F = FItems[Index];  // alive while the package is told
  FItems.erase(FItems.begin() + Index);
  Notify(F, lnDeleted);
}

IUserFunction TUserFunctionList::Extract(const IUserFunction& Function) {
  int Index = IndexOf(Function);
  if (Index < 0) return nullptr;
  IUserFunction F = FItems[Index];
  FItems.erase(FItems.begin() + Index);
  Notify(F, lnExtracted);
  return F;
}

int TUserFunctionList::Remove(const IUserFunction& Function) {
  int Index = IndexOf(Function);
  if (Index >= 0) Delete(Index);
  return Index;
}

void TUserFunctionList::Clear() {
  while (!FItems.empty()) Delete(Count() - 1);
}

void TUserFunctionList::Assign(const TUserFunctionList& Source) {
  if (&Source == this) return;
  std::vector<IUserFunction> Items = Source.FItems;  // Source may change while we notify
  Clear();
  for (const IUserFunction& F : Items) Add(F);
}

int TUserFunctionList::IndexOf(const IUserFunction& Function) const noexcept {
  auto It = std::find(FItems.begin(), FItems.end(), Function);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

const IUserFunction& TUserFunctionList::Items(int Index) const {
  CheckIndex(Index, Count());
  return FItems[Index];
}

std::string TUserFunctionList::GetToString() const {
  std::string R;
  for (const IUserFunction& F : FItems) R += F->FunctionName() + NewLineString;
  return R;
}

// --- TUserPackage -----------------------------------------------------------------------------

TUserPackage::TUserPackage(TComponent* Owner) : TCustomReasonerOwner(Owner) {
  // The package watches the components it needs with free notification.
  SetSiblingNotifications(false);
  if (auto* Reasoner = dynamic_cast<IReasoner*>(Owner)) Reasoners().Add(Reasoner);
}

TUserPackage::~TUserPackage() { Detach(); }

void TUserPackage::AfterConstruction() {
  TCustomReasonerOwner::AfterConstruction();
  CreateFunctions();
}

void TUserPackage::BeforeDestruction() {
  Detach();
  TCustomReasonerOwner::BeforeDestruction();
}

void TUserPackage::Detach() {
  Reasoners().Clear();
  FFunctions.Clear();
  if (FEngineComponent) RemoveFreeNotification(FEngineComponent);
  FEngine = nullptr;
  FEngineComponent = nullptr;
}

void TUserPackage::CreateFunctions() { OnCreateFunctions(this); }

void TUserPackage::SetEngine(TInferenceEngine* Value) {
  if (Value == FEngine) return;
  if (FEngine) {
    TComponent* Old = FEngineComponent;
    IReasoner* OldReasoner = FEngine;
    FEngine = nullptr;
    FEngineComponent = nullptr;
    RemoveFreeNotification(Old);
    // Removing it unregisters every function; a reasoner list of design time never had it.
    if (!Designing()) Reasoners().Remove(OldReasoner);
  }
  if (!Value) return;
  FEngine = Value;
  FEngineComponent = Value;
  if (!Designing()) Reasoners().Add(Value);
  FreeNotification(Value);
}

void TUserPackage::SetReset(bool Value) {
  if (!Value) return;
  FFunctions.Clear();
  CreateFunctions();
}

int TUserPackage::IndexOf(const TIEName& Name) const {
  for (int I = 0; I < FFunctions.Count(); ++I)
    if (FFunctions.List()[I]->FunctionName() == Name) return I;
  return -1;
}

void TUserPackage::Assign(TPersistent* Source) {
  if (auto* P = dynamic_cast<TUserPackage*>(Source)) {
    FFunctions.Assign(P->FFunctions);
    return;
  }
  TCustomReasonerOwner::Assign(Source);
}

void TUserPackage::ReasonerNotification(IReasoner* Reasoner, TListNotification Action) {
  if (!Reasoner) return;
  if (Action == lnAdded) {
    if (auto* C = dynamic_cast<TComponent*>(Reasoner)) {
      FReasonerComponents.push_back({Reasoner, C});
      FreeNotification(C);
    }
    AddFunctions(Reasoner);
    return;
  }
  auto It = std::find_if(FReasonerComponents.begin(), FReasonerComponents.end(),
                         [&](const TReasonerComponent& R) { return R.Reasoner == Reasoner; });
  if (It != FReasonerComponents.end()) {
    TComponent* C = It->Component;
    FReasonerComponents.erase(It);
    if (C != FEngineComponent) RemoveFreeNotification(C);
  }
  if (FEngine && Reasoner == static_cast<IReasoner*>(FEngine)) {
    if (FEngineComponent) RemoveFreeNotification(FEngineComponent);
    FEngine = nullptr;
    FEngineComponent = nullptr;
  }
  RemoveFunctions(Reasoner);
}

void TUserPackage::FunctionNotification(const IUserFunction& Function, TListNotification Action) {
  if (!Function || Reasoners().Count() == 0) return;
  if (Action == lnAdded)
    AddReasoners(Function);
  else
    RemoveReasoners(Function);
}

void TUserPackage::AddFunctions(IReasoner* Reasoner) {
  // A copy: registering may run code that changes the list.
  const std::vector<IUserFunction> Items = FFunctions.List();
  for (const IUserFunction& F : Items) F->AddReasoner(Reasoner);
}

void TUserPackage::RemoveFunctions(IReasoner* Reasoner) {
  const std::vector<IUserFunction> Items = FFunctions.List();
  for (const IUserFunction& F : Items)
    if (F->IndexOfReasoner(Reasoner) >= 0) F->DeleteReasoner(Reasoner);
}

void TUserPackage::AddReasoners(const IUserFunction& Function) {
  const std::vector<IReasoner*> Items = Reasoners().Items();
  for (IReasoner* R : Items) Function->AddReasoner(R);
}

void TUserPackage::RemoveReasoners(const IUserFunction& Function) {
  const std::vector<IReasoner*> Items = Reasoners().Items();
  for (IReasoner* R : Items) Function->DeleteReasoner(R);
}

void TUserPackage::DropReasoner(IReasoner* Reasoner) {
  FReasonerComponents.erase(
      std::remove_if(FReasonerComponents.begin(), FReasonerComponents.end(),
                     [&](const TReasonerComponent& R) { return R.Reasoner == Reasoner; }),
      FReasonerComponents.end());
  Reasoners().Forget(Reasoner);
  for (const IUserFunction& F : FFunctions.List()) F->Reasoners().Forget(Reasoner);
}

void TUserPackage::Notification(TComponent* Component, TOperation Operation) {
  TCustomReasonerOwner::Notification(Component, Operation);
  if (Operation != opRemove || !Component) return;
  if (Component == FEngineComponent) {
    FEngine = nullptr;
    FEngineComponent = nullptr;
  }
  // A reasoner being freed is not called back: it ignores what it is told while it goes, and
  // one that is deleted outright has lost its reasoner part by now.
  std::vector<IReasoner*> Gone;
  for (const TReasonerComponent& R : FReasonerComponents)
    if (R.Component == Component) Gone.push_back(R.Reasoner);
  for (IReasoner* R : Gone) DropReasoner(R);
}

// --- streaming --------------------------------------------------------------------------------

void TUserPackage::DefineProperties(TFiler& Filer) {
  TCustomReasonerOwner::DefineProperties(Filer);
  Filer.DefineProperty(
      "PackageFunctions", [this](TReader& Reader) { ReadFunctions(Reader); },
      [this](TWriter& Writer) { WriteFunctions(Writer); }, true);
}

void TUserPackage::WriteFunctions(TWriter& Writer) const {
  for (const IUserFunction& F : FFunctions.List()) {
    // A deffunction's statements are not in its data: it could only come back empty.
    if (F->IsInterpreted()) continue;
    Writer.WriteString(F->GetClassName());
    std::ostringstream Data;
    F->WriteData(Data);
    std::istringstream Lines(Data.str());
    std::string Line;
    while (std::getline(Lines, Line))
      if (!Trim(Line).empty()) Writer.WriteRawLine(Line);
  }
}

void TUserPackage::ReadFunctions(TReader& Reader) {
  static const TClassInfo* const FunctionClass =
      TClassRegistry::Instance().Find(typeid(TIEUserFunction));
  FFunctions.Clear();
  while (!Reader.EndOfList()) {
    const std::string ClassName = Reader.ReadString();
    const TClassInfo& Info = TClassRegistry::Instance().Get(ClassName);
    if (!Info.InheritsFrom(FunctionClass))
      throw EStreamError(Format("Class %s is not a function class", {ClassName}));
    // A function class's factory hands over the new function with one reference.
    IUserFunction F = IUserFunction::Adopt(dynamic_cast<TIEUserFunction*>(Info.Create()));
    if (!F) throw EStreamError(Format("Class %s is not a function class", {ClassName}));
    F->ReadData(Reader.Stream());
    FFunctions.Add(F);
  }
}

// --- class registry ---------------------------------------------------------------------------

namespace {

const bool Registered =
    (RegisterClass<TCustomReasonerOwner, TComponent>("TCustomReasonerOwner"),
     RegisterClass<TUserPackage, TCustomReasonerOwner>("TUserPackage")
         .Property("Engine", &TUserPackage::Engine, &TUserPackage::SetEngine)
         .Property("Reset", &TUserPackage::Reset, &TUserPackage::SetReset, false)
         .Event("OnCreateFunctions", &TUserPackage::OnCreateFunctions, "TNotifyEvent"),
     true);

}  // namespace

}  // namespace norvale
