// An engine with console capture and test doubles of the few functions the language tests call
// that no package of the engine provides yet (arithmetic, numeric comparisons, printout, bind, if,
// return, two list functions). The engine's standard package supplies the rest (assert, exit,
// gensym*, eq, and, ...).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFunction.h"
#include "TestSupport.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEClipsParser.h"

namespace norvale::test {

class LanguageFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = NewObject<TInferenceEngine>(nullptr);
    Engine->OnPrintOut = [this](TObject*, const std::string&, const std::string& Text) {
      Console += Text;
    };
    AddTestFunctions(Engine);
  }
  void TearDown() override { Free(Engine); }

  // The console output so far, emptied.
  std::string TakeConsole() {
    std::string R;
    R.swap(Console);
    return R;
  }
  // Parses and executes Text; the message of what it raises, or "".
  std::string ParseError(const std::string& Text, bool Execute = true) {
    try {
      Engine->Parse(Text, Execute);
    } catch (const Exception& E) {
      return E.Message();
    }
    return "";
  }
  // The result of one call given as text, printed.
  std::string Eval(const std::string& Text) {
    IIEValue V = Engine->ParseNExecuteFunCall(Text);
    return V ? V->GetToString() : "<none>";
  }

 public:
  // Registers the test doubles with Engine.
  static void AddTestFunctions(TInferenceEngine* Engine) {
    auto Add = [&](const std::string& Name, TLambdaFunction::TBody Body) {
      NewRef<TLambdaFunction>(Name, std::move(Body))->AddReasoner(Engine);
    };
    auto AddRaw = [&](const std::string& Name, TCallFunction::TBody Body) {
      NewRef<TCallFunction>(Name, std::move(Body))->AddReasoner(Engine);
    };
    auto Numeric = [](const std::vector<IIEValue>& Args, auto Op) -> IIEValue {
      bool Float = false;
      for (const IIEValue& A : Args) Float = Float || A->DType() == dtFloat;
      double R = Args.empty() ? 0 : Args[0]->AsNumeric();
      for (size_t I = 1; I < Args.size(); ++I) R = Op(R, Args[I]->AsNumeric());
      return Float ? NewFloat(R) : NewInteger(static_cast<int32_t>(R));
    };
    Add("+", [=](const std::vector<IIEValue>& A, TIEContext*) {
      return Numeric(A, [](double X, double Y) { return X + Y; });
    });
    Add("-", [=](const std::vector<IIEValue>& A, TIEContext*) {
      return Numeric(A, [](double X, double Y) { return X - Y; });
    });
    Add("*", [=](const std::vector<IIEValue>& A, TIEContext*) {
      return Numeric(A, [](double X, double Y) { return X * Y; });
    });
    Add("<=", [](const std::vector<IIEValue>& A, TIEContext*) {
      return BoolValue(A.at(0)->AsNumeric() <= A.at(1)->AsNumeric());
    });
    Add("<", [](const std::vector<IIEValue>& A, TIEContext*) {
      return BoolValue(A.at(0)->AsNumeric() < A.at(1)->AsNumeric());
    });
    Add("length$", [](const std::vector<IIEValue>& A, TIEContext*) {
      return NewInteger(A.at(0)->AsList()->Count());
    });
    Add("create$", [](const std::vector<IIEValue>& A, TIEContext*) {
      IValueVector L = NewRef<TValueVector>();
      for (const IIEValue& V : A) L->Add(V);
      return NewList(L);
    });
    AddRaw("printout", [Engine](const IFunCall& Call, TIEContext* Context) {
      std::string Text;
      for (int I = 1; I < Call->GetArgumentCount(); ++I) {
        IIEValue V = Call->GetArgument(I)->Resolve(Context);
        if (V->DType() == dtAtom && V->Text() == "crlf")
          Text += NewLineString;
        else if (V->DType() == dtString)
          Text += V->Text();
        else
          Text += V->GetToString();
      }
      Engine->PrintOut(Call->GetArgument(0)->GetToString(), Text);
      return FCNil;
    });
    AddRaw("bind", [](const IFunCall& Call, TIEContext* Context) {
      IIEValue V = Call->GetArgument(1)->Resolve(Context);
      Context->SetVariable(Call->GetArgument(0)->AsString(), V);
      return V;
    });
    AddRaw("return", [](const IFunCall& Call, TIEContext* Context) {
      Context->SetReturnValue(Call->GetArgument(0));
      return Call->GetArgument(0);
    });
    AddRaw("if", [](const IFunCall& Call, TIEContext* Context) -> IIEValue {
      const std::vector<IIEValue>& A = Call->Arguments();
      if (A.size() < 2 || !A[1]->Equals(FCThen)) throw EIEException("Syntax Error: missing then");
      size_t From = 2, To = A.size();
      size_t Else = From;
      while (Else < A.size() && !A[Else]->Equals(FCElse)) ++Else;
      if (A[0]->Resolve(Context)->Equals(FCFalse)) {
        From = Else + 1;
      } else {
        To = Else;
      }
      IIEValue Result = FCFalse;
      for (size_t I = From; I < To; ++I) {
        Result = A[I]->Resolve(Context);
        if (Context->ReturnFlag()) return Context->ReturnValue();
      }
      return Result;
    });
    test::NewTriangleFunction()->AddReasoner(Engine);
    AddRaw("fail", [](const IFunCall& Call, TIEContext*) -> IIEValue {
      throw EIEException(Call->GetArgumentCount() ? Call->GetArgument(0)->AsString() : "failed");
    });
    // Parses its (evaluated) text argument with the same engine, as load and batch do.
    AddRaw("parse", [Engine](const IFunCall& Call, TIEContext* Context) -> IIEValue {
      Engine->Parse(Call->GetArgument(0)->Resolve(Context)->AsString(), true);
      return FCTrue;
    });
  }

 protected:
  TInferenceEngine* Engine = nullptr;
  std::string Console;
};

}  // namespace norvale::test
