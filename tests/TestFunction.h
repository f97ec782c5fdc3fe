// Host functions for tests, with the body given as a lambda.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/functions/FunctionCall.h"
#include "engine/functions/UserFunction.h"
#include "engine/rete/IEContext.h"

namespace norvale::test {

// A host function whose body gets the call as written (arguments unevaluated).
class TCallFunction : public TIEUserFunction {
 public:
  using TBody = std::function<IIEValue(const IFunCall& FunCall, TIEContext* Context)>;
  TCallFunction(std::string Name, TBody Body) : FName(std::move(Name)), FBody(std::move(Body)) {}
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName(FName);
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    Result = FBody(FunCall, Context);
  }

 private:
  std::string FName;
  TBody FBody;
};

// A host function whose body gets the arguments resolved in the calling context.
class TLambdaFunction : public TCallFunction {
 public:
  using TBody = std::function<IIEValue(const std::vector<IIEValue>& Args, TIEContext* Context)>;
  TLambdaFunction(std::string Name, TBody Body)
      : TCallFunction(std::move(Name),
                      [Body = std::move(Body)](const IFunCall& FunCall, TIEContext* Context) {
                        std::vector<IIEValue> Args;
                        for (const IIEValue& A : FunCall->Arguments())
                          Args.push_back(A->Resolve(Context));
                        return Body(Args, Context);
                      }) {}
};

// The triangle shape of the fuzzy package ("tri left centre right"): a set named by the call's
// text, which is how a triangle term prints.
inline IUserFunction NewTriangleFunction() {
  return NewRef<TCallFunction>("tri", [](const IFunCall& Call, TIEContext* Context) -> IIEValue {
    if (Call->GetArgumentCount() != 3) throw EIEException("tri takes three numbers");
    IFuzzySet Set = NewEngineFuzzySet();
    Set->Triangle(Call->GetArgument(0)->Resolve(Context)->AsNumeric(),
                  Call->GetArgument(1)->Resolve(Context)->AsNumeric(),
                  Call->GetArgument(2)->Resolve(Context)->AsNumeric());
    Set->SetName(Call->GetToString());
    return NewRef<TIEValue>(Set);
  });
}

}  // namespace norvale::test
