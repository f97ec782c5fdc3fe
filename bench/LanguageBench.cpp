// Reading the knowledge language: tokenizing and parsing, per byte and as the text grows. The
// cost per variable of one long call must stay flat from 10^5 to 2x10^5 variables.
#include <benchmark/benchmark.h>

#include <sstream>
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
  S.counters["ns_per_variable"] =
      benchmark::Counter(static_cast<double>(N) * S.iterations(),
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
  S.counters["ns_per_variable"] =
      benchmark::Counter(static_cast<double>(N) * S.iterations(),
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

namespace norvale {
namespace {

const char* const FactTemplate = "(deftemplate p (slot a (type INTEGER)) (slot b) (multislot c))";

std::string FactLines(int N, const char* Head, const char* Tail) {
  std::string Text;
  for (int I = 0; I < N; ++I)
    Text += std::string(Head) + "(p (a " + std::to_string(I) + ") (b \"x y\") (c 1 2.5 z))" + Tail;
  return Text;
}

// Facts read from text and asserted, per fact.
void BM_LoadFacts(benchmark::State& S) {
  const int N = static_cast<int>(S.range(0));
  const std::string Text = FactLines(N, "", "\n");
  for (auto _ : S) {
    S.PauseTiming();
    auto* Engine = NewObject<TInferenceEngine>(nullptr);
    Engine->Parse(FactTemplate, true);
    std::istringstream Stream(Text);
    S.ResumeTiming();
    Engine->LoadFacts(Stream);
    S.PauseTiming();
    if (Engine->FactCount() != N + 1) S.SkipWithError("facts missing");
    Free(Engine);
    S.ResumeTiming();
  }
  S.SetItemsProcessed(S.iterations() * N);
  S.counters["us_per_fact"] =
      benchmark::Counter(static_cast<double>(N) * S.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadFacts)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One deffacts of N facts, read and registered.
void BM_ParseDeffacts(benchmark::State& S) {
  const int N = static_cast<int>(S.range(0));
  const std::string Text = "(deffacts many " + FactLines(N, "  ", "\n") + ")";
  for (auto _ : S) {
    S.PauseTiming();
    auto* Engine = NewObject<TInferenceEngine>(nullptr);
    Engine->Parse(FactTemplate, true);
    S.ResumeTiming();
    Engine->Parse(Text, true);
    S.PauseTiming();
    Free(Engine);
    S.ResumeTiming();
  }
  S.SetBytesProcessed(S.iterations() * static_cast<int64_t>(Text.size()));
  S.counters["us_per_fact"] =
      benchmark::Counter(static_cast<double>(N) * S.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ParseDeffacts)->Arg(10000)->Unit(benchmark::kMillisecond);

// N generated rules read and compiled into the network, per rule.
void BM_LoadRules(benchmark::State& S) {
  const int N = static_cast<int>(S.range(0));
  std::string Text = std::string(FactTemplate) + "\n";
  for (int I = 0; I < N; ++I) {
    const std::string K = std::to_string(I);
    Text += "(defrule r" + K + " (p (a " + K + ") (b ?x) (c $? ?y $?)) (q ?x ?y&~" + K +
            ") (not (z " + K + ")) => (printout t ?x ?y crlf))\n";
  }
  for (auto _ : S) {
    S.PauseTiming();
    auto* Engine = NewObject<TInferenceEngine>(nullptr);
    S.ResumeTiming();
    Engine->Parse(Text, true);
    S.PauseTiming();
    if (Engine->Rules().Count() != N) S.SkipWithError("rules missing");
    Free(Engine);
    S.ResumeTiming();
  }
  S.counters["us_per_rule"] =
      benchmark::Counter(static_cast<double>(N) * S.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadRules)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace norvale
