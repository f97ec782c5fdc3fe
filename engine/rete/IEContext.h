// Variable bindings and evaluation contexts.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/BindingInfo.h"
#include "engine/core/IEValue.h"
#include "engine/rete/Token.h"

namespace norvale {

class TIEContext;
class TInferenceEngine;

// Failures of a binding reference whose target is not in the partial match; the argument is the
// reference's printed form ("FactIdx=2 SlotIdx=colour").
inline constexpr const char* SBindingFactMissing = "Binding refers to a missing fact: %s";
inline constexpr const char* SBindingFieldMissing = "Binding refers to a missing field: %s";

// A named binding: a reference into a partial match (fact index, slot, field) that a rule
// firing turns into a value, or a plain local variable holding a value.
class TBinding : public TBindingInfo {
 public:
  TBinding(const TIEName& Name, int FactIndex, const std::string& SlotIndex, int SubIndex);
  TBinding(const TIEName& Name, const IIEValue& Value);

  const TIEName& Name() const noexcept { return FName; }
  const IIEValue& Value() const noexcept { return FValue; }
  void SetValue(const IIEValue& Value) { FValue = Value; }

  void Assign(TPersistent* Source) override;
  bool Equals(const TBindingInfo* Other) const override;
  // "name=x value=1 FactIdx=-2 SlotIdx=__LOCAL"
  std::string ToString() const override;

 private:
  TIEName FName;
  IIEValue FValue;
};

enum TTableNotification { tnAdded, tnDeleted, tnCleared };

// The bindings of one scope, by name; owns them.
class TBindings {
 public:
  explicit TBindings(TIEContext* Context) : FContext(Context) {}
  ~TBindings();
  TBindings(const TBindings&) = delete;
  TBindings& operator=(const TBindings&) = delete;

  // Stores Binding under its name, freeing a binding of that name first.
  void Add(TBinding* Binding);
  TBinding* Find(const std::string& Name) const;
  void Remove(const std::string& Name);
  void Clear();
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  // In insertion order.
  const std::vector<TBinding*>& Items() const noexcept { return FOrder; }

 private:
  TIEContext* FContext;
  std::unordered_map<std::string, TBinding*> FItems;
  std::vector<TBinding*> FOrder;
};

// An evaluation context: a scope of bindings with a parent scope, the return state of `return`,
// and, in Rete nodes, the token and fact being tested.
class TIEContext : public TPersistent {
 public:
  TIEContext(TIEContext* Parent, TInferenceEngine* Engine);
  ~TIEContext() override;

  TIEContext* Parent() const noexcept { return FParent; }
  TInferenceEngine* Engine() const noexcept { return FEngine; }
  TBindings& Bindings() noexcept { return FBindings; }

  // --- scopes ---
  // A new child scope; the caller frees it after Pop.
  TIEContext* Push();
  // Copies the return state into the parent and returns the parent (this when there is none).
  TIEContext* Pop();
  // Innermost scope outwards; nil when no scope has the name.
  TBinding* FindBinding(const std::string& Name) const;
  TBinding* FindGlobalBinding(const std::string& Name) const;
  TIEContext* Outermost() noexcept;
  const TIEContext* Outermost() const noexcept;

  // --- bindings ---
  virtual TBinding* AddLocalBinding(const TIEName& Name, const IIEValue& Value);
  // Replaces the value of the binding found in any scope, else makes a local binding here.
  virtual TBinding* AddBinding(const TIEName& Name, const IIEValue& Value);
  virtual TBinding* AddBinding(const TIEName& Name, int FactIndex, const std::string& SlotIndex,
                               int SubIndex);
  // Replaces this scope's binding of the name, else AddBinding.
  virtual void SetVariable(const TIEName& Name, const IIEValue& Value);
  virtual void AddGlobalBinding(const TIEName& Name, const IIEValue& Value);
  // The value bound to Name in any scope; "Unknown variable name: %s" when none.
  IIEValue GetVariable(const std::string& Name) const;
  virtual void Clear();

  // --- return state ---
  bool ReturnFlag() const noexcept { return FReturnFlag; }
  const IIEValue& ReturnValue() const noexcept { return FReturnValue; }
  virtual void SetReturnValue(const IIEValue& Value);
  virtual void ClearReturnValue();

  // --- the partial match and fact under test (Rete nodes) ---
  const IReteToken& Token() const noexcept { return FToken; }
  void SetToken(const IReteToken& Value) { FToken = Value; }
  TIEToken* TokenPtr() const noexcept { return FToken.Get(); }
  const IFact& Fact() const noexcept { return FFact; }
  void SetFact(const IFact& Value) { FFact = Value; }

  // --- resolving ---
  // Makes a parsed fact concrete in place: slot values are resolved (variables read, calls run),
  // lists expanded; returns the same fact.
  IFact Resolve(const IFact& Fact);
  // A new list of the resolved elements, nested lists spliced in.
  IValueVector ExpandList(const TValueVector& List);
  // A new list of all non-list elements, depth first; nothing resolved.
  static IValueVector FlattenList(const TValueVector& List);
  // The value a binding reference denotes in the current token and fact: the fact at
  // FactIndex (the current fact when the token holds exactly FactIndex facts), then its ID
  // ("__PATTERN"), its slot's value, or one field of that slot's list. Raises
  // SBindingFactMissing, SInvalidSlotName or SBindingFieldMissing when the target is not there.
  IIEValue ResolveBinding(const TBindingInfo& Info) const;

  void Assign(TPersistent* Source) override;
  virtual void Notify(TBinding* Binding, TTableNotification Action);

 private:
  bool FReturnFlag = false;
  IIEValue FReturnValue;
  TInferenceEngine* FEngine;
  TBindings FBindings;
  TIEContext* FParent;
  IFact FFact;
  IReteToken FToken;
};

// The fuzzy branch of resolving a fact (the engine installs it): resolves every slot of a fact of
// a fuzzy template and converts the values of fuzzy slots. Without it, such facts have their
// slots resolved but lists are left as they are.
using TFuzzyFactResolver = void (*)(TIEContext& Context, TFact& Fact);
void SetFuzzyFactResolver(TFuzzyFactResolver Resolver);

}  // namespace norvale
