// Functions written in the knowledge language (deffunction): parameters and statements run in a
// context of their own.
#pragma once

#include <string>

#include "engine/core/ValueVector.h"
#include "engine/functions/UserFunction.h"

namespace norvale {

class TInterpretedFunction;
using IInterpretedFunction = Ref<TInterpretedFunction>;

// A deffunction. The argument limits follow from the parameters: at least one argument per
// parameter, and no upper limit when the last parameter is a multifield one (which then takes one
// or more values).
class TInterpretedFunction : public TIEUserFunction {
 public:
  TInterpretedFunction() = default;
  explicit TInterpretedFunction(const TIEName& Name) : TIEUserFunction(Name) {}

  bool IsInterpreted() const override { return true; }
  int MinArgumentCount() const override;
  int MaxArgumentCount() const override;

  // Appends a parameter: dtVariable (one argument), dtMultiVariable (the rest of the arguments)
  // or dtAtom (bound to nil, its argument not evaluated); other types raise "Invalid argument
  // type for deffunction".
  virtual void AddArgument(const std::string& Name, TIEType Type);
  virtual void AddStatement(const IFunCall& FunCall);
  virtual void AddStatement(const IIEValue& Value);
  const IIEValue& GetStatement(int Index) const { return FStatements->Get(Index); }
  int GetStatementCount() const noexcept { return FStatements->Count(); }
  const IIEValue& GetArgument(int Index) const { return FParameters->Get(Index); }
  int GetArgumentCount() const noexcept { return FParameters->Count(); }
  const TValueVector& Parameters() const noexcept { return *FParameters; }
  const TValueVector& Statements() const noexcept { return *FStatements; }
  // The definition order, by which copies to another engine are made.
  int Order() const noexcept { return FOrder; }
  void SetOrder(int Value) noexcept { FOrder = Value; }

  // Unbinds the calls of the body (TFunctionCall::Unbind). The engine does so when the function
  // leaves its last engine, so that a function calling itself is freed.
  void UnbindCalls();

  // Only calls Call.
  virtual void Execute(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result);

 protected:
  // Evaluates the arguments in the caller's context, binds them in a new child context, runs the
  // statements there until one of them returns, and evaluates the result once more in it.
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;

 private:
  IValueVector FParameters = NewRef<TValueVector>();
  IValueVector FStatements = NewRef<TValueVector>();
  int FOrder = 0;
};

}  // namespace norvale
