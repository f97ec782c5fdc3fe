// The inference engine component: every call from a host enters the system here.
#pragma once

#include <iosfwd>
#include <limits>
#include <list>
#include <mutex>
#include <map>
#include <unordered_map>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/NestingGuard.h"
#include "engine/core/ValueVector.h"
#include "engine/facts/Pattern.h"
#include "engine/functions/Reasoner.h"
#include "engine/functions/UserFunction.h"
#include "engine/rete/Agenda.h"
#include "engine/rete/ReteNetwork.h"
#include "engine/rete/Rule.h"
#include "engine/engine/Registries.h"

namespace norvale {

class TInferenceEngine;
class TFactSets;
class TFactSet;
class TIEParser;
class TIETokenizerStream;
class TInterpretedFunction;

// The objects an engine owns; CreateIEObject makes each, so a descendant can substitute its own.
enum TIEObjectType {
  otAgenda,
  otEngineVariables,
  otFacts,
  otFactSets,
  otFactTemplates,
  otGlobalVariables,
  otDefinedTypes,
  otIOStreams,
  otRules,
  otUserFunctions,
  otReteNetwork
};

// The built-in function packages an engine creates.
enum TFunctionPackage {
  pStandard,
  pPredicate,
  pMath,
  pMiscellaneous,
  pString,
  pObject,
  pTrigonometry,
  pBusiness,
  pFuzzyLogic
};
using TFunctionPackages = TSet<TFunctionPackage>;
NORVALE_ENUM(TIEObjectType, "otAgenda", "otEngineVariables", "otFacts", "otFactSets",
             "otFactTemplates", "otGlobalVariables", "otDefinedTypes", "otIOStreams", "otRules",
             "otUserFunctions", "otReteNetwork")
NORVALE_ENUM(TFunctionPackage, "pStandard", "pPredicate", "pMath", "pMiscellaneous", "pString",
             "pObject", "pTrigonometry", "pBusiness", "pFuzzyLogic")

class TInferenceEngine : public TComponent,
                         public IReasoner,
                         public IFactEngine,
                         public ISingletonsParser,
                         public IFuzzyParser {
 public:
  explicit TInferenceEngine(TComponent* Owner = nullptr);
  ~TInferenceEngine() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // --- configuration ---
  TTypeChecks TypeChecks() const noexcept { return FTypeChecks; }
  void SetTypeChecks(TTypeChecks Value) noexcept;
  TDuplicateConstructs DuplicateConstructs() const noexcept { return FDuplicateConstructs; }
  void SetDuplicateConstructs(TDuplicateConstructs Value) noexcept { FDuplicateConstructs = Value; }
  TConstructWatches Watch() const noexcept { return FWatch; }
  void SetWatch(TConstructWatches Value) noexcept { FWatch = Value; }
  TFunctionPackages Packages() const noexcept { return FPackages; }
  // Frees the packages the engine owns and creates those of Value.
  void SetPackages(TFunctionPackages Value);
  // The three are copied into the parser at once.
  TErrorHandling ParserErrorHandling() const noexcept { return FParserErrorHandling; }
  void SetParserErrorHandling(TErrorHandling Value) noexcept;
  int ParserMaxErrors() const noexcept { return FParserMaxErrors; }
  void SetParserMaxErrors(int Value) noexcept;

  // A new instance of the class of each owned object; override to substitute one.
  virtual TObject* CreateIEObject(TIEObjectType ObjectType);
  // Creates the built-in packages of Packages, then fires OnAddDefaultPackages.
  virtual void AddDefaultPackages();
  TNotifyEvent OnAddDefaultPackages;

  // --- counters and symbols ---
  int SymbolIndex() const noexcept { return FSymbolIndex; }
  // Raises the index to Value when that is larger, else counts it up by one.
  void SetSymbolIndex(int Value) noexcept;
  // Prefix followed by the symbol index, which then counts up.
  std::string GenerateSymbol(const std::string& Prefix);
  int NewFactId() noexcept { return FFactId++; }
  int NewRuleId() noexcept { return FRuleId++; }
  int FactIdCounterValue() const noexcept { return FFactId; }
  void SetFactIdCounter(int Value) noexcept { FFactId = Value; }
  int RuleIdCounter() const noexcept { return FRuleId; }
  void SetRuleIdCounter(int Value) noexcept { FRuleId = Value; }

  // --- owned objects ---
  TIEContext* GlobalContext() const noexcept { return FGlobalContext.get(); }
  TFactTemplates& FactTemplates() noexcept { return *FFactTemplates; }
  TUserFunctions& UserFunctions() noexcept { return *FUserFunctions; }
  TRules& Rules() noexcept { return *FRules; }
  TIEDefinedTypes& DefinedTypes() noexcept { return *FDefinedTypes; }
  TFacts& Facts() noexcept { return *FFacts; }
  const TFacts& Facts() const noexcept { return *FFacts; }
  TGlobalVariables& GlobalVariables() noexcept { return *FGlobalVariables; }
  TEngineVariables& EngineVariables() noexcept { return *FEngineVariables; }
  bool FuzzyAutoTerms() const noexcept { return FFuzzyAutoTerms; }
  void SetFuzzyAutoTerms(bool Value) noexcept { FFuzzyAutoTerms = Value; }
  float FuzzyEqualsThreshold() const noexcept { return FFuzzyEqualsThreshold; }
  // Clamped to [0, 1] and given to the fuzzy variable of every defined type of the table.
  void SetFuzzyEqualsThreshold(float Value);
  TEvent<TObject*, const IIEDefinedType&> OnAddDefinedType, OnRemoveDefinedType;
  // The pattern on (Initial-Fact) put in front of rules that need a leading fact pattern.
  TIEPattern* InitialFactPattern() const noexcept { return FInitialFactPattern; }
  // The fact negated joins put into the positions of negated elements.
  const IFact& NullFact() const noexcept { return FNullFact; }

  // --- templates ---
  // The registered template of that name, or a new ordered one registered under it.
  IFactTemplate CreateFactTemplate(const std::string& Name);
  IFactTemplate FindFactTemplate(const std::string& Name) override;

  // --- construct hooks (the registries call them) ---
  virtual void AddRule(TRule* Rule);
  virtual void RemoveRule(TRule* Rule);
  // The rule changed: recompile it when it is registered.
  virtual void RuleChange(TRule* Rule);
  virtual void RenameRule(const std::string& OldName, const std::string& NewName);
  virtual void AddFactTemplate(const IFactTemplate& Template);
  virtual void RemoveFactTemplate(const IFactTemplate& Template);
  virtual void AddFunction(const IUserFunction& Function);
  virtual void RemoveFunction(const IUserFunction& Function);
  virtual void ClearRules();
  virtual void AddDefinedType(const IIEDefinedType& Type);
  virtual void RemoveDefinedType(const IIEDefinedType& Type);
  // A registered template was replaced by New (the table holds New already). Under another name
  // the old one's dependants go; under the same name its facts (newest first) and the rules that
  // depend on it are printed, removed and read again against New. What no longer fits New is
  // dropped and reported (UpdateDependencies).
  virtual void ReplaceTemplate(const IFactTemplate& Old, const IFactTemplate& New);
  // A registered defined type was replaced by New. Under the same name every template using it is
  // copied with New in its slots (defaults that are calls, facts or fuzzy values read again) and
  // stored in place of the template, which re-reads that template's dependants.
  virtual void ReplaceDefinedType(const IIEDefinedType& Old, const IIEDefinedType& New);
  // Whether a pattern of Rule is on Template, or an argument of its actions (at any depth of calls
  // and lists) is a fact of Template.
  bool IsDependent(const TRule& Rule, const TFactTemplate& Template) const;
  // A construct's text and, for a fact, the fact it was printed from.
  struct TDependentText {
    std::string Text;
    IFact Fact;
  };
  // Reads each text again: a fact is parsed and asserted (UpdateDependentFact), anything else is
  // parsed and executed. A text that fails is left out, and a console line "Dropped <text>:
  // <error>" says so; the silent abort and the nesting limits pass through.
  virtual void UpdateDependencies(const std::vector<TDependentText>& Texts);
  // "<text>: <error>" for each entry the last UpdateDependencies left out.
  const std::vector<std::string>& DroppedDependencies() const noexcept {
    return FDroppedDependencies;
  }
  virtual void UpdateDependentFact(const IFact& OldFact, const IFact& NewFact);
  // What goes with a removed template: its facts (with retraction events), the fact-set lines
  // carrying them and every rule with a pattern on it.
  virtual void RemoveDependencies(const IFactTemplate& Template);
  // What goes with a removed defined type: every template using it, with its dependencies.
  virtual void RemoveDependencies(const IIEDefinedType& Type);
  // Everything that depends on templates: pending facts, the network, facts and rules.
  virtual void RemoveDependencies();
  virtual void ClearFactTemplates();
  virtual void ClearDefinedTypes();
  // Frees a rule the engine owns; the rule being fired is freed once its firing is complete.
  void FreeRule(TRule* Rule);

  // Events of the construct hooks.
  TEvent<TObject*, TRule*> OnAddRule, OnRemoveRule;
  TEvent<TObject*, const IFactTemplate&> OnNewFactTemplate, OnRemoveFactTemplate;
  TEvent<TObject*, const IUserFunction&> OnAddUserFunction, OnRemoveUserFunction;
  TNotifyEvent OnClearRules, OnClearFactTemplates, OnClearDefinedTypes;

  // --- IReasoner ---
  std::string PrettyPrint(const TFunctionCall& FunCall) override;
  std::string PrettyPrint(const TFact& Fact) override;
  std::string PrettyPrint(const TIEUserFunction& Function) override;
  std::string PrettyPrint(const TIEDefinedType& Type) override;
  std::string PrettyPrint(const TRule& Rule);
  void AddUserFunction(const IUserFunction& Function) override;
  void RemoveUserFunction(const IUserFunction& Function) override;
  bool ContainsUserFunction(const TIEName& Name) const override;
  bool ContainsUserFunction(const TIEName& Name, IUserFunction& Function) const override;
  IUserFunction GetUserFunction(const TIEName& Name) const override;
  void SetUserFunction(const TIEName& Name, const IUserFunction& Function) override;

  // --- IFactEngine ---
  TTypeChecks FactTypeChecks() const override { return FTypeChecks; }
  int32_t FactIdCounter() const override { return FFactId; }
  TObject* FactContext() override { return FGlobalContext.get(); }
  void FactTemplateRenaming(TFactTemplate* Template, const std::string& OldName,
                            const std::string& NewName) override;
  void RegisterFactTemplate(const IFactTemplate& Template) override {
    FFactTemplates->Add(Template);
  }
  IFactSlot ParseFactSlotText(const std::string& Text) override;
  IFact ParseFactText(const std::string& Text) override;

  // --- ISingletonsParser and the fuzzy library's parser interface ---
  ISingletonsVector ParseSingletons(const std::string& Text) override;
  std::string PrettyPrint(const TSingletonsVector* Singletons) override;
  IFuzzySet ParseFuzzySet(TIFuzzyVariable* Variable, const std::string& Text) override;
  IFuzzyVariable ParseFuzzyVariable(const std::string& Text) override;
  std::string PrettyPrint(const TIFuzzySet* Set, bool Term) override;
  std::string PrettyPrint(const TIFuzzyVariable* Variable) override;

  // --- the knowledge language ---
  // The engine's one parser. Every parse entry point installs a new tokenizer over its text in
  // it and the previous one again afterwards, so parses may nest (TParseScope).
  TIEParser& Parser() const noexcept { return *FParser; }
  // A new parser of the knowledge language for this engine; override to substitute another.
  virtual TIEParser* NewParser();
  // A new tokenizer over Text, owned by the caller.
  virtual TIETokenizerStream* NewTokenizer(std::string Text);
  // The nesting limits that keep user input from exhausting the stack: expressions nested in one
  // text (a parse error "Expression nested too deeply"), texts parsed within one another and
  // deffunction calls within one another (EIEException). The engine stays usable after each.
  TNestingLevel& ExpressionNesting() noexcept { return FExpressionNesting; }
  TNestingLevel& ParseNesting() noexcept { return FParseNesting; }
  TNestingLevel& CallNesting() noexcept { return FCallNesting; }
  int MaxExpressionDepth() const noexcept { return FExpressionNesting.Limit; }
  void SetMaxExpressionDepth(int Value) noexcept { FExpressionNesting.Limit = Value; }
  int MaxParseDepth() const noexcept { return FParseNesting.Limit; }
  void SetMaxParseDepth(int Value) noexcept { FParseNesting.Limit = Value; }
  int MaxCallDepth() const noexcept { return FCallNesting.Limit; }
  void SetMaxCallDepth(int Value) noexcept { FCallNesting.Limit = Value; }

  // The parser's top-level loop over the whole text: constructs are registered, top-level calls
  // executed (with Execute) and results echoed on the console.
  bool Parse(const std::string& Text, bool Execute = true);
  bool Parse(std::istream& Stream, bool Execute = true);
  // A value of the given type made from Text: numbers in decimal, strings without their quotes,
  // calls and lists through the grammar (nil when the text holds none); other types raise "Unable
  // to parse strings of %s at this time".
  IIEValue Parse(const std::string& Text, TIEType ValueType);
  // One construct or value read from Text, not registered.
  IFunCall ParseFunCall(const std::string& Text);
  // One call, executed in GlobalContext; its result.
  IIEValue ParseNExecuteFunCall(const std::string& Text);
  IIEValue ParseValue(const std::string& Text);
  // A value for a slot, or of the given types: checked and converted as in a fact.
  IIEValue ParseValue(const std::string& Text, const IFactSlot& Slot);
  IIEValue ParseValue(const std::string& Text, TIETypes Types, const IIEDefinedType& DefinedType);
  IValueVector ParseList(const std::string& Text);
  virtual TRule* ParseRule(const std::string& Text);
  IIEDefinedType ParseDefinedType(const std::string& Text);
  IFactTemplate ParseFactTemplate(const std::string& Text);
  // A fact set read from Text; the caller owns it (it is not in the fact-set list).
  TFactSet* ParseFactSet(const std::string& Text);
  virtual IUserFunction ParseFunction(const std::string& Text);
  // Reads a defglobal and stores its variables.
  bool ParseGlobalVariables(const std::string& Text);
  // "?*name* = value": the value, and the name with its asterisks in Name.
  IIEValue ParseVariable(const std::string& Text, std::string& Name);
  // "?name = value" for any name.
  IIEValue ParseNamedValue(const std::string& Text, std::string& Name);
  // One fact read from Text, made concrete in GlobalContext and asserted; its ID or -1.
  int Assert(const std::string& Text);
  // Retracts the first fact equal to the one Text reads as.
  void Retract(const std::string& Text);
  // The read-back forms, through the parser.
  std::string PrettyPrint(const TIEValue& Value);
  std::string PrettyPrint(const TInterpretedFunction& Function);
  std::string PrettyPrint(const std::string& VarName, const IIEValue& Value);
  // The global variables as one defglobal; empty when there are none.
  std::string PrettyPrintGlobalVariables();
  // --- the whole system and construct files ---
  // From another engine: cleared, then its settings, types, templates, functions, globals, fact
  // sets, facts and rules, each made anew for this engine (from their text where they hang on
  // an engine). Functions of the source that this engine has no function of the name for are
  // shared.
  void Assign(TPersistent* Source) override;
  // Component streaming: besides the published settings, the knowledge as lists of texts read back
  // in this order: "DefTypes", "Templates", "Variables" (the globals), "Rules", "FactSets" (each
  // a deffacts) and "FactsList" (each fact, asserted). Each is written when it is not empty.
  void DefineProperties(TFiler& Filer) override;
  // The engine's version, 2.0; the whole-system text and the version command report it.
  double Version() const noexcept { return FVersion; }
  // The whole engine as knowledge-language text: a header of counts, the fact-duplication
  // setting, then defined types, templates, deffunctions, globals, rules, fact sets and an
  // assert of the facts. Lines end with CR LF.
  virtual std::string GetExpertSystem();
  // Clear, then parse and execute Text, then Reset. A parse error propagates and leaves what was
  // read before it, not reset.
  virtual void SetExpertSystem(const std::string& Text);
  void SaveToStream(std::ostream& Stream);
  void SaveToFile(const std::string& FileName);
  // Parses and executes the whole stream or file without clearing anything first.
  void LoadFromStream(std::istream& Stream);
  void LoadFromFile(const std::string& FileName);
  // Each fact (or each fact of the template named TemplateName, case-sensitive) in fact-base
  // order, as its printed form and CR LF.
  virtual void SaveFacts(std::ostream& Stream);
  virtual void SaveFacts(std::ostream& Stream, const std::string& TemplateName);
  void SaveFacts(const std::string& FileName);
  void SaveFacts(const std::string& FileName, const std::string& TemplateName);
  // Reads facts to the end of the input and asserts each; nothing is cleared first.
  virtual bool LoadFacts(std::istream& Stream);
  bool LoadFacts(const std::string& FileName);
  // Templates, rules and defined types, each as its printed form and CR LF, parents before the
  // constructs that extend them.
  virtual void SaveFactTemplates(std::ostream& Stream);
  void SaveFactTemplates(const std::string& FileName);
  virtual void SaveRules(std::ostream& Stream);
  void SaveRules(const std::string& FileName);
  virtual void SaveDefinedTypes(std::ostream& Stream);
  void SaveDefinedTypes(const std::string& FileName);
  // Clear the table (and what depends on it), then parse and execute the whole input. A file that
  // cannot be opened raises before anything is cleared.
  virtual void LoadFactTemplates(std::istream& Stream);
  void LoadFactTemplates(const std::string& FileName);
  virtual void LoadRules(std::istream& Stream);
  void LoadRules(const std::string& FileName);
  virtual void LoadDefinedTypes(std::istream& Stream);
  void LoadDefinedTypes(const std::string& FileName);

  // Whether console output reaches anyone: texts made only for the console are skipped when not.
  virtual bool HasConsoleOutput() const { return static_cast<bool>(OnPrintOut); }

  // --- the network ---
  TReteNetwork& Network() noexcept { return *FNetwork; }

  // --- the fact base ---
  // The facts in order (a copy).
  std::vector<IFact> FactList() const { return FFacts->List(); }
  int FactCount() const noexcept { return FFacts->Count(); }
  bool FactDuplication() const noexcept { return FFactDuplication; }
  // Keeps the fact base's hash cache switched to the opposite.
  void SetFactDuplication(bool Value) noexcept;
  // Adds the fact and sends it through the network; the fact's ID, or -1 when an equal fact is
  // there already or the fact was queued because the network is busy with another token.
  virtual int Assert(const IFact& Fact, bool Unconditional = false);
  virtual void RetractFact(int Index);
  // Retracts that very fact object when it is in the fact base, else the first fact equal to it;
  // nothing when there is none.
  void Retract(const IFact& Fact);
  // Retracts the fact with that ID; nothing when there is none.
  void Retract(int32_t ID);
  int IndexOfFact(const TFact* Fact) const { return FFacts->IndexOf(Fact); }
  // The position of the fact with that ID (-1 when none) and the fact itself (nil when none).
  int FindFact(int32_t ID) const { return FFacts->FindFact(ID); }
  IFact GetFactByID(int32_t ID) const { return FFacts->GetFactByID(ID); }
  // The position of the first fact equal to Fact (the duplicate search), -1 when none.
  int FindEqualFact(const TFact& Fact) const { return FFacts->FindFact(Fact); }
  // Asserts Fact with FuzzyInferenceMethod set to Method for the one assertion.
  int Assert(const IFact& Fact, TFuzzyInferenceMethod Method, bool Unconditional);
  // Sends the clear token (every memory emptied, every activation withdrawn), then OnClearFacts.
  virtual void RetractFacts();
  // Empties the fact base, then RetractFacts.
  void ClearFacts() { FFacts->Clear(); }
  // modify and duplicate: the very fact is retracted, changed, and asserted again.
  void BeginFactModify(const IFact& Fact);
  // Asserts the fact again; its new ID, or -1 when it was not added.
  int EndFactModify(const IFact& Fact);
  bool Modifying() const noexcept { return FModifying; }
  TEvent<TObject* /*Sender*/, const IFact& /*Fact*/> OnAssertion, OnRetraction;
  TNotifyEvent OnClearFacts;
  // Queued facts wait for the assertion or retraction in progress to finish.
  void AddPendingFact(const IFact& Fact, bool Assertion);
  void ProcessPendingFacts();

  // --- fuzzy reasoning on assertion ---
  TFuzzyCorrelationMethod FuzzyCorrelationMethod() const noexcept { return FCorrelationMethod; }
  void SetFuzzyCorrelationMethod(TFuzzyCorrelationMethod Value) noexcept {
    FCorrelationMethod = Value;
  }
  TFuzzyInferenceMethod FuzzyInferenceMethod() const noexcept { return FInferenceMethod; }
  void SetFuzzyInferenceMethod(TFuzzyInferenceMethod Value) noexcept { FInferenceMethod = Value; }
  float MinActivationStrength() const noexcept { return FMinActivationStrength; }
  // Clamped to [0, 1]; the network cuts weaker matches.
  void SetMinActivationStrength(float Value);
  // Weakens the fuzzy slots of Fact by a firing rule's strength. The fact gets new value objects:
  // its old ones may be shared with the facts that bound its variables.
  virtual void FuzzyCorrelation(const IFact& Fact, float Strength);
  // Combines the fuzzy slots of Fact2 into Fact1 (new value objects in Fact1), by union or
  // intersection under the operation of FuzzyInferenceMethod.
  virtual void FuzzyOperation(const IFact& Fact1, const IFact& Fact2, bool Union);
  // The host's entry: OnFuzzyInference, then the union unless the handler did it.
  virtual void FuzzyInference(const IFact& Fact1, const IFact& Fact2);
  // Fuzzy expressions of a variable: term names, hedges, hedge operators, keywords, brackets,
  // numbers, variables and calls. Without a context variables and calls stay unevaluated, and an
  // expression that needs them is kept as written (a list value). Juxtaposed expressions ("low
  // high") give a list of values.
  IIEValue EvalFuzzyExpression(const IFuzzyVariable& Variable, const std::string& Text,
                               TIEContext* Context);
  IIEValue EvalFuzzyExpression(const IFuzzyVariable& Variable, const IIEValue& Value,
                               TIEContext* Context);
  IIEValue EvalFuzzyExpression(const IFuzzyVariable& Variable, const IValueVector& Values,
                               TIEContext* Context);
  // The set of the expression Text, evaluated in GlobalContext.
  virtual IFuzzySet ParseFuzzyExpression(const IFuzzyVariable& Variable, const std::string& Text);
  // Combines Value2's fuzzy content into Value1 (Value1 changes).
  void FuzzyUnion(const IIEValue& Value1, const IIEValue& Value2, TFuzzyOperation Operation);
  void FuzzyIntersection(const IIEValue& Value1, const IIEValue& Value2, TFuzzyOperation Operation);
  TEvent<TObject* /*Sender*/, const IFact& /*Fact*/, float /*Strength*/, bool& /*Done*/>
      OnFuzzyCorrelation;
  TEvent<TObject* /*Sender*/, const IFact& /*Fact1*/, const IFact& /*Fact2*/, bool& /*Done*/>
      OnFuzzyInference;

  // --- the agenda ---
  // Evaluates the rule's salience, places the activation, prints the watch line and fires
  // OnAddActivation (an EAbort raised meanwhile is swallowed).
  virtual void AddActivation(TActivation* Activation);
  // Fires OnRemoveActivation, prints the watch line and takes the activation off (the one being
  // fired is extracted, any other freed).
  virtual void RemoveActivation(TActivation* Activation);
  virtual void RuleFired(TActivation* Activation);
  TActivationAgenda& Agenda() noexcept { return *FAgenda; }
  // The waiting activations in firing order (a copy).
  std::vector<TActivation*> Activations() const;
  int ActivationCount() const noexcept { return FAgenda->Count(); }
  TSearchStrategy Strategy() const noexcept { return FAgenda->Strategy(); }
  // Re-places every waiting activation under the new strategy (as new activations are placed).
  void SetStrategy(TSearchStrategy Value);
  TActivation* CurrentActivation() const noexcept { return FCurrentActivation; }
  // Fires one activation the way the run loop does: it is the current activation while its rule
  // fires, and it is freed afterwards, also when the rule raises.
  void FireActivation(TActivation* Activation);
  TEvent<TObject* /*Sender*/, int /*Index*/, TActivation* /*Activation*/> OnAddActivation,
      OnRemoveActivation;
  TEvent<TObject* /*Sender*/, TRule* /*Rule*/> OnRuleFired;

  // --- the inference cycle ---
  // Fires the first activation of the agenda until the agenda is empty, the engine halts or
  // MaxSteps rules fired; the number of rules fired. A run called during a run fires nothing and
  // answers 0.
  int Run(int MaxSteps = std::numeric_limits<int>::max());
  virtual void BeginInference();
  virtual void EndInference();
  // Same knowledge, fresh facts: the fact base cleared, (Initial-Fact) and the fact sets
  // asserted, global variables restored when ResetGlobals is on.
  virtual void Reset();
  // Nothing left but the built-in functions and the two special templates.
  virtual void Clear();
  // Stops the run after the rule being fired.
  void Halt() noexcept { FHalted = true; }
  bool Halted() const noexcept { return FHalted; }
  void SetHalted(bool Value) noexcept { FHalted = Value; }
  int RulesFired() const noexcept { return FRulesFired; }
  TSalience SalienceEvaluation() const noexcept { return FSalienceEvaluation; }
  void SetSalienceEvaluation(TSalience Value) noexcept { FSalienceEvaluation = Value; }
  bool ResetGlobals() const noexcept { return FResetGlobals; }
  void SetResetGlobals(bool Value) noexcept { FResetGlobals = Value; }
  // Binds the global variable in GlobalContext; a function call is evaluated first.
  void ResetGlobalVariable(const TIEName& Name, const IIEValue& Value);
  // The engine's lock; the run loop holds it around each firing.
  void Lock();
  void Unlock();
  TNotifyEvent OnStartInference, OnReset, OnClear;
  TInferenceEvent OnEndInference;

  // --- fact sets ---
  TFactSets& FactSets() noexcept { return *FFactSets; }

  // --- console output ---
  // "t" and the empty name are the console, served by OnPrintOut.
  virtual void PrintOut(const std::string& OutID, const std::string& Text);
  TPrintOutEvent OnPrintOut;

  // A join found no fact for a pattern on a backward-chaining template.
  virtual void AskForGoal(TJoinNode& Node, TIEPattern& Pattern, TRule* Rule, const TIEToken& Token);

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;
  void CreateSpecialTemplates();

 private:
  void FreeDeferredRules();
  void ClearAgenda();
  void CreateOwnedObjects();
  template <class T>
  std::unique_ptr<T> Create(TIEObjectType ObjectType);
  // Takes every waiting activation off and places it again (salience evaluated anew).
  void ReplaceActivations();

  TIEParser* FParser = nullptr;
  double FVersion = 2.0;
  TNestingLevel FExpressionNesting{0, 1000};
  TNestingLevel FParseNesting{0, 64};
  TNestingLevel FCallNesting{0, 5000};
  TTypeChecks FTypeChecks{tcStatic};
  TDuplicateConstructs FDuplicateConstructs = dcOverwrite;
  TConstructWatches FWatch;
  int FSymbolIndex = 1;
  int FFactId = 0;
  int FRuleId = 0;
  std::unique_ptr<TIEContext> FGlobalContext;
  std::unique_ptr<TFactTemplates> FFactTemplates;
  std::unique_ptr<TUserFunctions> FUserFunctions;
  std::unique_ptr<TRules> FRules;
  std::unique_ptr<TIEDefinedTypes> FDefinedTypes;
  bool FFuzzyAutoTerms = true;
  float FFuzzyEqualsThreshold = 0.01f;
  TIEPattern* FInitialFactPattern = nullptr;
  IFact FNullFact;
  TReteNetwork* FNetwork = nullptr;
  std::unique_ptr<TFacts> FFacts;
  std::unique_ptr<TGlobalVariables> FGlobalVariables;
  std::unique_ptr<TEngineVariables> FEngineVariables;
  TFunctionPackages FPackages{pStandard, pPredicate,    pMath,     pMiscellaneous, pString,
                              pObject,   pTrigonometry, pBusiness, pFuzzyLogic};
  TErrorHandling FParserErrorHandling = ehRaiseImmediate;
  int FParserMaxErrors = 10;
  bool FModifying = false;
  TFuzzyCorrelationMethod FCorrelationMethod = fcmMinimum;
  TFuzzyInferenceMethod FInferenceMethod = fimMinMax;
  float FMinActivationStrength = 0;
  std::vector<IFact> FPendingAssertions, FPendingRetractions;
  std::vector<std::string> FDroppedDependencies;
  // The template Assert found in the table last, and the table's generation then.
  const TFactTemplate* FCheckedTemplate = nullptr;
  uint64_t FCheckedTables = 0;
  bool FFactDuplication = false;
  std::unique_ptr<TActivationAgenda> FAgenda;
  TActivation* FCurrentActivation = nullptr;
  // Rules removed while they fire are freed once the firing is complete.
  std::vector<TRule*> FDeferredRules;
  bool FHalted = false;
  bool FRunning = false;      // Run is firing rules
  bool FTearingDown = false;  // BeforeDestruction has begun
  int FRulesFired = 0;
  TSalience FSalienceEvaluation = sActivate;
  bool FResetGlobals = true;
  std::unique_ptr<std::recursive_mutex> FLock;
  std::unique_ptr<TFactSets> FFactSets;
  // Statistics of the current run.
  double FStartTime = 0;
  int FMaxFacts = 0, FMaxActivations = 0;
  float FSumFacts = 0, FSumActivations = 0;
};

}  // namespace norvale
