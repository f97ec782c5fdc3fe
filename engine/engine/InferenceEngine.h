// The inference engine component: every call from a host enters the system here.
#pragma once

#include <list>
#include <map>
#include <unordered_map>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/ValueVector.h"
#include "engine/facts/Pattern.h"
#include "engine/functions/Reasoner.h"
#include "engine/functions/UserFunction.h"
#include "engine/rete/Agenda.h"
#include "engine/rete/ReteNetwork.h"
#include "engine/rete/Rule.h"

namespace norvale {

class TInferenceEngine;

// The fact-template table: templates by name.
class TFactTemplates {
 public:
  explicit TFactTemplates(TInferenceEngine* Engine) : FEngine(Engine) {}
  // Registers Template under its name (a template without slots gets the "__Data" multislot);
  // a taken name is settled by the engine's DuplicateConstructs.
  void Add(const IFactTemplate& Template);
  IFactTemplate Find(const std::string& Name) const;
  void Remove(const std::string& Name);
  void Clear();
  int Count() const noexcept { return static_cast<int>(FOrder.size()); }
  // In registration order.
  std::vector<IFactTemplate> Templates() const;
  void Rename(const std::string& OldName, const std::string& NewName);

 private:
  TInferenceEngine* FEngine;
  std::map<std::string, IFactTemplate> FItems;
  std::vector<std::string> FOrder;
};

// The function table: functions by their current names.
class TUserFunctions {
 public:
  explicit TUserFunctions(TInferenceEngine* Engine) : FEngine(Engine) {}
  // Stores Function under Name ("Function names do not match" when Name is not its name).
  void Put(const std::string& Name, const IUserFunction& Function);
  bool Find(const std::string& Name, IUserFunction& Function) const;
  void Remove(const std::string& Name);
  void Clear();
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  std::vector<std::string> Names() const;

 private:
  TInferenceEngine* FEngine;
  std::map<std::string, IUserFunction> FItems;
};

// The defined-type table: types by name. A new fuzzy type's variable takes the engine's equality
// threshold and, with FuzzyAutoTerms, the terms low, medium and high it lacks.
class TIEDefinedTypes {
 public:
  explicit TIEDefinedTypes(TInferenceEngine* Engine) : FEngine(Engine) {}
  void Add(const IIEDefinedType& Type);
  IIEDefinedType Find(const std::string& Name) const;
  void Remove(const std::string& Name);
  void Clear();
  int Count() const noexcept { return static_cast<int>(FOrder.size()); }
  std::vector<IIEDefinedType> Types() const;

 private:
  TInferenceEngine* FEngine;
  std::map<std::string, IIEDefinedType> FItems;
  std::vector<std::string> FOrder;
};

// The rule table: rules by name.
class TRules {
 public:
  explicit TRules(TInferenceEngine* Engine) : FEngine(Engine) {}
  void Add(TRule* Rule);
  TRule* Find(const std::string& Name) const;
  // Takes the rule of that name out (the engine frees rules it owns).
  void Remove(const std::string& Name);
  void Remove(const std::string& Name, TRule* Rule);
  void Clear();
  int Count() const noexcept { return static_cast<int>(FOrder.size()); }
  std::vector<TRule*> Rules() const;

 private:
  friend class TInferenceEngine;
  TInferenceEngine* FEngine;
  std::map<std::string, TRule*> FItems;
  std::vector<std::string> FOrder;
};

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
  void SetTypeChecks(TTypeChecks Value) noexcept { FTypeChecks = Value; }
  TDuplicateConstructs DuplicateConstructs() const noexcept { return FDuplicateConstructs; }
  void SetDuplicateConstructs(TDuplicateConstructs Value) noexcept { FDuplicateConstructs = Value; }
  TConstructWatches Watch() const noexcept { return FWatch; }
  void SetWatch(TConstructWatches Value) noexcept { FWatch = Value; }

  // --- counters and symbols ---
  int SymbolIndex() const noexcept { return FSymbolIndex; }
  // Raises the index to Value when that is larger, else counts it up by one.
  void SetSymbolIndex(int Value) noexcept;
  // Prefix followed by the symbol index, which then counts up.
  std::string GenerateSymbol(const std::string& Prefix);
  int NewFactId() noexcept { return FFactId++; }
  int NewRuleId() noexcept { return FRuleId++; }
  int FactIdCounterValue() const noexcept { return FFactId; }

  // --- owned objects ---
  TIEContext* GlobalContext() const noexcept { return FGlobalContext.get(); }
  TFactTemplates& FactTemplates() noexcept { return *FFactTemplates; }
  TUserFunctions& UserFunctions() noexcept { return *FUserFunctions; }
  TRules& Rules() noexcept { return *FRules; }
  TIEDefinedTypes& DefinedTypes() noexcept { return *FDefinedTypes; }
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

