// Rules: a name, a salience, patterns (the left-hand side) and actions (function calls).
#pragma once

#include <string>
#include <vector>

#include "engine/facts/Pattern.h"
#include "engine/functions/FunctionCall.h"
#include "engine/rete/IEContext.h"

namespace norvale {

class TRule;
class TInferenceEngine;
using TRuleFireEvent = TEvent<TObject* /*Sender*/, TIEContext* /*Context*/>;

// The patterns of a rule, owned by it; every addition and removal is reported to the rule.
class TRulePatternList {
 public:
  explicit TRulePatternList(TRule* Rule) : FRule(Rule) {}
  ~TRulePatternList();
  TRulePatternList(const TRulePatternList&) = delete;
  TRulePatternList& operator=(const TRulePatternList&) = delete;

  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  TIEPattern* Items(int Index) const { return FItems.at(Index); }
  TIEPattern* operator[](int Index) const { return Items(Index); }
  // Takes ownership of Pattern.
  int Add(TIEPattern* Pattern);
  void Insert(int Index, TIEPattern* Pattern);
  // Removes and frees Pattern; returns its former position (-1 when it is not listed).
  int Remove(TIEPattern* Pattern);
  void Delete(int Index);
  int IndexOf(const TIEPattern* Pattern) const;
  // The first pattern on that template, -1 when none.
  int IndexOf(const TFactTemplate* Template) const;
  void Clear();
  const std::vector<TIEPattern*>& Patterns() const noexcept { return FItems; }

 private:
  friend class TRule;
  TRule* FRule;
  std::vector<TIEPattern*> FItems;
};

// The actions of a rule; every change is reported to the rule.
class TRuleActionList {
 public:
  explicit TRuleActionList(TRule* Rule) : FRule(Rule) {}
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  const IFunCall& Items(int Index) const { return FItems.at(Index); }
  int Add(const IFunCall& Call);
  void Insert(int Index, const IFunCall& Call);
  int Remove(const IFunCall& Call);
  void Delete(int Index);
  int IndexOf(const IFunCall& Call) const;
  void Clear();
  void Assign(const TRuleActionList& Source);
  const std::vector<IFunCall>& Actions() const noexcept { return FItems; }

 private:
  TRule* FRule;
  std::vector<IFunCall> FItems;
};

class TRule : public TComponent, public IPatternOwner {
 public:
  explicit TRule(TComponent* Owner);
  ~TRule() override;

  const TIEName& RuleName() const noexcept { return FRuleName; }
  virtual void SetRuleName(const TIEName& Value);
  int Salience() const noexcept { return FSalience; }
  void SetSalienceInteger(int Value);
  const IIEValue& SalienceExpression() const noexcept { return FSalienceExpression; }
  // The salience expression (an integer, a call, ...), evaluated at once.
  virtual void SetSalience(const IIEValue& Value);
  // Evaluates the salience expression in a child of the engine's root context.
  virtual int EvaluateSalience();
  const std::string& Comment() const noexcept { return FComment; }
  void SetComment(const std::string& Value);
  bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool Value);
  bool OneShot() const noexcept { return FOneShot; }
  void SetOneShot(bool Value);
  bool Fired() const noexcept { return FFired; }
  int RuleNumber() const noexcept { return FRuleNumber; }
  TInferenceEngine* Engine() const noexcept { return FEngine; }
  virtual void SetEngine(TInferenceEngine* Value);
  std::string& CompileTrace() noexcept { return FCompileTrace; }

  TRulePatternList& Patterns() noexcept { return FPatterns; }
  const TRulePatternList& Patterns() const noexcept { return FPatterns; }
  TRuleActionList& Actions() noexcept { return FActions; }
  const TRuleActionList& Actions() const noexcept { return FActions; }
  // Replaces the patterns by clones of List's (the generated goal companions are made again).
  void SetPatterns(const std::vector<TIEPattern*>& List);
  void SetActions(const TRuleActionList& List);

  // --- bindings ---
  TBinding* AddBinding(const TIEName& Name, int FactIndex, const std::string& SlotIndex,
                       int SubIndex);
  int GetBindingCount() const noexcept { return static_cast<int>(FBindings.size()); }
  TBinding* GetBinding(int Index) const { return FBindings.at(Index); }
  int IndexOfBinding(const std::string& Name) const;
  TBinding* GetBindingByName(const std::string& Name) const;
  // Renames variables inside a call (recursively), keeping their kind.
  static void SubstFunCall(TFunctionCall& Call,
                           const std::vector<std::pair<std::string, std::string>>& Renames);

  // --- firing ---
  // Binds the rule's variables from the token's facts into Context.
  virtual void Prepare(const TIEToken& Token, TIEContext& Context);
  // Runs the actions in a child of the engine's root context; `return` ends the action list.
  virtual void Fire(const IReteToken& Token);
  // Clears the fired flag (engine reset).
  virtual void Reset() { FFired = false; }

  void BeginUpdate() noexcept { ++FUpdateCount; }
  void EndUpdate();
  // Reports a change: the engine recompiles the rule, then OnChange fires.
  virtual void Change(TObject* Sender = nullptr);

  void Assign(TPersistent* Source) override;
  // The defrule text.
  virtual std::string GetToString() const;
  std::string ToString() const { return GetToString(); }

  TRuleFireEvent OnFire;
  TNotifyEvent OnChange;

  // IPatternOwner
  void PatternChanged(TIEPattern* Pattern) override;
  void AddPatternBinding(TIEPattern* Pattern, const TIEName& Name, const std::string& Slot,
                         int SubIndex) override;
  std::string GenerateSymbol(const std::string& Prefix) override;
  IReasoner* PatternReasoner() override;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;
  virtual void AddPattern(TIEPattern* Pattern);
  virtual void PatternNotification(TIEPattern* Pattern, bool Added);
  virtual void ActionNotification();

 private:
  friend class TRulePatternList;
  friend class TRuleActionList;
  friend class TInferenceEngine;
  void CollectBindings(TIEPattern* Pattern, int Index);
  void RebuildBindings();
  void ClearBindings();
  void StoreName(const TIEName& Value) { FRuleName = Value; }

  int FRuleNumber = 0;
  int FSalience = 0;
  std::string FComment;
  TIEName FRuleName;
  IIEValue FSalienceExpression;
  TRuleActionList FActions;
  TRulePatternList FPatterns;
  std::vector<TBinding*> FBindings;
  TInferenceEngine* FEngine = nullptr;
  std::string FCompileTrace;
  int FUpdateCount = 0;
  bool FOneShot = false;
  bool FFired = false;
  bool FEnabled = true;
  bool FAddingPattern = false;
};

// The printed defrule form (also the engine printer's).
std::string RulePrettyPrint(const TRule& Rule);
std::string RulePrettyPrint(const TRule& Rule, TRuleConstruct Part);

}  // namespace norvale
