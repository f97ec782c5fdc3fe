#include "engine/rete/Rule.h"

#include <algorithm>

#include "engine/core/ValueVector.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEPrinter.h"

namespace norvale {

// --- TRulePatternList -----------------------------------------------------------------------

TRulePatternList::~TRulePatternList() {
  for (TIEPattern* P : FItems) Free(P);
  FItems.clear();
}

int TRulePatternList::Add(TIEPattern* Pattern) {
  FItems.push_back(Pattern);
  int Index = Count() - 1;
  FRule->PatternNotification(Pattern, true);
  return Index;
}

void TRulePatternList::Insert(int Index, TIEPattern* Pattern) {
  if (Index < 0 || Index > Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  FItems.insert(FItems.begin() + Index, Pattern);
  FRule->PatternNotification(Pattern, true);
}

int TRulePatternList::Remove(TIEPattern* Pattern) {
  int Index = IndexOf(Pattern);
  if (Index >= 0) Delete(Index);
  return Index;
}

void TRulePatternList::Delete(int Index) {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  TIEPattern* P = FItems[Index];
  FItems.erase(FItems.begin() + Index);
  FRule->PatternNotification(P, false);
  Free(P);
}

int TRulePatternList::IndexOf(const TIEPattern* Pattern) const {
  auto It = std::find(FItems.begin(), FItems.end(), Pattern);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

int TRulePatternList::IndexOf(const TFactTemplate* Template) const {
  for (int I = 0; I < Count(); ++I)
    if (FItems[I]->FactTemplate().Get() == Template) return I;
  return -1;
}

void TRulePatternList::Clear() {
  std::vector<TIEPattern*> Old;
  Old.swap(FItems);
  for (TIEPattern* P : Old) Free(P);
  if (!Old.empty()) FRule->PatternNotification(nullptr, false);
}

// --- TRuleActionList ------------------------------------------------------------------------

int TRuleActionList::Add(const IFunCall& Call) {
  FItems.push_back(Call);
  FRule->ActionNotification();
  return Count() - 1;
}

void TRuleActionList::Insert(int Index, const IFunCall& Call) {
  if (Index < 0 || Index > Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  FItems.insert(FItems.begin() + Index, Call);
  FRule->ActionNotification();
}

int TRuleActionList::Remove(const IFunCall& Call) {
  int Index = IndexOf(Call);
  if (Index >= 0) Delete(Index);
  return Index;
}

void TRuleActionList::Delete(int Index) {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  FItems.erase(FItems.begin() + Index);
  FRule->ActionNotification();
}

int TRuleActionList::IndexOf(const IFunCall& Call) const {
  auto It = std::find(FItems.begin(), FItems.end(), Call);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

void TRuleActionList::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  FRule->ActionNotification();
}

void TRuleActionList::Assign(const TRuleActionList& Source) {
  if (&Source == this) return;
  FItems = Source.FItems;
  FRule->ActionNotification();
}

// --- TRule ----------------------------------------------------------------------------------

TRule::TRule(TComponent* Owner)
    : TComponent(Owner), FSalienceExpression(NewInteger(0)), FActions(this), FPatterns(this) {
  TInferenceEngine* E = dynamic_cast<TInferenceEngine*>(Owner);
  if (!E && Owner && Owner->Designing()) {
    for (int I = 0; I < Owner->ComponentCount() && !E; ++I)
      E = dynamic_cast<TInferenceEngine*>(Owner->Components(I));
  }
  // An engine's rules are many: they do not hear of each other, and an engine that owns a rule
  // frees it before it goes, so only a rule owned elsewhere watches its engine.
  SetSiblingNotifications(false);
  if (E) {
    FEngine = E;
    if (Owner != E) E->FreeNotification(this);
    FRuleNumber = E->NewRuleId();
  }
  FRuleName = "Rule_" + std::to_string(FRuleNumber);
}

TRule::~TRule() {
  FEngine = nullptr;
  OnChange.Clear();
  ClearBindings();
  ++FUpdateCount;  // no change reports while the patterns go
}

void TRule::ClearBindings() {
  for (TBinding* B : FBindings) Free(B);
  FBindings.clear();
}

void TRule::SetRuleName(const TIEName& Value) {
  if (Value == FRuleName) return;
  CheckConstructName(Value);
  if (FEngine && FEngine->Rules().Find(FRuleName) == this) {
    FEngine->RenameRule(FRuleName, Value);  // sets the name once the table moved the rule
    return;
  }
  FRuleName = Value;
}

void TRule::SetSalienceInteger(int Value) {
  if (Value == FSalience && FSalienceExpression && FSalienceExpression->DType() == dtInteger &&
      FSalienceExpression->AsInteger() == Value)
    return;
  FSalience = Value;
  FSalienceExpression = NewInteger(Value);
  Change(this);
}

void TRule::SetSalience(const IIEValue& Value) {
  FSalienceExpression = Value ? Value : NewInteger(0);
  EvaluateSalience();
}

int TRule::EvaluateSalience() {
  if (!FEngine || !FSalienceExpression) return FSalience;
  if (FSalienceExpression->DType() == dtInteger) {
    FSalience = FSalienceExpression->AsInteger();
    return FSalience;
  }
  std::unique_ptr<TIEContext> Child(FEngine->GlobalContext()->Push());
  IIEValue R = FSalienceExpression->Resolve(Child.get());
  Child->Pop();
  // Only the agenda reads the evaluated salience: storing it needs no recompilation.
  FSalience = R ? R->AsInteger() : 0;
  return FSalience;
}

void TRule::SetComment(const std::string& Value) {
  if (Value == FComment) return;
  FComment = Value;
  Change(this);
}

void TRule::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Change(this);
}

void TRule::SetOneShot(bool Value) {
  if (Value == FOneShot) return;
  FOneShot = Value;
  Change(this);
}

void TRule::SetEngine(TInferenceEngine* Value) {
  if (Value == FEngine) return;
  if (Designing()) {
    FEngine = Value;
    return;
  }
  if (FEngine) {
    FEngine->Rules().Remove(FRuleName, this);
    RemoveFreeNotification(FEngine);
  }
  FEngine = Value;
  if (FEngine) {
    if (Owner() != FEngine) FEngine->FreeNotification(this);
    FRuleNumber = FEngine->NewRuleId();
    FEngine->Rules().Add(this);
  }
}

void TRule::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation == opRemove && Component == FEngine) {
    FEngine = nullptr;
  }
}

TBinding* TRule::AddBinding(const TIEName& Name, int FactIndex, const std::string& SlotIndex,
                            int SubIndex) {
  auto* B = new TBinding(Name, FactIndex, SlotIndex, SubIndex);
  for (TBinding* Existing : FBindings)
    if (Existing->Equals(B)) {
      delete B;
      return Existing;
    }
  FBindings.push_back(B);
  return B;
}

int TRule::IndexOfBinding(const std::string& Name) const {
  for (size_t I = 0; I < FBindings.size(); ++I)
    if (FBindings[I]->Name() == Name) return static_cast<int>(I);
  return -1;
}

TBinding* TRule::GetBindingByName(const std::string& Name) const {
  int I = IndexOfBinding(Name);
  return I < 0 ? nullptr : FBindings[I];
}

void TRule::SubstFunCall(TFunctionCall& Call,
                         const std::vector<std::pair<std::string, std::string>>& Renames) {
  for (const IIEValue& A : Call.Arguments()) {
    if (!A) continue;
    if (A->DType() == dtFunCall) {
      if (TFunctionCall* Inner = A->FunCallPtr()) SubstFunCall(*Inner, Renames);
    } else if (IEVariableTypes.Contains(A->DType())) {
      for (const auto& R : Renames)
        if (R.first == A->Text()) {
          if (A->DType() == dtVariable)
            A->SetAsVariable(R.second);
          else
            A->SetAsMultiVariable(R.second);
          break;
        }
    }
  }
}

// Records where each variable of the pattern first occurs; a negated pattern's anonymous
// variables get names of their own.
void TRule::CollectBindings(TIEPattern* P, int Index) {
  std::string Bound = P->BoundName();
  if (P->Name().rfind(SBackChainPrefix, 0) == 0 && Bound.empty())
    Bound = FEngine->GenerateSymbol(SFactPrefix);
  if (!Bound.empty()) {
    AddBinding(Bound, Index, SPatternBinding, NoSubIndex);
    if (P->BoundName() != Bound) P->SetBoundName(Bound);
  }
  std::vector<std::pair<std::string, std::string>> Renames;
  for (int S = 0; S < P->GetSlotCount(); ++S)
    for (const auto& T : P->GetSlotTests(S)) {
      const IIEValue& V = T->SlotValue();
      if (!V || !IEVariableTypes.Contains(V->DType())) continue;
      std::string Name = V->Text();
      if (GetBindingByName(Name)) continue;
      if (P->IsNegated() && Name.rfind(SBlankPrefix, 0) == 0) {
        std::string NewName = "_" + std::to_string(FPatterns.Count()) + "_" + Name;
        Renames.emplace_back(Name, NewName);
        T->SetSlotValueNoCopy(NewRef<TIEValue>(NewName, V->DType()));
        Name = NewName;
      } else if (T->SlotTestType() == sttNotEquals) {
        throw EIEException(Format(SNegatedVariable, {Name}));
      }
      AddBinding(Name, Index, P->GetSlotName(S), T->MultiSlotSubIndex());
    }
  if (!Renames.empty())
    for (int S = 0; S < P->GetSlotCount(); ++S)
      for (const auto& T : P->GetSlotTests(S))
        if (T->SlotValue() && T->SlotValue()->DType() == dtFunCall)
          SubstFunCall(*T->SlotValue()->FunCallPtr(), Renames);
}

void TRule::RebuildBindings() {
  ClearBindings();
  for (int I = 0; I < FPatterns.Count(); ++I) CollectBindings(FPatterns[I], I);
}

void TRule::AddPattern(TIEPattern* Pattern) {
  if (!FEngine) throw EIEException(SUnknownEngine);
  BeginUpdate();
  struct TEnd {
    TRule* R;
    ~TEnd() { R->EndUpdate(); }
  } End{this};
  Pattern->SetOwner(this);
  int Index = FPatterns.IndexOf(Pattern);
  // The first pattern of a rule must be a positive fact pattern: a negated or test element, or a
  // pattern on a backward-chaining template, gets (Initial-Fact) in front of it.
  const IFactTemplate& T = Pattern->FactTemplate();
  bool Inserted = false;
  if (Index == 0 &&
      (Pattern->NegatedCount() >= 1 || Pattern->IsTest() || (T && T->IsBackwardChaining())) &&
      FEngine->InitialFactPattern()) {
    TIEPattern* Initial = FEngine->InitialFactPattern()->Clone(this);
    Initial->SetOwner(this);
    FPatterns.FItems.insert(FPatterns.FItems.begin(), Initial);
    Inserted = true;
  }
  // Bindings record pattern positions: an insertion before the end shifts the later ones.
  if (!Inserted && Index == FPatterns.Count() - 1)
    CollectBindings(Pattern, Index);
  else
    RebuildBindings();
  Pattern->FixTests();
  if (Pattern->Name().rfind(SBackChainPrefix, 0) == 0) {
    TIEPattern* Goal = NewObject<TIEPattern>(
        this, 1, Pattern->Name().substr(std::string(SBackChainPrefix).size()), *Pattern);
    Goal->SetBoundName("");
    FPatterns.Add(Goal);
  }
}

void TRule::PatternNotification(TIEPattern* Pattern, bool Added) {
  if (Added && Pattern && !FAddingPattern) {
    FAddingPattern = true;
    struct TEnd {
      bool& F;
      ~TEnd() { F = false; }
    } End{FAddingPattern};
    AddPattern(Pattern);
  } else if (Added && Pattern) {
    AddPattern(Pattern);  // a pattern added while another is added (the goal companion)
  } else if (!Added && FEngine) {
    // The first pattern must stay a positive fact pattern.
    TIEPattern* First = FPatterns.Count() ? FPatterns[0] : nullptr;
    if (First &&
        (First->NegatedCount() > 0 || First->IsTest() ||
         (First->FactTemplate() && First->FactTemplate()->IsBackwardChaining())) &&
        FEngine->InitialFactPattern()) {
      TIEPattern* Initial = FEngine->InitialFactPattern()->Clone(this);
      Initial->SetOwner(this);
      FPatterns.FItems.insert(FPatterns.FItems.begin(), Initial);
    }
    RebuildBindings();
  }
  Change(this);
}

void TRule::ActionNotification() { Change(this); }

void TRule::SetPatterns(const std::vector<TIEPattern*>& List) {
  if (&List == &FPatterns.Patterns()) return;
  BeginUpdate();
  struct TEnd {
    TRule* R;
    ~TEnd() { R->EndUpdate(); }
  } End{this};
  ClearBindings();
  FPatterns.Clear();
  for (size_t I = 0; I < List.size(); ++I) {
    if (I > 0 && List[I - 1]->Name().rfind(SBackChainPrefix, 0) == 0) continue;  // made again
    TIEPattern* Copy = List[I]->Clone(FEngine ? static_cast<TComponent*>(FEngine) : this);
    try {
      FPatterns.Add(Copy);
    } catch (...) {
      int At = FPatterns.IndexOf(Copy);
      if (At >= 0) FPatterns.FItems.erase(FPatterns.FItems.begin() + At);
      Free(Copy);
      throw;
    }
  }
}

void TRule::SetActions(const TRuleActionList& List) { FActions.Assign(List); }

void TRule::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Change(this);
}

