#include "engine/facts/Pattern.h"

#include <algorithm>

#include "engine/core/ValueVector.h"
#include "engine/functions/FunctionCall.h"
#include "engine/language/IEPrinter.h"
#include "engine/rete/IEContext.h"

namespace norvale {


// --- TIESlotTest ----------------------------------------------------------------------------

void TIESlotTest::Assign(TPersistent* Source) {
  if (auto* T = dynamic_cast<TIESlotTest*>(Source)) {
    FSlotTestType = T->FSlotTestType;
    return;
  }
  TPersistent::Assign(Source);
}

std::string TIESlotTest::GetToString() const { return FSlotTestType == sttEquals ? "=" : "<>"; }

bool TIESlotTest::Matches(TFact* Right, const IReteToken& Left, TIEContext* Context) {
  if (!Context) return PerformTest(nullptr);
  struct TScope {
    TIEContext* C;
    ~TScope() {
      C->SetToken(nullptr);
      C->SetFact(nullptr);
    }
  } Scope{Context};
  Context->SetToken(Left);
  Context->SetFact(IFact(Right));
  return PerformTest(Context);
}

bool TIESlotTest::Equals(const TIESlotTest* Test) const {
  return Test && typeid(*Test) == typeid(*this) && Test->FSlotTestType == FSlotTestType;
}

// --- TIEPatternMatchTest --------------------------------------------------------------------

TIEPatternMatchTest::TIEPatternMatchTest(TIEPattern* Pattern, bool Negated, const IIEValue& Value,
                                         int SubIndex, bool Conjunction)
    : FPattern(Pattern), FMultiSlotSubIndex(SubIndex), FConjunction(Conjunction) {
  FSlotTestType = Negated ? sttNotEquals : sttEquals;
  FSlotValue = Value ? Value->Clone() : IIEValue();
}

void TIEPatternMatchTest::SetSlotValue(const IIEValue& Value) {
  SetSlotValueNoCopy(Value ? Value->Clone() : IIEValue());
}

void TIEPatternMatchTest::SetSlotValueNoCopy(const IIEValue& Value) {
  if (Value == FSlotValue) return;
  FSlotValue = Value;
  if (FPattern) FPattern->TestChange(this);
}

void TIEPatternMatchTest::SetMultiSlotSubIndex(int Value) {
  if (Value == FMultiSlotSubIndex) return;
  FMultiSlotSubIndex = Value;
  if (FPattern) FPattern->TestChange(this);
}

void TIEPatternMatchTest::SetConjunction(bool Value) {
  if (Value == FConjunction) return;
  FConjunction = Value;
  if (FPattern) FPattern->TestConjunctionChange(this);
}

void TIEPatternMatchTest::Assign(TPersistent* Source) {
  if (auto* T = dynamic_cast<TIEPatternMatchTest*>(Source)) {
    FSlotTestType = T->FSlotTestType;
    FSlotValue = T->FSlotValue ? T->FSlotValue->Clone() : IIEValue();
    FMultiSlotSubIndex = T->FMultiSlotSubIndex;
    FConjunction = T->FConjunction;
    return;
  }
  TIESlotTest::Assign(Source);
}

std::unique_ptr<TIESlotTest> TIEPatternMatchTest::CloneTest() const {
  auto R = std::make_unique<TIEPatternMatchTest>(nullptr);
  R->Assign(const_cast<TIEPatternMatchTest*>(this));
  return R;
}

bool TIEPatternMatchTest::Equals(const TIESlotTest* Test) const {
  if (!TIESlotTest::Equals(Test)) return false;
  auto* T = static_cast<const TIEPatternMatchTest*>(Test);
  return T->FMultiSlotSubIndex == FMultiSlotSubIndex && T->FConjunction == FConjunction &&
         (FSlotValue == T->FSlotValue || (FSlotValue && FSlotValue->Equals(T->FSlotValue)));
}

bool TIEPatternMatchTest::Equals(bool IsEquals, bool Conjunction, const IIEValue& Value,
                                 int SubIndex) const {
  return (FSlotTestType == sttEquals) == IsEquals && FConjunction == Conjunction &&
         FMultiSlotSubIndex == SubIndex &&
         (FSlotValue == Value || (FSlotValue && FSlotValue->Equals(Value)));
}

bool TIEPatternMatchTest::Equals(bool IsEquals, int SubIndex, const IIEValue& Value) const {
  return (FSlotTestType == sttEquals) == IsEquals && FMultiSlotSubIndex == SubIndex &&
         (FSlotValue == Value || (FSlotValue && FSlotValue->Equals(Value)));
}

bool TIEPatternMatchTest::PerformTest(TIEContext* Context) {
  IIEValue R = FSlotValue ? FSlotValue->Resolve(Context) : IIEValue();
  bool IsFalse = R && R->Equals(FCFalse);
  return FSlotTestType == sttEquals ? !IsFalse : IsFalse;
}

IFunCall TIEPatternMatchTest::ConvertToFunCall(IReasoner* Reasoner,
                                               const IIEValue& Variable) const {
  if (FSlotValue && FSlotValue->DType() == dtFunCall) {
    IFunCall Call = FSlotValue->AsFunCall();
    if (FSlotTestType == sttEquals) return Call;
    IFunCall Not = NewRef<TFunctionCall>(Reasoner, "not");
    Not->AddArgument(NewRef<TIEValue>(Call));
    return Not;
  }
  IFunCall Call = NewRef<TFunctionCall>(Reasoner, FSlotTestType == sttEquals ? "eq" : "neq");
  Call->AddArgument(FSlotValue ? FSlotValue->Clone() : NewRef<TIEValue>());
  Call->AddArgument(Variable->Clone());
  return Call;
}

std::string TIEPatternMatchTest::GetToString() const {
  std::string R = TIESlotTest::GetToString() + " SubIdx: " + std::to_string(FMultiSlotSubIndex);
  if (FSlotValue) R += " Slot: " + FSlotValue->ToString();
  return R;
}

// --- TIEJoinTest ----------------------------------------------------------------------------

TIEJoinTest::TIEJoinTest(TSlotTestType Type, int TokenIndex, const std::string& RightIndex,
                         const std::string& LeftIndex)
    : FRightIndex(RightIndex),
      FLeftIndex(LeftIndex),
      FTokenIndex(TokenIndex),
      FJoinTestType(tstSlot) {
  FSlotTestType = Type;
  InitReaders();
}

TIEJoinTest::TIEJoinTest(TSlotTestType Type, int TokenIndex, int RightSubIndex,
                         const std::string& RightIndex, int LeftSubIndex,
                         const std::string& LeftIndex)
    : FRightIndex(RightIndex),
      FRightSubIndex(RightSubIndex),
      FLeftIndex(LeftIndex),
      FLeftSubIndex(LeftSubIndex),
      FTokenIndex(TokenIndex),
      FJoinTestType(tstMultiSlot) {
  FSlotTestType = Type;
  InitReaders();
}

void TIEJoinTest::InitReaders() {
  bool Whole = FJoinTestType == tstSlot;
  FLeft = TSlotReader{FLeftIndex, Whole ? NoSubIndex : FLeftSubIndex};
  FRight = TSlotReader{FRightIndex, Whole ? NoSubIndex : FRightSubIndex};
}

void TIEJoinTest::Assign(TPersistent* Source) {
  if (auto* T = dynamic_cast<TIEJoinTest*>(Source)) {
    FSlotTestType = T->FSlotTestType;
    FRightIndex = T->FRightIndex;
    FRightSubIndex = T->FRightSubIndex;
    FLeftIndex = T->FLeftIndex;
    FLeftSubIndex = T->FLeftSubIndex;
    FTokenIndex = T->FTokenIndex;
    FJoinTestType = T->FJoinTestType;
    InitReaders();
    return;
  }
  TIESlotTest::Assign(Source);
}

std::unique_ptr<TIESlotTest> TIEJoinTest::CloneTest() const {
  auto R = std::make_unique<TIEJoinTest>();
  R->Assign(const_cast<TIEJoinTest*>(this));
  return R;
}

bool TIEJoinTest::Equals(const TIESlotTest* Test) const {
  if (!TIESlotTest::Equals(Test)) return false;
  auto* T = static_cast<const TIEJoinTest*>(Test);
  return T->FRightIndex == FRightIndex && T->FRightSubIndex == FRightSubIndex &&
         T->FLeftIndex == FLeftIndex && T->FLeftSubIndex == FLeftSubIndex &&
         T->FTokenIndex == FTokenIndex && T->FJoinTestType == FJoinTestType;
}

const TIEValue* TSlotReader::Read(TFact* Fact) const {
  if (!Fact) return nullptr;
  TFactTemplate* T = Fact->TemplatePtr();
  if (!T) return nullptr;
  if (T != CachedTemplate) {
    TFactSlot* S = T->FindSlot(Name);
    CachedIndex = S ? S->Index() : -1;
    CachedTemplate = T;
  }
  if (CachedIndex < 0) return nullptr;
  const IIEValue& V = Fact->ValueAt(CachedIndex);
  if (!V) return nullptr;
  if (SubIndex < 0) return V.Get();
  TValueVector* L = V->ListPtr();
  if (!L || SubIndex >= L->Count()) return nullptr;
  return L->Values()[SubIndex].Get();
}

bool TIEJoinTest::Compare(TFact* Right, const TIEToken* Token) const {
  // A fact missing from the partial match, a missing slot or a missing field never matches; for a
  // field test against a token without that position the test passes, as a wildcard would.
  if (!Token || FTokenIndex < 0 || FTokenIndex >= Token->Count())
    return FJoinTestType == tstMultiSlot;
  const TIEValue* A = FLeft.Read(Token->Facts(FTokenIndex));
  const TIEValue* B = FRight.Read(Right);
  if (!A || !B) return false;
  bool Same = A->Equals(B);
  return FSlotTestType == sttEquals ? Same : !Same;
}

bool TIEJoinTest::PerformTest(TIEContext* Context) {
  return Compare(Context ? Context->Fact().Get() : nullptr,
                 Context ? Context->TokenPtr() : nullptr);
}

std::string TIEJoinTest::GetToString() const {
  std::string R = TIESlotTest::GetToString() + " " + EnumName(FJoinTestType) +
                  " TokenIdx: " + std::to_string(FTokenIndex);
  if (FJoinTestType == tstMultiSlot)
    R += " Left: " + FLeftIndex + " " + std::to_string(FLeftSubIndex) + " Right: " + FRightIndex +
         " " + std::to_string(FRightSubIndex);
  else
    R += " Left: " + FLeftIndex + " Right: " + FRightIndex;
  return R;
}

// --- TIEPattern -----------------------------------------------------------------------------

TIEPattern::TIEPattern(TComponent* Owner, int NegatedCount, const IFactTemplate& FactTemplate,
                       const TIEName& Name)
    : FFactTemplate(FactTemplate),
      FNegatedCount(NegatedCount < 0 ? 0 : NegatedCount),
      FName(Name),
      FOwner(Owner) {
  InitSlots();
}

TIEPattern::TIEPattern(TComponent* Owner, int NegatedCount, const TIEName& Name,
                       const TIEPattern& Pattern)
    : FFactTemplate(Pattern.FFactTemplate),
      FNegatedCount(NegatedCount < 0 ? 0 : NegatedCount),
      FName(Name),
      FOwner(Owner) {
  InitSlots();
  BeginUpdate();
  for (size_t I = 0; I < Pattern.FSlots.size(); ++I) {
    const TPatternSlot& S = Pattern.FSlots[I];
    for (const auto& T : S.Tests) {
      IIEValue V = T->FSlotValue;
      if (V && IEVariableTypes.Contains(V->DType()) && V->AsString().rfind(SBlankPrefix, 0) == 0)
        V = NewRef<TIEValue>(Generate(SBlankPrefix), V->DType());
      auto Copy = std::make_unique<TIEPatternMatchTest>(this, T->FSlotTestType == sttNotEquals, V,
                                                        T->FMultiSlotSubIndex, T->FConjunction);
      AddTest(S.Name, std::move(Copy));
    }
    int Index = IndexOfSlotName(S.Name);
    if (Index >= 0) FSlots[Index].SlotLength = S.SlotLength;
  }
  --FUpdateCount;
}

TIEPattern::~TIEPattern() {
  FOwner = nullptr;
  for (TPatternSlot& S : FSlots) S.Tests.clear();
}

void TIEPattern::InitSlots() {
  FSlots.clear();
  if (!FFactTemplate) return;
  for (const std::string& N : FFactTemplate->GetSlotNames())
    FSlots.push_back(TPatternSlot{N, {}, -1});
}

std::string TIEPattern::Generate(const std::string& Prefix) const {
  if (IPatternOwner* O = OwnerLink()) return O->GenerateSymbol(Prefix);
  static int Counter = 0;
  return Prefix + std::to_string(++Counter);
}

int TIEPattern::IndexOfSlotName(const std::string& Name) const {
  for (size_t I = 0; I < FSlots.size(); ++I)
    if (FSlots[I].Name == Name) return static_cast<int>(I);
  return -1;
}

void TIEPattern::SetSlotLength(int Index, int Length) {
  FSlots.at(Index).SlotLength = Length;
  Change();
}

void TIEPattern::SetOwner(TComponent* Value) {
  if (Value == FOwner) return;
  Change();
  FOwner = Value;
  Change();
}

void TIEPattern::SetNegatedCount(int Value) {
  if (Value < 0) Value = 0;
  if (Value == FNegatedCount) return;
  FNegatedCount = Value;
  Change();
}

void TIEPattern::SetUnique(bool Value) {
  if (Value == FUnique) return;
  FUnique = Value;
  Change();
}

void TIEPattern::SetExplicit(bool Value) {
  if (Value == FExplicit) return;
  FExplicit = Value;
  Change();
}

void TIEPattern::SetBoundName(const TIEName& Value) {
  if (IsNegated() && FName == STestCE) throw EIEException(SInvalidPatternBinding);
  if (Value == FBoundName) return;
  FBoundName = Value;
  Change();
}

void TIEPattern::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Change();
}

