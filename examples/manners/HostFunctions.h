// The host's own action functions for rules built through the C++ API: asserting, modifying and
// retracting facts, addition, console output and halting. Every argument is evaluated in the
// context of the firing rule, so it may be a constant, a variable of the rule or a nested call.
#pragma once

#include <initializer_list>
#include <string>

#include "engine/engine/InferenceEngine.h"

namespace norvale {

// Registers these functions with Engine:
//   (assert-slots <template> <slot> <value> ...)  asserts a new fact of the template with those
//                                                 slot values; the new fact's ID, FALSE when an
//                                                 equal fact is there already
//   (modify-slots <fact-id> <slot> <value> ...)   gives the fact those slot values (it is
//                                                 retracted and asserted again, with a new ID)
//   (retract-fact <fact-id> ...)                  retracts the facts; IDs no longer there are
//                                                 skipped
//   (+ <number> ...)                              the sum: an integer while every argument is one
//   (printout <router> <item> ...)                the items, without separators, to the router;
//                                                 the atom crlf ends a line
//   (halt)                                        stops the run once this rule has fired
void AddHostFunctions(TInferenceEngine* Engine);

// A call of the function Name with Args, looked up through Engine at its first execution.
IFunCall NewCall(TInferenceEngine* Engine, const std::string& Name,
                 std::initializer_list<IIEValue> Args);
// The same call as a value, for a nested call in an argument or a slot value.
IIEValue NewCallValue(TInferenceEngine* Engine, const std::string& Name,
                      std::initializer_list<IIEValue> Args);

}  // namespace norvale