void TRule::Change(TObject*) {
  if (FUpdateCount > 0) return;
  if (FEngine) FEngine->RuleChange(this);
  OnChange(this);
}

void TRule::PatternChanged(TIEPattern*) { Change(this); }

void TRule::AddPatternBinding(TIEPattern* Pattern, const TIEName& Name, const std::string& Slot,
                              int SubIndex) {
  AddBinding(Name, FPatterns.IndexOf(Pattern), Slot, SubIndex);
}

std::string TRule::GenerateSymbol(const std::string& Prefix) {
  if (FEngine) return FEngine->GenerateSymbol(Prefix);
  static int Counter = 0;
  return Prefix + std::to_string(++Counter);
}

IReasoner* TRule::PatternReasoner() { return FEngine; }

void TRule::Prepare(const TIEToken& Token, TIEContext& Context) {
  TFact* Null = FEngine ? FEngine->NullFact().Get() : nullptr;
  for (TBinding* B : FBindings) {
    if (B->SlotIndex() == SLocalBinding) continue;
    if (B->FactIndex() < 0 || B->FactIndex() >= Token.Count()) continue;
    TFact* F = Token.Facts(B->FactIndex());
    if (!F || F == Null) continue;
    IIEValue V;
    if (B->SlotIndex() == SPatternBinding) {
      V = NewFactId(F->ID());
    } else {
      TSlotReader Reader{B->SlotIndex(), B->SubIndex()};
      const TIEValue* Read = Reader.Read(F);
      V = Read ? IIEValue(const_cast<TIEValue*>(Read)) : FCNil;
    }
    B->SetValue(V);
    Context.AddLocalBinding(B->Name(), V);
  }
  Context.AddLocalBinding(SRuleBinding, NewString(FRuleName));
}

