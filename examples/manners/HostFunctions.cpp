#include "examples/manners/HostFunctions.h"

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "engine/functions/FunctionCall.h"
#include "engine/rete/IEContext.h"

namespace norvale {

namespace {

TInferenceEngine& EngineOf(const TIEContext* Context) {
  if (!Context || !Context->Engine()) throw EIEException(SUnknownEngine);
  return *Context->Engine();
}

IFact FactById(TInferenceEngine& Engine, int32_t Id) {
  IFact Fact = Engine.GetFactByID(Id);
  if (!Fact) throw EIEException(Format(SNoSuchFact, {std::to_string(Id)}));
  return Fact;
}

// The slot/value pairs from argument First on, values resolved, each slot checked against
// Template before anything is changed.
std::vector<std::pair<std::string, IIEValue>> SlotValues(const TFunctionCall& FunCall, int First,
                                                         TIEContext* Context,
                                                         const TFactTemplate& Template) {
  const int Count = FunCall.GetArgumentCount();
  if ((Count - First) % 2 != 0) throw EIEException("Every slot name needs a value");
  std::vector<std::pair<std::string, IIEValue>> Values;
  Values.reserve((Count - First) / 2);
  for (int I = First; I < Count; I += 2) {
    std::string Slot = FunCall.GetArgument(I)->Resolve(Context)->AsString();
    if (!Template.FindSlot(Slot)) throw EIEException(Format(SInvalidSlotName, {Slot}));
    Values.emplace_back(std::move(Slot), FunCall.GetArgument(I + 1)->Resolve(Context));
  }
  return Values;
}

// Common set-up of the functions below: name, synopsis, argument limits.
class THostFunction : public TIEUserFunction {
 public:
  THostFunction(const char* Name, const char* Synopsis, int MinArguments, int MaxArguments)
      : FName(Name), FSynopsis(Synopsis), FMin(MinArguments), FMax(MaxArguments) {}
  void AfterConstruction() override {
    TIEUserFunction::AfterConstruction();
    SetFunctionName(FName);
    SetArgumentString(FSynopsis);
    SetMaxArgumentCount(FMax);
    SetMinArgumentCount(FMin);
  }

 private:
  const char* FName;
  const char* FSynopsis;
  int FMin, FMax;
};

class TAssertSlotsFunction : public THostFunction {
 public:
  TAssertSlotsFunction()
      : THostFunction("assert-slots", " <template-name> (<slot-name> <expression>)*", 1,
                      NoArgumentLimit) {}

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    TInferenceEngine& Engine = EngineOf(Context);
    const std::string Name = FunCall->GetArgument(0)->Resolve(Context)->AsString();
    IFactTemplate Template = Engine.FindFactTemplate(Name);
    if (!Template) throw EIEException("No fact template named \"" + Name + "\"");
    IFact Fact = Template->NewFact();
    for (auto& [Slot, Value] : SlotValues(*FunCall, 1, Context, *Template))
      Fact->SetValue(Slot, Value);
    const int Id = Engine.Assert(Fact);
    Result = Id >= 0 ? NewFactId(Id) : FCFalse;
  }
};

class TModifySlotsFunction : public THostFunction {
 public:
  TModifySlotsFunction()
      : THostFunction("modify-slots", " <fact-id> (<slot-name> <expression>)*", 1,
                      NoArgumentLimit) {}

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    TInferenceEngine& Engine = EngineOf(Context);
    IFact Fact = FactById(Engine, FunCall->GetArgument(0)->Resolve(Context)->AsFactId());
    // Everything is evaluated before the fact leaves the fact base: the rule's variables may
    // still read its old values.
    auto Values = SlotValues(*FunCall, 1, Context, *Fact->Template());
    Engine.BeginFactModify(Fact);
    {
      // The fact goes back in even when a value is refused; the refusal is what gets reported.
      struct TReassert {
        TInferenceEngine& E;
        const IFact& F;
        ~TReassert() {
          try {
            E.EndFactModify(F);
          } catch (...) {
          }
        }
      } Reassert{Engine, Fact};
      // New value objects replace the old ones, which bound variables may share.
      for (auto& [Slot, Value] : Values) Fact->SetValue(Slot, Value);
    }
    Result = Engine.GetFactByID(Fact->ID()) == Fact ? NewFactId(Fact->ID()) : FCFalse;
  }
};

