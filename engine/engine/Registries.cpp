#include "engine/engine/Registries.h"

#include <algorithm>
#include <functional>

#include "engine/core/IEFuzzy.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/functions/InterpretedFunction.h"
#include "engine/language/IEPrinter.h"

namespace norvale {

namespace {

// Entries without a parent first (in the given order), then the others, each after its parent;
// a cycle raises Message.
template <class T, class ParentOf>
std::vector<T> InheritanceOrder(const std::vector<T>& Items, ParentOf Parent, const char* Message) {
  std::vector<T> Result;
  std::vector<T> Derived;
  for (const T& I : Items) (Parent(I) ? Derived : Result).push_back(I);
  // 0 unvisited, 1 on the current path, 2 placed.
  std::unordered_map<const void*, int> State;
  for (const T& I : Result) State[I.Get()] = 2;
  std::function<void(const T&)> Place = [&](const T& I) {
    int& S = State[I.Get()];
    if (S == 2) return;
    if (S == 1) throw EIEException(Message);
    S = 1;
    const T P = Parent(I);
    // A parent that is not registered here is printed elsewhere, or not at all.
    if (P && std::find(Derived.begin(), Derived.end(), P) != Derived.end()) Place(P);
    State[I.Get()] = 2;
    Result.push_back(I);
  };
  for (const T& I : Derived) Place(I);
  return Result;
}

// A construct arrives under a name another one holds: true when the engine's policy says the
// new one takes the place, false when it is ignored; under dcError raises Message with the name.
bool TakesThePlace(const TInferenceEngine* Engine, const char* Message, const std::string& Name) {
  switch (Engine ? Engine->DuplicateConstructs() : dcOverwrite) {
    case dcIgnore:
      return false;
    case dcError:
      throw EIEException(Format(Message, {Name}));
    case dcOverwrite:
      break;
  }
  return true;
}

// Where the duplicate index files a fact key.
inline uint64_t IndexHash(int32_t Key) noexcept { return MixHash(static_cast<uint32_t>(Key)); }

}  // namespace

// --- TFacts -------------------------------------------------------------------------------

TFacts::TFacts(TInferenceEngine* Engine) : FEngine(Engine) {}

TFacts::~TFacts() {
  // Freeing the list must not retract through the engine.
  FInternal = true;
  FByKey.Clear();
  ClearIDs();
  FSlots.clear();
}

TFact* TFacts::ByID(int32_t ID) const {
  const int64_t Offset = static_cast<int64_t>(ID) - FDenseBase;
  if (Offset >= 0 && Offset < static_cast<int64_t>(FByDenseID.size() - FDenseHead))
    return FByDenseID[FDenseHead + static_cast<size_t>(Offset)];
  if (FBySparseID.empty()) return nullptr;
  auto It = FBySparseID.find(ID);
  return It == FBySparseID.end() ? nullptr : It->second;
}

void TFacts::PutID(TFact* Fact) {
  const int32_t ID = Fact->ID();
  // An empty window (every way of emptying one leaves no entries) starts at this ID.
  if (FDenseLive == 0) FDenseBase = ID;
  const int64_t Offset = static_cast<int64_t>(ID) - FDenseBase;
  const size_t Used = FByDenseID.size() - FDenseHead;
  if (Offset >= 0 && Offset < static_cast<int64_t>(Used + 1024 + 2 * static_cast<size_t>(FLive))) {
    const size_t At = FDenseHead + static_cast<size_t>(Offset);
    if (At >= FByDenseID.size()) FByDenseID.resize(At + 1, nullptr);
    if (!FByDenseID[At]) ++FDenseLive;
    FByDenseID[At] = Fact;
  } else {
    FBySparseID[ID] = Fact;
  }
}

void TFacts::DropID(TFact* Fact) {
  const int32_t ID = Fact->ID();
  const int64_t Offset = static_cast<int64_t>(ID) - FDenseBase;
  const size_t Used = FByDenseID.size() - FDenseHead;
  if (Offset >= 0 && Offset < static_cast<int64_t>(Used)) {
    TFact*& Entry = FByDenseID[FDenseHead + static_cast<size_t>(Offset)];
    if (Entry != Fact) return;
    Entry = nullptr;
    if (--FDenseLive == 0) {
      // Nothing left: the window's storage goes back when it was large.
      if (FByDenseID.capacity() > 4096) std::vector<TFact*>().swap(FByDenseID);
      FByDenseID.clear();
      FDenseHead = 0;
      return;
    }
    // The empty ends go; the front is dropped in bulk once it is half the table.
    while (!FByDenseID.back()) FByDenseID.pop_back();
    while (!FByDenseID[FDenseHead]) {
      ++FDenseHead;
      ++FDenseBase;
    }
    if (FDenseHead > FByDenseID.size() / 2) {
      FByDenseID.erase(FByDenseID.begin(), FByDenseID.begin() + static_cast<ptrdiff_t>(FDenseHead));
      FDenseHead = 0;
    }
    const size_t Span = FByDenseID.size() - FDenseHead;
    if (Span > 1024 && static_cast<size_t>(FDenseLive) * 4 < Span) Rewindow();
    return;
  }
  auto It = FBySparseID.find(ID);
  if (It != FBySparseID.end() && It->second == Fact) FBySparseID.erase(It);
  if (FBySparseID.empty() && FBySparseID.bucket_count() > 4096)
    std::unordered_map<int32_t, TFact*>().swap(FBySparseID);
}

void TFacts::Rewindow() {
  for (size_t I = FDenseHead; I < FByDenseID.size(); ++I)
    if (TFact* F = FByDenseID[I]) FBySparseID[F->ID()] = F;
  std::vector<TFact*>().swap(FByDenseID);
  FDenseHead = 0;
  FDenseLive = 0;
}

void TFacts::ClearIDs() {
  std::vector<TFact*>().swap(FByDenseID);
  FDenseHead = 0;
  FDenseBase = 0;
  FDenseLive = 0;
  std::unordered_map<int32_t, TFact*>().swap(FBySparseID);
}

const IFact& TFacts::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FSlots[SlotAt(Index)];
}

