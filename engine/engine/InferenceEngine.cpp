#include "engine/engine/InferenceEngine.h"

#include <algorithm>

#include "engine/core/IEFuzzy.h"
#include "engine/engine/CoreFunctions.h"

namespace norvale {

// --- TFactTemplates -------------------------------------------------------------------------

void TFactTemplates::Add(const IFactTemplate& Template) {
  if (!Template) return;
  if (Template->GetSlotCount() == 0) Template->AddMultiSlot(SDefaultSlotName, FCNilList);
  const std::string& Name = Template->TemplateName();
  auto It = FItems.find(Name);
  if (It != FItems.end()) {
    if (It->second == Template) return;
    switch (FEngine ? FEngine->DuplicateConstructs() : dcOverwrite) {
      case dcIgnore:
        return;
      case dcError:
        throw EIEException(Format(SDuplicateTemplateNames, {Name}));
      case dcOverwrite: {
        IFactTemplate Old = It->second;
        if (FEngine) FEngine->RemoveFactTemplate(Old);
        It->second = Template;
        return;
      }
    }
  }
  FItems.emplace(Name, Template);
  FOrder.push_back(Name);
  if (FEngine) FEngine->AddFactTemplate(Template);
}

IFactTemplate TFactTemplates::Find(const std::string& Name) const {
  auto It = FItems.find(Name);
  return It == FItems.end() ? IFactTemplate() : It->second;
}

void TFactTemplates::Remove(const std::string& Name) {
  auto It = FItems.find(Name);
  if (It == FItems.end()) return;
  IFactTemplate Old = It->second;
  FItems.erase(It);
  FOrder.erase(std::find(FOrder.begin(), FOrder.end(), Name));
  if (FEngine) FEngine->RemoveFactTemplate(Old);
}

void TFactTemplates::Clear() {
  FItems.clear();
  FOrder.clear();
}

std::vector<IFactTemplate> TFactTemplates::Templates() const {
  std::vector<IFactTemplate> R;
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
}

// --- TUserFunctions -------------------------------------------------------------------------

void TUserFunctions::Put(const std::string& Name, const IUserFunction& Function) {
  if (!Function) return;
  if (Name != Function->FunctionName())
    throw EIEException(Format(SWrongFunctionName, {Name, Function->FunctionName()}));
  auto It = FItems.find(Name);
  if (It != FItems.end()) {
    if (It->second == Function) return;
    switch (FEngine ? FEngine->DuplicateConstructs() : dcOverwrite) {
      case dcIgnore:
        return;
      case dcError:
        throw EIEException(Format(SDuplicateFunctionNames, {Name}));
      case dcOverwrite: {
        IUserFunction Old = It->second;
        FItems.erase(It);
        if (FEngine) {
          Old->Reasoners().Forget(FEngine);
          FEngine->RemoveFunction(Old);
        }
        break;
      }
    }
  }
  FItems.emplace(Name, Function);
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
  if (FEngine) {
    Old->Reasoners().Forget(FEngine);
    FEngine->RemoveFunction(Old);
  }
}

void TUserFunctions::Clear() {
  std::map<std::string, IUserFunction> Old;
  Old.swap(FItems);
  if (FEngine)
    for (auto& [Name, F] : Old) F->Reasoners().Forget(FEngine);
}

std::vector<std::string> TUserFunctions::Names() const {
  std::vector<std::string> R;
  for (auto& [Name, F] : FItems) R.push_back(Name);
  return R;
}

// --- TIEDefinedTypes -----------------------------------------------------------------------

void TIEDefinedTypes::Add(const IIEDefinedType& Type) {
  if (!Type) return;
  if (FEngine && Type->Reasoner() != FEngine) Type->SetReasoner(FEngine);
  const std::string& Name = Type->Name();
  auto It = FItems.find(Name);
  if (It != FItems.end()) {
    if (It->second == Type) return;
    switch (FEngine ? FEngine->DuplicateConstructs() : dcOverwrite) {
      case dcIgnore:
        return;
      case dcError:
        throw EIEException(Format(SDuplicateDefTypeNames, {Name}));
      case dcOverwrite: {
        IIEDefinedType Old = It->second;
        if (FEngine) FEngine->OnRemoveDefinedType(FEngine, Old);
        It->second = Type;
        Old->SetReasoner(nullptr);
        return;
      }
    }
  }
  if (const IFuzzyVariable& V = Type->FuzzyType()) {
    double Threshold = FEngine ? FEngine->FuzzyEqualsThreshold() : 0.01;
    V->SetThreshold(Threshold);
    if (!FEngine || FEngine->FuzzyAutoTerms()) AddAutomaticTerms(*V, Threshold);
  }
  FItems.emplace(Name, Type);
  FOrder.push_back(Name);
  if (FEngine) FEngine->OnAddDefinedType(FEngine, Type);
}

IIEDefinedType TIEDefinedTypes::Find(const std::string& Name) const {
  auto It = FItems.find(Name);
  return It == FItems.end() ? IIEDefinedType() : It->second;
}

void TIEDefinedTypes::Remove(const std::string& Name) {
  auto It = FItems.find(Name);
  if (It == FItems.end()) return;
  IIEDefinedType Old = It->second;
  FItems.erase(It);
  FOrder.erase(std::find(FOrder.begin(), FOrder.end(), Name));
  Old->SetReasoner(nullptr);
  if (FEngine) FEngine->OnRemoveDefinedType(FEngine, Old);
}

void TIEDefinedTypes::Clear() {
  for (auto& [Name, T] : FItems) T->SetReasoner(nullptr);
  FItems.clear();
  FOrder.clear();
}

std::vector<IIEDefinedType> TIEDefinedTypes::Types() const {
  std::vector<IIEDefinedType> R;
  for (const std::string& N : FOrder) R.push_back(FItems.at(N));
  return R;
}

// --- TRules ---------------------------------------------------------------------------------

void TRules::Add(TRule* Rule) {
  if (!Rule) return;
  const std::string& Name = Rule->RuleName();
  auto It = FItems.find(Name);
  if (It != FItems.end()) {
    if (It->second == Rule) return;
    switch (FEngine ? FEngine->DuplicateConstructs() : dcOverwrite) {
      case dcIgnore:
        return;
      case dcError:
        throw EIEException(Format(SDuplicateRuleNames, {Name}));
      case dcOverwrite:
        Remove(Name);
        break;
    }
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
  for (TRule* R : Owned) Free(R);
}

std::vector<TRule*> TRules::Rules() const {
  std::vector<TRule*> R;
  for (const std::string& N : FOrder) R.push_back(FItems.at(N));
  return R;
}

// --- TInferenceEngine -----------------------------------------------------------------------

TInferenceEngine::TInferenceEngine(TComponent* Owner) : TComponent(Owner) {
  FFactTemplates = std::make_unique<TFactTemplates>(this);
  FUserFunctions = std::make_unique<TUserFunctions>(this);
  FRules = std::make_unique<TRules>(this);
  FDefinedTypes = std::make_unique<TIEDefinedTypes>(this);
  FGlobalContext = std::make_unique<TIEContext>(nullptr, this);
  // Not an owned component: the engine frees it after its rules are gone.
  FNetwork = NewObject<TReteNetwork>(nullptr, this);
}

void TInferenceEngine::AfterConstruction() {
  TComponent::AfterConstruction();
  CreateSpecialTemplates();
  AddCoreFunctions();
}

void TInferenceEngine::CreateSpecialTemplates() {
  IFactTemplate Initial = CreateFactTemplate(SInitialFactPattern);
  if (!FInitialFactPattern)
    FInitialFactPattern = NewObject<TIEPattern>(this, 0, Initial, SInitialFactPattern);
  IFactTemplate Null = CreateFactTemplate(SNullFact);
  FNullFact = NewRef<TFact>(Null);
}

void TInferenceEngine::AddCoreFunctions() {
  for (IUserFunction F : {NewEqFunction(), NewNeqFunction(), NewEqStarFunction(), NewAndFunction(),
                          NewOrFunction(), NewNotFunction()})
    F->AddReasoner(this);
}

void TInferenceEngine::BeforeDestruction() {
  OnAddRule.Clear();
  OnRemoveRule.Clear();
  OnNewFactTemplate.Clear();
  OnRemoveFactTemplate.Clear();
  OnAddUserFunction.Clear();
  OnRemoveUserFunction.Clear();
  FNetwork->OnActivation.Clear();
  FNetwork->OnDeactivation.Clear();
  FNetwork->OnRuleFired.Clear();
  OnAddActivation.Clear();
  OnRemoveActivation.Clear();
  OnRuleFired.Clear();
  OnPrintOut.Clear();
  OnAssertion.Clear();
  OnRetraction.Clear();
  OnClearFacts.Clear();
  OnFuzzyCorrelation.Clear();
  OnFuzzyInference.Clear();
  OnAddDefinedType.Clear();
  OnRemoveDefinedType.Clear();
  FRules->Clear();
  TComponent::BeforeDestruction();
}

TInferenceEngine::~TInferenceEngine() {
  FAgenda.Clear();
  if (FRules) FRules->Clear();
  Free(FNetwork);
  FNetwork = nullptr;
  FFactList.clear();
  FFactHashes.clear();
  FFactIds.clear();
  FPendingAssertions.clear();
  FPendingRetractions.clear();
  if (FUserFunctions) FUserFunctions->Clear();
  Free(FInitialFactPattern);
  FInitialFactPattern = nullptr;
  FNullFact = nullptr;
  if (FFactTemplates) FFactTemplates->Clear();
  if (FDefinedTypes) FDefinedTypes->Clear();
  FGlobalContext.reset();
}

void TInferenceEngine::SetSymbolIndex(int Value) noexcept {
  if (Value > FSymbolIndex)
    FSymbolIndex = Value;
  else
    ++FSymbolIndex;
}

std::string TInferenceEngine::GenerateSymbol(const std::string& Prefix) {
  return Prefix + std::to_string(FSymbolIndex++);
}

IFactTemplate TInferenceEngine::CreateFactTemplate(const std::string& Name) {
  if (IFactTemplate T = FFactTemplates->Find(Name)) return T;
  IFactTemplate T = NewRef<TFactTemplate>(this, Name);
  T->SetComment("(Implied)");
  FFactTemplates->Add(T);
  return T;
}

IFactTemplate TInferenceEngine::FindFactTemplate(const std::string& Name) {
  return FFactTemplates->Find(Name);
}

void TInferenceEngine::AddRule(TRule* Rule) { OnAddRule(this, Rule); }

void TInferenceEngine::RemoveRule(TRule* Rule) {
  OnRemoveRule(this, Rule);
  if (FNetwork) FNetwork->RemoveRule(Rule);
  if (Rule->Owner() == this && !Rule->Destroying()) Free(Rule);
}

void TInferenceEngine::RuleChange(TRule* Rule) {
  if (!FNetwork || FRules->Find(Rule->RuleName()) != Rule) return;
  FNetwork->RemoveRule(Rule);
  FNetwork->AddRule(Rule);
}

// --- fact base ------------------------------------------------------------------------------

int TInferenceEngine::IndexOfFact(const TFact* Fact) const {
  if (!Fact) return -1;
  // The fact base is in ascending ID order: a binary search on the ID, then that very object.
  auto It = std::lower_bound(FFactList.begin(), FFactList.end(), Fact->ID(),
                             [](const IFact& F, int32_t Id) { return F->ID() < Id; });
  if (It != FFactList.end() && It->Get() == Fact) return static_cast<int>(It - FFactList.begin());
  for (size_t I = FFactList.size(); I-- > 0;)
    if (FFactList[I].Get() == Fact) return static_cast<int>(I);
  return -1;
}

int TInferenceEngine::FindFact(int32_t ID) const {
  auto It = FFactIds.find(ID);
  return It == FFactIds.end() ? -1 : IndexOfFact(It->second);
}

IFact TInferenceEngine::GetFactByID(int32_t ID) const {
  auto It = FFactIds.find(ID);
  return It == FFactIds.end() ? IFact() : IFact(It->second);
}

namespace {
// The key of the duplicate index: the fact's hash code, or for a fuzzy template a hash of the
// values of its other slots only (fuzzy slots take no part in fact equality).
int32_t DuplicateKey(const TFact& Fact) {
  TFactTemplate* T = Fact.TemplatePtr();
  if (!T || !T->IsFuzzy()) return Fact.GetHashCode();
  uint32_t H = static_cast<uint32_t>(T->GetHashCode());
  auto& F = const_cast<TFact&>(Fact);
  for (int I : T->SortedSlots())
    if (!T->SlotAt(I)->IsFuzzy())
      if (const IIEValue& V = F.ValueAt(I)) H = FoldPrintedHash(H, *V);
  return static_cast<int32_t>(H);
}
}  // namespace

int TInferenceEngine::FindEqualFact(const TFact& Fact) const {
  return FindEqualFact(Fact, DuplicateKey(Fact));
}

int TInferenceEngine::FindEqualFact(const TFact& Fact, int32_t Key) const {
  // Equal facts have equal keys: the key narrows the search, equality decides.
  auto Range = FFactHashes.equal_range(Key);
  const TFact* First = nullptr;
  for (auto It = Range.first; It != Range.second; ++It)
    if (It->second->Equals(Fact) && (!First || It->second->ID() < First->ID())) First = It->second;
  return First ? IndexOfFact(First) : -1;
}

int TInferenceEngine::Assert(const IFact& Fact, bool Unconditional) {
  if (!Fact || !Fact->Template()) throw EIEException(SNoTemplate);
  if (FNetwork->Busy()) {
    AddPendingFact(Fact, true);
    return -1;
  }
  // The key leaves fuzzy slots out, so correlation and combination below do not change it.
  const int32_t Key = DuplicateKey(*Fact);
  if (Fact->Template()->IsFuzzy()) {
    if (FCurrentActivation) FuzzyCorrelation(Fact, FCurrentActivation->Strength());
    // An equal fact (fuzzy slots do not count) is combined with the new one and goes.
    int At = FindEqualFact(*Fact, Key);
    if (At >= 0) {
      IFact Existing = FFactList[At];
      FuzzyOperation(Fact, Existing, !Unconditional);
      RetractFact(IndexOfFact(Existing.Get()));
    }
  } else if (!FFactDuplication && FindEqualFact(*Fact, Key) >= 0) {
    return -1;
  }
  int Id = NewFactId();
  Fact->SetID(Id);
  FFactList.push_back(Fact);
  FFactHashes.emplace(Key, Fact.Get());
  FFactIds[Id] = Fact.Get();
  if (FWatch.Contains(cwFact) && OnPrintOut)
    PrintOut("", " ==> " + Fact->GetToIDString() + NewLineString);
  FNetwork->ProcessToken(NewRef<TIEToken>(taAdd, Fact));
  ProcessPendingFacts();
  OnAssertion(this, Fact);
  return Id;
}

void TInferenceEngine::RetractFact(int Index) {
  if (Index < 0 || Index >= static_cast<int>(FFactList.size())) return;
  IFact Fact = FFactList[Index];
  if (FNetwork->Busy()) {
    AddPendingFact(Fact, false);
    return;
  }
  OnRetraction(this, Fact);
  FNetwork->ProcessToken(NewRef<TIEToken>(taRemove, Fact));
  if (FWatch.Contains(cwFact) && OnPrintOut)
    PrintOut("", " <== " + Fact->GetToIDString() + NewLineString);
  int At = IndexOfFact(Fact.Get());
  if (At >= 0) {
    auto Range = FFactHashes.equal_range(DuplicateKey(*Fact));
    auto Found = std::find_if(Range.first, Range.second,
                              [&](const auto& E) { return E.second == Fact.Get(); });
    if (Found == Range.second)  // a value changed in place since the assertion: look everywhere
      Found = std::find_if(FFactHashes.begin(), FFactHashes.end(),
                           [&](const auto& E) { return E.second == Fact.Get(); });
    if (Found != FFactHashes.end()) FFactHashes.erase(Found);
    FFactIds.erase(Fact->ID());
    FFactList.erase(FFactList.begin() + At);
  }
  ProcessPendingFacts();
}

void TInferenceEngine::Retract(const IFact& Fact) {
  if (!Fact) return;
  int At = IndexOfFact(Fact.Get());
  if (At < 0) At = FindEqualFact(*Fact);
  RetractFact(At);
}

void TInferenceEngine::Retract(int32_t ID) { RetractFact(FindFact(ID)); }

void TInferenceEngine::RetractFacts() {
  FNetwork->ProcessToken(NewRef<TIEToken>());
  OnClearFacts(this);
}

void TInferenceEngine::ClearFacts() {
  FFactList.clear();
  FFactHashes.clear();
  FFactIds.clear();
  RetractFacts();
}

void TInferenceEngine::BeginFactModify(const IFact& Fact) {
  FModifying = true;
  // That very fact: with duplicates allowed, an earlier equal fact is another fact.
  RetractFact(IndexOfFact(Fact.Get()));
}

void TInferenceEngine::EndFactModify(const IFact& Fact) {
  struct TDone {
    bool& F;
    ~TDone() { F = false; }
  } Done{FModifying};
  Assert(Fact);
}

void TInferenceEngine::AddPendingFact(const IFact& Fact, bool Assertion) {
  (Assertion ? FPendingAssertions : FPendingRetractions).push_back(Fact);
}

void TInferenceEngine::ProcessPendingFacts() {
  while (!FPendingAssertions.empty() && !FNetwork->Busy()) {
    IFact F = FPendingAssertions.front();
    FPendingAssertions.erase(FPendingAssertions.begin());
    Assert(F);
  }
  while (!FPendingRetractions.empty() && !FNetwork->Busy()) {
    IFact F = FPendingRetractions.front();
    FPendingRetractions.erase(FPendingRetractions.begin());
    Retract(F);
  }
}

// --- activations ----------------------------------------------------------------------------

void TInferenceEngine::AddActivation(TActivation* Activation) {
  try {
    Activation->Rule()->EvaluateSalience();
    FAgenda.Add(Activation);
    if (FWatch.Contains(cwActivation) && OnPrintOut)
      PrintOut("", "==> Activation: " + Activation->Rule()->RuleName() + " : " +
                       Activation->Token()->GetToFactsString() + NewLineString);
    if (OnAddActivation) OnAddActivation(this, FAgenda.IndexOf(Activation), Activation);
  } catch (EAbort&) {
    // A silent abort leaves the activation wherever it got to.
  }
  if (!FAgenda.Contains(Activation)) FAgenda.Add(Activation);
}

void TInferenceEngine::RemoveActivation(TActivation* Activation) {
  if (OnRemoveActivation) OnRemoveActivation(this, FAgenda.IndexOf(Activation), Activation);
  if (FWatch.Contains(cwActivation) && OnPrintOut)
    PrintOut("", "<== Activation: " + Activation->Rule()->RuleName() + " : " +
                     Activation->Token()->GetToFactsString() + NewLineString);
  if (Activation == FCurrentActivation) {
    FAgenda.Extract(Activation);  // the run loop frees it after the firing
  } else {
    FAgenda.Extract(Activation);
    Free(Activation);
  }
}

void TInferenceEngine::RuleFired(TActivation* Activation) {
  OnRuleFired(this, Activation->Rule());
  RemoveActivation(Activation);
}

std::vector<TActivation*> TInferenceEngine::Activations() const {
  std::vector<TActivation*> R;
  R.reserve(FAgenda.Count());
  FAgenda.ForEach([&](TActivation* A) { R.push_back(A); });
  return R;
}

void TInferenceEngine::SetStrategy(TSearchStrategy Value) {
  if (Value == FAgenda.Strategy()) return;
  FAgenda.SetStrategyValue(Value);
  std::vector<TActivation*> All = Activations();
  for (TActivation* A : All) FAgenda.Extract(A);
  for (TActivation* A : All) AddActivation(A);
}

void TInferenceEngine::FireActivation(TActivation* Activation) {
  if (!Activation) return;
  FCurrentActivation = Activation;
  struct TDone {
    TInferenceEngine* E;
    TActivation* A;
    ~TDone() {
      E->FAgenda.Extract(A);
      E->FCurrentActivation = nullptr;
      Free(A);
    }
  } Done{this, Activation};
  Activation->Fire();
}

void TInferenceEngine::PrintOut(const std::string& OutID, const std::string& Text) {
  if (OutID.empty() || OutID == "t") {
    OnPrintOut(this, OutID, Text);
    return;
  }
  if (OnPrintOut)
    OnPrintOut(this, OutID, Text);
  else
    throw EIEException(Format(SNoSuchFunction, {"printout"}));
}

// --- fuzzy reasoning ------------------------------------------------------------------------

void TInferenceEngine::SetFuzzyEqualsThreshold(float Value) {
  if (Value == FFuzzyEqualsThreshold || Value != Value) return;  // equal, or not a number
  FFuzzyEqualsThreshold = Value < 0 ? 0 : (Value > 1 ? 1 : Value);
  for (const IIEDefinedType& T : FDefinedTypes->Types())
    if (const IFuzzyVariable& V = T->FuzzyType()) V->SetThreshold(FFuzzyEqualsThreshold);
}

void TInferenceEngine::SetMinActivationStrength(float Value) {
  if (Value == FMinActivationStrength) return;
  FMinActivationStrength = Value < 0 ? 0 : (Value > 1 ? 1 : Value);
  FNetwork->SetMinActivationStrength(FMinActivationStrength);
}

namespace {
TFuzzyOperation OperationOf(TFuzzyInferenceMethod M) {
  switch (M) {
    case fimSum:
      return foSum;
    case fimMean:
      return foMean;
    case fimProduct:
      return foProduct;
    case fimBoundedSum:
      return foBoundedSum;
    default:
      return foZadeh;
  }
}
}  // namespace

void TInferenceEngine::FuzzyCorrelation(const IFact& Fact, float Strength) {
  if (Strength == 1.0f) return;
  bool Done = false;
  OnFuzzyCorrelation(this, Fact, Strength, Done);
  if (Done) return;
  TBaseFuzzyHedge Hedge = FCorrelationMethod == fcmProduct ? bfhProduct : bfhMinimum;
  TFactTemplate* T = Fact->TemplatePtr();
  if (!T || !T->IsFuzzy()) throw EIEException(SNotFuzzyFact);
  auto Weaken = [&](const IIEValue& V) -> IIEValue {
    if (!V || V->DType() != dtFuzzy || !V->FuzzyPtr()) return V;
    IFuzzySet Set = V->FuzzyPtr()->Copy();
    Set->ApplyBaseHedge(Hedge, true, Strength);
    return NewRef<TIEValue>(Set);
  };
  for (int I : T->SortedSlots()) {
    if (!T->SlotAt(I)->IsFuzzy()) continue;
    const IIEValue& V = Fact->ValueAt(I);
    if (TValueVector* L = V ? V->ListPtr() : nullptr) {
      IValueVector Copy = NewRef<TValueVector>();
      for (const IIEValue& E : L->Values()) Copy->Add(Weaken(E));
      Fact->PutValueAt(I, NewList(Copy));
    } else if (V && V->DType() == dtFuzzy) {
      Fact->PutValueAt(I, Weaken(V));
    }
  }
}

void TInferenceEngine::FuzzyOperation(const IFact& Fact1, const IFact& Fact2, bool Union) {
  if (Fact1->TemplatePtr() != Fact2->TemplatePtr())
    throw EIEException(Format(SInvalidFuzzyUnionTemplate,
                              {Fact1->Template() ? Fact1->Template()->TemplateName() : "",
                               Fact2->Template() ? Fact2->Template()->TemplateName() : ""}));
  TFactTemplate* T = Fact1->TemplatePtr();
  if (!T || !T->IsFuzzy()) throw EIEException(SNotFuzzyFact);
  TFuzzyOperation Op = OperationOf(FInferenceMethod);
  for (int I : T->SortedSlots()) {
    if (!T->SlotAt(I)->IsFuzzy()) continue;
    // A copy of the new fact's value takes the combination: the old value object may be shared.
    IIEValue V1 = NewRef<TIEValue>(Fact1->ValueAt(I));
    if (Union)
      FuzzyUnion(V1, Fact2->ValueAt(I), Op);
    else
      FuzzyIntersection(V1, Fact2->ValueAt(I), Op);
    Fact1->PutValueAt(I, V1);
  }
}

void TInferenceEngine::FuzzyInference(const IFact& Fact1, const IFact& Fact2) {
  bool Done = false;
  OnFuzzyInference(this, Fact1, Fact2, Done);
  if (!Done) FuzzyOperation(Fact1, Fact2, true);
}

namespace {
void Combine(const IIEValue& V1, const IIEValue& V2, TFuzzyOperation Op, bool Union) {
  if (!V1 || !V2 || V1->DType() != V2->DType()) return;
  auto Of = [&](const IIEValue& A, const IIEValue& B) {
    IFuzzySet X = A->AsFuzzy(), Y = B->AsFuzzy();
    return Union ? X->Union(*Y, Op) : X->Intersection(*Y, Op);
  };
  if (V1->DType() == dtList) {
    TValueVector* L1 = V1->ListPtr();
    TValueVector* L2 = V2->ListPtr();
    if (!L1 || !L2 || L1->Count() != L2->Count()) return;
    IValueVector Copy = NewRef<TValueVector>();
    for (int I = 0; I < L1->Count(); ++I) Copy->Add(NewRef<TIEValue>(Of(L1->Get(I), L2->Get(I))));
    V1->SetAsList(Copy);
    return;
  }
  V1->SetAsFuzzy(Of(V1, V2));
}
}  // namespace

void TInferenceEngine::FuzzyUnion(const IIEValue& Value1, const IIEValue& Value2,
                                  TFuzzyOperation Operation) {
  Combine(Value1, Value2, Operation, true);
}

void TInferenceEngine::FuzzyIntersection(const IIEValue& Value1, const IIEValue& Value2,
                                         TFuzzyOperation Operation) {
  Combine(Value1, Value2, Operation, false);
}

void TInferenceEngine::AskForGoal(TJoinNode&, TIEPattern&, TRule*, const TIEToken&) {}

void TInferenceEngine::RenameRule(const std::string& OldName, const std::string& NewName) {
  if (OldName == NewName) return;
  TRule* R = FRules->Find(OldName);
  if (!R) return;
  if (FRules->Find(NewName)) throw EIEException(Format(SDuplicateRuleNames, {NewName}));
  FRules->FItems.erase(OldName);
  FRules->FItems[NewName] = R;
  *std::find(FRules->FOrder.begin(), FRules->FOrder.end(), OldName) = NewName;
  R->StoreName(NewName);
}

void TInferenceEngine::AddFactTemplate(const IFactTemplate& Template) {
  OnNewFactTemplate(this, Template);
}
void TInferenceEngine::RemoveFactTemplate(const IFactTemplate& Template) {
  OnRemoveFactTemplate(this, Template);
}
void TInferenceEngine::AddFunction(const IUserFunction& Function) {
  OnAddUserFunction(this, Function);
}
void TInferenceEngine::RemoveFunction(const IUserFunction& Function) {
  OnRemoveUserFunction(this, Function);
}

void TInferenceEngine::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation != opRemove) return;
  if (auto* R = dynamic_cast<TRule*>(Component)) FRules->Remove(R->RuleName(), R);
}