class TRetractFactFunction : public THostFunction {
 public:
  TRetractFactFunction() : THostFunction("retract-fact", " <fact-id>+", 1, NoArgumentLimit) {}

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    TInferenceEngine& Engine = EngineOf(Context);
    std::vector<int32_t> Ids;
    for (const IIEValue& A : FunCall->Arguments()) Ids.push_back(A->Resolve(Context)->AsFactId());
    for (int32_t Id : Ids) Engine.Retract(Id);
    Result = FCTrue;
  }
};

class TPlusFunction : public THostFunction {
 public:
  TPlusFunction() : THostFunction("+", " <number-expression>+", 1, NoArgumentLimit) {}

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    int64_t IntegerSum = 0;
    double FloatSum = 0;
    bool Integers = true;
    for (const IIEValue& A : FunCall->Arguments()) {
      IIEValue V = A->Resolve(Context);
      if (Integers && V->DType() == dtInteger) {
        IntegerSum += V->AsInteger();
        if (IntegerSum > std::numeric_limits<int32_t>::max() ||
            IntegerSum < std::numeric_limits<int32_t>::min())
          throw EIEException("Integer overflow");
      } else {
        if (Integers) FloatSum = static_cast<double>(IntegerSum);
        Integers = false;
        FloatSum += V->AsNumeric();
      }
    }
    Result = Integers ? NewInteger(static_cast<int32_t>(IntegerSum)) : NewFloat(FloatSum);
  }
};

class TPrintOutFunction : public THostFunction {
 public:
  TPrintOutFunction() : THostFunction("printout", " <router> <expression>*", 1, NoArgumentLimit) {}

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    TInferenceEngine& Engine = EngineOf(Context);
    const std::string Router = FunCall->GetArgument(0)->Resolve(Context)->AsString();
    std::string Text;
    for (int I = 1; I < FunCall->GetArgumentCount(); ++I) {
      IIEValue V = FunCall->GetArgument(I)->Resolve(Context);
      if (V->DType() == dtAtom && V->Text() == "crlf")
        Text += NewLineString;
      else if (V->DType() == dtAtom || V->DType() == dtString)
        Text += V->Text();
      else
        Text += V->ToString();
    }
    Engine.PrintOut(Router, Text);
    Result = FCNil;
  }
};

class THaltFunction : public THostFunction {
 public:
  THaltFunction() : THostFunction("halt", "", 0, 0) {}

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TIEUserFunction::Call(FunCall, Context, Result);
    EngineOf(Context).Halt();
    Result = FCNil;
  }
};

}  // namespace

void AddHostFunctions(TInferenceEngine* Engine) {
  for (IUserFunction F :
       {IUserFunction(NewRef<TAssertSlotsFunction>()),
        IUserFunction(NewRef<TModifySlotsFunction>()),
        IUserFunction(NewRef<TRetractFactFunction>()), IUserFunction(NewRef<TPlusFunction>()),
        IUserFunction(NewRef<TPrintOutFunction>()), IUserFunction(NewRef<THaltFunction>())})
    F->AddReasoner(Engine);
}

IFunCall NewCall(TInferenceEngine* Engine, const std::string& Name,
                 std::initializer_list<IIEValue> Args) {
  IFunCall Call = NewRef<TFunctionCall>(Engine, Name);
  for (const IIEValue& A : Args) Call->AddArgument(A);
  return Call;
}

IIEValue NewCallValue(TInferenceEngine* Engine, const std::string& Name,
                      std::initializer_list<IIEValue> Args) {
  return NewRef<TIEValue>(NewCall(Engine, Name, Args));
}

}  // namespace norvale
