// The comparison and logic functions the pattern compiler builds calls of: eq, neq, eq*, and, or
// and not. The standard package takes them over later without changing their behaviour.
#pragma once

#include "engine/functions/UserFunction.h"

namespace norvale {

IUserFunction NewEqFunction();
IUserFunction NewNeqFunction();
IUserFunction NewEqStarFunction();
IUserFunction NewAndFunction();
IUserFunction NewOrFunction();
IUserFunction NewNotFunction();

}  // namespace norvale
