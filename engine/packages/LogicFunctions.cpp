// The standard package's Boolean connectives (and, or, not) and its comparisons by type and value
// (eq, eq*, neq); the pattern compiler builds calls of all six. The numeric comparisons (=, <>,
// >, >=, <, <=) and member join them here.
#include "engine/functions/FunctionCall.h"
#include "engine/packages/StandardPackage.h"
#include "engine/rete/IEContext.h"
#include "platform/TypeInfo.h"

namespace norvale {

namespace {

// The first argument against each further one, stopping at the first that Matches fails for.
bool AllMatch(const IFunCall& FunCall, TIEContext* Context,
              bool (*Matches)(const IIEValue& First, const IIEValue& Other)) {
  IIEValue First = FunCall->GetArgument(0)->Resolve(Context);
  for (int I = 1; I < FunCall->GetArgumentCount(); ++I)
    if (!Matches(First, FunCall->GetArgument(I)->Resolve(Context))) return false;
  return true;
}

// FALSE is the only false value for and and not; or takes only TRUE as true. The arguments after
// the one that decides are not evaluated.
IIEValue AndOr(const IFunCall& FunCall, TIEContext* Context, bool IsAnd) {
  const IIEValue& Stop = IsAnd ? FCFalse : FCTrue;
  for (const IIEValue& A : FunCall->Arguments())
    if (A->Resolve(Context)->Equals(Stop)) return Stop;
  return IsAnd ? FCTrue : FCFalse;
}

}  // namespace

void TAndFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  SetFunctionName("and");
  SetComment("Returns TRUE if every argument evaluates to TRUE, FALSE otherwise");
  SetArgumentString(" <expression>*");
}

void TAndFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  Result = AndOr(FunCall, Context, true);
}

void TOrFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  SetFunctionName("or");
  SetComment("Returns TRUE if any argument evaluates to TRUE, FALSE otherwise");
  SetArgumentString(" <expression>*");
}

void TOrFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  Result = AndOr(FunCall, Context, false);
}

void TNotFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  SetFunctionName("not");
  SetComment("Returns TRUE if the argument evaluates to FALSE, otherwise it returns FALSE");
  SetArgumentString(" <expression>");
  SetMinArgumentCount(1);
  SetMaxArgumentCount(1);
}

void TNotFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  Result = BoolValue(FunCall->GetArgument(0)->Resolve(Context)->Equals(FCFalse));
}

void TEqFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  SetFunctionName("eq");
  SetComment(
      "Returns TRUE if the first argument equals (in type and value) all of the following "
      "arguments");
  SetArgumentString(" <expression> <expression>+");
  SetMinArgumentCount(1);
}

void TEqFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  Result = BoolValue(AllMatch(FunCall, Context,
                              [](const IIEValue& A, const IIEValue& B) { return A->Equals(B); }));
}

void TEqStarFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  SetFunctionName("eq*");
  SetComment(
      "Returns TRUE if the first argument equals (in value) all of the following arguments.  "
      "Note that the types may differ");
  SetArgumentString(" <expression> <expression>+");
  SetMinArgumentCount(1);
}

void TEqStarFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  Result = BoolValue(AllMatch(
      FunCall, Context, [](const IIEValue& A, const IIEValue& B) { return A->EqualsStar(B); }));
}

void TNeqFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  SetFunctionName("neq");
  SetComment("Returns TRUE if the first argument equals none of the following arguments");
  SetArgumentString(" <expression> <expression>*");
  SetMinArgumentCount(1);
}

void TNeqFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  Result = BoolValue(AllMatch(FunCall, Context,
                              [](const IIEValue& A, const IIEValue& B) { return !A->Equals(B); }));
}

namespace {

const bool Registered = (RegisterClass<TAndFunction, TIEUserFunction>("TAndFunction"),
                         RegisterClass<TOrFunction, TIEUserFunction>("TOrFunction"),
                         RegisterClass<TNotFunction, TIEUserFunction>("TNotFunction"),
                         RegisterClass<TEqFunction, TIEUserFunction>("TEqFunction"),
                         RegisterClass<TEqStarFunction, TIEUserFunction>("TEqStarFunction"),
                         RegisterClass<TNeqFunction, TIEUserFunction>("TNeqFunction"), true);

}  // namespace

}  // namespace norvale
