// The nodes of the Rete network: alpha nodes testing single facts, join nodes combining partial
// matches with facts (plain, negated, unique, existential), test nodes of `test` elements and
// terminal nodes turning complete matches into activations.
#pragma once

#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "engine/facts/Pattern.h"
#include "engine/rete/IEContext.h"
#include "engine/rete/Rule.h"
#include "engine/rete/TokenMemory.h"
#include "platform/Graph.h"

namespace norvale {

class TReteNetwork;
class TPatternMatchTerminalNode;

enum TCallType { ctLeft, ctRight, ctSingle, ctActivate };
NORVALE_ENUM(TCallType, "ctLeft", "ctRight", "ctSingle", "ctActivate")

enum TPatternMatchTest {
  pmtUnknown,
  pmtTestClassType,
  pmtTestEqual,
  pmtTestNotEqual,
  pmtTestSlotValueEqual,
  pmtTestSlotValueNotEqual,
  pmtTestMultiSlotEqual,
  pmtTestMultiSlotNotEqual,
  pmtTestMultiSlotLength,
  pmtTestMultiSlotMultiField,
  pmtFailTest
};
NORVALE_ENUM(TPatternMatchTest, "pmtUnknown", "pmtTestClassType", "pmtTestEqual", "pmtTestNotEqual",
             "pmtTestSlotValueEqual", "pmtTestSlotValueNotEqual", "pmtTestMultiSlotEqual",
             "pmtTestMultiSlotNotEqual", "pmtTestMultiSlotLength", "pmtTestMultiSlotMultiField",
             "pmtFailTest")

// A node argument: a slot name or a number.
using TNodeArg = std::variant<int, std::string>;
using TNodeArgsArray = std::vector<TNodeArg>;
std::string NodeArgToString(const TNodeArg& Arg);

// A complete match waiting to fire: the rule, the partial match and its strength.
class TActivation : public TPersistent {
 public:
  TActivation(TRule* Rule, float Strength, TPatternMatchTerminalNode* Node,
              const IReteToken& Token);
  ~TActivation() override;

  TRule* Rule() const noexcept { return FRule; }
  const IReteToken& Token() const noexcept { return FToken; }
  TPatternMatchTerminalNode* Node() const noexcept { return FNode; }
  float Strength() const noexcept { return FStrength; }
  void SetStrength(float Value) noexcept;
  // A new activation of the same rule, node and token with strength 1.
  TActivation* Clone() const;
  void Assign(TPersistent* Source) override;
  // Runs the rule's actions, then reports the firing to the terminal node.
  virtual void Fire();
  // "salience name : f-1, f-2 (1.0000)"
  std::string GetToString() const;

 private:
  friend class TPatternMatchTerminalNode;
  friend class TInferenceEngine;
  friend class TActivationAgenda;
  TRule* FRule;
  IReteToken FToken;
  TPatternMatchTerminalNode* FNode;
  float FStrength;
  // Its neighbours in the terminal's list, for removal in constant time.
  TActivation* FNodePrev = nullptr;
  TActivation* FNodeNext = nullptr;
  uint64_t FMatchHash = 0;
  // The agenda's links: the agenda it is on, its neighbours in its salience group.
  class TActivationAgenda* FAgenda = nullptr;
  TActivation* FAgendaPrev = nullptr;
  TActivation* FAgendaNext = nullptr;
  int FAgendaSalience = 0;
};

// The edge between two nodes, naming the input it feeds.
class TReteEdge : public TGGraphEdge {
 public:
  TReteEdge(TGGraphNode* From, TGGraphNode* To, TCallType CallType)
      : TGGraphEdge(From, To), FCallType(CallType) {}
  TCallType CallType() const noexcept { return FCallType; }

 private:
  TCallType FCallType;
};

// Where a node sends what it passes on: its children normally, a single new node while a rule
// added later is brought up to date.
using TTokenSink = std::function<void(const IReteToken&)>;

class TReteNode : public TGGraphNode {
 public:
  explicit TReteNode(TReteNetwork* Network);
  ~TReteNode() override;

  TReteNetwork* Rete() const noexcept { return FRete; }
  int RuleUseCount() const noexcept { return FRuleUseCount; }
  void SetRuleUseCount(int Value) noexcept { FRuleUseCount = Value < 0 ? 0 : Value; }
  TIEContext* Context() const noexcept { return FContext.get(); }

