#include "platform/Graph.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <queue>

#include "platform/Format.h"

namespace norvale {

const char* const SGraphCycle = "Graph contains a cycle";

namespace {

const char* const SNilNode = "Cannot add a nil node to a graph";
const char* const SNodeOfOtherGraph = "Node belongs to another graph";
const char* const SNotOwnNode = "Node does not belong to this graph";
const char* const SNilEdgeTarget = "Cannot add an edge to nil";
const char* const SGraphsDiffer = "Cannot link nodes of different graphs";
const char* const SNotOutEdge = "Edge does not start at this node";
const char* const SBadNewEdge = "CreateEdge made an edge for other nodes";

// --- Edge lists ------------------------------------------------------------------------------
// Slot is the edge's field that records its position in the list at hand.

using TSlot = int TGGraphEdge::*;

// Makes room for one more edge, so that linking cannot fail halfway between two lists.
void Reserve(std::vector<TGGraphEdge*>& Items) {
  if (Items.size() == Items.capacity()) Items.reserve(std::max<size_t>(4, Items.size() * 2));
}

void Put(std::vector<TGGraphEdge*>& Items, TGGraphEdge* Edge, TSlot Slot) noexcept {
  Edge->*Slot = static_cast<int>(Items.size());
  Items.push_back(Edge);  // capacity reserved beforehand
}

void Squeeze(std::vector<TGGraphEdge*>& Items, int& Holes, TSlot Slot) noexcept {
  size_t Kept = 0;
  for (TGGraphEdge* Edge : Items) {
    if (!Edge) continue;
    Edge->*Slot = static_cast<int>(Kept);
    Items[Kept++] = Edge;
  }
  Items.resize(Kept);
  Holes = 0;
}

void Take(std::vector<TGGraphEdge*>& Items, int& Holes, TGGraphEdge* Edge, TSlot Slot) noexcept {
  Items[static_cast<size_t>(Edge->*Slot)] = nullptr;
  Edge->*Slot = -1;
  ++Holes;
  while (!Items.empty() && !Items.back()) {
    Items.pop_back();
    --Holes;
  }
  // Keep the holes from outgrowing the edges, at amortised constant cost per removal.
  if (Holes > 8 && static_cast<size_t>(Holes) * 2 > Items.size()) Squeeze(Items, Holes, Slot);
}

// Stable Kahn: of the nodes whose predecessors are all placed, the lowest index goes next.
// Edges to nodes outside the graph are ignored. A cycle leaves its nodes (and their successors)
// out of the result.
std::vector<TGGraphNode*> KahnOrder(const TGGraph& Graph) {
  const int Count = Graph.NodeCount();
  std::vector<int> Pending(static_cast<size_t>(Count), 0);
  for (int I = 0; I < Count; ++I)
    for (TGGraphEdge* Edge : Graph.Nodes(I)->OutEdges()) {
      int J = Graph.IndexOf(Edge->To());
      if (J >= 0) ++Pending[static_cast<size_t>(J)];
    }
  std::priority_queue<int, std::vector<int>, std::greater<int>> Ready;
  for (int I = 0; I < Count; ++I)
    if (Pending[static_cast<size_t>(I)] == 0) Ready.push(I);
  std::vector<TGGraphNode*> Order;
  Order.reserve(static_cast<size_t>(Count));
  while (!Ready.empty()) {
    TGGraphNode* Node = Graph.Nodes(Ready.top());
    Ready.pop();
    Order.push_back(Node);
    for (TGGraphEdge* Edge : Node->OutEdges()) {
      int J = Graph.IndexOf(Edge->To());
      if (J >= 0 && --Pending[static_cast<size_t>(J)] == 0) Ready.push(J);
    }
  }
  return Order;
}

// Marks an edge as being removed for the duration of its removal notifications.
class TRemovingMark {
 public:
  explicit TRemovingMark(bool& Flag) noexcept : FFlag(Flag) { FFlag = true; }
  ~TRemovingMark() { FFlag = false; }
  TRemovingMark(const TRemovingMark&) = delete;
  TRemovingMark& operator=(const TRemovingMark&) = delete;

