#include "engine/engine/FactSet.h"

#include "engine/core/IEHelpers.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEPrinter.h"
#include "engine/rete/IEContext.h"

namespace norvale {

namespace {

constexpr const char* SNoFactToAdd = "A fact set line needs a fact";

// Restores a flag on every exit path.
struct TFlagGuard {
  bool& Flag;
  explicit TFlagGuard(bool& Value) : Flag(Value) { Flag = true; }
  ~TFlagGuard() { Flag = false; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;
};

}  // namespace

// --- TFactSetFacts --------------------------------------------------------------------------

void TFactSetFacts::Check(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
}

const std::string& TFactSetFacts::Strings(int Index) const {
  Check(Index);
  return FLines[Index].Text;
}

void TFactSetFacts::SetStrings(int Index, const std::string& Text) {
  Check(Index);
  FLines[Index].Text = Text;
  FLines[Index].Fact = nullptr;
}

IFact TFactSetFacts::GetData(int Index) const {
  Check(Index);
  return FLines[Index].Fact;
}

void TFactSetFacts::PutData(int Index, const IFact& Fact) {
  Check(Index);
  FLines[Index].Fact = Fact;
}

int TFactSetFacts::Add(const std::string& Text, const IFact& Fact) {
  FLines.push_back({Text, Fact});
  return Count() - 1;
}

void TFactSetFacts::Insert(int Index, const std::string& Text, const IFact& Fact) {
  if (Index < 0 || Index > Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  FLines.insert(FLines.begin() + Index, TLine{Text, Fact});
}

void TFactSetFacts::Delete(int Index) {
  Check(Index);
  FLines.erase(FLines.begin() + Index);
}

void TFactSetFacts::Clear() { FLines.clear(); }

std::vector<std::string> TFactSetFacts::Lines() const {
  std::vector<std::string> R;
  R.reserve(FLines.size());
  for (const TLine& L : FLines) R.push_back(L.Text);
  return R;
}

void TFactSetFacts::AssignTo(std::vector<IFact>& Facts) const {
  Facts.clear();
  Facts.reserve(FLines.size());
  for (const TLine& L : FLines) Facts.push_back(L.Fact);
}

void TFactSetFacts::AssignTo(TPersistent* Dest) { TPersistent::AssignTo(Dest); }

void TFactSetFacts::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TFactSetFacts*>(Source)) {
    if (S != this) FLines = S->FLines;
    return;
  }
  TPersistent::Assign(Source);
}

// --- TFactSet -------------------------------------------------------------------------------

TFactSet::TFactSet(TComponent* Owner) : TComponent(Owner) {
  TComponent* E = dynamic_cast<TInferenceEngine*>(Owner);
  if (!E && Designing()) E = FindComponentType<TInferenceEngine>(Owner);
  if (!E) return;
  try {
    SetEngine(E);
  } catch (...) {
    // No destructor runs for a set whose construction fails: leave no link behind.
    SetEngineNoParse(nullptr);
    throw;
  }
}

TFactSet::~TFactSet() { SetEngineNoParse(nullptr); }

TInferenceEngine* TFactSet::InferenceEngine() const noexcept {
  return dynamic_cast<TInferenceEngine*>(FEngine);
}

void TFactSet::SetEngine(TComponent* Value) {
  if (Value == FEngine || FChangingEngine) return;
  SetEngineNoParse(Value);
  // What the old engine made of the lines is no fact of the new one.
  for (int I = 0; I < Count(); ++I) FFacts.PutData(I, nullptr);
  TInferenceEngine* E = InferenceEngine();
  if (!E) return;
  {
    // The engine is stored already, so the list's own SetEngine call finds nothing to do.
    TFlagGuard Changing(FChangingEngine);
    E->FactSets().Add(this);
  }
  ParseLines(E);
}

void TFactSet::SetEngineNoParse(TComponent* Value) {
  if (Value == FEngine || FChangingEngine) return;
  TComponent* Old = FEngine;
  FEngine = Value;
  if (Old) {
    // Also when the engine is marked as going: an owner freeing its components marks them all
    // first, and frees this set before the engine, which would then reach a freed set in its
    // list. An engine already past its own destructor is no inference engine any more.
    if (auto* OldEngine = dynamic_cast<TInferenceEngine*>(Old)) {
      TFlagGuard Changing(FChangingEngine);
      OldEngine->FactSets().Remove(this);
    }
    RemoveFreeNotification(Old);
  }
  if (Value) FreeNotification(Value);
}

void TFactSet::SetFacts(const std::vector<std::string>& Lines) {
  FFacts.Clear();
  for (const std::string& Line : Lines) FFacts.Add(Line);
  if (TInferenceEngine* E = InferenceEngine()) ParseLines(E);
}

void TFactSet::ParseLines(TInferenceEngine* Engine) {
  for (int I = 0; I < Count(); ++I)
    FFacts.PutData(I, Engine->ParseFactText(FFacts.Strings(I) + NewLineString));
}

std::string TFactSet::PrintFact(const TFact& Fact) const {
  if (TInferenceEngine* E = InferenceEngine()) return E->PrettyPrint(Fact);
  return norvale::PrintFact(Fact);
}

int TFactSet::AddFact(const IFact& Fact) {
  if (!Fact) throw EIEException(SNoFactToAdd);
  return FFacts.Add(PrintFact(*Fact), Fact);
}

IFact TFactSet::GetFact(int Index) {
  IFact Fact = FFacts.GetData(Index);
  if (Fact) return Fact;
  TInferenceEngine* E = InferenceEngine();
  if (!E) return nullptr;
  Fact = E->ParseFactText(FFacts.Strings(Index) + NewLineString);
  FFacts.PutData(Index, Fact);
  return Fact;
}

void TFactSet::SetFact(int Index, const IFact& Fact) { FFacts.PutData(Index, Fact); }

int TFactSet::IndexOf(const IFact& Fact) const {
  if (!Fact) return -1;
  for (int I = 0; I < Count(); ++I)
    if (FFacts.GetData(I) == Fact) return I;
  return -1;
}

int TFactSet::Remove(const IFact& Fact) {
  int I = IndexOf(Fact);
  if (I >= 0) FFacts.Delete(I);
  return I;
}

void TFactSet::Reset() {
  TInferenceEngine* E = InferenceEngine();
  if (!E) return;
  // By index: a handler of the assertion may change the lines.
  for (int I = 0; I < Count(); ++I) {
    IFact Fact;
    try {
      if (IFact Source = GetFact(I)) Fact = Source->Clone();
    } catch (const EIEException&) {
      continue;  // a line that does not parse asserts nothing
    }
    if (!Fact) continue;
    Fact = E->GlobalContext()->Resolve(Fact);
    E->Assert(Fact, false);
  }
}

void TFactSet::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TFactSet*>(Source);
  if (!S) {
    TComponent::Assign(Source);
    return;
  }
  if (S == this) return;
  FComment = S->FComment;
  FFacts.Clear();
  FFactSetName = S->FFactSetName;
  // Owned by an engine, the copies are that engine's facts, made from their text.
  auto* OwnerEngine = dynamic_cast<TInferenceEngine*>(Owner());
  for (int I = 0; I < S->Count(); ++I) {
    IFact Fact = S->GetFact(I);
    if (OwnerEngine) {
      std::string Text = Fact ? S->PrintFact(*Fact) : S->Facts().Strings(I);
      if (IFact Parsed = OwnerEngine->ParseFactText(Text + NewLineString)) AddFact(Parsed);
    } else if (Fact) {
      AddFact(Fact->Clone());
    } else {
      FFacts.Add(S->Facts().Strings(I));  // a line nobody parsed stays text
    }
  }
}

TFactSet* TFactSet::Clone(TComponent* Owner) const {
  TFactSet* R = NewObject<TFactSet>(Owner);
  struct TFreeOnError {
    TFactSet* P;
    ~TFreeOnError() { Free(P); }
  } Guard{R};
  R->Assign(const_cast<TFactSet*>(this));  // reading may attach parsed facts to this set's lines
  Guard.P = nullptr;
  return R;
}

std::string TFactSet::GetToString() { return PrintFactSet(*this); }

void TFactSet::Loaded() {
  TComponent::Loaded();
  if (!Designing()) Reset();
}

void TFactSet::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation == opRemove && Component && Component == FEngine) SetEngine(nullptr);
}

// --- class registry ---------------------------------------------------------------------------

namespace {

const bool Registered =
    (RegisterClass<TFactSet, TComponent>("TFactSet")
         .Property("Comment", &TFactSet::Comment, &TFactSet::SetComment, std::string())
         .Property("FactSetName", &TFactSet::FactSetName, &TFactSet::SetFactSetName,
                   std::string("FactSet"))
         .Property("Engine", &TFactSet::Engine, &TFactSet::SetEngine),
     true);

}  // namespace

}  // namespace norvale
