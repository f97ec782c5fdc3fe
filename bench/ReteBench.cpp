// Benchmarks of the Rete network through the C++ API: joins on equal keys, negated joins and a
// rule set shaped like the seating benchmark. Every case reports time per fact.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/core/ValueVector.h"
#include "engine/engine/InferenceEngine.h"

namespace norvale {
namespace {

struct TBench {
  TInferenceEngine* Engine = NewObject<TInferenceEngine>(nullptr);
  std::map<std::string, IFactTemplate> T;
  ~TBench() {
    T.clear();
    Free(Engine);
  }
  IFactTemplate Ordered(const std::string& Name) {
    return T[Name] = Engine->CreateFactTemplate(Name);
  }
  IFactTemplate Unordered(const std::string& Name, std::initializer_list<const char*> Slots) {
    IFactTemplate X = NewRef<TFactTemplate>(Engine, Name);
    for (const char* S : Slots) X->AddSlot(S, FCNil);
    Engine->FactTemplates().Add(X);
    return T[Name] = X;
  }
  IFact Fact(const std::string& Name, std::initializer_list<IIEValue> Fields) {
    IFact F = T.at(Name)->NewFact();
    F->SetValue(SDefaultSlotName, NewList(NewRef<TValueVector>(Fields)));
    return F;
  }
  IFact Slots(const std::string& Name,
              std::initializer_list<std::pair<const char*, IIEValue>> Values) {
    IFact F = T.at(Name)->NewFact();
    for (auto& [S, V] : Values) F->SetValue(S, V);
    return F;
  }
  TIEPattern* Pattern(TRule* R, const std::string& Name, std::initializer_list<IIEValue> Fields,
                      int Negated = 0) {
    auto* P = NewObject<TIEPattern>(R, Negated, T.at(Name), Name);
    int I = 0;
    for (const IIEValue& V : Fields) {
      if (V) P->AddTest(SDefaultSlotName, V, true, false, I);
      ++I;
    }
    P->SetSlotLength(P->IndexOfSlotName(SDefaultSlotName), static_cast<int>(Fields.size()));
    return P;
  }
  TIEPattern* SlotPattern(TRule* R, const std::string& Name,
                          std::initializer_list<std::tuple<const char*, IIEValue, bool>> Tests,
                          int Negated = 0) {
    auto* P = NewObject<TIEPattern>(R, Negated, T.at(Name), Name);
    for (auto& [S, V, Neg] : Tests) P->AddTest(S, V, true, Neg);
    return P;
  }
  TRule* Rule(const std::string& Name,
              std::initializer_list<std::function<TIEPattern*(TRule*)>> Patterns) {
    TRule* R = NewObject<TRule>(Engine);
    R->SetRuleName(Name);
    R->BeginUpdate();
    for (auto& Make : Patterns) R->Patterns().Add(Make(R));
    R->EndUpdate();
    Engine->Rules().Add(R);
    return R;
  }
};

IIEValue Var(const char* N) { return NewVariable(N); }

// The benchmark loop: each iteration builds a fresh engine and its facts untimed (Build fills the
// bench and returns the facts), times Measure on them, and frees both untimed.
template <class TBuild, class TMeasure>
void Iterate(benchmark::State& S, TBuild Build, TMeasure Measure) {
  for (auto _ : S) {
    S.PauseTiming();
    auto Bench = std::make_unique<TBench>();
    auto Facts = Build(*Bench);
    S.ResumeTiming();
    Measure(*Bench, Facts);
    S.PauseTiming();
    Facts = {};
    Bench.reset();
    S.ResumeTiming();
  }
}

// (a ?x) (b ?x) (c ?x): N facts of each template, asserted, then retracted (newest first).
void BM_ThreePatternJoin(benchmark::State& S) {
  const int N = static_cast<int>(S.range(0));
  Iterate(
      S,
      [&](TBench& B) {
        B.Ordered("a");
        B.Ordered("b");
        B.Ordered("c");
        B.Rule("join", {[&](TRule* R) { return B.Pattern(R, "a", {Var("x")}); },
                        [&](TRule* R) { return B.Pattern(R, "b", {Var("x")}); },
                        [&](TRule* R) { return B.Pattern(R, "c", {Var("x")}); }});
        std::vector<IFact> Facts;
        for (int I = 0; I < N; ++I)
          for (const char* Name : {"a", "b", "c"}) Facts.push_back(B.Fact(Name, {NewInteger(I)}));
        return Facts;
      },
      [&](TBench& B, auto& Facts) {
        for (const IFact& F : Facts) B.Engine->Assert(F);
        if (B.Engine->ActivationCount() != N) S.SkipWithError("wrong activation count");
        for (auto It = Facts.rbegin(); It != Facts.rend(); ++It) B.Engine->Retract(*It);
      });
  S.SetItemsProcessed(S.iterations() * 3 * N);
}
BENCHMARK(BM_ThreePatternJoin)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// (a ?x) (not (b ?x)): N partial matches, then each blocked and freed again.
void BM_NegatedJoinChurn(benchmark::State& S) {
  const int N = static_cast<int>(S.range(0));
  Iterate(
      S,
      [&](TBench& B) {
        B.Ordered("a");
        B.Ordered("b");
        B.Rule("free", {[&](TRule* R) { return B.Pattern(R, "a", {Var("x")}); },
                        [&](TRule* R) { return B.Pattern(R, "b", {Var("x")}, 1); }});
        std::vector<IFact> As, Bs;
        for (int I = 0; I < N; ++I) {
          As.push_back(B.Fact("a", {NewInteger(I)}));
          Bs.push_back(B.Fact("b", {NewInteger(I)}));
        }
        return std::make_pair(std::move(As), std::move(Bs));
      },
      [&](TBench& B, auto& Facts) {
        auto& [As, Bs] = Facts;
        for (const IFact& F : As) B.Engine->Assert(F);
        for (const IFact& F : Bs) {
          B.Engine->Assert(F);
          B.Engine->Retract(F);
        }
      });
  S.SetItemsProcessed(S.iterations() * 3 * N);
}
BENCHMARK(BM_NegatedJoinChurn)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The engine's fact base under a few rules: N orders and N customers asserted, then retracted
// oldest first (the order in which a running program usually lets facts go), so removal from
// the front of the fact base and its indexes is measured too.
void BM_FactBaseChurn(benchmark::State& S) {
  const int N = static_cast<int>(S.range(0));
  Iterate(
      S,
      [&](TBench& B) {
        B.Unordered("customer", {"id", "name", "status"});
        B.Unordered("order", {"id", "customer", "total"});
        B.Unordered("hold", {"customer"});
        B.Rule("gold", {[&](TRule* R) {
                 return B.SlotPattern(R, "customer", {{"status", NewAtom("gold"), false}});
               }});
        B.Rule("ordered", {[&](TRule* R) {
                             return B.SlotPattern(R, "customer", {{"id", Var("c"), false}});
                           },
                           [&](TRule* R) {
                             return B.SlotPattern(R, "order", {{"customer", Var("c"), false}});
                           }});
        B.Rule("unheld", {[&](TRule* R) {
                            return B.SlotPattern(R, "order", {{"customer", Var("c"), false}});
                          },
                          [&](TRule* R) {
                            return B.SlotPattern(R, "hold", {{"customer", Var("c"), false}}, 1);
                          }});
        std::vector<IFact> Facts;
        for (int I = 0; I < N; ++I) {
          Facts.push_back(B.Slots("customer", {{"id", NewInteger(I)},
                                               {"name", NewAtom("c" + std::to_string(I))},
                                               {"status", NewAtom(I % 10 ? "plain" : "gold")}}));
          Facts.push_back(B.Slots("order", {{"id", NewInteger(I)},
                                            {"customer", NewInteger(I)},
                                            {"total", NewInteger(I % 100)}}));
        }
        return Facts;
      },
      [&](TBench& B, auto& Facts) {
        for (const IFact& F : Facts) B.Engine->Assert(F);
        if (B.Engine->ActivationCount() != N / 10 + 2 * N)
          S.SkipWithError("wrong activation count");
        for (const IFact& F : Facts) B.Engine->Retract(F);
      });
  S.SetItemsProcessed(S.iterations() * 2 * N);
}
BENCHMARK(BM_FactBaseChurn)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The seating problem's match shape: a context, the last seating, two guests of opposite sex
// sharing a hobby, and two negated patterns (no path for the guest yet, no such choice yet).
void BM_SeatingShape(benchmark::State& S) {
  const int Guests = static_cast<int>(S.range(0));
  Iterate(
      S,
      [&](TBench& B) {
        B.Unordered("guest", {"name", "sex", "hobby"});
        B.Unordered("seating", {"seat1", "seat2", "name1", "name2", "id", "pid", "path_done"});
        B.Unordered("context", {"state"});
        B.Unordered("path", {"id", "name", "seat"});
        B.Unordered("chosen", {"id", "name", "hobby"});
        B.Rule("find_seating",
               {[&](TRule* R) {
                  return B.SlotPattern(R, "context", {{"state", NewAtom("assign_seats"), false}});
                },
                [&](TRule* R) {
                  return B.SlotPattern(R, "seating",
                                       {{"seat1", Var("seat1"), false},
                                        {"seat2", Var("seat2"), false},
                                        {"name2", Var("n2"), false},
                                        {"id", Var("id"), false},
                                        {"pid", Var("pid"), false},
                                        {"path_done", NewAtom("yes"), false}});
                },
                [&](TRule* R) {
                  return B.SlotPattern(R, "guest",
                                       {{"name", Var("n2"), false},
                                        {"sex", Var("s1"), false},
                                        {"hobby", Var("h1"), false}});
                },
                [&](TRule* R) {
                  return B.SlotPattern(R, "guest",
                                       {{"name", Var("g2"), false},
                                        {"sex", Var("s1"), true},
                                        {"hobby", Var("h1"), false}});
                },
                [&](TRule* R) {
                  return B.SlotPattern(R, "path",
                                       {{"id", Var("id"), false}, {"name", Var("g2"), false}}, 1);
                },
                [&](TRule* R) {
                  return B.SlotPattern(R, "chosen",
                                       {{"id", Var("id"), false},
                                        {"name", Var("g2"), false},
                                        {"hobby", Var("h1"), false}},
                                       1);
                }});
        std::vector<IFact> Facts;
        for (int G = 0; G < Guests; ++G)
          for (int H = 0; H < 3; ++H)
            Facts.push_back(
                B.Slots("guest", {{"name", NewAtom("n" + std::to_string(G))},
                                  {"sex", NewAtom(G % 2 ? "m" : "f")},
                                  {"hobby", NewAtom("h" + std::to_string((G + H) % 5))}}));
        Facts.push_back(B.Slots("context", {{"state", NewAtom("assign_seats")}}));
        for (int Id = 0; Id < Guests; ++Id) {
          Facts.push_back(B.Slots("seating", {{"seat1", NewInteger(Id)},
                                              {"seat2", NewInteger(Id + 1)},
                                              {"name1", NewAtom("n" + std::to_string(Id))},
                                              {"name2", NewAtom("n" + std::to_string(Id))},
                                              {"id", NewInteger(Id)},
                                              {"pid", NewInteger(Id - 1)},
                                              {"path_done", NewAtom("yes")}}));
          Facts.push_back(B.Slots("path", {{"id", NewInteger(Id)},
                                           {"name", NewAtom("n" + std::to_string(Id))},
                                           {"seat", NewInteger(Id)}}));
        }
        return Facts;
      },
      [&](TBench& B, auto& Facts) {
        for (const IFact& F : Facts) B.Engine->Assert(F);
        benchmark::DoNotOptimize(B.Engine->ActivationCount());
        for (auto It = Facts.rbegin(); It != Facts.rend(); ++It) B.Engine->Retract(*It);
      });
  S.SetItemsProcessed(S.iterations() * Guests * 5);
}
BENCHMARK(BM_SeatingShape)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace norvale
