// The standard package's commands on facts and on the engine itself.
#include <fstream>

#include "engine/engine/InferenceEngine.h"
#include "engine/functions/FunctionCall.h"
#include "engine/packages/StandardPackage.h"
#include "engine/rete/IEContext.h"
#include "platform/TextStream.h"
#include "platform/TypeInfo.h"

namespace norvale {

namespace {

// The descriptions of the catalogue.
constexpr const char* SAssertComment =
    "Asserts or adds each fact argument to the fact list.  The fact index of the last fact added "
    "is returned";
constexpr const char* SAssertStringComment =
    "Asserts or adds each string argument as a fact to the fact list.  The fact index of the last "
    "fact added is returned";
constexpr const char* SRetractComment =
    "Retracts facts specified by their fact indices from the fact base.  If the only argument is "
    "an asterisk (*), all facts are retracted";
constexpr const char* SRetractStringComment =
    "Retracts facts that equal the string arguments from the fact base.  If duplicate facts are "
    "allowed, only the first fact that matches the string is retracted";
constexpr const char* SModifyComment =
    "Modifies the fact specified by the fact index.  It assigns new values to the slots of the "
    "facts.  Note that the fact is retracted and then asserted by this function";
constexpr const char* SDuplicateComment =
    "Asserts a duplicated copy of the fact specified by the fact index, with one or more slot "
    "values changed";
constexpr const char* SGetSlotValueComment =
    "Returns the value in the fact slot specified by the <slot-name-expression>";
constexpr const char* SRunComment =
    "Executes the inference engine and returns the number of steps executed.  If the optional "
    "argument is specified, the inference engine will execute AT MOST <integer-expression> steps";
constexpr const char* SResetComment =
    "Resets the inference engine.  First, the agenda is cleared, all facts are deleted, and all "
    "global variables are removed.  If the ResetGlobals property of the inference engine is true, "
    "the global variables are reset to their initial values.  Any Fact sets available have their "
    "facts asserted.  Finally, the initial fact is asserted to start the whole inference process "
    "over again";
constexpr const char* SClearComment =
    "Clears the inference engine of all fact templates, facts, and rules";
constexpr const char* SHaltComment = "Halts the execution of the inference engine";
constexpr const char* SExitComment = "Immediately stops execution of the inference engine";
constexpr const char* SWatchOperations =
    "  Watches are like events and force the inference engine to output (using OnPrintOut "
    "event) information as they occur\r\n"
    "     activations - watch rule activations and deletions\r\n"
    "     facts - watch fact assertions and retractions\r\n"
    "     rules - watch rule additions and removals\r\n"
    "     compilations - watch rule compilations\r\n"
    "     statistics - watch execution statistics\r\n";
constexpr const char* SWatchComment =
    "Sets up watches on the specified inference engine operations.";
constexpr const char* SUnwatchComment =
    "Deletes the watches on the specified inference engine operations.";
constexpr const char* SWatchSynopsis = " all|rules|facts|activations|compilations|statistics";
constexpr const char* SSetFactDuplicationComment =
    "Sets the fact duplication behavior to the <boolean-expression> and returns the previous "
    "value of the behavior.  If fact duplication is set to FALSE, duplicate facts may be asserted "
    "into the fact list.  If fact duplication is set to TRUE, duplicate facts are ignored";
constexpr const char* SGetFactDuplicationComment =
    "Returns the boolean value for the current state of the fact duplication behavior.  If this "
    "function returns FALSE, duplicate facts may be asserted into the fact list.  If value is "
    "TRUE, duplicate facts are ignored";
constexpr const char* SDoBackwardChainingComment =
    "Prepares the inference engine for backward chaining on a particular fact template or series "
    "of fact templates.  The command creates backward chaining templates to match the fact "
    "template arguments";
constexpr const char* SLoadComment = "Loads the specified file into the inference engine";
constexpr const char* SLoadFactsComment =
    "Loads the facts contained in the file specified by the <filename> argument";
constexpr const char* SSaveComment =
    "Saves the expert system to the file specified by <filename>.  This includes fact templates, "
    "facts, fact sets, rules and deffunctions";
constexpr const char* SSaveFactsComment =
    "Saves facts currently in the fact base to the file specified by <filename>.  The optional "
    "arguments name the fact templates whose facts are saved.  Without them, all facts are saved";
constexpr const char* SVersionComment =
    "Returns a floating point number for the inference engine version being executed";
constexpr const char* SGenSymStarComment =
    "Returns a sequenced symbol of the form \"genX\" where X is an integer.  Repeated calls will "
    "return monotonically increasing values for X";
constexpr const char* SGoalComment = "Goal seeker for ";

void Describe(TIEUserFunction& F, const char* Name, const std::string& Comment,
              const char* Synopsis, int Min, int Max) {
  F.SetFunctionName(Name);
  F.SetComment(Comment);
  F.SetArgumentString(Synopsis);
  F.SetMinArgumentCount(Min);
  F.SetMaxArgumentCount(Max);
}

constexpr int Any = TIEUserFunction::NoArgumentLimit;

// The engine of the call: the one that owns its evaluation context.
TInferenceEngine& EngineOf(TIEContext* Context) {
  TInferenceEngine* E = Context ? Context->Engine() : nullptr;
  if (!E) throw EIEException(SUnknownEngine);
  return *E;
}

IIEValue Argument(const IFunCall& FunCall, int Index, TIEContext* Context) {
  return FunCall->GetArgument(Index)->Resolve(Context);
}

// The fact of the engine whose index the first argument gives; "No Such Fact" when none.
IFact FactOfFirstArgument(TInferenceEngine& Engine, const IFunCall& FunCall, TIEContext* Context) {
  const int32_t Id = Argument(FunCall, 0, Context)->AsFactId();
  IFact Fact = Engine.GetFactByID(Id);
  if (!Fact) RaiseIE(SNoSuchFact, {std::to_string(Id)});
  return Fact;
}

// Applies the slot/value pairs of modify and duplicate (arguments 1 on) to Fact. A multislot
// given one value that is not a list gets a new list value: the old one may be shared with other
// facts and with the variable it came from.
void ApplyPairs(TInferenceEngine& Engine, const IFunCall& FunCall, TIEContext* Context, TFact& Fact,
                bool FuzzyConversion) {
  for (int I = 1; I < FunCall->GetArgumentCount(); ++I) {
    IValueVector Pair = Argument(FunCall, I, Context)->AsList();
    const std::string SlotName = Pair->Get(0)->AsString();
    IFactSlot Slot = Fact.Template()->GetSlot(SlotName);
    if (FuzzyConversion && Slot->IsFuzzy() && Pair->Count() > 1) {
      const IFuzzyVariable Variable =
          Slot->ExtendedTypeInfo() ? Slot->ExtendedTypeInfo()->FuzzyType() : IFuzzyVariable();
      if (!Variable) throw EIEException(SFuzzyTypeNeeded);
      IValueVector Copy = Pair->Clone();
      const IIEValue& Value = Copy->Get(1);
      Copy->Put(1, Value->DType() == dtList
                       ? Engine.EvalFuzzyExpression(Variable, Value->AsList(), Context)
                       : Engine.EvalFuzzyExpression(Variable, Value, Context));
      Pair = Copy;
    }
    if (!Slot->IsMultiSlot() || (Pair->Count() > 1 && Pair->Get(1)->DType() == dtList)) {
      Fact.SetValue(SlotName, Pair->Get(1)->Resolve(Context));
    } else {
      IValueVector Items = NewRef<TValueVector>();
      for (int V = 1; V < Pair->Count(); ++V) Items->Add(Pair->Get(V)->Resolve(Context));
      Fact.SetValue(SlotName, NewList(Items));
    }
  }
}

}  // namespace

// --- assert, assert-string, retract, retract-string -------------------------------------------

void TAssertFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "assert", SAssertComment, " <fact>*", 0, Any);
}

void TAssertFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  int Id = -1;
  for (int I = 0; I < FunCall->GetArgumentCount(); ++I) {
    IFact Fact = Argument(FunCall, I, Context)->AsFact()->Clone();
    Context->Resolve(Fact);
    Id = Engine.Assert(Fact, false);
  }
  Result = Id >= 0 ? NewFactId(Id) : FCFalse;
}

void TAssertStringFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "assert-string", SAssertStringComment, " <string-expression>*", 1, Any);
}

void TAssertStringFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  int Id = -1;
  for (int I = 0; I < FunCall->GetArgumentCount(); ++I)
    Id = Engine.Assert(Argument(FunCall, I, Context)->AsString());
  Result = NewFactId(Id);
}

void TRetractFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "retract", SRetractComment, " *|<fact-index>*", 1, Any);
}

void TRetractFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  IIEValue First = Argument(FunCall, 0, Context);
  if (First->DType() == dtAtom && First->Text() == "*") {
    Engine.ClearFacts();
  } else {
    for (int I = 0; I < FunCall->GetArgumentCount(); ++I) {
      IIEValue Index = I == 0 ? First : Argument(FunCall, I, Context);
      if (IFact Fact = Engine.GetFactByID(Index->AsFactId())) Engine.Retract(Fact);
    }
  }
  Result = FCTrue;
}

void TRetractStringFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "retract-string", SRetractStringComment, " <fact-string>", 0, Any);
}

void TRetractStringFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  for (int I = 0; I < FunCall->GetArgumentCount(); ++I)
    Engine.Retract(Argument(FunCall, I, Context)->AsString());
  Result = FCTrue;
}

// --- modify, duplicate, get-slot-value --------------------------------------------------------

void TModifyFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "modify", SModifyComment, " <fact-index> (<slot-name> <expression>)+", 1, Any);
}

void TModifyFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  IFact Fact = FactOfFirstArgument(Engine, FunCall, Context);
  // The fact goes back into the fact base also when a change fails; the first error passes on.
  struct TBracket {
    TInferenceEngine& Engine;
    const IFact& Fact;
    bool Open = true;
    ~TBracket() {
      if (!Open) return;
      try {
        Engine.EndFactModify(Fact);
      } catch (...) {
      }
    }
  } Bracket{Engine, Fact};
  Engine.BeginFactModify(Fact);
  ApplyPairs(Engine, FunCall, Context, *Fact, true);
  Context->Resolve(Fact);
  Bracket.Open = false;
  Result = NewFactId(Engine.EndFactModify(Fact));
}

void TDuplicateFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "duplicate", SDuplicateComment, " <fact-index> (<slot-name> <expression>)*", 2,
           Any);
}

void TDuplicateFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  // A copy changed and asserted; the fact found stays as it is, in the fact base.
  IFact Copy = FactOfFirstArgument(Engine, FunCall, Context)->Clone();
  Copy->SetID(-1);
  ApplyPairs(Engine, FunCall, Context, *Copy, false);
  Context->Resolve(Copy);
  Result = NewFactId(Engine.Assert(Copy, false));
}

void TGetSlotValueFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "get-slot-value", SGetSlotValueComment,
           " <fact-id-expression>|<fact-expression> [<slot-name-expression> ]", 1, 2);
}

void TGetSlotValueFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  IIEValue First = Argument(FunCall, 0, Context);
  IFact Fact;
  switch (First->DType()) {
    case dtInteger:
    case dtFactId:
      Fact = Engine.GetFactByID(First->AsFactId());
      break;
    case dtFact:
      Fact = First->AsFact();
      break;
    default:
      RaiseIE(SInvalidDeffunctionArgument, {EnumName(First->DType()), "FactId, Fact"});
  }
  if (!Fact) RaiseIE(SNoSuchFact, {First->GetToString()});
  const std::string Slot = FunCall->GetArgumentCount() > 1
                               ? Argument(FunCall, 1, Context)->AsString()
                               : std::string(SDefaultSlotName);
  // A copy with a list of its own: what the caller does with the answer leaves the fact alone.
  IIEValue Value = Fact->GetValue(Slot);
  Result = Value ? NewRef<TIEValue>(Value) : Value;
}

// --- run, reset, clear, halt, exit ------------------------------------------------------------

void TRunFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "run", SRunComment, " [<integer-expression>]", 0, 1);
}

void TRunFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  const int Fired = FunCall->GetArgumentCount() > 0
                        ? Engine.Run(Argument(FunCall, 0, Context)->AsInteger())
                        : Engine.Run();
  Result = NewInteger(Fired);
}

void TResetFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "reset", SResetComment, "", 0, 0);
}

void TResetFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  EngineOf(Context).Reset();
  Result = FCTrue;
}

void TClearFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "clear", SClearComment, "", 0, 0);
}

void TClearFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  EngineOf(Context).Clear();
  Result = FCTrue;
}

void THaltFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "halt", SHaltComment, "", 0, 0);
}

void THaltFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  EngineOf(Context).Halt();
  Result = FCTrue;
}

void TExitFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "exit", SExitComment, "", 0, 0);
}

void TExitFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  throw EAbort();
}

// --- watch, unwatch, fact duplication ---------------------------------------------------------

namespace {

// The watches a name stands for; false for a name that is none.
bool WatchesOf(const std::string& Name, TConstructWatches& Watches) {
  static const struct {
    const char* Name;
    TConstructWatches Watches;
  } Names[] = {{"activations", {cwActivation}},
               {"facts", {cwFact}},
               {"rules", {cwRule}},
               {"compilations", {cwCompilation}},
               {"statistics", {cwStatistics}},
               {"all", {cwActivation, cwFact, cwRule, cwCompilation, cwStatistics}}};
  for (const auto& N : Names)
    if (Name == N.Name) {
      Watches = N.Watches;
      return true;
    }
  return false;
}

}  // namespace

void TWatchFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "watch", std::string(SWatchComment) + SWatchOperations, SWatchSynopsis, 1, 1);
}

void TWatchFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  const std::string Name = Argument(FunCall, 0, Context)->AsString();
  TConstructWatches Watches;
  if (!WatchesOf(Name, Watches)) RaiseIE(SCannotWatch, {Name});
  Engine.SetWatch(Engine.Watch() + Watches);
  Result = FCTrue;
}

void TUnwatchFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "unwatch", std::string(SUnwatchComment) + SWatchOperations, SWatchSynopsis, 1, 1);
}

void TUnwatchFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  // The argument as written: a variable stands for its own name.
  const std::string Name = FunCall->GetArgument(0)->AsString();
  TConstructWatches Watches;
  if (!WatchesOf(Name, Watches)) RaiseIE(SCannotUnWatch, {Name});
  Engine.SetWatch(Engine.Watch() - Watches);
  Result = FCTrue;
}

// The language's setting is the negation of the engine's property: TRUE keeps duplicates out.
void TSetFactDuplicationFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "set-fact-duplication", SSetFactDuplicationComment, " <boolean-expression>", 1,
           1);
}

void TSetFactDuplicationFunction::Call(const IFunCall& FunCall, TIEContext* Context,
                                       IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  Result = BoolValue(!Engine.FactDuplication());
  Engine.SetFactDuplication(Argument(FunCall, 0, Context)->Equals(FCFalse));
}

void TGetFactDuplicationFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "get-fact-duplication", SGetFactDuplicationComment, "", 0, 0);
}

void TGetFactDuplicationFunction::Call(const IFunCall& FunCall, TIEContext* Context,
                                       IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  Result = BoolValue(!EngineOf(Context).FactDuplication());
}

// --- do-backward-chaining ---------------------------------------------------------------------

void TDoBackwardChainingFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "do-backward-chaining", SDoBackwardChainingComment, " <fact-template-name>*", 0,
           Any);
}

void TDoBackwardChainingFunction::Call(const IFunCall& FunCall, TIEContext* Context,
                                       IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  for (int I = 0; I < FunCall->GetArgumentCount(); ++I) {
    const std::string Name = Argument(FunCall, I, Context)->AsString();
    if (Name == "test" || Name == "not") RaiseIE(SBackChainCE, {Name});
    IFactTemplate Template = Engine.CreateFactTemplate(Name);
    Template->SetBackwardChaining(true);
    // The goal template: a copy under the goal name, itself no backward-chaining template (it
    // would ask for goals of goals) and without parent.
    IFactTemplate Goal =
        NewRef<TFactTemplate>(&Engine, Template, SGoalComment + Name, SBackChainPrefix + Name);
    Goal->SetBackwardChaining(false);
    Goal->SetParent(nullptr);
    // An equal goal template is kept: replacing it would read its facts and rules again. Equal
    // both ways: a template's Equals looks at its own slots only.
    IFactTemplate Existing = Engine.FindFactTemplate(Goal->TemplateName());
    if (Existing && Existing->Equals(Goal.Get()) && Goal->Equals(Existing.Get())) continue;
    Engine.FactTemplates().Add(Goal);
  }
  Result = FCTrue;
}

// --- load, load-facts, save, save-facts -------------------------------------------------------

void TLoadFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "load", SLoadComment, " <filename>", 1, 1);
}

void TLoadFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  EngineOf(Context).LoadFromFile(Argument(FunCall, 0, Context)->AsString());
  Result = FCTrue;
}

void TLoadFactsFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "load-facts", SLoadFactsComment, " <filename>", 1, 1);
}

void TLoadFactsFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  EngineOf(Context).LoadFacts(Argument(FunCall, 0, Context)->AsString());
  Result = FCTrue;
}

void TSaveFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "save", SSaveComment, " <filename>", 1, 1);
}

void TSaveFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  EngineOf(Context).SaveToFile(Argument(FunCall, 0, Context)->AsString());
  Result = FCTrue;
}

void TSaveFactsFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "save-facts", SSaveFactsComment, " <file-name> [<fact-template-name>+]", 1, Any);
}

void TSaveFactsFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  TInferenceEngine& Engine = EngineOf(Context);
  const std::string FileName = Argument(FunCall, 0, Context)->AsString();
  if (FunCall->GetArgumentCount() == 1) {
    Engine.SaveFacts(FileName);
  } else {
    std::ofstream File = CreateOutputFile(FileName);
    for (int I = 1; I < FunCall->GetArgumentCount(); ++I)
      Engine.SaveFacts(File, Argument(FunCall, I, Context)->AsString());
  }
  Result = FCTrue;
}

// --- version, gensym* -------------------------------------------------------------------------

void TVersionFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "version", SVersionComment, "", 0, 0);
}

void TVersionFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  Result = NewFloat(EngineOf(Context).Version());
}

void TGenSymStarFunction::AfterConstruction() {
  TIEUserFunction::AfterConstruction();
  Describe(*this, "gensym*", SGenSymStarComment, "", 0, 0);
}

void TGenSymStarFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TIEUserFunction::Call(FunCall, Context, Result);
  // The engine's one symbol counter, which the tokenizer's blank variables count on too.
  Result = NewAtom(EngineOf(Context).GenerateSymbol("gen"));
}

// --- class registry ---------------------------------------------------------------------------

namespace {

const bool Registered =
    (RegisterClass<TAssertFunction, TIEUserFunction>("TAssertFunction"),
     RegisterClass<TAssertStringFunction, TIEUserFunction>("TAssertStringFunction"),
     RegisterClass<TRetractFunction, TIEUserFunction>("TRetractFunction"),
     RegisterClass<TRetractStringFunction, TIEUserFunction>("TRetractStringFunction"),
     RegisterClass<TModifyFunction, TIEUserFunction>("TModifyFunction"),
     RegisterClass<TDuplicateFunction, TIEUserFunction>("TDuplicateFunction"),
     RegisterClass<TGetSlotValueFunction, TIEUserFunction>("TGetSlotValueFunction"),
     RegisterClass<TRunFunction, TIEUserFunction>("TRunFunction"),
     RegisterClass<TResetFunction, TIEUserFunction>("TResetFunction"),
     RegisterClass<TClearFunction, TIEUserFunction>("TClearFunction"),
     RegisterClass<THaltFunction, TIEUserFunction>("THaltFunction"),
     RegisterClass<TExitFunction, TIEUserFunction>("TExitFunction"),
     RegisterClass<TWatchFunction, TIEUserFunction>("TWatchFunction"),
     RegisterClass<TUnwatchFunction, TIEUserFunction>("TUnwatchFunction"),
     RegisterClass<TSetFactDuplicationFunction, TIEUserFunction>("TSetFactDuplicationFunction"),
     RegisterClass<TGetFactDuplicationFunction, TIEUserFunction>("TGetFactDuplicationFunction"),
     RegisterClass<TDoBackwardChainingFunction, TIEUserFunction>("TDoBackwardChainingFunction"),
     RegisterClass<TLoadFunction, TIEUserFunction>("TLoadFunction"),
     RegisterClass<TLoadFactsFunction, TIEUserFunction>("TLoadFactsFunction"),
     RegisterClass<TSaveFunction, TIEUserFunction>("TSaveFunction"),
     RegisterClass<TSaveFactsFunction, TIEUserFunction>("TSaveFactsFunction"),
     RegisterClass<TVersionFunction, TIEUserFunction>("TVersionFunction"),
     RegisterClass<TGenSymStarFunction, TIEUserFunction>("TGenSymStarFunction"), true);

}  // namespace

}  // namespace norvale