void TRule::Fire(const IReteToken& Token) {
  if (!FEngine) throw EIEException(SUnknownEngine);
  std::unique_ptr<TIEContext> Context(FEngine->GlobalContext()->Push());
  struct TPop {
    TIEContext* C;
    ~TPop() {
      if (C->ReturnFlag()) C->ClearReturnValue();
      C->Pop();
    }
  } Pop{Context.get()};
  Context->ClearReturnValue();
  if (Token) Prepare(*Token, *Context);
  FFired = true;
  OnFire(this, Context.get());
  if (!Context->ReturnFlag()) {
    // A copy: an action may change the rule's own action list.
    std::vector<IFunCall> Actions = FActions.Actions();
    for (const IFunCall& A : Actions) {
      A->Execute(Context.get());
      if (Context->ReturnFlag()) break;
    }
  }
}

void TRule::Assign(TPersistent* Source) {
  auto* R = dynamic_cast<TRule*>(Source);
  if (!R) {
    TComponent::Assign(Source);
    return;
  }
  if (R == this) return;
  BeginUpdate();
  struct TEnd {
    TRule* R;
    ~TEnd() { R->EndUpdate(); }
  } End{this};
  if (R->FEngine == FEngine) {
    SetRuleName(R->FRuleName);
    FEnabled = R->FEnabled;
    FComment = R->FComment;
    FOneShot = R->FOneShot;
    SetPatterns(R->FPatterns.Patterns());
    SetActions(R->FActions);
    SetSalience(R->FSalienceExpression ? R->FSalienceExpression->Clone() : IIEValue());
    return;
  }
  if (!FEngine) throw EIEException(SUnknownEngine);
  TRule* Parsed = FEngine->ParseRule(R->GetToString());
  struct TFree {
    TRule* P;
    ~TFree() { Free(P); }
  } FreeParsed{Parsed};
  Assign(Parsed);
}

std::string TRule::GetToString() const {
  if (FEngine) return FEngine->PrettyPrint(*this);
  return RulePrettyPrint(*this);
}

}  // namespace norvale
