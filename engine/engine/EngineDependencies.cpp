// Replacing a template or a defined type: what depends on the old one is printed, removed and read
// again against the new one.
#include <algorithm>

#include "engine/engine/FactSet.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEParser.h"
#include "engine/language/IEPrinter.h"
#include "platform/Restore.h"

namespace norvale {

namespace {

bool UsesTemplate(const TIEValue* Value, const TFactTemplate& Template) {
  if (!Value) return false;
  switch (Value->DType()) {
    case dtFact:
      return Value->FactPtr() && Value->FactPtr()->TemplatePtr() == &Template;
    case dtFunCall:
      if (const TFunctionCall* C = Value->FunCallPtr())
        for (const IIEValue& A : C->Arguments())
          if (UsesTemplate(A.Get(), Template)) return true;
      return false;
    case dtList:
      if (const TValueVector* L = Value->ListPtr())
        for (const IIEValue& I : L->Values())
          if (UsesTemplate(I.Get(), Template)) return true;
      return false;
    default:
      return false;
  }
}

// Text on one line: every run of blanks and line ends becomes one blank.
std::string OneLine(const std::string& Text) {
  std::string R;
  bool Blank = false;
  for (char C : Text) {
    if (C == ' ' || C == '\t' || C == '\r' || C == '\n') {
      Blank = true;
      continue;
    }
    if (Blank && !R.empty()) R += ' ';
    Blank = false;
    R += C;
  }
  return R;
}

}  // namespace

bool TInferenceEngine::IsDependent(const TRule& Rule, const TFactTemplate& Template) const {
  for (TIEPattern* P : Rule.Patterns().Patterns())
    if (P->FactTemplate().Get() == &Template) return true;
  for (const IFunCall& A : Rule.Actions().Actions())
    for (const IIEValue& Argument : A->Arguments())
      if (UsesTemplate(Argument.Get(), Template)) return true;
  return false;
}

void TInferenceEngine::ReplaceTemplate(const IFactTemplate& Old, const IFactTemplate& New) {
  if (!Old || !New) return;
  if (Old->TemplateName() != New->TemplateName()) {
    RemoveDependencies(Old);
    return;
  }
  TFactTemplate* T = Old.Get();
  std::vector<TDependentText> Texts;
  for (auto* List : {&FPendingAssertions, &FPendingRetractions})
    List->erase(std::remove_if(List->begin(), List->end(),
                               [&](const IFact& F) { return F->TemplatePtr() == T; }),
                List->end());
  // The facts, newest first: each printed, then retracted with its events.
  for (int I = FFacts->Count(); I-- > 0;) {
    if (I >= FFacts->Count()) continue;
    IFact F = FFacts->Items(I);
    if (F->TemplatePtr() != T) continue;
    Texts.push_back({PrintFact(*F), F});
    RetractFact(I);
  }
  // Fact-set lines keep their text and are read again when next used.
  for (int S = 0; S < FFactSets->Count(); ++S) {
    TFactSetFacts& Lines = FFactSets->Items(S)->Facts();
    for (int L = 0; L < Lines.Count(); ++L)
      if (IFact F = Lines.GetData(L); F && F->TemplatePtr() == T) Lines.PutData(L, nullptr);
  }
  std::vector<TRule*> Dependent;
  for (TRule* R : FRules->Rules())
    if (IsDependent(*R, *T)) Dependent.push_back(R);
  for (TRule* R : Dependent) Texts.push_back({PrettyPrint(*R), nullptr});
  for (TRule* R : Dependent) FRules->Remove(R->RuleName(), R);
  UpdateDependencies(Texts);
}

void TInferenceEngine::UpdateDependencies(const std::vector<TDependentText>& Texts) {
  // Each text on its own, whatever the engine's error handling; restored on every way out.
  struct TRestoreMode {
    TInferenceEngine* E;
    TErrorHandling Mode;
    ~TRestoreMode() { E->SetParserErrorHandling(Mode); }
  } Restore{this, FParserErrorHandling};
  SetParserErrorHandling(ehRaiseImmediate);
  FDroppedDependencies.clear();
  for (const TDependentText& Entry : Texts) {
    try {
      if (Entry.Fact)
        UpdateDependentFact(Entry.Fact, ParseFactText(Entry.Text));
      else
        Parse(Entry.Text, true);
    } catch (const EAbort&) {
      throw;
    } catch (const EIELimitError&) {
      throw;
    } catch (const Exception& E) {
      // What no longer fits the new construct is left out; the console and the host hear of it.
      std::string Message = OneLine(Entry.Text) + ": " + OneLine(E.Message());
      PrintOut("", "Dropped " + Message + NewLineString);
      FDroppedDependencies.push_back(std::move(Message));
    }
  }
}

void TInferenceEngine::UpdateDependentFact(const IFact&, const IFact& NewFact) {
  if (NewFact) Assert(NewFact, false);
}

void TInferenceEngine::ReplaceDefinedType(const IIEDefinedType& Old, const IIEDefinedType& New) {
  if (!Old || !New) return;
  if (Old->Name() != New->Name()) {
    RemoveDependencies(Old);
    return;
  }
  std::vector<IFactTemplate> Clones;
  std::vector<IFactTemplate> Templates = FFactTemplates->Templates();
  for (auto It = Templates.rbegin(); It != Templates.rend(); ++It) {
    if (!(*It)->ContainsType(Old.Get())) continue;
    IFactTemplate Clone = (*It)->Clone(this);
    for (const IFactSlot& Slot : Clone->Slots()) {
      if (Slot->ExtendedTypeInfo() != Old) continue;
      Slot->SetExtendedTypeInfo(New);
      // A default that was read against the old type is read again against the new one.
      const IIEValue& Default = Slot->SlotDefault();
      if (Default && Default->Is(IEReparseTypes)) {
        IIEValue Again = ParseValue(PrintValue(Default.Get()), Slot);
        if (Again) Slot->SetSlotDefault(Again);
      }
    }
    Clones.push_back(Clone);
  }
  // In place of the templates they copy, whatever the policy for taken names.
  for (const IFactTemplate& Clone : Clones)
    FFactTemplates->Replace(FFactTemplates->Find(Clone->TemplateName()), Clone);
}

}  // namespace norvale
