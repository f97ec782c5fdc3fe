// What a user function needs from an engine: printing in the knowledge language and the table of
// functions by name.
#pragma once

#include <string>

#include "engine/core/IEConsts.h"
#include "platform/Ref.h"

namespace norvale {

class TFunctionCall;
class TFact;
class TIEUserFunction;
class TIEDefinedType;
using IUserFunction = Ref<TIEUserFunction>;

// Implemented by the inference engine (and by test doubles); not counted: functions and calls
// keep plain pointers to their reasoners.
class IReasoner {
 public:
  virtual ~IReasoner() = default;

  // --- printing: the text in the knowledge language ---
  virtual std::string PrettyPrint(const TFunctionCall& FunCall) = 0;
  virtual std::string PrettyPrint(const TFact& Fact) = 0;
  virtual std::string PrettyPrint(const TIEUserFunction& Function) = 0;
  virtual std::string PrettyPrint(const TIEDefinedType& Type) = 0;

  // --- the function table, keyed by the functions' current names (case-sensitive) ---
  // Puts Function into the table under its FunctionName.
  virtual void AddUserFunction(const IUserFunction& Function) = 0;
  // Takes Function out of the table.
  virtual void RemoveUserFunction(const IUserFunction& Function) = 0;
  virtual bool ContainsUserFunction(const TIEName& Name) const = 0;
  // True and the function in Function when the table has Name; Function is left alone otherwise.
  virtual bool ContainsUserFunction(const TIEName& Name, IUserFunction& Function) const = 0;
  // The function of that name; nil when there is none.
  virtual IUserFunction GetUserFunction(const TIEName& Name) const = 0;
  virtual void SetUserFunction(const TIEName& Name, const IUserFunction& Function) = 0;
};

}  // namespace norvale
