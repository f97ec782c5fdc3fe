#include "fuzzy/FuzzyVariable.h"

#include <algorithm>
#include <cmath>

#include "fuzzy/FuzzyNames.h"
#include "platform/Format.h"

namespace norvale {

TIFuzzyVariable::TIFuzzyVariable() = default;

TIFuzzyVariable::TIFuzzyVariable(const std::string& Name) : FName(Name) {}

TIFuzzyVariable::~TIFuzzyVariable() {
  // Items that outlive the variable (held elsewhere) must not point back to it.
  for (IFuzzySet& S : FTerms) {
    S->FVariable = nullptr;
    S->FItem = false;
  }
}

void TIFuzzyVariable::SetFrom(double Value) {
  FFrom = Value;
  if (FTo < Value) FTo = Value;
}

void TIFuzzyVariable::SetTo(double Value) {
  FTo = Value;
  if (FFrom > Value) FFrom = Value;
}

void TIFuzzyVariable::SetUniverse(double From, double To) {
  SetFrom(From);
  SetTo(To);
}

void TIFuzzyVariable::SetThreshold(double Value) { FThreshold = std::clamp(Value, 0.0, 1.0); }

// --- items ----------------------------------------------------------------------------------

const IFuzzySet& TIFuzzyVariable::Term(int Index) const {
  if (Index < 0 || Index >= TermCount()) throw EFuzzyError(Format(SFuzzyTermIndex, {Index}));
  return FTerms[Index];
}

int TIFuzzyVariable::IndexOfTerm(const std::string& Name) const {
  for (size_t I = 0; I < FTerms.size(); ++I) {
    if (SameText(FTerms[I]->Name(), Name)) return static_cast<int>(I);
  }
  return -1;
}

IFuzzySet TIFuzzyVariable::FindTerm(const std::string& Name) const {
  int I = IndexOfTerm(Name);
  return I < 0 ? IFuzzySet() : FTerms[I];
}

IFuzzySet TIFuzzyVariable::Detach(int Index) {
  IFuzzySet S = FTerms[Index];
  FTerms.erase(FTerms.begin() + Index);
  S->FItem = false;
  S->HoldVariable(this);
  return S;
}

void TIFuzzyVariable::AddTerm(const IFuzzySet& Set) {
  if (!Set || (Set->FItem && Set->FVariable == this)) return;
  IFuzzySet S = Set;
  if (S->FItem && S->FVariable) S->FVariable->RemoveTerm(S.Get());
  // The set's counted reference to this variable is dropped when this call ends; if it was the
  // only one, the variable goes then (clearing its items' pointers), as any counted object does.
  IFuzzyVariable Previous = std::move(S->FVariableRef);
  S->FVariable = this;
  S->FItem = true;
  int Existing = IndexOfTerm(S->Name());
  IFuzzySet Replaced;
  if (Existing >= 0) {
    Replaced = FTerms[Existing];
    Replaced->FItem = false;
    Replaced->HoldVariable(this);
    S->FPosition = Replaced->FPosition;
    FTerms[Existing] = S;
  } else {
    S->FPosition = ++FNextPosition;
    FTerms.push_back(S);
  }
  if (Replaced) OnSetRemoved(this, Replaced.Get());
  OnSetAdded(this, S.Get());
}

IFuzzySet TIFuzzyVariable::NewTerm(const std::string& Name) {
  IFuzzySet S = CreateSet(Name);
  if (S->Name() != Name) S->SetName(Name);
  AddTerm(S);
  return S;
}

bool TIFuzzyVariable::RemoveTerm(const std::string& Name) {
  int I = IndexOfTerm(Name);
  if (I < 0) return false;
  IFuzzySet S = Detach(I);
  OnSetRemoved(this, S.Get());
  return true;
}

bool TIFuzzyVariable::RemoveTerm(TIFuzzySet* Set) {
  auto It = std::find_if(FTerms.begin(), FTerms.end(),
                         [Set](const IFuzzySet& S) { return S.Get() == Set; });
  if (It == FTerms.end()) return false;
  IFuzzySet S = Detach(static_cast<int>(It - FTerms.begin()));
  OnSetRemoved(this, S.Get());
  return true;
}

void TIFuzzyVariable::ClearTerms() {
  while (!FTerms.empty()) {
    IFuzzySet S = Detach(0);
    OnSetRemoved(this, S.Get());
  }
}

IFuzzySet TIFuzzyVariable::CreateSet(const std::string& Name) {
  return NewRef<TIFuzzySet>(this, Name);
}

IFuzzyVariable TIFuzzyVariable::NewInstance() const { return NewRef<TIFuzzyVariable>(); }

IFuzzyVariable TIFuzzyVariable::Copy() const {
  IFuzzyVariable R = NewInstance();
  R->Assign(const_cast<TIFuzzyVariable*>(this));
  return R;
}

IFuzzySet TIFuzzyVariable::ParseExpression(const std::string& Text) {
  if (!FParser) throw EFuzzyError(Format(SNoFuzzyParser, {FName}));
  return FParser->ParseFuzzySet(this, Text);
}

// --- text, comparison, copying --------------------------------------------------------------

std::string TIFuzzyVariable::ToString() const {
  if (FParser) return FParser->PrettyPrint(this);
  std::string S = "(range " + FloatToStr4(FFrom) + " " + FloatToStr4(FTo) + ")";
  if (!FUnits.empty()) S += " (units " + FUnits + ")";
  S += " (values";
  for (const IFuzzySet& T : FTerms) {
    if (T->IsTerm()) S += " " + T->TermString();
  }
  return S + ")";
}

bool TIFuzzyVariable::Equals(const TIFuzzyVariable& Other) const {
  if (&Other == this) return true;
  if (!SameText(FName, Other.FName) || FUnits != Other.FUnits ||
      std::abs(FFrom - Other.FFrom) > 0.0001 || std::abs(FTo - Other.FTo) > 0.0001 ||
      FTerms.size() != Other.FTerms.size())
    return false;
  for (size_t I = 0; I < FTerms.size(); ++I) {
    if (!SameText(FTerms[I]->Name(), Other.FTerms[I]->Name()) ||
        !FTerms[I]->SamePoints(*Other.FTerms[I]))
      return false;
  }
  return true;
}

void TIFuzzyVariable::Assign(TPersistent* Source) {
  auto* V = dynamic_cast<TIFuzzyVariable*>(Source);
  if (!V) {
    TPersistent::Assign(Source);
    return;
  }
  if (V == this) return;
  FName = V->FName;
  FFrom = V->FFrom;
  FTo = V->FTo;
  FUnits = V->FUnits;
  FThreshold = V->FThreshold;
  FParser = V->FParser;
  ClearTerms();
  for (const IFuzzySet& T : V->FTerms) {
    IFuzzySet C = CreateSet(T->Name());
    C->AssignFrom(*T);
    AddTerm(C);
  }
}

}  // namespace norvale
