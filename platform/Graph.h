// A small directed graph component: nodes owned by the graph, edges owned by their source node,
// both ends of every edge kept informed, and a stable topological order.
#pragma once

#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/Exception.h"

namespace norvale {

class TGGraph;
class TGGraphNode;

enum TNodeOperation { noAdded, noRemoved, noChanged };
using TNodeNotifyEvent = TEvent<TObject*, TGGraphNode*, TNodeOperation>;

// "Graph contains a cycle": a topological order was asked of a cyclic graph.
extern const char* const SGraphCycle;

class EGraphError : public Exception {
 public:
  using Exception::Exception;
};

// A directed edge. It is owned by its source node; freeing a linked edge unlinks it first.
class TGGraphEdge : public TObject {
 public:
  TGGraphEdge(TGGraphNode* From, TGGraphNode* To) noexcept : FFrom(From), FTo(To) {}
  ~TGGraphEdge() override;
  void BeforeDestruction() override;

  TGGraphNode* From() const noexcept { return FFrom; }
  TGGraphNode* To() const noexcept { return FTo; }

 private:
  friend class TGGraphNode;
  bool Linked() const noexcept { return FOutSlot >= 0; }

  TGGraphNode* FFrom;
  TGGraphNode* FTo;
  int FOutSlot = -1;  // position in FFrom's outgoing list, -1 while unlinked
  int FInSlot = -1;   // position in FTo's incoming list
  bool FRemoving = false;
};

// A node. It is owned by its graph (or by whoever made it, while it belongs to none). Freeing a
// node takes it out of its graph and removes its edges in both directions.
class TGGraphNode : public TPersistent {
 public:
  // A node made with a graph joins it once constructed (NewObject), through Graph->AddNode.
  explicit TGGraphNode(TGGraph* Graph = nullptr) noexcept : FGraph(Graph) {}
  ~TGGraphNode() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TGGraph* Graph() const noexcept { return FGraph; }

  // Edges in the order they were added.
  const std::vector<TGGraphEdge*>& OutEdges() const noexcept;
  const std::vector<TGGraphEdge*>& InEdges() const noexcept;
  int OutDegree() const noexcept { return FOut.Count(); }
  int InDegree() const noexcept { return FIn.Count(); }
  int EdgeCount() const noexcept { return OutDegree(); }

  // Adds an edge to To, made by the graph's CreateEdge (a plain edge for a node without graph).
  // Both nodes must belong to the same graph; parallel edges and loops are allowed.
  TGGraphEdge* AddEdge(TGGraphNode* To);
  // Unlinks an outgoing edge from both ends and frees it.
  void RemoveEdge(TGGraphEdge* Edge);
  void RemoveOutEdges();
  void RemoveInEdges();
  void RemoveEdges();
  bool HasEdgeTo(const TGGraphNode* To) const noexcept;

  virtual std::string GetToString() const;

 protected:
  // Told when an edge from or to this node was added (after linking) or is being removed
  // (before unlinking); Incoming is true for edges that end here. A loop is reported twice.
  // Handlers may add or remove other edges but must not free either end of Edge.
  virtual void EdgeAdded(TGGraphEdge* Edge, bool Incoming);
  virtual void EdgeRemoving(TGGraphEdge* Edge, bool Incoming);

 private:
  friend class TGGraph;
  friend class TGGraphEdge;

  // An edge list that removes in constant time: a removed edge leaves a nil slot behind, and
  // the slots are squeezed out when the list is next read (or when they outnumber the edges).
  // Each edge knows its slot in both lists it is on.
  struct TEdgeList {
    std::vector<TGGraphEdge*> Items;
    int Holes = 0;
    int Count() const noexcept { return static_cast<int>(Items.size()) - Holes; }
  };

  void LinkEdge(TGGraphEdge* Edge);
  void DropEdge(TGGraphEdge* Edge);  // notifies and unlinks, does not free
  void Detach();
  // The newest edge of a list that is not already being removed.
  static TGGraphEdge* LastRemovable(const std::vector<TGGraphEdge*>& Items) noexcept;
  // The graph an edge changes: that of an end that is listed in one.
  static TGGraph* ListedGraph(const TGGraphEdge* Edge) noexcept;

  TGGraph* FGraph;
  int FIndex = -1;  // position in the graph's node list, -1 while not listed
  mutable TEdgeList FOut;
  mutable TEdgeList FIn;
};

class TGGraph : public TComponent {
 public:
  explicit TGGraph(TComponent* Owner = nullptr) : TComponent(Owner) {}
  ~TGGraph() override;
  void BeforeDestruction() override;

  // Takes ownership of a node that belongs to no other graph.
  virtual void AddNode(TGGraphNode* Node);
  // Removes the node's edges, takes it out and frees it.
  virtual void RemoveNode(TGGraphNode* Node);
  // Removes the node's edges and gives it up to the caller; returns it.
  virtual TGGraphNode* Extract(TGGraphNode* Node);

  int NodeCount() const noexcept { return static_cast<int>(FNodes.size()); }
  TGGraphNode* Nodes(int Index) const;
  int IndexOf(const TGGraphNode* Node) const noexcept;

  // Frees every node, newest first.
  virtual void Clear();

  bool IsAcyclic() const;
  // Every node after all its predecessors; among nodes ready at the same time the one added
  // first comes first. Raises EGraphError (SGraphCycle) on a cyclic graph.
  std::vector<TGGraphNode*> TopologicalOrder() const;

  // Brackets nest; OnChange fires once at the outermost EndUpdate if anything changed meanwhile,
  // and after each change outside a bracket.
  void BeginUpdate() noexcept { ++FUpdateCount; }
  void EndUpdate();

  TNotifyEvent OnChange;
  TNodeNotifyEvent OnNodeChange;

 protected:
  // Makes the edge object for From->AddEdge(To); override to make edges of another class.
  virtual TGGraphEdge* CreateEdge(TGGraphNode* From, TGGraphNode* To);
  void Changed();

 private:
  friend class TGGraphNode;
  class TUpdateGuard;

  void CheckOwn(const TGGraphNode* Node) const;
  void Detach(TGGraphNode* Node);  // removes the node's edges and takes it off the list
  void Unlist(TGGraphNode* Node);
  void NodeChange(TGGraphNode* Node, TNodeOperation Operation);

  std::vector<TGGraphNode*> FNodes;
  int FUpdateCount = 0;
  bool FChanged = false;
};

}  // namespace norvale
