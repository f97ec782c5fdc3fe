// The Rete network: rules compiled into shared chains of alpha nodes, joins and terminals.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/rete/ReteNodes.h"

namespace norvale {

using TActivationEvent = TEvent<TObject* /*Sender*/, TActivation* /*Activation*/>;

// One entry of a toolkit-free tree: a text and its children (the network, rule and template
// tables fill such trees for display).
struct TTreeItem {
  std::string Text;
  std::vector<TTreeItem> Children;
};

class TReteNetwork : public TGGraph {
 public:
  explicit TReteNetwork(TComponent* Owner, TInferenceEngine* Engine = nullptr);
  ~TReteNetwork() override;

  bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool Value);
  TInferenceEngine* Engine() const noexcept { return FEngine; }
  int HashKey() const noexcept { return FHashKey; }
  void SetHashKey(int Value) noexcept { FHashKey = Value; }
  float MinActivationStrength() const noexcept { return FMinActivationStrength; }
  void SetMinActivationStrength(float Value) noexcept;
  TActivationEvent OnActivation, OnDeactivation, OnRuleFired;

  // --- rules ---
  virtual void AddRule(TRule* Rule);
  virtual void RemoveRule(TRule* Rule);
  bool Contains(const TRule* Rule) const { return FRules.count(const_cast<TRule*>(Rule)) != 0; }
  // The nodes a rule uses, in the order they were made or shared (nil for a rule not compiled).
  const std::vector<TReteNode*>* GetRuleNodesList(const TRule* Rule) const;
  TPatternMatchTerminalNode* TerminalOf(const TRule* Rule) const;
  void Clear() override;

  // --- tokens ---
  // The one entry of fact changes: the token goes to the roots that accept its fact's template.
  virtual bool ProcessToken(const IReteToken& Token);
  bool ProcessTokenOneNode(const IReteToken& Token, TReteNode* Node);
  // True while a token travels the network (assertions made meanwhile must wait).
  bool Busy() const noexcept { return FBusy > 0; }

  // --- roots ---
  int GetRootCount() const noexcept { return static_cast<int>(FRoots.size()); }
  TReteNode* GetRoot(int Index) const { return FRoots.at(Index); }

  // --- activations, reported to the engine ---
  virtual void Activate(TActivation* Activation);
  virtual void Deactivate(TActivation* Activation);
  virtual void RuleFired(TActivation* Activation);

  // The network as a tree: one entry per root, its successors below.
  using TGGraph::AssignTo;
  TTreeItem AssignTo() const;

  void AddNode(TGGraphNode* Node) override;
  void RemoveNode(TGGraphNode* Node) override;
  TGGraphNode* Extract(TGGraphNode* Node) override;

 protected:
  TGGraphEdge* CreateEdge(TGGraphNode* From, TGGraphNode* To) override;
  void Notification(TComponent* Component, TOperation Operation) override;
  // The node classes the compiler makes; a descendant substitutes its own.
  virtual TPatternMatchNode* NewPatternMatchNode(TPatternMatchTest Test, const TNodeArgsArray& Args,
                                                 const IIEValue& Value);
  virtual TTestNode* NewTestNode();
  virtual TJoinNode* NewJoinNode(bool Negated, bool Unique, bool PrefixJoin);
  virtual TPatternMatchTerminalNode* NewTerminalNode(TRule* Rule);
  // A compiled copy of Call: variables bound by the rule become binding references.
  IFunCall Evaluate(const TFunctionCall& Call, TRule* Rule);

 private:
  friend class TReteNode;
  struct TCompile;
  TReteNode* CreateSuccessor(TCompile& C, TReteNode* Parent, TPatternMatchTest Test,
                             const IIEValue& Value, TNodeArgsArray Args);
  void FirstPass(TCompile& C);
  void SecondPass(TCompile& C);
  void ThirdPass(TCompile& C);
  void FourthPass(TCompile& C);
  void BringUpToDate(TCompile& C);
  void RootJoined(TReteNode* Node);
  void RootLeft(TReteNode* Node);
  void InvalidateDispatch() noexcept { FDispatch.clear(); }
  std::shared_ptr<const std::vector<TReteNode*>> RootsFor(TFactTemplate* Template);
  void FreeNode(TReteNode* Node);
  TReteEdge* Connect(TReteNode* From, TReteNode* To, TCallType Type);
  TCallType FNextCallType = ctSingle;

  bool FEnabled = true;
  TInferenceEngine* FEngine;
  int FHashKey = 101;
  float FMinActivationStrength = 0;
  std::vector<TReteNode*> FRoots;
  // Pattern-match nodes by what they test (parent, test, constant, arguments), so that a new
  // rule finds the node it can share without scanning the parent's successors.
  std::unordered_multimap<uint64_t, TPatternMatchNode*> FAlphaIndex;
  std::unordered_map<const TReteNode*, uint64_t> FAlphaKeys;
  void IndexAlpha(TPatternMatchNode* Node, uint64_t Key);
  void UnindexAlpha(const TReteNode* Node);
  std::unordered_map<TRule*, std::vector<TReteNode*>> FRules;
  std::vector<TRule*> FRuleOrder;
  // Template -> the roots accepting its facts (its own name or an ancestor's), in root order. An
  // entry remembers the template's name and parent it was made for and is made again when they
  // differ (a template renamed, re-parented, or a new one at a freed one's address).
  struct TDispatch {
    std::string Name;
    const TFactTemplate* Parent = nullptr;
    std::shared_ptr<const std::vector<TReteNode*>> Roots;
  };
  std::unordered_map<const TFactTemplate*, TDispatch> FDispatch;
  int FBusy = 0;
  bool FClearing = false;
};

}  // namespace norvale
