// Micro-benchmarks of facts: creation with defaults, slot reads by name and by position,
// equality and hashing (the duplicate check of every assertion).
#include <benchmark/benchmark.h>

#include "engine/core/ValueVector.h"
#include "engine/facts/Fact.h"

namespace norvale {
namespace {

IFactTemplate PersonTemplate() {
  IFactTemplate T = NewRef<TFactTemplate>(nullptr, "person");
  T->AddSlot("name", FCNil);
  T->AddSlot("age", NewInteger(0));
  T->AddSlot("city", FCNil);
  T->AddSlot("score", NewFloat(0));
  T->AddMultiSlot("tags", FCNilList);
  return T;
}

void BM_NewFactWithDefaults(benchmark::State& S) {
  IFactTemplate T = PersonTemplate();
  for (auto _ : S) benchmark::DoNotOptimize(T->NewFact());
}
BENCHMARK(BM_NewFactWithDefaults);

void BM_NewFactSetFiveSlots(benchmark::State& S) {
  IFactTemplate T = PersonTemplate();
  IIEValue Name = NewAtom("ann"), Age = NewInteger(33), City = NewAtom("oslo"),
           Score = NewFloat(1.5);
  IIEValue Tags = NewList();
  for (auto _ : S) {
    IFact F = T->NewFact();
    F->SetValue("name", Name);
    F->SetValue("age", Age);
    F->SetValue("city", City);
    F->SetValue("score", Score);
    F->SetValue("tags", Tags);
    benchmark::DoNotOptimize(F);
  }
}
BENCHMARK(BM_NewFactSetFiveSlots);

void BM_ReadSlotByName(benchmark::State& S) {
  IFactTemplate T = PersonTemplate();
  IFact F = T->NewFact();
  for (auto _ : S) benchmark::DoNotOptimize(F->GetValue("city"));
}
BENCHMARK(BM_ReadSlotByName);

void BM_ReadSlotByPosition(benchmark::State& S) {
  IFactTemplate T = PersonTemplate();
  IFact F = T->NewFact();
  int Index = T->FindSlot("city")->Index();
  for (auto _ : S) benchmark::DoNotOptimize(F->ValueAt(Index).Get());
}
BENCHMARK(BM_ReadSlotByPosition);

void BM_FactEquals(benchmark::State& S) {
  IFactTemplate T = PersonTemplate();
  IFact A = T->NewFact(), B = T->NewFact();
  A->SetValue("name", NewAtom("ann"));
  B->SetValue("name", NewAtom("ann"));
  for (auto _ : S) benchmark::DoNotOptimize(A->Equals(B.Get()));
}
BENCHMARK(BM_FactEquals);

void BM_FactHash(benchmark::State& S) {
  IFactTemplate T = PersonTemplate();
  IFact F = T->NewFact();
  F->SetValue("name", NewAtom("ann"));
  F->SetValue("score", NewFloat(12.25));
  F->SetValue(
      "tags",
      NewList(NewRef<TValueVector>(std::initializer_list<IIEValue>{NewAtom("a"), NewInteger(7)})));
  for (auto _ : S) benchmark::DoNotOptimize(F->GetHashCode());
}
BENCHMARK(BM_FactHash);

}  // namespace
}  // namespace norvale