void TInferenceEngine::FactTemplateRenaming(TFactTemplate* Template, const std::string& OldName,
                                            const std::string& NewName) {
  if (FFactTemplates->Find(OldName).Get() == Template) FFactTemplates->Rename(OldName, NewName);
}

// --- IReasoner ------------------------------------------------------------------------------

std::string TInferenceEngine::PrettyPrint(const TFunctionCall& FunCall) {
  return FunCallToString(FunCall);
}
std::string TInferenceEngine::PrettyPrint(const TFact& Fact) { return Fact.GetToString(); }
std::string TInferenceEngine::PrettyPrint(const TIEUserFunction& Function) {
  std::string R = ";" + Function.FunctionName() + Function.ArgumentString();
  if (!Function.Comment().empty()) R += NewLineString + std::string(";") + Function.Comment();
  return R;
}
std::string TInferenceEngine::PrettyPrint(const TIEDefinedType& Type) {
  return DefinedTypePrettyPrint(Type);
}
std::string TInferenceEngine::PrettyPrint(const TRule& Rule) { return RulePrettyPrint(Rule); }

void TInferenceEngine::AddUserFunction(const IUserFunction& Function) {
  if (Function) FUserFunctions->Put(Function->FunctionName(), Function);
}

void TInferenceEngine::RemoveUserFunction(const IUserFunction& Function) {
  if (!Function) return;
  IUserFunction Registered;
  if (FUserFunctions->Find(Function->FunctionName(), Registered) && Registered == Function)
    FUserFunctions->Remove(Function->FunctionName());
}

