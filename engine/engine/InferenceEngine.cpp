#include "engine/engine/InferenceEngine.h"

#include <algorithm>
#include <chrono>

#include "engine/core/IEFuzzy.h"
#include "engine/engine/FactSet.h"
#include "engine/language/IEParser.h"
#include "engine/packages/StandardPackage.h"
#include "platform/Restore.h"

namespace norvale {

// --- TInferenceEngine -----------------------------------------------------------------------

TInferenceEngine::TInferenceEngine(TComponent* Owner) : TComponent(Owner) {}

TObject* TInferenceEngine::CreateIEObject(TIEObjectType ObjectType) {
  switch (ObjectType) {
    case otAgenda:
      return new TActivationAgenda();
    case otEngineVariables:
      return new TEngineVariables(this);
    case otFacts:
      return new TFacts(this);
    case otFactSets:
      return new TFactSets(this);
    case otFactTemplates:
      return new TFactTemplates(this);
    case otGlobalVariables:
      return new TGlobalVariables(this);
    case otDefinedTypes:
      return new TIEDefinedTypes(this);
    case otRules:
      return new TRules(this);
    case otUserFunctions:
      return new TUserFunctions(this);
    case otReteNetwork:
      // Not an owned component: the engine frees it after its rules are gone.
      return NewObject<TReteNetwork>(nullptr, this);
    case otIOStreams:
      break;
  }
  return nullptr;
}

template <class T>
std::unique_ptr<T> TInferenceEngine::Create(TIEObjectType ObjectType) {
  TObject* O = CreateIEObject(ObjectType);
  auto* Typed = dynamic_cast<T*>(O);
  if (!Typed) {
    Free(O);
    throw EIEException(
        Format("CreateIEObject made no object of kind %d", {static_cast<int>(ObjectType)}));
  }
  return std::unique_ptr<T>(Typed);
}

void TInferenceEngine::CreateOwnedObjects() {
  // Made here rather than in the constructor, so that a descendant's CreateIEObject is used.
  FParser = NewParser();
  FParser->SetErrorHandling(FParserErrorHandling);
  FParser->SetMaxErrors(FParserMaxErrors);
  FParser->SetStaticTypeChecks(FTypeChecks.Contains(tcStatic));
  FGlobalVariables = Create<TGlobalVariables>(otGlobalVariables);
  FDefinedTypes = Create<TIEDefinedTypes>(otDefinedTypes);
  FAgenda = Create<TActivationAgenda>(otAgenda);
  FFactTemplates = Create<TFactTemplates>(otFactTemplates);
  FFacts = Create<TFacts>(otFacts);
  FFacts->SetCacheHashCodes(!FFactDuplication);
  FGlobalContext = std::make_unique<TIEContext>(nullptr, this);
  CreateSpecialTemplates();
  FFactSets = Create<TFactSets>(otFactSets);
  TObject* Network = CreateIEObject(otReteNetwork);
  FNetwork = dynamic_cast<TReteNetwork*>(Network);
  if (!FNetwork) {
    Free(Network);
    throw EIEException("CreateIEObject made no otReteNetwork");
  }
  FNetwork->SetMinActivationStrength(FMinActivationStrength);
  FRules = Create<TRules>(otRules);
  FEngineVariables = Create<TEngineVariables>(otEngineVariables);
  FUserFunctions = Create<TUserFunctions>(otUserFunctions);
}

void TInferenceEngine::AfterConstruction() {
  TComponent::AfterConstruction();
  CreateOwnedObjects();
  AddDefaultPackages();
  Assert(NewRef<TFact>(CreateFactTemplate(SInitialFactPattern)), false);
}

void TInferenceEngine::AddDefaultPackages() {
  // In this order: Standard, Miscellaneous, Predicate, Math, String, Object, Trigonometry,
  // Business, FuzzyLogic. Each package registers its functions here as it is created; the
  // packages after the standard one join as they are written.
  if (FPackages.Contains(pStandard)) NewObject<TStandardPackage>(this);
  OnAddDefaultPackages(this);
}

void TInferenceEngine::SetPackages(TFunctionPackages Value) {
  if (Value == FPackages) return;
  // Every package the engine owns goes, the last first.
  for (int I = ComponentCount(); I-- > 0;)
    if (I < ComponentCount())
      if (auto* Package = dynamic_cast<TUserPackage*>(Components(I))) Free(Package);
  FPackages = Value;
  AddDefaultPackages();
}

void TInferenceEngine::SetFactDuplication(bool Value) noexcept {
  if (Value == FFactDuplication) return;
  FFactDuplication = Value;
  if (FFacts) FFacts->SetCacheHashCodes(!Value);
}

void TInferenceEngine::CreateSpecialTemplates() {
  IFactTemplate Initial = CreateFactTemplate(SInitialFactPattern);
  if (!FInitialFactPattern)
    FInitialFactPattern = NewObject<TIEPattern>(this, 0, Initial, SInitialFactPattern);
  IFactTemplate Null = CreateFactTemplate(SNullFact);
  FNullFact = NewRef<TFact>(Null);
}

void TInferenceEngine::BeforeDestruction() {
  // No event fires while the engine goes.
  for (TNotifyEvent* E : {&OnClearFacts, &OnClearRules, &OnClearFactTemplates, &OnClearDefinedTypes,
                          &OnAddDefaultPackages, &OnStartInference, &OnReset, &OnClear})
    E->Clear();
  OnAddRule.Clear();
  OnRemoveRule.Clear();
  OnNewFactTemplate.Clear();
  OnRemoveFactTemplate.Clear();
  OnAddUserFunction.Clear();
  OnRemoveUserFunction.Clear();
  OnAddActivation.Clear();
  OnRemoveActivation.Clear();
  OnRuleFired.Clear();
  OnPrintOut.Clear();
  OnAssertion.Clear();
  OnRetraction.Clear();
  OnFuzzyCorrelation.Clear();
  OnFuzzyInference.Clear();
  OnAddDefinedType.Clear();
  OnRemoveDefinedType.Clear();
  OnEndInference.Clear();
  if (FParser) FParser->ClearEvents();
  if (FNetwork) {
    FNetwork->OnActivation.Clear();
    FNetwork->OnDeactivation.Clear();
    FNetwork->OnRuleFired.Clear();
  }
  // The framework's own teardown (free notification, owned components) comes after the clear.
  FTearingDown = true;
  if (FFacts) Clear();
  TComponent::BeforeDestruction();
}

TInferenceEngine::~TInferenceEngine() {
  if (FAgenda) ClearAgenda();
  if (FRules) FRules->Clear();
  FreeDeferredRules();
  Free(FNetwork);
  FNetwork = nullptr;
  FFacts.reset();
  FPendingAssertions.clear();
  FPendingRetractions.clear();
  if (FUserFunctions) FUserFunctions->Clear();
  Free(FInitialFactPattern);
  FInitialFactPattern = nullptr;
  FNullFact = nullptr;
  FFactSets.reset();
  FFactTemplates.reset();
  FDefinedTypes.reset();
  FGlobalVariables.reset();
  FEngineVariables.reset();
  FRules.reset();
  FUserFunctions.reset();
  FAgenda.reset();
  FGlobalContext.reset();
  Free(FParser);
  FParser = nullptr;
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
  if (Rule->Owner() == this) FreeRule(Rule);
}

void TInferenceEngine::RuleChange(TRule* Rule) {
  if (!FNetwork || FRules->Find(Rule->RuleName()) != Rule) return;
  FNetwork->RemoveRule(Rule);
  FNetwork->AddRule(Rule);
}

// --- fact base ------------------------------------------------------------------------------

int TInferenceEngine::Assert(const IFact& Fact, bool Unconditional) {
  if (!Fact || !Fact->Template()) throw EIEException(SNoTemplate);
  // Only facts of the engine's own templates: a foreign template, even of a name the engine
  // knows, would reach rules compiled for another. The template checked last is remembered
  // until the table changes.
  if (Fact->TemplatePtr() != FCheckedTemplate || FFactTemplates->Generation() != FCheckedTables) {
    if (!FFactTemplates->Holds(Fact->TemplatePtr()))
      throw EIEException(Format(SForeignTemplate, {Fact->TemplatePtr()->TemplateName()}));
    FCheckedTemplate = Fact->TemplatePtr();
    FCheckedTables = FFactTemplates->Generation();
  }
  if (FNetwork->Busy()) {
    AddPendingFact(Fact, true);
    return -1;
  }
  // A fact object that is asserted already is not asserted again: a second entry would take
  // over its ID and its place in the fact base.
  if (FFacts->IndexOf(Fact.Get()) >= 0) return -1;
  // The key leaves fuzzy slots out, so correlation and combination below do not change it.
  const int32_t Key = TFacts::KeyOf(*Fact);
  if (Fact->Template()->IsFuzzy()) {
    if (FCurrentActivation) FuzzyCorrelation(Fact, FCurrentActivation->Strength());
    // An equal fact (fuzzy slots do not count) is combined with the new one and goes.
    int At = FFacts->FindFact(*Fact, Key);
    if (At >= 0) {
      IFact Existing = FFacts->Items(At);
      FuzzyOperation(Fact, Existing, !Unconditional);
      RetractFact(IndexOfFact(Existing.Get()));
    }
  } else if (!FFactDuplication && FFacts->FindFact(*Fact, Key) >= 0) {
    return -1;
  }
  int Id = NewFactId();
  Fact->SetID(Id);
  FFacts->Store(FFacts->Count(), Fact, Key);
  if (FWatch.Contains(cwFact) && OnPrintOut)
    PrintOut("", " ==> " + Fact->GetToIDString() + NewLineString);
  FNetwork->ProcessToken(NewRef<TIEToken>(taAdd, Fact));
  ProcessPendingFacts();
  OnAssertion(this, Fact);
  return Id;
}

int TInferenceEngine::Assert(const IFact& Fact, TFuzzyInferenceMethod Method, bool Unconditional) {
  if (Method == FInferenceMethod) return Assert(Fact, Unconditional);
  TRestore<TFuzzyInferenceMethod> Restore(FInferenceMethod, Method);
  return Assert(Fact, Unconditional);
}

void TInferenceEngine::RetractFact(int Index) {
  if (Index < 0 || Index >= FFacts->Count()) return;
  IFact Fact = FFacts->Items(Index);
  if (FNetwork->Busy()) {
    AddPendingFact(Fact, false);
    return;
  }
  OnRetraction(this, Fact);
  FFacts->PrefetchKey(*Fact);
  FNetwork->ProcessToken(NewRef<TIEToken>(taRemove, Fact));
  if (FWatch.Contains(cwFact) && OnPrintOut)
    PrintOut("", " <== " + Fact->GetToIDString() + NewLineString);
  int At = IndexOfFact(Fact.Get());
  if (At >= 0) FFacts->Unstore(At);
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

void TInferenceEngine::BeginFactModify(const IFact& Fact) {
  FModifying = true;
  // That very fact: with duplicates allowed, an earlier equal fact is another fact.
  RetractFact(IndexOfFact(Fact.Get()));
}

int TInferenceEngine::EndFactModify(const IFact& Fact) {
  struct TDone {
    bool& F;
    ~TDone() { F = false; }
  } Done{FModifying};
  return Assert(Fact);
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
    FAgenda->Add(Activation);
    if (FWatch.Contains(cwActivation) && OnPrintOut)
      PrintOut("", "==> Activation: " + Activation->Rule()->RuleName() + " : " +
                       Activation->Token()->GetToFactsString() + NewLineString);
    if (OnAddActivation) OnAddActivation(this, FAgenda->IndexOf(Activation), Activation);
  } catch (EAbort&) {
    // A silent abort leaves the activation wherever it got to.
  }
  if (!FAgenda->Contains(Activation)) FAgenda->Add(Activation);
}

void TInferenceEngine::RemoveActivation(TActivation* Activation) {
  if (OnRemoveActivation) OnRemoveActivation(this, FAgenda->IndexOf(Activation), Activation);
  if (FWatch.Contains(cwActivation) && OnPrintOut)
    PrintOut("", "<== Activation: " + Activation->Rule()->RuleName() + " : " +
                     Activation->Token()->GetToFactsString() + NewLineString);
  if (Activation == FCurrentActivation) {
    FAgenda->Extract(Activation);  // the run loop frees it after the firing
  } else {
    FAgenda->Extract(Activation);
    Free(Activation);
  }
}

void TInferenceEngine::RuleFired(TActivation* Activation) {
  OnRuleFired(this, Activation->Rule());
  RemoveActivation(Activation);
}

std::vector<TActivation*> TInferenceEngine::Activations() const {
  std::vector<TActivation*> R;
  R.reserve(FAgenda->Count());
  FAgenda->ForEach([&](TActivation* A) { R.push_back(A); });
  return R;
}

void TInferenceEngine::SetStrategy(TSearchStrategy Value) {
  if (Value == FAgenda->Strategy()) return;
  FAgenda->SetStrategyValue(Value);
  ReplaceActivations();
}

void TInferenceEngine::FireActivation(TActivation* Activation) {
  if (!Activation) return;
  FCurrentActivation = Activation;
  struct TDone {
    TInferenceEngine* E;
    TActivation* A;
    ~TDone() {
      E->FAgenda->Extract(A);
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

void TInferenceEngine::ClearRules() { OnClearRules(this); }

void TInferenceEngine::AddDefinedType(const IIEDefinedType& Type) { OnAddDefinedType(this, Type); }
void TInferenceEngine::RemoveDefinedType(const IIEDefinedType& Type) {
  OnRemoveDefinedType(this, Type);
}

void TInferenceEngine::RemoveDependencies(const IFactTemplate& Template) {
  if (!Template) return;
  TFactTemplate* T = Template.Get();
  // The facts, newest first, each retracted with its events.
  for (int I = FFacts->Count(); I-- > 0;)
    if (I < FFacts->Count() && FFacts->Items(I)->TemplatePtr() == T) RetractFact(I);
  for (auto* List : {&FPendingAssertions, &FPendingRetractions})
    List->erase(std::remove_if(List->begin(), List->end(),
                               [&](const IFact& F) { return F->TemplatePtr() == T; }),
                List->end());
  for (int S = 0; S < FFactSets->Count(); ++S) {
    TFactSetFacts& Lines = FFactSets->Items(S)->Facts();
    for (int L = Lines.Count(); L-- > 0;)
      if (IFact F = Lines.GetData(L); F && F->TemplatePtr() == T) Lines.Delete(L);
  }
  for (TRule* R : FRules->Rules()) {
    bool Uses = false;
    for (TIEPattern* P : R->Patterns().Patterns())
      if (P->FactTemplate().Get() == T) Uses = true;
    if (Uses) FRules->Remove(R->RuleName(), R);
  }
}

void TInferenceEngine::RemoveDependencies(const IIEDefinedType& Type) {
  if (!Type) return;
  for (const IFactTemplate& T : FFactTemplates->Templates())
    if (T->ContainsType(Type.Get())) FFactTemplates->Remove(T->TemplateName());
}

void TInferenceEngine::RemoveDependencies() {
  FPendingAssertions.clear();
  FPendingRetractions.clear();
  ClearAgenda();
  FNetwork->Clear();
  FFacts->Clear();
  FRules->Clear();
}
void TInferenceEngine::ClearFactTemplates() {
  // The engine's own two templates come back at once: the initial-fact pattern and the null fact
  // hang on them, and a template file read next would otherwise miss them.
  if (!Destroying() && !FTearingDown) {
    if (FInitialFactPattern) FFactTemplates->Add(FInitialFactPattern->FactTemplate());
    if (FNullFact) FFactTemplates->Add(FNullFact->Template());
  }
  OnClearFactTemplates(this);
}
void TInferenceEngine::ClearDefinedTypes() { OnClearDefinedTypes(this); }

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
  if (auto* R = dynamic_cast<TRule*>(Component); R && FRules) FRules->Remove(R->RuleName(), R);
  if (auto* F = dynamic_cast<TFactSet*>(Component); F && FFactSets) FFactSets->Remove(F);
}

void TInferenceEngine::FactTemplateRenaming(TFactTemplate* Template, const std::string& OldName,
                                            const std::string& NewName) {
  if (FFactTemplates->Find(OldName).Get() == Template) FFactTemplates->Rename(OldName, NewName);
}

// --- IReasoner ------------------------------------------------------------------------------
// Printing goes through the parser: the one writer of read-back text (EngineLanguage.cpp).

// An engine that is being destroyed takes no function in and lets none go: its table goes with
// it, and the function keeps no link back to it.
void TInferenceEngine::AddUserFunction(const IUserFunction& Function) {
  if (!Function) return;
  if (FTearingDown || Destroying() || !FUserFunctions) {
    Function->Reasoners().Forget(this);
    return;
  }
  FUserFunctions->Put(Function->FunctionName(), Function);
}

void TInferenceEngine::RemoveUserFunction(const IUserFunction& Function) {
  if (!Function || FTearingDown || Destroying() || !FUserFunctions) return;
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

}  // namespace norvale

// --- the inference cycle ---------------------------------------------------------------------

namespace norvale {

namespace {
double Milliseconds() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

void TInferenceEngine::Lock() {
  if (!FLock) FLock = std::make_unique<std::recursive_mutex>();
  FLock->lock();
}

void TInferenceEngine::Unlock() {
  if (FLock) FLock->unlock();
}

void TInferenceEngine::BeginInference() {
  OnStartInference(this);
  FStartTime = Milliseconds();
  FRulesFired = 0;
  FMaxFacts = FactCount();
  FSumFacts = 0;
  FMaxActivations = FAgenda->Count();
  FSumActivations = 0;
  FHalted = false;
}

void TInferenceEngine::EndInference() {
  if (FWatch.Contains(cwStatistics)) {
    double Elapsed = (Milliseconds() - FStartTime) / 1000;
    if (FRulesFired > 0 && OnPrintOut) {
      float MeanFacts = FSumFacts / FRulesFired;
      float MeanActivations = FSumActivations / FRulesFired;
      PrintOut("", std::to_string(FRulesFired) + " rules fired.     Run time is " +
                       Format("%.4f", {Elapsed}) + " seconds" + NewLineString);
      PrintOut("", (Elapsed != 0 ? Format("%.4f", {FRulesFired / Elapsed})
                                 : std::to_string(FRulesFired)) +
                       " rules per second" + NewLineString);
      PrintOut("", Format("%.4f", {static_cast<double>(MeanFacts)}) + " mean number of facts (" +
                       std::to_string(FMaxFacts) + " maximum)" + NewLineString);
      PrintOut("", Format("%.4f", {static_cast<double>(MeanActivations)}) +
                       " mean number of activations (" + std::to_string(FMaxActivations) +
                       " maximum)" + NewLineString);
    }
  }
  OnEndInference(this, FRulesFired);
}

void TInferenceEngine::FreeDeferredRules() {
  std::vector<TRule*> Rules;
  Rules.swap(FDeferredRules);
  for (TRule* R : Rules) Free(R);
}

int TInferenceEngine::Run(int MaxSteps) {
  // A run started by a rule of the running one fires nothing: the activation being fired is still
  // first on the agenda.
  if (FRunning) return 0;
  TRestore<bool> Running(FRunning, true);
  BeginInference();
  while (!FAgenda->Empty() && !FHalted && FRulesFired < MaxSteps) {
    Lock();
    struct TUnlock {
      TInferenceEngine* E;
      ~TUnlock() { E->Unlock(); }
    } Unlocked{this};
    if (FAgenda->Empty()) continue;
    TActivation* A = FAgenda->First();
    FCurrentActivation = A;
    {
      // The activation goes and rules removed meanwhile are freed, also when the firing raises.
      struct TDone {
        TInferenceEngine* E;
        TActivation* A;
        ~TDone() {
          if (E->FAgenda->Contains(A)) {
            if (E->OnRemoveActivation) {
              try {
                E->OnRemoveActivation(E, E->FAgenda->IndexOf(A), A);
              } catch (...) {  // already failing: the first exception is the one reported
              }
            }
            E->FAgenda->Extract(A);
          }
          E->FCurrentActivation = nullptr;
          Free(A);
          E->FreeDeferredRules();
        }
      } Done{this, A};
      if (FWatch.Contains(cwRule) && OnPrintOut)
        PrintOut("", "FIRE " + std::to_string(FRulesFired) + " " + A->Rule()->RuleName() + " " +
                         A->Token()->GetToFactsString() + NewLineString);
      A->Fire();
      if (FWatch.Contains(cwStatistics)) {
        int Facts = FactCount(), Activations = FAgenda->Count();
        FSumFacts += Facts;
        FMaxFacts = std::max(FMaxFacts, Facts);
        FSumActivations += Activations;
        FMaxActivations = std::max(FMaxActivations, Activations);
      }
    }
    ++FRulesFired;
    if (FSalienceEvaluation == sEveryTime) ReplaceActivations();
  }
  int Result = FRulesFired;
  EndInference();
  return Result;
}

void TInferenceEngine::ResetGlobalVariable(const TIEName& Name, const IIEValue& Value) {
  IIEValue Bound = Value;
  if (Value && Value->DType() == dtFunCall && Value->FunCallPtr()) {
    std::unique_ptr<TIEContext> Context(FGlobalContext->Push());
    struct TPop {
      TIEContext* C;
      ~TPop() { C->Pop(); }
    } Pop{Context.get()};
    Bound = Value->FunCallPtr()->Execute(Context.get());
  }
  FGlobalContext->AddGlobalBinding(Name, Bound);
}

void TInferenceEngine::ReplaceActivations() {
  std::vector<TActivation*> All = Activations();
  for (TActivation* A : All) FAgenda->Extract(A);
  for (TActivation* A : All) AddActivation(A);
}

void TInferenceEngine::FreeRule(TRule* Rule) {
  if (!Rule || Rule->Destroying()) return;
  if (FCurrentActivation && FCurrentActivation->Rule() == Rule) {
    if (std::find(FDeferredRules.begin(), FDeferredRules.end(), Rule) == FDeferredRules.end())
      FDeferredRules.push_back(Rule);
    return;
  }
  Free(Rule);
}

void TInferenceEngine::Reset() {
  ClearFacts();
  FFactId = 0;
  for (TRule* R : FRules->Rules()) R->Reset();
  Assert(NewRef<TFact>(CreateFactTemplate(SInitialFactPattern)), false);
  if (FResetGlobals) FGlobalVariables->ResetAll();
  FFactSets->Reset();
  OnReset(this);
}

void TInferenceEngine::ClearAgenda() {
  // The activation being fired stays with the run loop, which frees it.
  while (TActivation* A = FAgenda->First()) {
    FAgenda->Extract(A);
    if (A != FCurrentActivation) Free(A);
  }
}

void TInferenceEngine::Clear() {
  FHalted = false;
  FFactId = 0;
  FRuleId = 0;
  ClearAgenda();
  FNetwork->Clear();
  FRules->Clear();
  FFactTemplates->Clear();
  FGlobalVariables->Clear();
  FDefinedTypes->Clear();
  FNullFact = nullptr;
  try {
    FFactSets->Clear();
    ClearFacts();
    FPendingAssertions.clear();
    FPendingRetractions.clear();
    FUserFunctions->RemoveInterpreted();
    Free(FInitialFactPattern);
    FInitialFactPattern = nullptr;
    FEngineVariables->Clear();
  } catch (...) {
    if (!Destroying() && !FTearingDown) CreateSpecialTemplates();
    throw;
  }
  if (!Destroying() && !FTearingDown) CreateSpecialTemplates();
  OnClear(this);
}

}  // namespace norvale

// --- class registry ---------------------------------------------------------------------------

namespace norvale {
namespace {

const bool Registered =
    (RegisterClass<TInferenceEngine, TComponent>("TInferenceEngine")
         .Property("DuplicateConstructs", &TInferenceEngine::DuplicateConstructs,
                   &TInferenceEngine::SetDuplicateConstructs, dcOverwrite)
         .Property("Packages", &TInferenceEngine::Packages, &TInferenceEngine::SetPackages,
                   TFunctionPackages{pStandard, pPredicate, pMath, pMiscellaneous, pString, pObject,
                                     pTrigonometry, pBusiness, pFuzzyLogic})
         .Property("FactDuplication", &TInferenceEngine::FactDuplication,
                   &TInferenceEngine::SetFactDuplication, false)
         .Property("FuzzyAutoTerms", &TInferenceEngine::FuzzyAutoTerms,
                   &TInferenceEngine::SetFuzzyAutoTerms, true)
         .Property("FuzzyCorrelationMethod", &TInferenceEngine::FuzzyCorrelationMethod,
                   &TInferenceEngine::SetFuzzyCorrelationMethod, fcmMinimum)
         .Property("FuzzyInferenceMethod", &TInferenceEngine::FuzzyInferenceMethod,
                   &TInferenceEngine::SetFuzzyInferenceMethod, fimMinMax)
         .Property("FuzzyEqualsThreshold", &TInferenceEngine::FuzzyEqualsThreshold,
                   &TInferenceEngine::SetFuzzyEqualsThreshold)
         .Property("MinActivationStrength", &TInferenceEngine::MinActivationStrength,
                   &TInferenceEngine::SetMinActivationStrength, 0.0f)
         .Property("ParserErrorHandling", &TInferenceEngine::ParserErrorHandling,
                   &TInferenceEngine::SetParserErrorHandling, ehRaiseImmediate)
         .Property("ParserMaxErrors", &TInferenceEngine::ParserMaxErrors,
                   &TInferenceEngine::SetParserMaxErrors, 10)
         .Property("ResetGlobals", &TInferenceEngine::ResetGlobals,
                   &TInferenceEngine::SetResetGlobals, true)
         .Property("SalienceEvaluation", &TInferenceEngine::SalienceEvaluation,
                   &TInferenceEngine::SetSalienceEvaluation, sActivate)
         .Property("Strategy", &TInferenceEngine::Strategy, &TInferenceEngine::SetStrategy,
                   ssDepthFirst)
         .Property("SymbolIndex", &TInferenceEngine::SymbolIndex, &TInferenceEngine::SetSymbolIndex,
                   1)
         .Property("TypeChecks", &TInferenceEngine::TypeChecks, &TInferenceEngine::SetTypeChecks,
                   TTypeChecks{tcStatic})
         .Property("Watch", &TInferenceEngine::Watch, &TInferenceEngine::SetWatch,
                   TConstructWatches{})
         .Event("OnAddActivation", &TInferenceEngine::OnAddActivation, "TAgendaEvent")
         .Event("OnRemoveActivation", &TInferenceEngine::OnRemoveActivation, "TAgendaEvent")
         .Event("OnAssertion", &TInferenceEngine::OnAssertion, "TFactEvent")
         .Event("OnRetraction", &TInferenceEngine::OnRetraction, "TFactEvent")
         .Event("OnClearFacts", &TInferenceEngine::OnClearFacts, "TNotifyEvent")
         .Event("OnRuleFired", &TInferenceEngine::OnRuleFired, "TRuleEvent")
         .Event("OnAddRule", &TInferenceEngine::OnAddRule, "TRuleEvent")
         .Event("OnRemoveRule", &TInferenceEngine::OnRemoveRule, "TRuleEvent")
         .Event("OnClearRules", &TInferenceEngine::OnClearRules, "TNotifyEvent")
         .Event("OnNewFactTemplate", &TInferenceEngine::OnNewFactTemplate, "TFactTemplateEvent")
         .Event("OnRemoveFactTemplate", &TInferenceEngine::OnRemoveFactTemplate,
                "TFactTemplateEvent")
         .Event("OnClearFactTemplates", &TInferenceEngine::OnClearFactTemplates, "TNotifyEvent")
         .Event("OnAddDefinedType", &TInferenceEngine::OnAddDefinedType, "TIEDefinedTypeEvent")
         .Event("OnRemoveDefinedType", &TInferenceEngine::OnRemoveDefinedType,
                "TIEDefinedTypeEvent")
         .Event("OnClearDefinedTypes", &TInferenceEngine::OnClearDefinedTypes, "TNotifyEvent")
         .Event("OnAddUserFunction", &TInferenceEngine::OnAddUserFunction, "TUserFunctionEvent")
         .Event("OnRemoveUserFunction", &TInferenceEngine::OnRemoveUserFunction,
                "TUserFunctionEvent")
         .Event("OnAddDefaultPackages", &TInferenceEngine::OnAddDefaultPackages, "TNotifyEvent")
         .Event("OnStartInference", &TInferenceEngine::OnStartInference, "TNotifyEvent")
         .Event("OnEndInference", &TInferenceEngine::OnEndInference, "TInferenceEvent")
         .Event("OnReset", &TInferenceEngine::OnReset, "TNotifyEvent")
         .Event("OnClear", &TInferenceEngine::OnClear, "TNotifyEvent")
         .Event("OnFuzzyCorrelation", &TInferenceEngine::OnFuzzyCorrelation,
                "TFuzzyCorrelationEvent")
         .Event("OnFuzzyInference", &TInferenceEngine::OnFuzzyInference, "TFactCombineEvent")
         .Event("OnPrintOut", &TInferenceEngine::OnPrintOut, "TPrintOutEvent"),
     true);

}  // namespace
}  // namespace norvale