  // A token arrives through an edge of the given call type; the result tells whether it passed.
  virtual bool CallNode(const IReteToken& Token, TCallType CallType) = 0;
  // Passes Token to every successor, in edge order.
  void CallChildren(const IReteToken& Token);
  // What this node has passed on so far, sent to Sink (bringing a new successor up to date).
  virtual void Replay(const TTokenSink& Sink) = 0;
  std::string GetToString() const override;

 protected:
  void EdgeAdded(TGGraphEdge* Edge, bool Incoming) override;
  void EdgeRemoving(TGGraphEdge* Edge, bool Incoming) override;

  TReteNetwork* FRete;
  int FRuleUseCount = 1;
  std::unique_ptr<TIEContext> FContext;
};

// An alpha node: one test on the single fact of a fact token.
class TPatternMatchNode : public TReteNode {
 public:
  TPatternMatchNode(TReteNetwork* Network, TPatternMatchTest Test, TNodeArgsArray Args,
                    const IIEValue& Value);

  TPatternMatchTest PatternMatchTest() const noexcept { return FTest; }
  const IIEValue& Value() const noexcept { return FValue; }
  const TNodeArgsArray& Args() const noexcept { return FArgs; }
  // Same test, identical constant (fuzzy constants are compared by identity of their printed
  // form, never by overlap) and equal arguments: the node can be shared.
  bool Equals(TPatternMatchTest Test, const IIEValue& Value, const TNodeArgsArray& Args) const;

  bool CallNode(const IReteToken& Token, TCallType CallType) override;
  // Runs the test on Token and sends what passes to Sink; the result tells whether it passed.
  bool Evaluate(const IReteToken& Token, const TTokenSink& Sink);
  void Replay(const TTokenSink& Sink) override;
  std::string GetToString() const override;

 private:
  bool PassFuzzy(const IReteToken& Token, const TIEValue* SlotValue, const TIEValue& NodeValue,
                 const TTokenSink& Sink);
  bool FunctionTest(const IReteToken& Token, TFact* Fact);
  bool ExpandMultiField(const IReteToken& Token, TFact* Fact, const TTokenSink& Sink);

  TPatternMatchTest FTest;
  TNodeArgsArray FArgs;
  IIEValue FValue;
  TSlotReader FSlot;   // A0 (with A1 as field for the multislot tests)
  TSlotReader FOther;  // A1 (and A3) for the slot-pair tests
  int FLength = 0;
  bool FIsCall = false;
};

// The node of a `test` element and the base of joins: a list of tests on a partial match.
class TTestNode : public TReteNode {
 public:
  explicit TTestNode(TReteNetwork* Network);
  ~TTestNode() override;

  int GetTestCount() const noexcept { return static_cast<int>(FTests.size()); }
  TIESlotTest* GetTest(int Index) const { return FTests.at(Index).get(); }
  void AddTest(std::unique_ptr<TIESlotTest> Test);
  void AddTest(TSlotTestType Type, const std::string& SlotName, int SubIndex,
               const IIEValue& Value);
  void ClearTests() { FTests.clear(); }
  void DeleteTest(int Index);
  // Same class and, for each of the other node's tests, an equal test here; a node with a call
  // test never equals another.
  virtual bool Equals(const TTestNode* Node) const;

  bool CallNode(const IReteToken& Token, TCallType CallType) override;
  void Replay(const TTokenSink& Sink) override;
  std::string GetToString() const override;

 protected:
  // Runs the tests (from First) with Right as the current fact and Left as the partial match.
  bool RunTests(TFact* Right, const IReteToken& Left, size_t First = 0);
  TReteNode* LeftParent() const;
  std::vector<std::unique_ptr<TIESlotTest>> FTests;
  bool FHasCallTests = false;
};

// A join: the left memory holds partial matches, the right memory facts; pairs that pass the
// tests are passed on. A negated join counts the facts blocking each partial match; the upper
// levels of an `exists` pair each partial match with its own extension only.
class TJoinNode : public TTestNode {
 public:
  TJoinNode(TReteNetwork* Network, bool Negated, bool Unique, bool PrefixJoin = false);