bool TInferenceEngine::ContainsUserFunction(const TIEName& Name) const {
  IUserFunction F;
  return FUserFunctions->Find(Name, F);
}

bool TInferenceEngine::ContainsUserFunction(const TIEName& Name, IUserFunction& Function) const {
  return FUserFunctions->Find(Name, Function);
}

IUserFunction TInferenceEngine::GetUserFunction(const TIEName& Name) const {
  IUserFunction F;
  FUserFunctions->Find(Name, F);
  return F;
}

void TInferenceEngine::SetUserFunction(const TIEName& Name, const IUserFunction& Function) {
  FUserFunctions->Put(Name, Function);
}

// --- parsing and printing through the knowledge language ------------------------------------

void TInferenceEngine::RaiseNoParser(const char* What) const {
  throw EIEException(Format(
      "Reading %s needs the knowledge-language parser, which this engine does not have", {What}));
}

IFactSlot TInferenceEngine::ParseFactSlotText(const std::string&) {
  RaiseNoParser("a slot definition");
}
IFact TInferenceEngine::ParseFactText(const std::string&) { RaiseNoParser("a fact"); }
TRule* TInferenceEngine::ParseRule(const std::string&) { RaiseNoParser("a rule"); }
ISingletonsVector TInferenceEngine::ParseSingletons(const std::string&) {
  RaiseNoParser("singletons");
}
IFuzzySet TInferenceEngine::ParseFuzzySet(TIFuzzyVariable*, const std::string&) {
  RaiseNoParser("a fuzzy set");
}
IFuzzyVariable TInferenceEngine::ParseFuzzyVariable(const std::string&) {
  RaiseNoParser("a fuzzy variable");
}

std::string TInferenceEngine::PrettyPrint(const TSingletonsVector* Singletons) {
  return Singletons ? SingletonsPrettyPrint(*Singletons) : std::string();
}

std::string TInferenceEngine::PrettyPrint(const TIFuzzySet* Set, bool Term) {
  return Set ? FuzzySetPrettyPrint(*Set, Term) : std::string();
}

std::string TInferenceEngine::PrettyPrint(const TIFuzzyVariable* Variable) {
  return Variable ? FuzzyVariablePrettyPrint(*Variable) : std::string();
}

}  // namespace norvale
