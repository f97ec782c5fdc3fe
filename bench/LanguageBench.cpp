// Reading the knowledge language: tokenizing and parsing, per byte and as the text grows. The
// cost per variable of one long call must stay flat from 10^5 to 2x10^5 variables.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEClipsParser.h"

namespace norvale {
namespace {

// One call with N variables, each after a line break, then a nested call that takes the
// whitespace carried over all of them.
std::string VariableCall(int N) {
  std::string Text = "(f";
  for (int I = 0; I < N; ++I) Text += "\n  ?v" + std::to_string(I);
  return Text + " (g))";
}

// Text as people write it: deffunctions with comments, strings, numbers and nested calls.
std::string TypicalText(int Functions) {
  std::string Text;
  for (int I = 0; I < Functions; ++I) {
    const std::string N = std::to_string(I);
    Text += "; function number " + N + "\n(deffunction f" + N +
            " (?a ?b $?rest)\n  \"adds and prints\"\n  (bind ?s (+ ?a ?b 1.5 " + N +
            "))\n  (printout t \"sum: \" ?s crlf)\n  (create$ a b c ?rest))\n";
  }
  return Text;
}

void Tokenize(benchmark::State& S, const std::string& Text) {
  int64_t Tokens = 0;
  for (auto _ : S) {
    TIEClipsStream Stream(Text);
    for (;;) {
      TToken T = Stream.Next();
      ++Tokens;
      if (T.DataType == ttOpen) benchmark::DoNotOptimize(Stream.CommentOf(T));
      if (T.DataType == ttEOF) break;
    }
  }
  S.SetBytesProcessed(S.iterations() * static_cast<int64_t>(Text.size()));
  S.counters["tokens"] = benchmark::Counter(static_cast<double>(Tokens) / S.iterations());
}

void BM_TokenizeVariables(benchmark::State& S) {
  const int N = static_cast<int>(S.range(0));
  Tokenize(S, VariableCall(N));
  S.counters["ns_per_variable"] = benchmark::Counter(
      static_cast<double>(N) * S.iterations(),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TokenizeVariables)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_ParseVariables(benchmark::State& S) {
  const int N = static_cast<int>(S.range(0));
  const std::string Text = VariableCall(N);
  auto* Engine = NewObject<TInferenceEngine>(nullptr);
  for (auto _ : S) benchmark::DoNotOptimize(Engine->ParseFunCall(Text));
  Free(Engine);
  S.SetBytesProcessed(S.iterations() * static_cast<int64_t>(Text.size()));
  S.counters["ns_per_variable"] = benchmark::Counter(
      static_cast<double>(N) * S.iterations(),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ParseVariables)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_TokenizeTypicalText(benchmark::State& S) { Tokenize(S, TypicalText(2000)); }
BENCHMARK(BM_TokenizeTypicalText)->Unit(benchmark::kMillisecond);

void BM_ParseTypicalText(benchmark::State& S) {
  const std::string Text = TypicalText(2000);
  auto* Engine = NewObject<TInferenceEngine>(nullptr);
  for (auto _ : S) Engine->Parse(Text, false);
  Free(Engine);
  S.SetBytesProcessed(S.iterations() * static_cast<int64_t>(Text.size()));
}
BENCHMARK(BM_ParseTypicalText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace norvale
