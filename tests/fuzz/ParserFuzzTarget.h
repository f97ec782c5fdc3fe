// The parser fuzz target: runs the tokenizer, the top-level loop (both error modes, with and
// without execution) and the printer on arbitrary bytes. Any failure must be an exception of the
// engine; a construct printed and read back must print the same again, else the target aborts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestFunction.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEClipsParser.h"

namespace norvale::fuzz {

// Functions whose calls cannot loop: without a conditional, recursion always ends at the call
// limit.
inline void AddFuzzFunctions(TInferenceEngine* Engine) {
  auto Add = [&](const std::string& Name, test::TLambdaFunction::TBody Body) {
    NewRef<test::TLambdaFunction>(Name, std::move(Body))->AddReasoner(Engine);
  };
  Add("+", [](const std::vector<IIEValue>& A, TIEContext*) {
    double R = 0;
    for (const IIEValue& V : A) R += V->AsNumeric();
    return NewFloat(R);
  });
  Add("create$", [](const std::vector<IIEValue>& A, TIEContext*) {
    IValueVector L = NewRef<TValueVector>();
    for (const IIEValue& V : A) L->Add(V);
    return NewList(L);
  });
  Add("printout", [Engine](const std::vector<IIEValue>& A, TIEContext*) {
    std::string Text;
    for (size_t I = 1; I < A.size(); ++I) Text += A[I]->GetToString();
    Engine->PrintOut("t", Text);
    return FCNil;
  });
  // The automatic term medium prints as a triangle.
  test::NewTriangleFunction()->AddReasoner(Engine);
  // A text parsed within the parse, as load and batch do.
  Add("parse", [Engine](const std::vector<IIEValue>& A, TIEContext*) {
    if (!A.empty()) Engine->Parse(A[0]->AsString(), true);
    return FCTrue;
  });
}

// The read-back texts of what one parse read: deffunctions, calls parsed without execution, and
// the global variables.
inline std::vector<std::string> ParseAndPrint(const std::string& Text, bool Execute,
                                              TErrorHandling Mode, bool& Failed) {
  TInferenceEngine* Engine = NewObject<TInferenceEngine>(nullptr);
  AddFuzzFunctions(Engine);
  Engine->OnPrintOut = [](TObject*, const std::string&, const std::string&) {};
  Engine->SetParserErrorHandling(Mode);
  std::vector<std::string> Printed;
  Engine->Parser().OnParseFunction = [&](TObject*, const IUserFunction& F) {
    Printed.push_back(Engine->PrettyPrint(*F));
  };
  Engine->Parser().OnParse = [&](TObject*, TParsedType Type, TObject*, const IUnknown& I) {
    auto* V = dynamic_cast<TIEValue*>(I.Get());
    if (Type == ptFunCall && V && V->DType() == dtFunCall) Printed.push_back(V->GetToString());
  };
  Failed = false;
  try {
    Engine->Parse(Text, Execute);
  } catch (const Exception&) {
    Failed = true;
  }
  if (Engine->GlobalVariables().Count() > 0)
    Printed.push_back(Engine->PrettyPrintGlobalVariables());
  Free(Engine);
  return Printed;
}

[[noreturn]] inline void Fail(const char* What, const std::string& A, const std::string& B) {
  std::fprintf(stderr, "%s\n--- first\n%s\n--- second\n%s\n", What, A.c_str(), B.c_str());
  std::abort();
}

inline void RunParserInput(const uint8_t* Data, size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);

  // The tokenizer alone, with the texts made for errors and comments.
  {
    TIEClipsStream S(Text);
    try {
      for (size_t I = 0; I <= Size + 1; ++I) {
        TToken T = S.Next();
        S.CommentOf(T);
        if (I % 7 == 0) S.GetToString();
        if (T.DataType == ttEOF) break;
      }
    } catch (const EIEParseException&) {
    }
  }

  bool Failed = false;
  ParseAndPrint(Text, true, ehRaiseImmediate, Failed);
  ParseAndPrint(Text, true, ehRaiseAllAtEnd, Failed);
  // Printing and reading back: read without execution, so that everything parsed is printed.
  for (const std::string& First : ParseAndPrint(Text, false, ehRaiseAllAtEnd, Failed)) {
    std::vector<std::string> Again = ParseAndPrint(First, false, ehRaiseImmediate, Failed);
    if (Failed) Fail("printed text does not read back", First, "");
    if (Again.size() != 1 || Again.front() != First)
      Fail("printed text reads back differently", First, Again.empty() ? "" : Again.front());
  }
}

}  // namespace norvale::fuzz