void TIEPattern::Change() {
  if (FUpdateCount > 0) return;
  if (IPatternOwner* O = OwnerLink()) O->PatternChanged(this);
  OnChange(this);
}

TIEPatternMatchTest* TIEPattern::AddTest(const std::string& SlotName, const IIEValue& Value,
                                         bool Conjunction, bool Negated, int SubIndex) {
  return AddTest(
      SlotName, std::make_unique<TIEPatternMatchTest>(this, Negated, Value, SubIndex, Conjunction));
}

TIEPatternMatchTest* TIEPattern::AddTest(const std::string& SlotName,
                                         std::unique_ptr<TIEPatternMatchTest> Test) {
  if (!FFactTemplate) throw EIEException(SNoTemplate);
  if (!FFactTemplate->ContainsSlot(SlotName))
    throw EIEException(Format(SInvalidSlotName, {SlotName}));
  int Index = IndexOfSlotName(SlotName);
  if (Index < 0) {
    // The template gained the slot after this pattern was made: keep the list sorted.
    auto It = std::find_if(FSlots.begin(), FSlots.end(), [&](const TPatternSlot& S) {
      return CompareText(S.Name, SlotName) > 0;
    });
    Index = static_cast<int>(It - FSlots.begin());
    FSlots.insert(It, TPatternSlot{SlotName, {}, -1});
  }
  Test->FPattern = this;
  TIEPatternMatchTest* P = Test.get();
  FSlots[Index].Tests.push_back(std::move(Test));
  TestNotification(P, true);
  return P;
}

