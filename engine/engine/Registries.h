// The engine's registries: the fact base, rules, fact templates, defined types, functions, the
// store/fetch storage and the global variables. Each works without an engine too, skipping the
// engine's steps.
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/DefinedType.h"
#include "engine/core/HashIndex.h"
#include "engine/core/ValueVector.h"
#include "engine/facts/Fact.h"
#include "engine/facts/FactTemplate.h"
#include "engine/functions/UserFunction.h"

namespace norvale {

class TInferenceEngine;
class TRule;

// The fact base: facts in assertion order (ascending IDs unless Insert moved one), with an ID
// index and a duplicate index. The duplicate index only narrows the search for an equal fact;
// equality decides, so two unequal facts whose hash codes collide are both kept.
// Facts sit in slots that a removal empties rather than closes, with a tree of counts over the
// slots, so removing any fact and finding a position cost O(log n); the slots are compacted when
// more than half of them are empty.
class TFacts : public TPersistent {
 public:
  explicit TFacts(TInferenceEngine* Engine);
  ~TFacts() override;

  TInferenceEngine* Engine() const noexcept { return FEngine; }
  int Count() const noexcept { return FLive; }
  const IFact& Items(int Index) const;
  const IFact& operator[](int Index) const { return Items(Index); }
  // The facts in order (a copy).
  std::vector<IFact> List() const;

  // From a host or an editor (with an engine): the fact is asserted, keeping its ID when
  // PreserveIDs is on and no fact has that ID. Set by the engine itself (the internal flag) or
  // without engine: stored directly. The last index.
  int Add(const IFact& Fact);
  // As Add, then the fact is moved to Index.
  void Insert(int Index, const IFact& Fact);
  // From a host: the engine retracts the fact; internal or without engine: it just leaves.
  void Delete(int Index);
  // Empties the list (no retraction events), then the engine sends the clear token.
  void Clear();

  // The position of the fact with that ID, -1 when none; the fact itself, nil when none.
  int FindFact(int32_t ID) const;
  IFact GetFactByID(int32_t ID) const;
  // The duplicate search: the position of the oldest fact equal to Fact, -1 when none.
  int FindFact(const TFact& Fact) const;
  // The position of that very fact object, -1 when it is not here.
  int IndexOf(const TFact* Fact) const;

  bool PreserveIDs() const noexcept { return FPreserveIDs; }
  void SetPreserveIDs(bool Value) noexcept { FPreserveIDs = Value; }
  // Kept equal to "not FactDuplication" by the engine. Equality decides duplicates either way.
  bool CacheHashCodes() const noexcept { return FCacheHashCodes; }
  void SetCacheHashCodes(bool Value) noexcept { FCacheHashCodes = Value; }
  bool Internal() const noexcept { return FInternal; }
  void SetInternal(bool Value) noexcept { FInternal = Value; }
  int32_t HighestID() const noexcept { return FHighestID; }
  // The entries the ID index holds (live facts and the gaps between them it keeps): it follows
  // the live facts, not the IDs issued.
  size_t IDIndexSize() const noexcept {
    return FByDenseID.size() - FDenseHead + FBySparseID.size();
  }

  // The printed facts, or their ID forms, separated by line breaks.
  std::string GetToString() const;
  std::string GetToIDString() const;
  using TPersistent::AssignTo;
  void AssignTo(std::vector<std::string>& Strings) const;
  // Clear, then a copy of each source fact: on the source's own template within one engine,
  // else on this engine's template of that name, which must equal the source's.
  using TPersistent::Assign;
  void Assign(const TFacts& Source);

 private:
  friend class TInferenceEngine;
  // The duplicate key: the hash code, or for a fuzzy template a hash of the other slots only
  // (fuzzy slots take no part in fact equality).
  static int32_t KeyOf(const TFact& Fact);
  int FindFact(const TFact& Fact, int32_t Key) const;
  // Starts loading the duplicate index where Fact's removal will look, so that the cache miss
  // overlaps with the retraction's trip through the network.
  void PrefetchKey(const TFact& Fact) const;
  void Store(int Index, const IFact& Fact, int32_t Key);
  void Unstore(int Index);
  // The slot of the fact at Index, and the number of facts in slots up to and including Slot.
  int SlotAt(int Index) const;
  int CountThrough(int Slot) const;
  void AppendSlot(const IFact& Fact);
  // Puts Facts into the slots, without empty ones, and rebuilds the count tree.
  void LayOut(std::vector<IFact> Facts);
  // Drops the emptied slots in place: the slot table keeps its storage (Clear gives it back),
  // so that retracting many facts allocates nothing.
  void Compact();
  // Numbers the slots and rebuilds the count tree after they were moved.
  void Renumber();
  // The printed facts (or their ID forms) separated by line breaks.
  std::string Joined(bool IDForms) const;