std::vector<IFact> TFacts::List() const {
  std::vector<IFact> R;
  R.reserve(FLive);
  for (const IFact& F : FSlots)
    if (F) R.push_back(F);
  return R;
}

int TFacts::SlotAt(int Index) const {
  // Descends the count tree to the slot holding the (Index + 1)-th fact.
  const int N = static_cast<int>(FSlots.size());
  int Pos = 0, Rest = Index + 1;
  int Step = 1;
  while (Step * 2 <= N) Step *= 2;
  for (; Step > 0; Step /= 2)
    if (Pos + Step <= N && FTree[Pos + Step] < Rest) {
      Pos += Step;
      Rest -= FTree[Pos];
    }
  return Pos;  // the 1-based position Pos + 1, as a slot index
}

int TFacts::CountThrough(int Slot) const {
  int Sum = 0;
  for (int I = Slot + 1; I > 0; I -= I & -I) Sum += FTree[I];
  return Sum;
}

void TFacts::AppendSlot(const IFact& Fact) {
  FSlots.push_back(Fact);
  const int I = static_cast<int>(FSlots.size());
  if (FTree.empty()) FTree.push_back(0);
  // Node I counts the slots (I - lowbit(I), I]: the new fact and the older ones in its range.
  int Range = 1;
  for (int J = I - 1; J > I - (I & -I); J -= J & -J) Range += FTree[J];
  FTree.push_back(Range);
  Fact->FBaseSlot = I - 1;
  ++FLive;
}

void TFacts::LayOut(std::vector<IFact> Facts) {
  FSlots = std::move(Facts);
  Renumber();
}

void TFacts::Compact() {
  FSlots.erase(std::remove_if(FSlots.begin(), FSlots.end(), [](const IFact& F) { return !F; }),
               FSlots.end());
  Renumber();
}

void TFacts::Renumber() {
  const int N = static_cast<int>(FSlots.size());
  for (int I = 0; I < N; ++I) FSlots[I]->FBaseSlot = I;
  // Every slot counts one; each node then adds itself to the node covering it.
  FTree.assign(N + 1, 1);
  FTree[0] = 0;
  for (int I = 1; I <= N; ++I)
    if (int J = I + (I & -I); J <= N) FTree[J] += FTree[I];
  FLive = N;
}

int32_t TFacts::KeyOf(const TFact& Fact) {
  TFactTemplate* T = Fact.TemplatePtr();
  if (!T || !T->IsFuzzy()) return Fact.GetHashCode();
  uint32_t H = static_cast<uint32_t>(T->GetHashCode());
  auto& F = const_cast<TFact&>(Fact);
  for (int I : T->SortedSlots())
    if (!T->SlotAt(I)->IsFuzzy())
      if (const IIEValue& V = F.ValueAt(I)) H = FoldPrintedHash(H, *V);
  return static_cast<int32_t>(H);
}

