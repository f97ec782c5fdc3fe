// Function calls: a function name, unevaluated arguments and the engine that finds the function.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/IEValue.h"
#include "engine/functions/Reasoner.h"
#include "engine/functions/UserFunction.h"

namespace norvale {

class TIEContext;

// A call of a user function. The arguments are stored as written (constants, variables, nested
// calls, facts, lists); the function evaluates what it needs. The function is looked up by name
// through the reasoner at the first Execute and stays bound for the life of the call.
class TFunctionCall : public TCloneable {
 public:
  TFunctionCall() = default;
  TFunctionCall(IReasoner* Reasoner, const TIEName& Name) : FReasoner(Reasoner), FName(Name) {}
  ~TFunctionCall() override;

  // --- arguments; each AddArgument returns the new argument's position ---
  // The value itself, not a copy.
  int AddArgument(const IIEValue& Value);
  // A text value of Type: dtAtom, dtString, dtVariable, dtMultiVariable, dtSlot or dtMultiSlot.
  int AddArgument(const std::string& Text, TIEType Type);
  int AddArgument(const char* Text, TIEType Type) { return AddArgument(std::string(Text), Type); }
  // dtInteger or dtFloat.
  int AddArgument(int32_t Value, TIEType Type);
  // dtInteger (the integer part) or dtFloat.
  int AddArgument(double Value, TIEType Type);
  int AddArgument(const IFact& Fact);
  int AddArgument(const IFunCall& FunCall);
  int AddArgument(const IValueVector& List);
  virtual void Clear();
  virtual void Delete(int Index);
  const IIEValue& GetArgument(int Index) const {
    if (static_cast<unsigned>(Index) >= FArguments.size()) RaiseIndexError(Index);
    return FArguments[Index];
  }
  void SetArgument(int Index, const IIEValue& Value);
  int GetArgumentCount() const noexcept { return static_cast<int>(FArguments.size()); }
  const std::vector<IIEValue>& Arguments() const noexcept { return FArguments; }

  // --- properties ---
  IReasoner* Reasoner() const noexcept { return FReasoner; }
  // The name as written; case-sensitive.
  const TIEName& Name() const noexcept { return FName; }
  const std::string& Comment() const noexcept { return FComment; }
  void SetComment(const std::string& Value) { FComment = Value; }
  const IUserFunction& UserFunction() const noexcept { return FUserFunction; }
  // Binds Function; the name becomes its FunctionName (empty for nil).
  void SetUserFunction(const IUserFunction& Function);
  // Forgets the bound function of this call and of the calls nested in its arguments, keeping the
  // names: the next Execute looks them up again. Breaks the cycle a recursive deffunction makes
  // through the calls in its own body.
  void Unbind();

  // --- executing ---
  // Binds the function on first use (unknown names raise "Function is unimplemented or
  // unassigned: %s") and calls it with this call and Context.
  virtual IIEValue Execute(TObject* Context);
  // Calls the bound function; an Exception it raises comes back as "<name> error: <message>",
  // except the silent EAbort and a passed nesting limit (EIELimitError), which pass unchanged.
  virtual IIEValue SimpleExecute(TIEContext* Context);

  // --- comparing, printing, copying ---
  // Same name, same number of arguments, equal arguments; comments, tags and bindings aside.
  bool Equals(const TFunctionCall* Other) const;
  bool Equals(const TCloneable* Other) const override;
  int32_t GetHashCode() const override;
  // The reasoner's printed form, or FunCallToString without one.
  std::string GetToString() const override;
  std::string ToString() const { return GetToString(); }
  // Name, comment, tag and clones of the arguments; neither reasoner nor bound function.
  void Assign(TPersistent* Source) override;
  void AssignFrom(const TCloneable* Source) override;
  // A new call with the same reasoner and name, assigned from this one.
  virtual IFunCall Clone() const;
  ICloneable CloneObject() const override { return Clone(); }

 private:
  void CopyFrom(const TFunctionCall& Source);
  [[noreturn]] static void RaiseIndexError(int Index);

  IReasoner* FReasoner = nullptr;
  std::vector<IIEValue> FArguments;
  IUserFunction FUserFunction;
  TIEName FName;
  std::string FComment;
};

// The printed form of a call without a reasoner: the comment lines ("; " before each line that
// is neither empty nor a comment already, CR LF after each), then "(name arg ...)"; "modify" and
// "duplicate" print their further arguments as " (arg)".
std::string FunCallToString(const TFunctionCall& FunCall);

}  // namespace norvale