  // Events of the construct hooks.
  TEvent<TObject*, TRule*> OnAddRule, OnRemoveRule;
  TEvent<TObject*, const IFactTemplate&> OnNewFactTemplate, OnRemoveFactTemplate;
  TEvent<TObject*, const IUserFunction&> OnAddUserFunction, OnRemoveUserFunction;

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

  // Reads a rule from its text (needs the knowledge-language parser).
  virtual TRule* ParseRule(const std::string& Text);

  // --- the network ---
  TReteNetwork& Network() noexcept { return *FNetwork; }

  // --- the fact base (the first shape: assertion order, duplicates refused) ---
  const std::vector<IFact>& FactList() const noexcept { return FFactList; }
  bool FactDuplication() const noexcept { return FFactDuplication; }
  void SetFactDuplication(bool Value) noexcept { FFactDuplication = Value; }
  // Adds the fact and sends it through the network; the fact's ID, or -1 when an equal fact is
  // there already or the fact was queued because the network is busy with another token.
  virtual int Assert(const IFact& Fact, bool Unconditional = false);
  virtual void RetractFact(int Index);
  // Retracts that very fact object when it is in the fact base, else the first fact equal to it;
  // nothing when there is none.
  void Retract(const IFact& Fact);
  // Retracts the fact with that ID; nothing when there is none.
  void Retract(int32_t ID);
  int IndexOfFact(const TFact* Fact) const;
  // The position of the fact with that ID (-1 when none) and the fact itself (nil when none).
  int FindFact(int32_t ID) const;
  IFact GetFactByID(int32_t ID) const;
  // The position of the first fact equal to Fact (the duplicate search), -1 when none.
  int FindEqualFact(const TFact& Fact) const;
  int FindEqualFact(const TFact& Fact, int32_t Key) const;
  // Sends the clear token (every memory emptied, every activation withdrawn), then OnClearFacts.
  virtual void RetractFacts();
  // Empties the fact base, then RetractFacts.
  void ClearFacts();
  // modify and duplicate: the very fact is retracted, changed, and asserted again.
  void BeginFactModify(const IFact& Fact);
  void EndFactModify(const IFact& Fact);
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
  TActivationAgenda& Agenda() noexcept { return FAgenda; }
  // The waiting activations in firing order (a copy).
  std::vector<TActivation*> Activations() const;
  int ActivationCount() const noexcept { return FAgenda.Count(); }
  TSearchStrategy Strategy() const noexcept { return FAgenda.Strategy(); }
  // Re-places every waiting activation under the new strategy (as new activations are placed).
  void SetStrategy(TSearchStrategy Value);
  TActivation* CurrentActivation() const noexcept { return FCurrentActivation; }
  // Fires one activation the way the run loop does: it is the current activation while its rule
  // fires, and it is freed afterwards, also when the rule raises.
  void FireActivation(TActivation* Activation);
  TEvent<TObject* /*Sender*/, int /*Index*/, TActivation* /*Activation*/> OnAddActivation,
      OnRemoveActivation;
  TEvent<TObject* /*Sender*/, TRule* /*Rule*/> OnRuleFired;

  // --- console output ---
  // "t" and the empty name are the console, served by OnPrintOut.
  virtual void PrintOut(const std::string& OutID, const std::string& Text);
  TPrintOutEvent OnPrintOut;

  // A join found no fact for a pattern on a backward-chaining template.
  virtual void AskForGoal(TJoinNode& Node, TIEPattern& Pattern, TRule* Rule, const TIEToken& Token);

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;
  // Registers the functions the pattern compiler relies on (eq, neq, eq*, and, or, not).
  virtual void AddCoreFunctions();
  void CreateSpecialTemplates();

 private:
  [[noreturn]] void RaiseNoParser(const char* What) const;

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
  std::vector<IFact> FFactList;
  std::unordered_multimap<int32_t, TFact*> FFactHashes;  // narrows the duplicate search
  std::unordered_map<int32_t, TFact*> FFactIds;
  bool FModifying = false;
  TFuzzyCorrelationMethod FCorrelationMethod = fcmMinimum;
  TFuzzyInferenceMethod FInferenceMethod = fimMinMax;
  float FMinActivationStrength = 0;
  std::vector<IFact> FPendingAssertions, FPendingRetractions;
  bool FFactDuplication = false;
  TActivationAgenda FAgenda;
  TActivation* FCurrentActivation = nullptr;
};

}  // namespace norvale