void TIEPattern::TestNotification(TIEPatternMatchTest* Test, bool Added) {
  int D = Added ? 1 : -1;
  FTestCount += D;
  if (!Test->FConjunction) FNonConjunctionCount += D;
  Change();
}

void TIEPattern::TestChange(TIEPatternMatchTest*) { Change(); }

void TIEPattern::TestConjunctionChange(TIEPatternMatchTest* Test) {
  FNonConjunctionCount += Test->FConjunction ? -1 : 1;
  Change();
}

void TIEPattern::FixTests() {
  if (FNonConjunctionCount == 0) return;
  IPatternOwner* Owner = OwnerLink();
  IReasoner* Reasoner = Owner ? Owner->PatternReasoner() : nullptr;
  BeginUpdate();
  struct TEnd {
    TIEPattern* P;
    ~TEnd() { P->EndUpdate(); }
  } End{this};
  for (TPatternSlot& Slot : FSlots) {
    if (Slot.Tests.empty()) continue;
    std::vector<std::unique_ptr<TIEPatternMatchTest>> Result;
    size_t I = 0;
    while (I < Slot.Tests.size()) {
      size_t J = I;
      int Sub = Slot.Tests[I]->FMultiSlotSubIndex;
      bool HasAlternatives = false;
      while (J < Slot.Tests.size() && Slot.Tests[J]->FMultiSlotSubIndex == Sub) {
        if (!Slot.Tests[J]->FConjunction) HasAlternatives = true;
        ++J;
      }
      if (!HasAlternatives) {
        for (size_t K = I; K < J; ++K) {
          auto Copy = std::make_unique<TIEPatternMatchTest>(this);
          Copy->Assign(Slot.Tests[K].get());
          Result.push_back(std::move(Copy));
        }
        I = J;
        continue;
      }
      // The binding variable: the group's first test when it is a variable, else a new one.
      IIEValue Variable;
      size_t First = I;
      const IIEValue& FirstValue = Slot.Tests[I]->FSlotValue;
      if (FirstValue && FirstValue->DType() == dtVariable) {
        Variable = FirstValue->Clone();
        ++First;
      } else {
        if (!Owner) throw EIEException(SMissingRule);
        Variable = NewVariable(Generate(SBlankPrefix));
        Owner->AddPatternBinding(this, Variable->AsString(), Slot.Name, Sub);
      }
      Result.push_back(std::make_unique<TIEPatternMatchTest>(this, false, Variable, Sub));
      IFunCall Or = NewRef<TFunctionCall>(Reasoner, "or");
      size_t K = First;
      while (K < J) {
        size_t End = K + 1;
        while (End < J && Slot.Tests[End]->FConjunction) ++End;
        if (End - K == 1) {
          Or->AddArgument(NewRef<TIEValue>(Slot.Tests[K]->ConvertToFunCall(Reasoner, Variable)));
        } else {
          IFunCall And = NewRef<TFunctionCall>(Reasoner, "and");
          for (size_t A = K; A < End; ++A)
            And->AddArgument(NewRef<TIEValue>(Slot.Tests[A]->ConvertToFunCall(Reasoner, Variable)));
          Or->AddArgument(NewRef<TIEValue>(And));
        }
        K = End;
      }
      auto CallTest = std::make_unique<TIEPatternMatchTest>(this);
      CallTest->FSlotValue = NewRef<TIEValue>(Or);
      CallTest->FMultiSlotSubIndex = Sub;
      Result.push_back(std::move(CallTest));
      I = J;
    }
    for (auto& T : Slot.Tests) TestNotification(T.get(), false);
    Slot.Tests = std::move(Result);
    for (auto& T : Slot.Tests) TestNotification(T.get(), true);
  }
}