  TInferenceEngine* FEngine;
  std::vector<IFact> FSlots;  // nil where a fact was removed
  std::vector<int> FTree;     // counts over the slots, 1-based (FTree[0] unused)
  int FLive = 0;
  THashIndex<TFact> FByKey;  // by MixHash of the fact's key
  // Facts by ID. IDs are handed out in ascending order, so the live ones crowd a window of the ID
  // range: FByDenseID[FDenseHead + I] holds the fact with ID FDenseBase + I. The window drops its
  // empty ends as facts go, and when most of it is empty its few facts move to the map and a new
  // window starts at the next ID; so the index follows the live facts, however many IDs were
  // ever issued. IDs far from the window (kept through PreserveIDs) go to the map too.
  std::vector<TFact*> FByDenseID;
  size_t FDenseHead = 0;
  int32_t FDenseBase = 0;
  int FDenseLive = 0;
  std::unordered_map<int32_t, TFact*> FBySparseID;
  TFact* ByID(int32_t ID) const;
  void PutID(TFact* Fact);
  void DropID(TFact* Fact);
  void ClearIDs();
  // Moves the window's facts to the map and empties the window.
  void Rewindow();
  bool FInternal = false;
  bool FPreserveIDs = false;
  bool FCacheHashCodes = true;
  int32_t FHighestID = 0;
};

// Rules by name.
class TRules : public TPersistent {
 public:
  explicit TRules(TInferenceEngine* Engine) : FEngine(Engine) {}
  // Compiles, stores, traces and announces the rule; a taken name is settled by the engine's
  // DuplicateConstructs. A rule that does not compile is not stored.
  void Add(TRule* Rule);
  TRule* Find(const std::string& Name) const;
  // Takes the rule of that name out (the engine removes it from the network and frees it when
  // it owns it); with Rule, only when that very rule is registered under Name.
  void Remove(const std::string& Name);
  void Remove(const std::string& Name, TRule* Rule);
  // Frees the rules the engine owns; the rule numbering starts again at 0.
  void Clear();
  int Count() const noexcept { return static_cast<int>(FOrder.size()); }
  // In registration order.
  std::vector<TRule*> Rules() const;
  bool SortedOutput() const noexcept { return FSorted; }
  void SetSortedOutput(bool Value) noexcept { FSorted = Value; }
  // Each rule's printed form and a line break; sorted when SortedOutput.
  std::string GetToString() const;
  // From another engine's rules: cleared, then each source rule itself when this engine owns it,
  // else a rule read by this engine from the source rule's text.
  using TPersistent::Assign;
  void Assign(const TRules& Source);
  // The streamed list "Rules": the rules' texts; reading parses each and adds the rule.
  std::vector<std::string> StreamTexts() const;
  void ReadStreamTexts(const std::vector<std::string>& Texts);

 private:
  friend class TInferenceEngine;
  TInferenceEngine* FEngine;
  std::map<std::string, TRule*> FItems;
  std::vector<std::string> FOrder;
  bool FSorted = true;
};

// Fact templates by name. A template without slots is given the "__Data" multislot.
class TFactTemplates : public TPersistent {
 public:
  explicit TFactTemplates(TInferenceEngine* Engine) : FEngine(Engine) {}
  void Add(const IFactTemplate& Template);
  // New takes Old's place; the engine's dependent facts and rules follow.
  void Replace(const IFactTemplate& Old, const IFactTemplate& New);
  IFactTemplate Find(const std::string& Name) const;
  // The template goes, with its facts, its fact-set lines and its rules.
  void Remove(const std::string& Name);
  // Everything depending on templates goes first (facts, rules, the network).
  void Clear();
  int Count() const noexcept { return static_cast<int>(FOrder.size()); }
  // Whether Template is the one registered under its name.
  bool Holds(const TFactTemplate* Template) const;
  // Counts every change of the table, so that a caller can keep what it found until the next.
  uint64_t Generation() const noexcept { return FGeneration; }
  // In registration order.
  std::vector<IFactTemplate> Templates() const;
  void Rename(const std::string& OldName, const std::string& NewName);
  // Templates without a parent first, then the others with every parent before its children.
  // The two templates every engine makes for itself ("Initial-Fact" and the null fact's) are left
  // out here and in the streamed list: read into an engine they would replace its own.
  std::string GetToString() const;
  // The streamed list "Templates": the templates' texts; reading clears the table and reads each.
  std::vector<std::string> StreamTexts() const;
  void ReadStreamTexts(const std::vector<std::string>& Texts);

