#include "engine/engine/CoreFunctions.h"

#include "engine/functions/FunctionCall.h"
#include "engine/rete/IEContext.h"

namespace norvale {

namespace {

// (eq a b c): a equals b and c; (eq* ...) the same by value only.
class TEqFunction : public TIEUserFunction {
 public:
  explicit TEqFunction(bool Star) : FStar(Star) {}
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName(FStar ? "eq*" : "eq");
    SetComment(FStar ? "Returns TRUE if the first argument equals (in value) all of the following "
                       "arguments.  Note that the types may differ"
                     : "Returns TRUE if the first argument equals (in type and value) all of the "
                       "following arguments");
    SetArgumentString(" <expression> <expression>+");
    SetMinArgumentCount(1);
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    IIEValue First = FunCall->GetArgument(0)->Resolve(Context);
    for (int I = 1; I < FunCall->GetArgumentCount(); ++I) {
      IIEValue Other = FunCall->GetArgument(I)->Resolve(Context);
      if (!(FStar ? First->EqualsStar(Other) : First->Equals(Other))) {
        Result = FCFalse;
        return;
      }
    }
    Result = FCTrue;
  }

 private:
  bool FStar;
};

// (neq a b c): a equals none of b and c.
class TNeqFunction : public TIEUserFunction {
 public:
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName("neq");
    SetComment("Returns TRUE if the first argument equals none of the following arguments");
    SetArgumentString(" <expression> <expression>*");
    SetMinArgumentCount(1);
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    IIEValue First = FunCall->GetArgument(0)->Resolve(Context);
    for (int I = 1; I < FunCall->GetArgumentCount(); ++I)
      if (First->Equals(FunCall->GetArgument(I)->Resolve(Context))) {
        Result = FCFalse;
        return;
      }
    Result = FCTrue;
  }
};

// (and ...): FALSE at the first argument equal to FALSE; (or ...): TRUE at the first equal to
// TRUE. The rest are not evaluated.
class TAndOrFunction : public TIEUserFunction {
 public:
  explicit TAndOrFunction(bool IsAnd) : FAnd(IsAnd) {}
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName(FAnd ? "and" : "or");
    SetComment(FAnd ? "Returns TRUE if every argument evaluates to TRUE, FALSE otherwise"
                    : "Returns TRUE if any argument evaluates to TRUE, FALSE otherwise");
    SetArgumentString(" <expression>*");
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    const IIEValue& Stop = FAnd ? FCFalse : FCTrue;
    for (const IIEValue& A : FunCall->Arguments())
      if (A->Resolve(Context)->Equals(Stop)) {
        Result = Stop;
        return;
      }
    Result = FAnd ? FCTrue : FCFalse;
  }

 private:
  bool FAnd;
};

class TNotFunction : public TIEUserFunction {
 public:
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName("not");
    SetComment("Returns TRUE if the argument evaluates to FALSE, otherwise it returns FALSE");
    SetArgumentString(" <expression>");
    SetMinArgumentCount(1);
    SetMaxArgumentCount(1);
  }

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    Result = BoolValue(FunCall->GetArgument(0)->Resolve(Context)->Equals(FCFalse));
  }
};

}  // namespace

IUserFunction NewEqFunction() { return NewRef<TEqFunction>(false); }
IUserFunction NewEqStarFunction() { return NewRef<TEqFunction>(true); }
IUserFunction NewNeqFunction() { return NewRef<TNeqFunction>(); }
IUserFunction NewAndFunction() { return NewRef<TAndOrFunction>(true); }
IUserFunction NewOrFunction() { return NewRef<TAndOrFunction>(false); }
IUserFunction NewNotFunction() { return NewRef<TNotFunction>(); }

}  // namespace norvale
