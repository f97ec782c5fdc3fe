// An engine with a few templates and host functions, for tests that build and run rules through
// the API.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "TestFunction.h"
#include "engine/engine/InferenceEngine.h"

namespace norvale::test {

class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = NewObject<TInferenceEngine>(nullptr);
    Engine->OnPrintOut = [this](TObject*, const std::string&, const std::string& Text) {
      Output.push_back(Text);
    };
  }
  void TearDown() override { Free(Engine); }

  void Function(const std::string& Name, TLambdaFunction::TBody Body) {
    NewRef<TLambdaFunction>(Name, std::move(Body))->AddReasoner(Engine);
  }
  // An ordered template (one multislot) of that name.
  IFactTemplate Ordered(const std::string& Name) { return Engine->CreateFactTemplate(Name); }
  IFact OrderedFact(const std::string& Name, std::initializer_list<IIEValue> Fields) {
    IFact F = Ordered(Name)->NewFact();
    F->SetValue(SDefaultSlotName, NewList(NewRef<TValueVector>(Fields)));
    return F;
  }
  // A pattern on an ordered template: each test a constant or a variable (NewVariable).
  TIEPattern* Pattern(TRule* Rule, const std::string& Name, std::initializer_list<IIEValue> Fields,
                      int Negated = 0) {
    IFactTemplate T = Ordered(Name);
    auto* P = NewObject<TIEPattern>(Rule, Negated, T, Name);
    int I = 0;
    for (const IIEValue& V : Fields) P->AddTest(SDefaultSlotName, V, true, false, I++);
    return P;
  }
  IFunCall Call(const std::string& Name, std::initializer_list<IIEValue> Args) {
    IFunCall C = NewRef<TFunctionCall>(Engine, Name);
    for (const IIEValue& A : Args) C->AddArgument(A);
    return C;
  }
  // A rule owned by the engine, registered; patterns and actions made by the callers.
  TRule* Rule(const std::string& Name, const std::function<void(TRule*)>& Build, int Salience = 0) {
    auto* R = NewObject<TRule>(Engine);
    R->SetRuleName(Name);
    R->SetSalienceInteger(Salience);
    R->BeginUpdate();
    Build(R);
    R->EndUpdate();
    Engine->Rules().Add(R);
    return R;
  }
  std::vector<std::string> FactTexts() const {
    std::vector<std::string> R;
    for (const IFact& F : Engine->FactList()) R.push_back(F->GetToIDString());
    return R;
  }

  TInferenceEngine* Engine = nullptr;
  std::vector<std::string> Output;
};

}  // namespace norvale::test