  bool NegatedPattern() const noexcept { return FNegated; }
  bool Unique() const noexcept { return FUnique; }
  bool PrefixJoin() const noexcept { return FPrefix; }
  TRule* Rule() const noexcept { return FRule; }
  TIEPattern* Pattern() const noexcept { return FPattern; }
  // Records the pattern and rule that ask for goals (backward chaining).
  void SetPattern(TIEPattern* Pattern, TRule* Rule);
  void AddTest(TSlotTestType Type, int TokenIndex, const std::string& RightSlot,
               const std::string& LeftSlot);
  void AddTest(TSlotTestType Type, int TokenIndex, const std::string& RightSlot, int RightSubIndex,
               const std::string& LeftSlot, int LeftSubIndex);
  using TTestNode::AddTest;
  // Picks the equality test whose values key both memories. NoFuzzy tells, per side, that the
  // slots may hold fuzzy values (which compare by overlap and cannot be keyed).
  void PrepareShortCut(const TFactTemplate* RightTemplate, const TFactTemplate* LeftTemplate);
  void ClearMemory();
  bool Equals(const TTestNode* Node) const override;
  const TTokenMemory* LeftMemory() const noexcept { return FLeft.get(); }
  const TTokenMemory* RightMemory() const noexcept { return FRight.get(); }
  int MatchCount() const noexcept { return FMatchCount; }

  bool CallNode(const IReteToken& Token, TCallType CallType) override;
  void Replay(const TTokenSink& Sink) override;
  std::string GetToString() const override;

 private:
  void RightActivation(const IReteToken& R, bool Added);
  void LeftActivation(const IReteToken& T, bool Added, TIEToken* Stored, const TTokenSink& Sink,
                      bool Counting);
  void AskForBackChain(const IReteToken& Token);
  template <class F>
  void ForLeftPartners(const TIEToken& Right, F&& Visit);
  template <class F>
  void ForRightPartners(const TIEToken& Left, F&& Visit);
  IReteToken Extend(const IReteToken& Left, const IFact& Fact, float Strength, TTokenAction Tag);

  bool FNegated;
  bool FUnique;
  bool FPrefix;
  bool FShortCut = false;
  int FMatchCount = 0;
  TSlotReader FRightKey;
  TSlotReader FLeftKey;
  int FKeyTokenIndex = 0;
  std::unique_ptr<TTokenMemory> FLeft;
  std::unique_ptr<TTokenMemory> FRight;
  TIEPattern* FPattern = nullptr;
  TRule* FRule = nullptr;
};

// Turns complete matches of a rule into activations and withdraws them again.
class TPatternMatchTerminalNode : public TReteNode {
 public:
  TPatternMatchTerminalNode(TReteNetwork* Network, TRule* Rule);
  ~TPatternMatchTerminalNode() override;

  TRule* Rule() const noexcept { return FRule; }
  bool Initialized() const noexcept { return FInitialized; }
  void SetInitialized(bool Value) noexcept { FInitialized = Value; }
  int GetActivationCount() const noexcept { return FActivationCount; }
  TActivation* GetActivation(int Index) const;
  int IndexOf(const TActivation* Activation) const;

  bool CallNode(const IReteToken& Token, TCallType CallType) override;
  void Replay(const TTokenSink&) override {}
  virtual TActivation* AddActivation(const IReteToken& Token);
  // Withdraws every activation, newest first.
  void StandDown();
  // Withdraws the first activation whose partial match is Token's.
  void StandDown(const TIEToken& Token);
  void Deactivate(int Index);
  void Deactivate(TActivation* Activation);
  // The activation fired: it leaves the list and the network reports it.
  virtual void RuleFired(TActivation* Activation);
  // Forgets every activation without withdrawing it (the agenda was emptied already).
  void FastClear();
  std::string GetToString() const override;

 private:
  friend class TActivation;
  void Forget(TActivation* Activation);
  void Unlist(TActivation* Activation);
  TRule* FRule;
  bool FInitialized = false;
  // The activations, oldest first, linked through their FNodePrev and FNodeNext.
  TActivation* FFirst = nullptr;
  TActivation* FLast = nullptr;
  int FActivationCount = 0;
  THashIndex<TActivation> FByMatch;  // by the hash of the partial match
};

}  // namespace norvale
