#include "engine/functions/InterpretedFunction.h"

#include <optional>
#include <vector>

#include "engine/core/NestingGuard.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/functions/FunctionCall.h"
#include "engine/rete/IEContext.h"

namespace norvale {

int TInterpretedFunction::MinArgumentCount() const { return FParameters->Count(); }

int TInterpretedFunction::MaxArgumentCount() const {
  const int N = FParameters->Count();
  if (N > 0 && FParameters->Get(N - 1)->DType() == dtMultiVariable) return NoArgumentLimit;
  return N;
}

void TInterpretedFunction::AddArgument(const std::string& Name, TIEType Type) {
  if (Type != dtAtom && Type != dtVariable && Type != dtMultiVariable)
    RaiseIE(SInvalidDeffunctionArgument, {GetIETypeName(Type), "Atom, Variable, MultiVariable"});
  FParameters->Add(NewRef<TIEValue>(Name, Type));
}

void TInterpretedFunction::AddStatement(const IFunCall& FunCall) {
  FStatements->Add(NewRef<TIEValue>(FunCall));
}

void TInterpretedFunction::AddStatement(const IIEValue& Value) { FStatements->Add(Value); }

void TInterpretedFunction::UnbindCalls() {
  for (const IIEValue& S : FStatements->Values())
    if (TFunctionCall* C = S && S->DType() == dtFunCall ? S->FunCallPtr() : nullptr) C->Unbind();
}

void TInterpretedFunction::Execute(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Call(FunCall, Context, Result);
}

namespace {

TInferenceEngine* EngineOf(const IFunCall& FunCall, TIEContext* Context) {
  if (Context && Context->Engine()) return Context->Engine();
  return FunCall ? dynamic_cast<TInferenceEngine*>(FunCall->Reasoner()) : nullptr;
}

// The scope of one call: popped (its return state handed to the caller) and freed on every exit.
struct TCallScope {
  TIEContext* Context;
  ~TCallScope() {
    Context->Pop();
    Free(Context);
  }
};

}  // namespace

void TInterpretedFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine* Engine = EngineOf(FunCall, Context);
  std::optional<TNestingGuard> Guard;
  if (Engine) {
    Guard.emplace(Engine->CallNesting());
    if (Guard->Exceeded()) throw EIELimitError(Format(SCallsNestedTooDeeply, {FunctionName()}));
  }

  // Every argument is evaluated in the caller's context before the new scope exists, so that an
  // argument naming a variable sees the caller's binding, never a parameter of this call.
  const int Arguments = FunCall ? FunCall->GetArgumentCount() : 0;
  const int Parameters = FParameters->Count();
  std::vector<IIEValue> Values(Parameters);
  for (int I = 0; I < Parameters && I < Arguments; ++I) {
    switch (FParameters->Get(I)->DType()) {
      case dtVariable: {
        const IIEValue& A = FunCall->GetArgument(I);
        Values[I] = A ? A->Resolve(Context) : A;
        break;
      }
      case dtMultiVariable: {
        IValueVector Rest = NewRef<TValueVector>();
        for (int J = I; J < Arguments; ++J) {
          const IIEValue& A = FunCall->GetArgument(J);
          Rest->Add(A ? A->Resolve(Context) : A);
        }
        Values[I] = NewList(Rest);
        break;
      }
      default:
        Values[I] = FCNil;  // an atom parameter: its argument is not evaluated
        break;
    }
  }

  TIEContext* Parent = Context ? Context : (Engine ? Engine->GlobalContext() : nullptr);
  TCallScope Scope{Parent ? Parent->Push() : NewObject<TIEContext>(nullptr, Engine)};
  TIEContext* Local = Scope.Context;
  // Parameters are always local: the caller's bindings of the same names stay as they are.
  for (int I = 0; I < Parameters; ++I)
    Local->AddLocalBinding(FParameters->Get(I)->Text(), Values[I] ? Values[I] : FCNil);

  IIEValue Value;
  for (const IIEValue& Statement : FStatements->Values()) {
    Value = Statement ? Statement->Resolve(Local) : Statement;
    if (Local->ReturnFlag()) {
      Value = Local->ReturnValue();
      Local->ClearReturnValue();
      break;
    }
  }
  // A returned expression comes unevaluated: it takes its value from this call's bindings.
  if (Value) Value = Value->Resolve(Local);
  Result = Value ? Value : FCNil;
}

namespace {
const bool Registered =
    (RegisterClass<TInterpretedFunction, TIEUserFunction>("TInterpretedFunction"), true);
}  // namespace

}  // namespace norvale
