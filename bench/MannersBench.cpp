// The seating program (examples/manners) run to completion through Reset and Run. Counters:
//   rules_fired      per run
//   peak_mem         the process's peak resident memory (VmHWM) after the runs
//   run_peak_growth  how far the resident peak rose during a run above the memory resident when
//                    it started (the largest rise of the runs; the heap may reuse pages of earlier
//                    runs, so this is a lower bound)
//   heap_growth      the heap held at the end of a run less the heap held before it (glibc only):
//                    what the facts, tokens and activations left by the run occupy
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

#include "examples/manners/MannersProgram.h"

namespace norvale {
namespace {

// A "Key: <n> kB" line of /proc/self/status in bytes; -1 when there is none.
double StatusBytes(const std::string& Key) {
  std::ifstream Status("/proc/self/status");
  std::string Line;
  while (std::getline(Status, Line))
    if (Line.compare(0, Key.size(), Key) == 0 && Line.size() > Key.size() &&
        Line[Key.size()] == ':')
      return std::stod(Line.substr(Key.size() + 1)) * 1024;
  return -1;
}

// The peak resident memory so far: VmHWM, else the resource usage's maximum.
double PeakBytes() {
  double Peak = StatusBytes("VmHWM");
  if (Peak >= 0) return Peak;
  rusage Usage{};
  return getrusage(RUSAGE_SELF, &Usage) == 0 ? static_cast<double>(Usage.ru_maxrss) * 1024 : -1;
}

// The bytes the heap has handed out and not taken back; -1 when the allocator cannot tell.
double HeapBytes() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
  const struct mallinfo2 Info = mallinfo2();
  return static_cast<double>(Info.uordblks + Info.hblkhd);
#else
  return -1;
#endif
}

// Lowers the peak to the memory in use now (Linux, writing 5 to clear_refs); false when that is
// not possible, and then a run's growth cannot be told apart from earlier peaks. The heap first
// gives back what earlier runs freed, or a run would reuse those pages unseen.
bool ResetPeak() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
  std::ofstream ClearRefs("/proc/self/clear_refs");
  if (!ClearRefs) return false;
  ClearRefs << "5";
  ClearRefs.flush();
  return static_cast<bool>(ClearRefs);
}

void BM_Manners(benchmark::State& S) {
  const std::vector<TMannersGuest> Guests = MakeMannersGuests(static_cast<int>(S.range(0)));
  int Fired = 0;
  double Peak = 0, Growth = -1, Heap = -1;
  for (auto _ : S) {
    S.PauseTiming();
    auto Program = std::make_unique<TMannersProgram>(Guests);
    const bool PeakReset = ResetPeak();
    const double Before = StatusBytes("VmRSS");
    const double HeapBefore = HeapBytes();
    S.ResumeTiming();
    Fired = Program->Run();
    S.PauseTiming();
    const double After = PeakBytes();
    if (HeapBefore >= 0) Heap = std::max(Heap, HeapBytes() - HeapBefore);
    Peak = std::max(Peak, After);
    if (PeakReset && Before >= 0) Growth = std::max(Growth, After - Before);
    const bool Valid = Program->Problems().empty();
    Program.reset();
    S.ResumeTiming();
    if (!Valid) {
      S.SkipWithError("the seating is not valid");
      break;
    }
  }
  S.counters["rules_fired"] = Fired;
  S.counters["rules_per_s"] =
      benchmark::Counter(static_cast<double>(Fired) * static_cast<double>(S.iterations()),
                         benchmark::Counter::kIsRate);
  S.counters["peak_mem"] =
      benchmark::Counter(Peak, benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
  if (Growth >= 0)
    S.counters["run_peak_growth"] =
        benchmark::Counter(Growth, benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
  if (Heap >= 0)
    S.counters["heap_growth"] =
        benchmark::Counter(Heap, benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
}
BENCHMARK(BM_Manners)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace norvale
