// Micro-benchmarks of the value model: creating, comparing and hashing values of each kind.
#include <benchmark/benchmark.h>

#include "engine/core/IEValue.h"
#include "engine/core/ValueVector.h"

namespace norvale {
namespace {

void BM_CreateInteger(benchmark::State& S) {
  int32_t I = 0;
  for (auto _ : S) benchmark::DoNotOptimize(NewInteger(++I));
}
BENCHMARK(BM_CreateInteger);

void BM_CreateFloat(benchmark::State& S) {
  double D = 0;
  for (auto _ : S) benchmark::DoNotOptimize(NewFloat(D += 0.5));
}
BENCHMARK(BM_CreateFloat);

void BM_CreateShortAtom(benchmark::State& S) {
  const std::string Text = "red";
  for (auto _ : S) benchmark::DoNotOptimize(NewAtom(Text));
}
BENCHMARK(BM_CreateShortAtom);

void BM_CreateList3(benchmark::State& S) {
  IIEValue A = NewAtom("a"), B = NewInteger(2), C = NewFloat(3);
  for (auto _ : S)
    benchmark::DoNotOptimize(
        NewList(NewRef<TValueVector>(std::initializer_list<IIEValue>{A, B, C})));
}
BENCHMARK(BM_CreateList3);

void BM_EqualsInteger(benchmark::State& S) {
  IIEValue A = NewInteger(42), B = NewInteger(42);
  for (auto _ : S) benchmark::DoNotOptimize(A->Equals(B));
}
BENCHMARK(BM_EqualsInteger);

void BM_EqualsAtom(benchmark::State& S) {
  IIEValue A = NewAtom("green"), B = NewAtom("green");
  for (auto _ : S) benchmark::DoNotOptimize(A->Equals(B));
}
BENCHMARK(BM_EqualsAtom);

void BM_EqualsAtomAgainstInteger(benchmark::State& S) {
  IIEValue A = NewAtom("green"), B = NewInteger(1);
  for (auto _ : S) benchmark::DoNotOptimize(A->Equals(B));
}
BENCHMARK(BM_EqualsAtomAgainstInteger);

void BM_EqualsList3(benchmark::State& S) {
  auto Make = [] {
    return NewList(NewRef<TValueVector>(
        std::initializer_list<IIEValue>{NewAtom("a"), NewInteger(2), NewFloat(3)}));
  };
  IIEValue A = Make(), B = Make();
  for (auto _ : S) benchmark::DoNotOptimize(A->Equals(B));
}
BENCHMARK(BM_EqualsList3);

void BM_EqualsStarIntegerFloat(benchmark::State& S) {
  IIEValue A = NewInteger(3), B = NewFloat(3.0);
  for (auto _ : S) benchmark::DoNotOptimize(A->EqualsStar(B));
}
BENCHMARK(BM_EqualsStarIntegerFloat);

void BM_HashInteger(benchmark::State& S) {
  IIEValue A = NewInteger(42);
  for (auto _ : S) benchmark::DoNotOptimize(A->GetHashCode());
}
BENCHMARK(BM_HashInteger);

void BM_HashLongAtom(benchmark::State& S) {
  IIEValue A = NewAtom("a-rather-long-symbol-name-of-forty-chars");
  for (auto _ : S) benchmark::DoNotOptimize(A->GetHashCode());
}
BENCHMARK(BM_HashLongAtom);

void BM_CopySharedConstant(benchmark::State& S) {
  // The shared constants are not counted: copying a reference to one touches no counter.
  for (auto _ : S) {
    IIEValue T = FCTrue;
    benchmark::DoNotOptimize(T);
  }
}
BENCHMARK(BM_CopySharedConstant);

void BM_CopyCountedValue(benchmark::State& S) {
  IIEValue V = NewInteger(1);
  for (auto _ : S) {
    IIEValue T = V;
    benchmark::DoNotOptimize(T);
  }
}
BENCHMARK(BM_CopyCountedValue);

}  // namespace
}  // namespace norvale