void TFacts::Store(int Index, const IFact& Fact, int32_t Key) {
  if (Index >= Count()) {
    AppendSlot(Fact);
  } else {
    // Into the middle (an editor's insertion): the slots are laid out again.
    std::vector<IFact> Live = List();
    Live.insert(Live.begin() + std::max(Index, 0), Fact);
    LayOut(std::move(Live));
  }
  FByKey.Insert(IndexHash(Key), Fact.Get());
  Fact->FBaseKey = Key;
  PutID(Fact.Get());
  FHighestID = std::max(FHighestID, Fact->ID());
}

void TFacts::Unstore(int Index) {
  const int Slot = SlotAt(Index);
  TFact* F = FSlots[Slot].Get();
  // Under the key it was stored with, even when a value changed in place since.
  FByKey.Erase(IndexHash(F->FBaseKey), F);
  DropID(F);
  F->FBaseSlot = -1;
  IFact Keep = std::move(FSlots[Slot]);  // released after the bookkeeping
  FSlots[Slot] = nullptr;
  for (int I = Slot + 1; I < static_cast<int>(FTree.size()); I += I & -I) --FTree[I];
  --FLive;
  if (FSlots.size() > 64 && FSlots.size() > 2 * static_cast<size_t>(FLive)) Compact();
}

int TFacts::Add(const IFact& Fact) {
  if (!Fact) return Count() - 1;
  if (FInternal || !FEngine) {
    Store(Count(), Fact, KeyOf(*Fact));
    return Count() - 1;
  }
  const int32_t Id = Fact->ID();
  if (FPreserveIDs && Id != -1 && !GetFactByID(Id)) {
    // The fact keeps its ID; the counter then continues past every ID seen.
    int Previous = FEngine->FactIdCounterValue();
    FEngine->SetFactIdCounter(Id);
    struct TRestore {
      TFacts* Facts;
      int Previous;
      ~TRestore() { Facts->FEngine->SetFactIdCounter(std::max(Previous, Facts->FHighestID + 1)); }
    } Restore{this, Previous};
    FHighestID = std::max(FHighestID, Id);
    FEngine->Assert(Fact, false);
  } else {
    FEngine->Assert(Fact, false);
    if (Fact->ID() >= 0) FHighestID = std::max(FHighestID, Fact->ID());
  }
  return Count() - 1;
}

