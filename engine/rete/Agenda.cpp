#include "engine/rete/Agenda.h"

namespace norvale {

TActivationAgenda::~TActivationAgenda() { Clear(); }

void TActivationAgenda::Add(TActivation* A) {
  if (!A || A->FAgenda) return;
  int Salience = A->Rule() ? A->Rule()->Salience() : 0;
  TGroup& G = FGroups[Salience];
  A->FAgendaSalience = Salience;
  A->FAgenda = this;
  if (FStrategy == ssDepthFirst) {
    A->FAgendaPrev = nullptr;
    A->FAgendaNext = G.Head;
    if (G.Head) G.Head->FAgendaPrev = A;
    G.Head = A;
    if (!G.Tail) G.Tail = A;
  } else {
    A->FAgendaNext = nullptr;
    A->FAgendaPrev = G.Tail;
    if (G.Tail) G.Tail->FAgendaNext = A;
    G.Tail = A;
    if (!G.Head) G.Head = A;
  }
  ++G.Count;
  ++FCount;
}

bool TActivationAgenda::Extract(TActivation* A) {
  if (!Contains(A)) return false;
  auto It = FGroups.find(A->FAgendaSalience);
  TGroup& G = It->second;
  if (A->FAgendaPrev)
    A->FAgendaPrev->FAgendaNext = A->FAgendaNext;
  else
    G.Head = A->FAgendaNext;
  if (A->FAgendaNext)
    A->FAgendaNext->FAgendaPrev = A->FAgendaPrev;
  else
    G.Tail = A->FAgendaPrev;
  A->FAgendaPrev = A->FAgendaNext = nullptr;
  A->FAgenda = nullptr;
  if (--G.Count == 0) FGroups.erase(It);
  --FCount;
  return true;
}

void TActivationAgenda::Delete(TActivation* A) {
  if (Extract(A)) Free(A);
}

void TActivationAgenda::Clear() {
  while (TActivation* A = First()) Delete(A);
}

TActivation* TActivationAgenda::First() const noexcept {
  return FGroups.empty() ? nullptr : FGroups.begin()->second.Head;
}

int TActivationAgenda::IndexOf(const TActivation* A) const {
  if (!Contains(A)) return -1;
  int Index = 0;
  for (const auto& [Salience, G] : FGroups) {
    if (Salience != A->FAgendaSalience) {
      Index += G.Count;
      continue;
    }
    for (const TActivation* X = G.Head; X; X = X->FAgendaNext, ++Index)
      if (X == A) return Index;
  }
  return -1;
}

TActivation* TActivationAgenda::Activations(int Index) const {
  if (Index < 0 || Index >= FCount)
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  for (const auto& [Salience, G] : FGroups) {
    if (Index >= G.Count) {
      Index -= G.Count;
      continue;
    }
    TActivation* X = G.Head;
    while (Index-- > 0) X = X->FAgendaNext;
    return X;
  }
  return nullptr;
}

void TActivationAgenda::ForEach(const std::function<void(TActivation*)>& Fn) const {
  for (const auto& [Salience, G] : FGroups)
    for (TActivation* X = G.Head; X; X = X->FAgendaNext) Fn(X);
}

std::string TActivationAgenda::GetToString() const {
  std::string R;
  ForEach([&](TActivation* A) { R += A->GetToString() + NewLineString; });
  return R;
}

}  // namespace norvale
