// The machine's memory latency: one dependent load after another through a random cycle laid
// over a working set of the given size. The Rete figures are read against it: time per fact
// grows with N as the engine's memories outgrow the caches, and this shows by how much a single
// random access grows on the same machine in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <random>
#include <vector>

namespace {

// The argument is the working set in KiB.
void BM_DependentLoad(benchmark::State& S) {
  constexpr size_t Line = 64 / sizeof(size_t);  // one cache line per step
  const size_t Lines = static_cast<size_t>(S.range(0)) * 1024 / 64;
  std::vector<size_t> Order(Lines);
  std::iota(Order.begin(), Order.end(), size_t{0});
  std::shuffle(Order.begin(), Order.end(), std::mt19937_64(1));
  std::vector<size_t> Next(Lines * Line);
  for (size_t I = 0; I < Lines; ++I) Next[Order[I] * Line] = Order[(I + 1) % Lines] * Line;
  constexpr int Steps = 1 << 20;
  size_t P = 0;
  for (auto _ : S) {
    for (int I = 0; I < Steps; ++I) P = Next[P];
    benchmark::DoNotOptimize(P);
  }
  // Seconds per load (printed with an SI prefix, "150n" for 150 ns).
  S.counters["per_load"] =
      benchmark::Counter(static_cast<double>(S.iterations()) * Steps,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DependentLoad)
    ->Arg(64)
    ->Arg(512)
    ->Arg(4 << 10)
    ->Arg(16 << 10)
    ->Arg(64 << 10)
    ->Arg(256 << 10)
    ->Unit(benchmark::kMillisecond);

}  // namespace