void TFacts::Insert(int Index, const IFact& Fact) {
  if (!Fact) return;
  if (Index < 0 || Index > Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  if (FInternal || !FEngine) {
    Store(Index, Fact, KeyOf(*Fact));
    return;
  }
  Add(Fact);
  int At = IndexOf(Fact.Get());
  if (At < 0 || At == Index) return;
  // Moved with the internal flag set: the fact stays asserted.
  bool Was = FInternal;
  FInternal = true;
  const int32_t Key = Fact->FBaseKey;
  IFact Keep = Fact;
  Unstore(At);
  Store(std::min(Index, Count()), Keep, Key);
  FInternal = Was;
}

void TFacts::Delete(int Index) {
  Items(Index);
  if (!FInternal && FEngine) {
    FEngine->RetractFact(Index);
    return;
  }
  Unstore(Index);
}

void TFacts::Clear() {
  FByKey.Clear();
  ClearIDs();
  for (const IFact& F : FSlots)
    if (F) F->FBaseSlot = -1;
  FTree.clear();
  FLive = 0;
  std::vector<IFact> Old;
  Old.swap(FSlots);
  FHighestID = 0;
  if (FEngine) FEngine->RetractFacts();
}

int TFacts::IndexOf(const TFact* Fact) const {
  if (!Fact) return -1;
  const int Slot = Fact->FBaseSlot;
  if (Slot < 0 || Slot >= static_cast<int>(FSlots.size()) || FSlots[Slot].Get() != Fact) return -1;
  return CountThrough(Slot) - 1;
}

int TFacts::FindFact(int32_t ID) const { return IndexOf(ByID(ID)); }

IFact TFacts::GetFactByID(int32_t ID) const { return IFact(ByID(ID)); }

void TFacts::PrefetchKey(const TFact& Fact) const { FByKey.Prefetch(IndexHash(Fact.FBaseKey)); }

int TFacts::FindFact(const TFact& Fact) const { return FindFact(Fact, KeyOf(Fact)); }

int TFacts::FindFact(const TFact& Fact, int32_t Key) const {
  // Equal facts have equal keys: the key narrows the search, equality decides.
  const TFact* First = nullptr;
  FByKey.ForEach(IndexHash(Key), [&](const TFact* F) {
    if (F->Equals(Fact) && (!First || F->ID() < First->ID())) First = F;
  });
  return First ? IndexOf(First) : -1;
}

std::string TFacts::Joined(bool IDForms) const {
  std::string R;
  bool First = true;
  for (const IFact& F : List()) {
    if (!First) R += NewLineString;
    First = false;
    R += IDForms ? F->GetToIDString() : F->GetToString();
  }
  return R;
}

std::string TFacts::GetToString() const { return Joined(false); }

std::string TFacts::GetToIDString() const { return Joined(true); }

void TFacts::AssignTo(std::vector<std::string>& Strings) const {
  Strings.clear();
  for (const IFact& F : List()) Strings.push_back(F->GetToString());
}

void TFacts::Assign(const TFacts& Source) {
  if (&Source == this) return;
  // The source may be cleared along with this one when both are one engine's: copy first.
  std::vector<IFact> Facts = Source.List();
  const bool SameEngine = Source.FEngine == FEngine;
  Clear();
  for (const IFact& F : Facts) {
    IFactTemplate T = F->Template();
    if (!SameEngine) {
      IFactTemplate Here =
          FEngine ? FEngine->FindFactTemplate(T ? T->TemplateName() : "") : IFactTemplate();
      if (Here && T && !Here->Equals(T.Get()))
        throw EIEException(
            Format(SFactTemplatesDifferent, {Here->TemplateName(), T->TemplateName()}));
      T = Here;
    }
    IFact Copy = NewRef<TFact>(T);
    if (T) {
      TFactTemplate* From = F->TemplatePtr();
      for (int I = 0; I < T->GetSlotCount(); ++I) {
        TFactSlot* Slot = From ? From->FindSlot(T->SlotAt(I)->Name()) : nullptr;
        if (Slot) Copy->PutValueAt(I, F->ValueAt(Slot->Index()));
      }
    }
    Copy->SetID(F->ID());
    Add(Copy);
  }
}

// --- TRules ---------------------------------------------------------------------------------

void TRules::Add(TRule* Rule) {
  if (!Rule) return;
  const std::string& Name = Rule->RuleName();
  auto It = FItems.find(Name);
  if (It != FItems.end()) {
    if (It->second == Rule) return;
    if (!TakesThePlace(FEngine, SDuplicateRuleNames, Name)) return;
    Remove(Name);
  }
  // Compile first: a rule that does not compile is not registered.
  if (FEngine) {
    FEngine->Network().AddRule(Rule);
    if (FEngine->Watch().Contains(cwCompilation) && FEngine->OnPrintOut)
      FEngine->PrintOut("", Rule->CompileTrace() + NewLineString);
  }
  FItems.emplace(Name, Rule);
  FOrder.push_back(Name);
  if (FEngine) FEngine->AddRule(Rule);
}

TRule* TRules::Find(const std::string& Name) const {
  auto It = FItems.find(Name);
  return It == FItems.end() ? nullptr : It->second;
}

void TRules::Remove(const std::string& Name) {
  auto It = FItems.find(Name);
  if (It == FItems.end()) return;
  TRule* R = It->second;
  FItems.erase(It);
  FOrder.erase(std::find(FOrder.begin(), FOrder.end(), Name));
  if (FEngine) FEngine->RemoveRule(R);
}

void TRules::Remove(const std::string& Name, TRule* Rule) {
  if (Find(Name) == Rule) Remove(Name);
}

void TRules::Clear() {
  std::vector<TRule*> Owned;
  for (auto& [Name, R] : FItems)
    if (FEngine && R->Owner() == FEngine) Owned.push_back(R);
  FItems.clear();
  FOrder.clear();
  if (!FEngine) return;
  for (TRule* R : Owned) FEngine->FreeRule(R);
  FEngine->SetRuleIdCounter(0);
  FEngine->ClearRules();
}

std::vector<TRule*> TRules::Rules() const {
  std::vector<TRule*> R;
  R.reserve(FOrder.size());
  for (const std::string& N : FOrder) R.push_back(FItems.at(N));
  return R;
}

std::string TRules::GetToString() const {
  std::vector<std::string> Texts;
  for (TRule* R : Rules()) Texts.push_back(RulePrettyPrint(*R) + NewLineString);
  if (FSorted) std::sort(Texts.begin(), Texts.end());
  std::string Result;
  for (const std::string& T : Texts) Result += T;
  return Result;
}

void TRules::Assign(const TRules& Source) {
  if (&Source == this) return;
  std::vector<TRule*> From = Source.Rules();
  Clear();
  for (TRule* R : From) {
    if (!FEngine || R->Owner() == FEngine) {
      Add(R);
      continue;
    }
    TRule* Copy = FEngine->ParseRule(R->GetToString());
    try {
      Add(Copy);
    } catch (...) {
      if (Find(Copy->RuleName()) != Copy) Free(Copy);
      throw;
    }
  }
}

std::vector<std::string> TRules::StreamTexts() const {
  std::vector<std::string> Texts;
  for (TRule* R : Rules()) Texts.push_back(R->GetToString());
  return Texts;
}

void TRules::ReadStreamTexts(const std::vector<std::string>& Texts) {
  if (!FEngine) throw EIEException(SUnknownEngine);
  for (const std::string& T : Texts) {
    TRule* R = FEngine->ParseRule(T);
    try {
      Add(R);
    } catch (...) {
      if (Find(R->RuleName()) != R) Free(R);
      throw;
    }
  }
}

// --- TFactTemplates -------------------------------------------------------------------------

void TFactTemplates::Add(const IFactTemplate& Template) {
  if (!Template) return;
  if (Template->GetSlotCount() == 0) Template->AddMultiSlot(SDefaultSlotName, FCNilList);
  const std::string& Name = Template->TemplateName();
  auto It = FItems.find(Name);
  if (It != FItems.end()) {
    if (It->second == Template) return;
    if (!TakesThePlace(FEngine, SDuplicateTemplateNames, Name)) return;
    Replace(It->second, Template);
    return;
  }
  FItems.emplace(Name, Template);
  FOrder.push_back(Name);
  ++FGeneration;
  if (FEngine) FEngine->AddFactTemplate(Template);
}

void TFactTemplates::Replace(const IFactTemplate& Old, const IFactTemplate& New) {
  if (!New) return;
  if (New->GetSlotCount() == 0) New->AddMultiSlot(SDefaultSlotName, FCNilList);
  IFactTemplate Keep = Old;
  const std::string& Name = New->TemplateName();
  if (Keep) {
    if (FEngine) FEngine->RemoveFactTemplate(Keep);
    auto It = FItems.find(Keep->TemplateName());
    if (It != FItems.end() && It->second == Keep) {
      FItems.erase(It);
      FOrder.erase(std::find(FOrder.begin(), FOrder.end(), Keep->TemplateName()));
    }
  }
  if (FItems.emplace(Name, New).second) FOrder.push_back(Name);
  ++FGeneration;
  if (Keep && FEngine) FEngine->ReplaceTemplate(Keep, New);
}

IFactTemplate TFactTemplates::Find(const std::string& Name) const {
  auto It = FItems.find(Name);
  return It == FItems.end() ? IFactTemplate() : It->second;
}

void TFactTemplates::Remove(const std::string& Name) {
  auto It = FItems.find(Name);
  if (It == FItems.end()) return;
  IFactTemplate Old = It->second;
  if (FEngine) {
    FEngine->RemoveFactTemplate(Old);
    FEngine->RemoveDependencies(Old);
  }
  It = FItems.find(Name);
  if (It != FItems.end() && It->second == Old) {
    FItems.erase(It);
    FOrder.erase(std::find(FOrder.begin(), FOrder.end(), Name));
    ++FGeneration;
  }
}

bool TFactTemplates::Holds(const TFactTemplate* Template) const {
  if (!Template) return false;
  auto It = FItems.find(Template->TemplateName());
  return It != FItems.end() && It->second.Get() == Template;
}

void TFactTemplates::Clear() {
  struct TEmpty {
    TFactTemplates* T;
    ~TEmpty() {
      T->FItems.clear();
      T->FOrder.clear();
      ++T->FGeneration;
    }
  };
  {
    TEmpty Empty{this};
    if (FEngine) FEngine->RemoveDependencies();
  }
  if (FEngine) FEngine->ClearFactTemplates();
}

std::vector<IFactTemplate> TFactTemplates::Templates() const {
  std::vector<IFactTemplate> R;
  R.reserve(FOrder.size());
  for (const std::string& N : FOrder) R.push_back(FItems.at(N));
  return R;
}

void TFactTemplates::Rename(const std::string& OldName, const std::string& NewName) {
  auto It = FItems.find(OldName);
  if (It == FItems.end() || OldName == NewName) return;
  IFactTemplate T = It->second;
  FItems.erase(It);
  FItems[NewName] = T;
  *std::find(FOrder.begin(), FOrder.end(), OldName) = NewName;
  ++FGeneration;
}

namespace {
bool EngineMade(const IFactTemplate& T) {
  return T->TemplateName() == SInitialFactPattern || T->TemplateName() == SNullFact;
}
}  // namespace

std::string TFactTemplates::GetToString() const {
  std::string R;
  for (const IFactTemplate& T : InheritanceOrder(
           Templates(), [](const IFactTemplate& T) { return T->Parent(); },
           SFactTemplateInheritanceCorrupt))
    if (!EngineMade(T)) R += T->GetToString() + NewLineString;
  return R;
}

std::vector<std::string> TFactTemplates::StreamTexts() const {
  std::vector<std::string> Texts;
  for (const IFactTemplate& T : InheritanceOrder(
           Templates(), [](const IFactTemplate& T) { return T->Parent(); },
           SFactTemplateInheritanceCorrupt))
    if (!EngineMade(T)) Texts.push_back(T->GetToString());
  return Texts;
}

void TFactTemplates::ReadStreamTexts(const std::vector<std::string>& Texts) {
  if (!FEngine) throw EIEException(SUnknownEngine);
  Clear();
  for (const std::string& T : Texts) Add(FEngine->ParseFactTemplate(T));
}

// --- TIEDefinedTypes ------------------------------------------------------------------------

void TIEDefinedTypes::Add(const IIEDefinedType& Type) {
  if (!Type) return;
  if (FEngine && Type->Reasoner() != FEngine) Type->SetReasoner(FEngine);
  const std::string& Name = Type->Name();
  auto It = FItems.find(Name);
  if (It != FItems.end()) {
    if (It->second == Type) return;
    if (!TakesThePlace(FEngine, SDuplicateDefTypeNames, Name)) return;
    Replace(It->second, Type);
    return;
  }
  if (const IFuzzyVariable& V = Type->FuzzyType()) {
    double Threshold = FEngine ? FEngine->FuzzyEqualsThreshold() : 0.01;
    V->SetThreshold(Threshold);
    if (!FEngine || FEngine->FuzzyAutoTerms()) AddAutomaticTerms(*V, Threshold);
  }
  FItems.emplace(Name, Type);
  FOrder.push_back(Name);
  if (FEngine) FEngine->AddDefinedType(Type);
}

void TIEDefinedTypes::Replace(const IIEDefinedType& Old, const IIEDefinedType& New) {
  if (!New) return;
  IIEDefinedType Keep = Old;
  if (Keep) {
    if (FEngine) FEngine->RemoveDefinedType(Keep);
    auto It = FItems.find(Keep->Name());
    if (It != FItems.end() && It->second == Keep) {
      FItems.erase(It);
      FOrder.erase(std::find(FOrder.begin(), FOrder.end(), Keep->Name()));
    }
  }
  if (FItems.emplace(New->Name(), New).second) FOrder.push_back(New->Name());
  if (Keep) {
    if (FEngine) FEngine->ReplaceDefinedType(Keep, New);
    Keep->SetReasoner(nullptr);
  }
}

IIEDefinedType TIEDefinedTypes::Find(const std::string& Name) const {
  auto It = FItems.find(Name);
  return It == FItems.end() ? IIEDefinedType() : It->second;
}

void TIEDefinedTypes::Remove(const std::string& Name) {
  auto It = FItems.find(Name);
  if (It == FItems.end()) return;
  IIEDefinedType Old = It->second;
  Old->SetReasoner(nullptr);
  if (FEngine) {
    FEngine->RemoveDefinedType(Old);
    FEngine->RemoveDependencies(Old);
  }
  It = FItems.find(Name);
  if (It != FItems.end() && It->second == Old) {
    FItems.erase(It);
    FOrder.erase(std::find(FOrder.begin(), FOrder.end(), Name));
  }
}

void TIEDefinedTypes::Clear() {
  // Everything that depends on types goes first.
  if (FEngine) FEngine->FactTemplates().Clear();
  for (auto& [Name, T] : FItems) T->SetReasoner(nullptr);
  FItems.clear();
  FOrder.clear();
  if (FEngine) FEngine->ClearDefinedTypes();
}

std::vector<IIEDefinedType> TIEDefinedTypes::Types() const {
  std::vector<IIEDefinedType> R;
  R.reserve(FOrder.size());
  for (const std::string& N : FOrder) R.push_back(FItems.at(N));
  return R;
}

std::string TIEDefinedTypes::GetToString() const {
  std::string R;
  for (const IIEDefinedType& T : InheritanceOrder(
           Types(), [](const IIEDefinedType& T) { return T->Ancestor(); }, STypeInheritanceCorrupt))
    R += T->GetToString() + NewLineString;
  return R;
}

std::vector<std::string> TIEDefinedTypes::StreamTexts() const {
  std::vector<std::string> Texts;
  for (const IIEDefinedType& T : InheritanceOrder(
           Types(), [](const IIEDefinedType& T) { return T->Ancestor(); }, STypeInheritanceCorrupt))
    Texts.push_back(T->GetToString());
  return Texts;
}

void TIEDefinedTypes::ReadStreamTexts(const std::vector<std::string>& Texts) {
  if (!FEngine) throw EIEException(SUnknownEngine);
  Clear();
  for (const std::string& T : Texts) Add(FEngine->ParseDefinedType(T));
}

// --- TUserFunctions -------------------------------------------------------------------------

void TUserFunctions::Put(const std::string& Name, const IUserFunction& Function) {
  if (!Function) return;
  if (Name != Function->FunctionName())
    throw EIEException(Format(SWrongFunctionName, {Name, Function->FunctionName()}));
  auto It = FItems.find(Name);
  if (It != FItems.end()) {
    if (It->second == Function) return;
    if (!TakesThePlace(FEngine, SDuplicateFunctionNames, Name)) return;
    Remove(Name);
  }
  FItems.emplace(Name, Function);
  if (Function->IsInterpreted()) {
    ++FInterpreted;
    // Numbered in the order of definition, which copies to another engine keep.
    if (auto* F = dynamic_cast<TInterpretedFunction*>(Function.Get())) F->SetOrder(++FLastOrder);
  }
  if (FEngine) {
    Function->AddReasoner(FEngine);
    FEngine->AddFunction(Function);
  }
}

bool TUserFunctions::Find(const std::string& Name, IUserFunction& Function) const {
  auto It = FItems.find(Name);
  if (It == FItems.end()) return false;
  Function = It->second;
  return true;
}

void TUserFunctions::Remove(const std::string& Name) {
  auto It = FItems.find(Name);
  if (It == FItems.end()) return;
  IUserFunction Old = It->second;
  FItems.erase(It);
  if (Old->IsInterpreted()) --FInterpreted;
  if (FEngine) {
    Old->Reasoners().Forget(FEngine);
    FEngine->RemoveFunction(Old);
  }
  UnbindWhenUnused(Old);
}

void TUserFunctions::UnbindWhenUnused(const IUserFunction& Function) {
  auto* F = dynamic_cast<TInterpretedFunction*>(Function.Get());
  if (F && F->GetReasonerCount() == 0) F->UnbindCalls();
}

void TUserFunctions::Clear() {
  std::map<std::string, IUserFunction> Old;
  Old.swap(FItems);
  FInterpreted = 0;
  if (FEngine)
    for (auto& [Name, F] : Old) F->Reasoners().Forget(FEngine);
  for (auto& [Name, F] : Old) UnbindWhenUnused(F);
}

void TUserFunctions::RemoveInterpreted() {
  if (FInterpreted == 0) return;
  std::vector<std::string> Names;
  for (auto& [Name, F] : FItems)
    if (F->IsInterpreted()) Names.push_back(Name);
  for (const std::string& N : Names) Remove(N);
}

std::vector<std::string> TUserFunctions::Names() const {
  std::vector<std::string> R;
  for (auto& [Name, F] : FItems) R.push_back(Name);
  return R;
}

std::string TUserFunctions::GetNamesToString() const {
  std::string R;
  for (auto& [Name, F] : FItems) {
    if (!R.empty()) R += NewLineString;
    R += Name;
  }
  return R;
}

std::string TUserFunctions::GetToString() const {
  std::string R;
  for (auto& [Name, F] : FItems)
    if (F->IsInterpreted())
      R += NewLineString + (FEngine ? FEngine->PrettyPrint(*F) : F->FunctionName());
  return R;
}

bool TUserFunctions::Assign(const TUserFunctions& Source, bool Tolerant) {
  if (&Source == this) return true;
  std::map<std::string, IUserFunction> From = Source.FItems;
  Clear();
  std::vector<IUserFunction> Interpreted;
  for (auto& [Name, F] : From) {
    if (F->IsInterpreted())
      Interpreted.push_back(F);
    else if (FEngine)
      F->AddReasoner(FEngine);  // which registers it here
    else
      Put(Name, F);
  }
  return AssignInterpretedFunctions(Interpreted, Tolerant);
}

bool TUserFunctions::AssignInterpretedFunctions(const std::vector<IUserFunction>& Functions,
                                                bool Tolerant) {
  bool All = true;
  std::vector<IUserFunction> Sorted = Functions;
  auto OrderOf = [](const IUserFunction& F) {
    auto* I = dynamic_cast<const TInterpretedFunction*>(F.Get());
    return I ? I->Order() : 0;
  };
  std::stable_sort(
      Sorted.begin(), Sorted.end(),
      [&](const IUserFunction& A, const IUserFunction& B) { return OrderOf(A) < OrderOf(B); });
  for (const IUserFunction& F : Sorted) {
    try {
      if (!FEngine) throw EIEException(SUnknownEngine);
      IUserFunction Copy = FEngine->ParseFunction(FEngine->PrettyPrint(*F));
      if (Copy) Put(Copy->FunctionName(), Copy);
    } catch (const EIEException&) {
      if (!Tolerant) throw;
      All = false;
    }
  }
  return All;
}

// --- TEngineVariables and TGlobalVariables --------------------------------------------------

namespace {
std::string NamedValue(const std::string& Name, const IIEValue& Value) {
  if (Name.empty()) return std::string();
  return (Name[0] == '?' ? Name : "?" + Name) + " = " + (Value ? Value->GetToString() : "nil");
}
}  // namespace

std::string TEngineVariables::GetToString() const {
  std::string R;
  for (const std::string& K : Keys()) R += NamedValue(K, Get(K)) + NewLineString;
  return R;
}

std::vector<std::string> TEngineVariables::StreamTexts() const {
  std::vector<std::string> Texts;
  for (const std::string& K : Keys())
    Texts.push_back(FEngine ? FEngine->PrettyPrint(K, Get(K)) : PrintGlobalVariable(K, Get(K)));
  return Texts;
}

void TEngineVariables::ReadStreamTexts(const std::vector<std::string>& Texts) {
  if (!FEngine) throw EIEException(SUnknownEngine);
  for (const std::string& T : Texts) {
    std::string Name;
    if (auto* G = dynamic_cast<TGlobalVariables*>(this)) {
      IIEValue Value = FEngine->ParseVariable(T, Name);
      G->Put(Name, Value);
    } else {
      // Storage names need no asterisks.
      IIEValue Value = FEngine->ParseNamedValue(T, Name);
      TValueHashTable::Put(Name, Value);
    }
  }
}

void TGlobalVariables::Put(const std::string& Name, const IIEValue& Value) {
  const bool Had = ContainsKey(Name);
  IIEValue Old = TValueHashTable::Put(Name, Value);
  if (!FEngine) return;
  try {
    FEngine->ResetGlobalVariable(Name, Value);
  } catch (...) {
    // A value that cannot be computed leaves the table as it was.
    if (Had)
      TValueHashTable::Put(Name, Old);
    else
      Remove(Name);
    throw;
  }
}

void TGlobalVariables::Clear() {
  TValueHashTable::Clear();
  if (FEngine && FEngine->GlobalContext()) FEngine->GlobalContext()->Bindings().Clear();
}

void TGlobalVariables::ResetAll() {
  if (!FEngine) return;
  // A copy: binding may evaluate functions that change the table.
  std::vector<std::string> Names = Keys();
  for (const std::string& K : Names) FEngine->ResetGlobalVariable(K, Get(K));
}

std::string TGlobalVariables::GetToString() const {
  if (Count() == 0) return std::string();
  if (FEngine) return FEngine->PrettyPrintGlobalVariables();
  return PrintGlobalVariables(*this);
}

void TGlobalVariables::Assign(TPersistent* Source) {
  auto* G = dynamic_cast<TGlobalVariables*>(Source);
  if (!G || !G->FEngine || !FEngine) {
    TEngineVariables::Assign(Source);
    return;
  }
  if (G == this) return;
  Clear();
  SetCapacity(G->Capacity());
  SetLoadFactor(G->LoadFactor());
  SetHashType(G->HashType());
  // Read again from their text here: initial values that are calls run in this engine.
  if (G->Count() > 0) FEngine->Parse(G->FEngine->PrettyPrintGlobalVariables(), true);
}

}  // namespace norvale
