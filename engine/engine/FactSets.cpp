#include <algorithm>

#include "engine/engine/FactSet.h"
#include "engine/engine/InferenceEngine.h"

namespace norvale {

TFactSets::~TFactSets() {
  // The sets outlive the list: they forget the engine without calling back into it.
  std::vector<TFactSet*> Sets;
  Sets.swap(FItems);
  for (TFactSet* S : Sets) S->ForgetEngine();
}

void TFactSet::ForgetEngine() {
  if (FEngine) RemoveFreeNotification(FEngine);
  FEngine = nullptr;
  for (int I = 0; I < FFacts.Count(); ++I) FFacts.PutData(I, IFact());
}

int TFactSets::Add(TFactSet* FactSet) {
  if (!FactSet) return -1;
  if (int At = IndexOf(FactSet); At >= 0) return At;
  int Same = IndexOf(FactSet->FactSetName());
  if (Same >= 0) {
    // The listed set of that name is detached first.
    TFactSet* Old = FItems[Same];
    FItems.erase(FItems.begin() + Same);
    Old->SetEngine(nullptr);
  }
  FItems.push_back(FactSet);
  FactSet->SetEngine(FEngine);
  return IndexOf(FactSet);
}

int TFactSets::Remove(TFactSet* FactSet) {
  int At = IndexOf(FactSet);
  if (At >= 0) Delete(At);
  return At;
}

void TFactSets::Delete(int Index) {
  TFactSet* S = Items(Index);
  FItems.erase(FItems.begin() + Index);
  S->SetEngine(nullptr);
}

void TFactSets::Clear() {
  while (!FItems.empty()) Delete(Count() - 1);
}

TFactSet* TFactSets::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FItems[Index];
}

int TFactSets::IndexOf(const TFactSet* FactSet) const {
  auto It = std::find(FItems.begin(), FItems.end(), FactSet);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

int TFactSets::IndexOf(const std::string& Name) const {
  for (size_t I = 0; I < FItems.size(); ++I)
    if (FItems[I]->FactSetName() == Name) return static_cast<int>(I);
  return -1;
}

void TFactSets::Reset() {
  // A copy: a set's assertions may run rules that change the list.
  std::vector<TFactSet*> Sets = FItems;
  for (TFactSet* S : Sets)
    if (IndexOf(S) >= 0) S->Reset();
}

std::string TFactSets::GetToString() const {
  std::string R;
  for (TFactSet* S : FItems) R += S->GetToString();
  return R;
}

std::vector<std::string> TFactSets::StreamTexts() const {
  std::vector<std::string> Texts;
  Texts.reserve(FItems.size());
  for (TFactSet* S : FItems) Texts.push_back(S->GetToString());
  return Texts;
}

void TFactSets::ReadStreamTexts(const std::vector<std::string>& Texts) {
  if (!FEngine) throw EIEException(SUnknownEngine);
  for (const std::string& T : Texts) {
    TFactSet* Set = FEngine->ParseFactSet(T);
    try {
      Add(Set);
    } catch (...) {
      Free(Set);
      throw;
    }
  }
}

void TFactSets::Assign(const TFactSets& Source) {
  if (&Source == this) return;
  std::vector<TFactSet*> From = Source.FItems;
  Clear();
  for (TFactSet* S : From) {
    auto* Copy = NewObject<TFactSet>(FEngine);
    Add(Copy);
    Copy->Assign(S);
  }
}

}  // namespace norvale