 private:
  TInferenceEngine* FEngine;
  std::map<std::string, IFactTemplate> FItems;
  std::vector<std::string> FOrder;
  uint64_t FGeneration = 0;
};

// Defined types by name. A new fuzzy type's variable takes the engine's equality threshold and,
// with FuzzyAutoTerms, the terms low, medium and high it lacks.
class TIEDefinedTypes : public TPersistent {
 public:
  explicit TIEDefinedTypes(TInferenceEngine* Engine) : FEngine(Engine) {}
  void Add(const IIEDefinedType& Type);
  void Replace(const IIEDefinedType& Old, const IIEDefinedType& New);
  IIEDefinedType Find(const std::string& Name) const;
  // The type goes, with every template using it (and their facts and rules).
  void Remove(const std::string& Name);
  void Clear();
  int Count() const noexcept { return static_cast<int>(FOrder.size()); }
  std::vector<IIEDefinedType> Types() const;
  // Types without an ancestor first, then the derived ones after their ancestors.
  std::string GetToString() const;
  // The streamed list "DefTypes": the types' texts; reading clears the table and reads each.
  std::vector<std::string> StreamTexts() const;
  void ReadStreamTexts(const std::vector<std::string>& Texts);

 private:
  TInferenceEngine* FEngine;
  std::map<std::string, IIEDefinedType> FItems;
  std::vector<std::string> FOrder;
};

// Functions by their current names; counts the interpreted functions (deffunctions).
class TUserFunctions : public TPersistent {
 public:
  explicit TUserFunctions(TInferenceEngine* Engine) : FEngine(Engine) {}
  // Stores Function under Name ("Function names do not match" when Name is not its name).
  void Put(const std::string& Name, const IUserFunction& Function);
  bool Find(const std::string& Name, IUserFunction& Function) const;
  void Remove(const std::string& Name);
  // Forgets every function without events.
  void Clear();
  // Removes each interpreted function, with its event; built-in functions stay.
  void RemoveInterpreted();
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  int InterpretedCount() const noexcept { return FInterpreted; }
  std::vector<std::string> Names() const;
  // The names separated by line breaks.
  std::string GetNamesToString() const;
  // A line break and the printed form of each interpreted function.
  std::string GetToString() const;
  // Clears, then shares every built-in function of Source (this engine becomes one more of its
  // reasoners) and re-creates Source's interpreted functions from their text. Tolerant: a
  // function that cannot be re-created is skipped and the result is false; otherwise its error
  // propagates.
  using TPersistent::Assign;
  bool Assign(const TUserFunctions& Source, bool Tolerant);
  bool AssignInterpretedFunctions(const std::vector<IUserFunction>& Functions, bool Tolerant);

 private:
  // A deffunction that no engine holds any more forgets what its calls are bound to: a function
  // that calls itself would otherwise keep itself alive.
  static void UnbindWhenUnused(const IUserFunction& Function);
  TInferenceEngine* FEngine;
  std::map<std::string, IUserFunction> FItems;
  int FInterpreted = 0;
  int FLastOrder = 0;
};

// The store/fetch storage: values by name.
class TEngineVariables : public TValueHashTable {
 public:
  explicit TEngineVariables(TInferenceEngine* Engine) : FEngine(Engine) {}
  TInferenceEngine* Engine() const noexcept { return FEngine; }
  // One "name = value" line per entry.
  std::string GetToString() const override;
  // The streamed list "Variables": one "?name = value" text per entry; reading stores each.
  std::vector<std::string> StreamTexts() const;
  void ReadStreamTexts(const std::vector<std::string>& Texts);

 protected:
  TInferenceEngine* FEngine;
};

// The global variables' initial values. Putting a variable binds it in the engine's global
// context at once; clearing forgets the bindings too.
class TGlobalVariables : public TEngineVariables {
 public:
  using TEngineVariables::TEngineVariables;
  void Put(const std::string& Name, const IIEValue& Value);
  void Clear() override;
  // Binds every variable to its initial value again.
  void ResetAll();
  // "(defglobal ?name = value ...)", empty when there are none.
  std::string GetToString() const override;
  // From the global variables of another engine: their defglobal text is read here.
  void Assign(TPersistent* Source) override;
};

}  // namespace norvale
