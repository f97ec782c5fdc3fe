// The standard package: the knowledge language's basic commands, the package every engine
// normally carries. Its functions live in one file per group:
//   FactCommands.cpp    facts and engine commands (assert, retract, modify, run, watch, load, ...)
//   LogicFunctions.cpp  the Boolean connectives and the comparisons by type and value
// Control flow and variables (if, while, bind, ...), the other list and comparison functions
// (create$, =, >, ...) and streams and files (printout, open, ...) join them as further groups.
//
// Every function is a TIEUserFunction that sets its name, comment, synopsis and argument limits
// in AfterConstruction and does its work in Call. "The engine" of a call is the engine of the
// call's evaluation context; arguments are evaluated (Resolve in that context) in order.
#pragma once

#include "engine/functions/IEPackages.h"

namespace norvale {

class TStandardPackage : public TUserPackage {
 public:
  using TUserPackage::TUserPackage;

 protected:
  // The inherited step, then one instance of each function class.
  void CreateFunctions() override;
};

// A function of the standard package: the metadata it sets after construction, and its body.
#define NORVALE_STANDARD_FUNCTION(Class)                                                \
  class Class : public TIEUserFunction {                                                \
   public:                                                                              \
    void AfterConstruction() override;                                                  \
                                                                                        \
   protected:                                                                           \
    void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override; \
  };

// --- facts and engine commands (FactCommands.cpp) ---
NORVALE_STANDARD_FUNCTION(TAssertFunction)
NORVALE_STANDARD_FUNCTION(TAssertStringFunction)
NORVALE_STANDARD_FUNCTION(TRetractFunction)
NORVALE_STANDARD_FUNCTION(TRetractStringFunction)
NORVALE_STANDARD_FUNCTION(TModifyFunction)
NORVALE_STANDARD_FUNCTION(TDuplicateFunction)
NORVALE_STANDARD_FUNCTION(TGetSlotValueFunction)
NORVALE_STANDARD_FUNCTION(TRunFunction)
NORVALE_STANDARD_FUNCTION(TResetFunction)
NORVALE_STANDARD_FUNCTION(TClearFunction)
NORVALE_STANDARD_FUNCTION(THaltFunction)
NORVALE_STANDARD_FUNCTION(TExitFunction)
NORVALE_STANDARD_FUNCTION(TWatchFunction)
NORVALE_STANDARD_FUNCTION(TUnwatchFunction)
NORVALE_STANDARD_FUNCTION(TSetFactDuplicationFunction)
NORVALE_STANDARD_FUNCTION(TGetFactDuplicationFunction)
NORVALE_STANDARD_FUNCTION(TDoBackwardChainingFunction)
NORVALE_STANDARD_FUNCTION(TLoadFunction)
NORVALE_STANDARD_FUNCTION(TLoadFactsFunction)
NORVALE_STANDARD_FUNCTION(TSaveFunction)
NORVALE_STANDARD_FUNCTION(TSaveFactsFunction)
NORVALE_STANDARD_FUNCTION(TVersionFunction)
NORVALE_STANDARD_FUNCTION(TGenSymStarFunction)

// --- Boolean connectives and comparisons by type and value (LogicFunctions.cpp) ---
NORVALE_STANDARD_FUNCTION(TAndFunction)
NORVALE_STANDARD_FUNCTION(TOrFunction)
NORVALE_STANDARD_FUNCTION(TNotFunction)
NORVALE_STANDARD_FUNCTION(TEqFunction)
NORVALE_STANDARD_FUNCTION(TEqStarFunction)
NORVALE_STANDARD_FUNCTION(TNeqFunction)

#undef NORVALE_STANDARD_FUNCTION

}  // namespace norvale