 private:
  bool& FFlag;
};

}  // namespace

// Brackets an operation that makes several changes, so that it reports one. When the operation
// is left by an exception the bracket closes quietly; the change is reported with the next one.
class TGGraph::TUpdateGuard {
 public:
  explicit TUpdateGuard(TGGraph* Graph) noexcept
      : FGraph(Graph), FExceptions(std::uncaught_exceptions()) {
    if (FGraph) FGraph->BeginUpdate();
  }
  ~TUpdateGuard() noexcept(false) {
    if (!FGraph) return;
    if (std::uncaught_exceptions() > FExceptions)
      --FGraph->FUpdateCount;
    else
      FGraph->EndUpdate();
  }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  TGGraph* FGraph;
  int FExceptions;
};

// --- TGGraphEdge -----------------------------------------------------------------------------

TGGraphEdge::~TGGraphEdge() {
  if (Linked() && !FRemoving) FFrom->DropEdge(this);
}

void TGGraphEdge::BeforeDestruction() {
  TObject::BeforeDestruction();
  if (Linked() && !FRemoving) FFrom->DropEdge(this);
}

// --- TGGraphNode -----------------------------------------------------------------------------

TGGraphNode::~TGGraphNode() {
  // Normally BeforeDestruction did this while the node was whole.
  if (FGraph && FIndex >= 0) FGraph->Detach(this);
  RemoveEdges();
}

void TGGraphNode::AfterConstruction() {
  TPersistent::AfterConstruction();
  if (FGraph && FIndex < 0) FGraph->AddNode(this);
}

void TGGraphNode::BeforeDestruction() {
  TPersistent::BeforeDestruction();
  Detach();
}

void TGGraphNode::Detach() {
  if (FGraph && FIndex >= 0) FGraph->Extract(this);
  RemoveEdges();
}

const std::vector<TGGraphEdge*>& TGGraphNode::OutEdges() const noexcept {
  if (FOut.Holes) Squeeze(FOut.Items, FOut.Holes, &TGGraphEdge::FOutSlot);
  return FOut.Items;
}

const std::vector<TGGraphEdge*>& TGGraphNode::InEdges() const noexcept {
  if (FIn.Holes) Squeeze(FIn.Items, FIn.Holes, &TGGraphEdge::FInSlot);
  return FIn.Items;
}

TGGraphEdge* TGGraphNode::AddEdge(TGGraphNode* To) {
  if (!To) throw EGraphError(SNilEdgeTarget);
  if (FGraph && To->FGraph && FGraph != To->FGraph) throw EGraphError(SGraphsDiffer);
  TGGraphEdge* Edge = FGraph ? FGraph->CreateEdge(this, To) : NewObject<TGGraphEdge>(this, To);
  if (!Edge || Edge->FFrom != this || Edge->FTo != To || Edge->Linked()) {
    if (Edge && !Edge->Linked()) Free(Edge);
    throw EGraphError(SBadNewEdge);
  }
  LinkEdge(Edge);
  return Edge;
}

void TGGraphNode::LinkEdge(TGGraphEdge* Edge) {
  TGGraphNode* To = Edge->FTo;
  Reserve(FOut.Items);
  Reserve(To->FIn.Items);
  Put(FOut.Items, Edge, &TGGraphEdge::FOutSlot);
  Put(To->FIn.Items, Edge, &TGGraphEdge::FInSlot);
  EdgeAdded(Edge, false);
  To->EdgeAdded(Edge, true);
  if (TGGraph* Graph = ListedGraph(Edge)) Graph->Changed();
}

void TGGraphNode::DropEdge(TGGraphEdge* Edge) {
  TGGraphNode* To = Edge->FTo;
  {
    TRemovingMark Mark(Edge->FRemoving);
    EdgeRemoving(Edge, false);
    To->EdgeRemoving(Edge, true);
  }
  Take(FOut.Items, FOut.Holes, Edge, &TGGraphEdge::FOutSlot);
  Take(To->FIn.Items, To->FIn.Holes, Edge, &TGGraphEdge::FInSlot);
  if (TGGraph* Graph = ListedGraph(Edge)) Graph->Changed();
}

void TGGraphNode::RemoveEdge(TGGraphEdge* Edge) {
  if (!Edge) return;
  if (Edge->FFrom != this || !Edge->Linked()) throw EGraphError(SNotOutEdge);
  if (Edge->FRemoving) return;  // already on its way out
  DropEdge(Edge);
  Free(Edge);
}

TGGraphEdge* TGGraphNode::LastRemovable(const std::vector<TGGraphEdge*>& Items) noexcept {
  for (auto It = Items.rbegin(); It != Items.rend(); ++It)
    if (*It && !(*It)->FRemoving) return *It;
  return nullptr;
}

TGGraph* TGGraphNode::ListedGraph(const TGGraphEdge* Edge) noexcept {
  if (Edge->FFrom->FGraph && Edge->FFrom->FIndex >= 0) return Edge->FFrom->FGraph;
  if (Edge->FTo->FGraph && Edge->FTo->FIndex >= 0) return Edge->FTo->FGraph;
  return nullptr;
}

void TGGraphNode::RemoveOutEdges() {
  TGGraph::TUpdateGuard Guard(FIndex >= 0 ? FGraph : nullptr);
  while (TGGraphEdge* Edge = LastRemovable(FOut.Items)) {
    DropEdge(Edge);
    Free(Edge);
  }
}

void TGGraphNode::RemoveInEdges() {
  TGGraph::TUpdateGuard Guard(FIndex >= 0 ? FGraph : nullptr);
  while (TGGraphEdge* Edge = LastRemovable(FIn.Items)) {
    Edge->FFrom->DropEdge(Edge);
    Free(Edge);
  }
}

void TGGraphNode::RemoveEdges() {
  TGGraph::TUpdateGuard Guard(FIndex >= 0 ? FGraph : nullptr);
  RemoveOutEdges();
  RemoveInEdges();
}

bool TGGraphNode::HasEdgeTo(const TGGraphNode* To) const noexcept {
  if (!To) return false;
  if (FOut.Items.size() <= To->FIn.Items.size()) {
    for (TGGraphEdge* Edge : FOut.Items)
      if (Edge && Edge->FTo == To) return true;
  } else {
    for (TGGraphEdge* Edge : To->FIn.Items)
      if (Edge && Edge->FFrom == this) return true;
  }
  return false;
}

std::string TGGraphNode::GetToString() const { return ClassName(); }

void TGGraphNode::EdgeAdded(TGGraphEdge*, bool) {}

void TGGraphNode::EdgeRemoving(TGGraphEdge*, bool) {}

// --- TGGraph ---------------------------------------------------------------------------------

TGGraph::~TGGraph() {
  // Normally BeforeDestruction emptied the graph while it was whole; nobody listens any more.
  OnChange.Clear();
  OnNodeChange.Clear();
  TGGraph::Clear();
}

void TGGraph::BeforeDestruction() {
  TComponent::BeforeDestruction();
  Clear();
}

void TGGraph::AddNode(TGGraphNode* Node) {
  if (!Node) throw EGraphError(SNilNode);
  if (Node->FIndex >= 0) {
    if (Node->FGraph == this) return;
    throw EGraphError(SNodeOfOtherGraph);
  }
  if (Node->FGraph && Node->FGraph != this) throw EGraphError(SNodeOfOtherGraph);
  FNodes.push_back(Node);
  Node->FGraph = this;
  Node->FIndex = static_cast<int>(FNodes.size()) - 1;
  NodeChange(Node, noAdded);
  Changed();
}

void TGGraph::CheckOwn(const TGGraphNode* Node) const {
  if (Node->FGraph != this || Node->FIndex < 0) throw EGraphError(SNotOwnNode);
}

void TGGraph::RemoveNode(TGGraphNode* Node) {
  if (!Node) return;
  CheckOwn(Node);
  Detach(Node);
  Free(Node);
}

TGGraphNode* TGGraph::Extract(TGGraphNode* Node) {
  if (!Node) return nullptr;
  CheckOwn(Node);
  Detach(Node);
  return Node;
}

void TGGraph::Detach(TGGraphNode* Node) {
  TUpdateGuard Guard(this);
  Node->RemoveEdges();
  if (Node->FGraph == this && Node->FIndex >= 0) Unlist(Node);
}

void TGGraph::Unlist(TGGraphNode* Node) {
  auto At = static_cast<size_t>(Node->FIndex);
  FNodes.erase(FNodes.begin() + static_cast<std::ptrdiff_t>(At));
  for (size_t I = At; I < FNodes.size(); ++I) FNodes[I]->FIndex = static_cast<int>(I);
  Node->FIndex = -1;
  Node->FGraph = nullptr;
  NodeChange(Node, noRemoved);
  Changed();
}

TGGraphNode* TGGraph::Nodes(int Index) const {
  if (Index < 0 || Index >= NodeCount())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FNodes[static_cast<size_t>(Index)];
}

int TGGraph::IndexOf(const TGGraphNode* Node) const noexcept {
  return Node && Node->FGraph == this ? Node->FIndex : -1;
}

void TGGraph::Clear() {
  TUpdateGuard Guard(this);
  while (!FNodes.empty()) {
    TGGraphNode* Node = FNodes.back();
    Detach(Node);
    Free(Node);
  }
}

bool TGGraph::IsAcyclic() const { return static_cast<int>(KahnOrder(*this).size()) == NodeCount(); }

std::vector<TGGraphNode*> TGGraph::TopologicalOrder() const {
  std::vector<TGGraphNode*> Order = KahnOrder(*this);
  if (static_cast<int>(Order.size()) != NodeCount()) throw EGraphError(SGraphCycle);
  return Order;
}

void TGGraph::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0 && FChanged) {
    FChanged = false;
    if (!Destroying()) OnChange(this);
  }
}

void TGGraph::Changed() {
  if (Destroying()) return;
  if (FUpdateCount > 0) {
    FChanged = true;
  } else {
    FChanged = false;
    OnChange(this);
  }
}

void TGGraph::NodeChange(TGGraphNode* Node, TNodeOperation Operation) {
  if (!Destroying()) OnNodeChange(this, Node, Operation);
}

TGGraphEdge* TGGraph::CreateEdge(TGGraphNode* From, TGGraphNode* To) {
  return NewObject<TGGraphEdge>(From, To);
}

}  // namespace norvale
