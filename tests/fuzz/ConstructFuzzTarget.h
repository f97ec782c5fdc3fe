// The construct fuzz target: reads arbitrary bytes as a file of constructs (types, templates,
// rules, fact sets, facts, deffunctions, globals), runs what it defines for a bounded number of
// steps, and checks that the whole knowledge base printed, read into a new engine and printed
// again gives the same text. Any other failure must be an exception of the engine.
#pragma once

#include <string>

#include "fuzz/ParserFuzzTarget.h"
#include "engine/engine/FactSet.h"

namespace norvale::fuzz {

// Everything an engine knows, as text that reads back: types, templates, deffunctions, globals
// (whose values may call deffunctions), rules (whose salience may read globals), fact sets and
// facts.
inline std::string KnowledgeText(TInferenceEngine& E) {
  std::string T = E.DefinedTypes().GetToString();
  T += E.FactTemplates().GetToString();
  T += E.UserFunctions().GetToString() + "\r\n";
  T += E.PrettyPrintGlobalVariables() + "\r\n";
  T += E.Rules().GetToString();
  for (int I = 0; I < E.FactSets().Count(); ++I) T += E.FactSets().Items(I)->GetToString() + "\r\n";
  for (const IFact& F : E.FactList())
    if (F->Template() && F->Template()->TemplateName() != SInitialFactPattern)
      T += "(assert " + E.PrettyPrint(*F) + ")\r\n";
  return T;
}

inline TInferenceEngine* NewFuzzEngine() {
  TInferenceEngine* E = NewObject<TInferenceEngine>(nullptr);
  AddFuzzFunctions(E);
  NewRef<test::TCallFunction>("assert", [E](const IFunCall& Call, TIEContext* Context) {
    for (const IIEValue& A : Call->Arguments()) {
      if (!A || A->DType() != dtFact) continue;
      IFact F = A->AsFact()->Clone();
      Context->Resolve(F);
      E->Assert(F, false);
    }
    return FCNil;
  })->AddReasoner(E);
  E->OnPrintOut = [](TObject*, const std::string&, const std::string&) {};
  return E;
}

// Reads Text into a new engine (and runs it when Run); its knowledge text, and whether reading
// raised.
inline std::string ReadAndPrint(const std::string& Text, bool Run, bool& Failed) {
  TInferenceEngine* E = NewFuzzEngine();
  Failed = false;
  std::string Printed;
  try {
    E->Parse(Text, true);
    if (Run) {
      E->Reset();
      E->Run(200);
    }
  } catch (const Exception&) {
    Failed = true;
  }
  try {
    Printed = KnowledgeText(*E);
  } catch (const Exception& X) {
    Failed = true;
    Printed = "print failed: " + X.Message();
  }
  Free(E);
  return Printed;
}

inline void RunConstructInput(const uint8_t* Data, size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  bool Failed = false;
  ReadAndPrint(Text, true, Failed);
  // The knowledge read without running it, printed, read and printed again.
  // A text that raised while being read (a syntax error, or a rule whose test fails on the facts)
  // may raise again when what it defined is read back; only what read cleanly must read back.
  const std::string First = ReadAndPrint(Text, false, Failed);
  if (Failed) return;
  const std::string Second = ReadAndPrint(First, false, Failed);
  if (Failed) Fail("printed knowledge does not read back", First, Second);
  const std::string Third = ReadAndPrint(Second, false, Failed);
  if (Failed || Third != Second) Fail("printed knowledge reads back differently", Second, Third);
}

}  // namespace norvale::fuzz