void TIEPattern::Assign(TPersistent* Source) {
  auto* P = dynamic_cast<TIEPattern*>(Source);
  if (!P) {
    TPersistent::Assign(Source);
    return;
  }
  if (P == this) return;
  BeginUpdate();
  struct TEnd {
    TIEPattern* P;
    ~TEnd() { P->EndUpdate(); }
  } End{this};
  FComment = P->FComment;
  FBoundName = P->FBoundName;
  FUnique = P->FUnique;
  FExplicit = P->FExplicit;
  FName = P->FName;
  FFactTemplate = P->FFactTemplate;
  FNegatedCount = P->FNegatedCount;
  FTestCount = FNonConjunctionCount = 0;
  InitSlots();
  for (const TPatternSlot& S : P->FSlots) {
    for (const auto& T : S.Tests) {
      auto Copy = std::make_unique<TIEPatternMatchTest>(this);
      Copy->Assign(T.get());
      AddTest(S.Name, std::move(Copy));
    }
    int Index = IndexOfSlotName(S.Name);
    if (Index >= 0) FSlots[Index].SlotLength = S.SlotLength;
  }
}

TIEPattern* TIEPattern::Clone(TComponent* Owner) const {
  IFactTemplate T = FFactTemplate;
  IFactEngine* Target = dynamic_cast<IFactEngine*>(Owner);
  if (Target && T && T->Engine() != Target) {
    // Another engine: use (or make) its template of the same name.
    IFactTemplate Local = Target->FindFactTemplate(T->TemplateName());
    if (!Local) {
      Local = NewRef<TFactTemplate>(Owner, T->TemplateName());
      Local->AssignFrom(T.Get());
      Target->RegisterFactTemplate(Local);
    }
    T = Local;
  }
  TIEPattern* R = NewObject<TIEPattern>(Owner, FNegatedCount, T, FName);
  R->Assign(const_cast<TIEPattern*>(this));
  R->FFactTemplate = T;
  return R;
}


std::string TIEPattern::GetToString() const { return PrintPattern(*this); }

}  // namespace norvale
