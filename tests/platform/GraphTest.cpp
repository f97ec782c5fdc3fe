#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/Graph.h"

namespace norvale {
namespace {

std::string EdgeText(const TGGraphEdge* Edge) {
  return Edge->From()->GetToString() + ">" + Edge->To()->GetToString();
}

std::string EdgesText(const std::vector<TGGraphEdge*>& Edges) {
  std::string S;
  for (const TGGraphEdge* Edge : Edges) S += (S.empty() ? "" : " ") + EdgeText(Edge);
  return S;
}

// A named node that logs the edge notifications it gets, whether the edge is on its list at
// that moment, and its own destruction.
class TLogNode : public TGGraphNode {
 public:
  TLogNode(TGGraph* Graph, std::string Name, std::vector<std::string>* Log)
      : TGGraphNode(Graph), FName(std::move(Name)), FLog(Log) {}
  ~TLogNode() override {
    if (FLog) FLog->push_back("~" + FName);
  }
  std::string GetToString() const override { return FName; }

 protected:
  void EdgeAdded(TGGraphEdge* Edge, bool Incoming) override { Note("+", Edge, Incoming); }
  void EdgeRemoving(TGGraphEdge* Edge, bool Incoming) override { Note("-", Edge, Incoming); }

 private:
  void Note(const char* What, TGGraphEdge* Edge, bool Incoming) {
    if (!FLog) return;
    const auto& List = Incoming ? InEdges() : OutEdges();
    bool Listed = std::find(List.begin(), List.end(), Edge) != List.end();
    FLog->push_back(FName + What + (Incoming ? "in " : "out ") + EdgeText(Edge) +
                    (Listed ? "" : " (not listed)"));
  }

  std::string FName;
  std::vector<std::string>* FLog;
};

// A graph of logging nodes named A, B, C... in the order they were made.
class GraphTest : public ::testing::Test {
 protected:
  void TearDown() override { Free(Graph); }

  TLogNode* Add(const std::string& Name) { return NewObject<TLogNode>(Graph, Name, &Log); }
  void AddNodes(int Count) {
    for (int I = 0; I < Count; ++I) Add(std::string(1, static_cast<char>('A' + I)));
  }
  TGGraphNode* N(char Name) const { return Graph->Nodes(Name - 'A'); }
  // Links "AB AC" as A->B and A->C.
  void Link(const std::string& Edges) {
    std::istringstream In(Edges);
    std::string Pair;
    while (In >> Pair) N(Pair[0])->AddEdge(N(Pair[1]));
  }
  std::string Names(const std::vector<TGGraphNode*>& Nodes) const {
    std::string S;
    for (const TGGraphNode* Node : Nodes) S += Node->GetToString();
    return S;
  }
  std::string Names() const {
    std::vector<TGGraphNode*> All;
    for (int I = 0; I < Graph->NodeCount(); ++I) All.push_back(Graph->Nodes(I));
    return Names(All);
  }
  std::vector<std::string> TakeLog() { return std::exchange(Log, {}); }

  std::vector<std::string> Log;
  TGGraph* Graph = NewObject<TGGraph>(nullptr);
};

TEST_F(GraphTest, EdgesAndDegreesFollowTheOrderOfAdding) {
  AddNodes(4);
  Link("AC AB BC AC CD");  // parallel edges are kept apart
  struct {
    char Node;
    const char* Out;
    const char* In;
  } const Cases[] = {
      {'A', "A>C A>B A>C", ""},
      {'B', "B>C", "A>B"},
      {'C', "C>D", "A>C B>C A>C"},
      {'D', "", "C>D"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Node);
    const TGGraphNode* Node = N(C.Node);
    EXPECT_EQ(EdgesText(Node->OutEdges()), C.Out);
    EXPECT_EQ(EdgesText(Node->InEdges()), C.In);
    EXPECT_EQ(Node->OutDegree(), static_cast<int>(Node->OutEdges().size()));
    EXPECT_EQ(Node->EdgeCount(), Node->OutDegree());
    EXPECT_EQ(Node->InDegree(), static_cast<int>(Node->InEdges().size()));
  }
  EXPECT_TRUE(N('A')->HasEdgeTo(N('B')));
  EXPECT_FALSE(N('B')->HasEdgeTo(N('A')));
  EXPECT_FALSE(N('A')->HasEdgeTo(N('D')));
  EXPECT_FALSE(N('A')->HasEdgeTo(nullptr));

  N('A')->RemoveEdge(N('A')->OutEdges()[1]);
  EXPECT_EQ(EdgesText(N('A')->OutEdges()), "A>C A>C");
  EXPECT_EQ(EdgesText(N('C')->InEdges()), "A>C B>C A>C");
  EXPECT_FALSE(N('A')->HasEdgeTo(N('B')));
  EXPECT_EQ(N('B')->InDegree(), 0);
}

// Many removals from the middle of long edge lists, mixed with additions and with or without
// reading the lists in between, keep both ends' lists in the order of adding.
TEST_F(GraphTest, LongEdgeListsStayInOrderThroughRemovals) {
  AddNodes(6);
  TGGraphNode* Hub = N('A');
  std::vector<TGGraphEdge*> Model;
  auto Check = [&] {
    ASSERT_EQ(Hub->OutEdges(), Model);
    ASSERT_EQ(Hub->OutDegree(), static_cast<int>(Model.size()));
    for (char T = 'B'; T <= 'F'; ++T) {
      std::vector<TGGraphEdge*> In;
      for (TGGraphEdge* Edge : Model)
        if (Edge->To() == N(T)) In.push_back(Edge);
      ASSERT_EQ(N(T)->InEdges(), In) << T;
      ASSERT_EQ(N(T)->InDegree(), static_cast<int>(In.size())) << T;
    }
  };
  auto AddSome = [&](int Count) {
    for (int I = 0; I < Count; ++I)
      Model.push_back(Hub->AddEdge(N(static_cast<char>('B' + I % 5))));
  };
  // Each round removes edges at positions First, First + Stride, ... (wrapping), then adds some.
  struct {
    size_t First, Stride;
    int Removed, Added;
    bool ReadBetween;
  } const Rounds[] = {{0, 3, 40, 10, true},  {5, 7, 60, 0, false},  {1, 1, 30, 40, false},
                      {30, 11, 20, 3, true}, {0, 0, 23, 25, false}, {24, 0, 1, 0, true}};
  AddSome(120);
  for (const auto& R : Rounds) {
    for (int K = 0; K < R.Removed; ++K) {
      size_t At = (R.First + static_cast<size_t>(K) * R.Stride) % Model.size();
      Hub->RemoveEdge(Model[At]);
      Model.erase(Model.begin() + static_cast<std::ptrdiff_t>(At));
      if (R.ReadBetween) Check();
    }
    AddSome(R.Added);
    Check();
  }
}

TEST_F(GraphTest, BothEndsAreToldOfEdgesComingAndGoing) {
  AddNodes(2);
  TGGraphNode* A = N('A');
  TGGraphNode* B = N('B');
  TGGraphEdge* AB = A->AddEdge(B);
  TGGraphEdge* BB = B->AddEdge(B);
  EXPECT_EQ(TakeLog(),
            (std::vector<std::string>{"A+out A>B", "B+in A>B", "B+out B>B", "B+in B>B"}));
  A->RemoveEdge(AB);
  B->RemoveEdge(BB);
  EXPECT_EQ(TakeLog(),
            (std::vector<std::string>{"A-out A>B", "B-in A>B", "B-out B>B", "B-in B>B"}));
  EXPECT_EQ(A->OutDegree() + B->InDegree() + B->OutDegree(), 0);

  // A node without a graph links just the same.
  TLogNode* Loose = NewObject<TLogNode>(nullptr, "L", &Log);
  Loose->AddEdge(Loose);
  Free(Loose);
  EXPECT_EQ(TakeLog(),
            (std::vector<std::string>{"L+out L>L", "L+in L>L", "L-out L>L", "L-in L>L", "~L"}));
}

TEST_F(GraphTest, RemovingANodeRemovesItsEdgesBothWays) {
  AddNodes(4);
  Link("AB CB BD BB AD");
  TGGraphNode* C = N('C');
  std::vector<std::string> Changes;
  Graph->OnNodeChange = [&](TObject* Sender, TGGraphNode* Node, TNodeOperation Op) {
    EXPECT_EQ(Sender, Graph);
    Changes.push_back(Node->GetToString() + (Op == noRemoved ? " removed" : " other"));
  };
  TakeLog();
  Graph->RemoveNode(N('B'));
  EXPECT_EQ(TakeLog(),
            (std::vector<std::string>{"B-out B>B", "B-in B>B", "B-out B>D", "D-in B>D", "C-out C>B",
                                      "B-in C>B", "A-out A>B", "B-in A>B", "~B"}));
  EXPECT_EQ(Changes, (std::vector<std::string>{"B removed"}));
  EXPECT_EQ(Names(), "ACD");
  EXPECT_EQ(Graph->IndexOf(C), 1);
  EXPECT_EQ(EdgesText(Graph->Nodes(0)->OutEdges()), "A>D");
  EXPECT_EQ(EdgesText(Graph->Nodes(2)->InEdges()), "A>D");
  EXPECT_EQ(Graph->Nodes(1)->OutDegree(), 0);
}

TEST_F(GraphTest, ExtractGivesUpALiveNodeWithoutEdges) {
  AddNodes(3);
  Link("AB BC CB");
  TGGraphNode* B = N('B');
  std::vector<TNodeOperation> Ops;
  Graph->OnNodeChange = [&](TObject*, TGGraphNode*, TNodeOperation Op) { Ops.push_back(Op); };
  TakeLog();
  EXPECT_EQ(Graph->Extract(B), B);
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"B-out B>C", "C-in B>C", "C-out C>B", "B-in C>B",
                                                 "A-out A>B", "B-in A>B"}));
  EXPECT_EQ(Ops, std::vector<TNodeOperation>{noRemoved});
  EXPECT_EQ(Names(), "AC");
  EXPECT_EQ(B->Graph(), nullptr);
  EXPECT_EQ(Graph->IndexOf(B), -1);
  EXPECT_EQ(B->InDegree() + B->OutDegree(), 0);
  EXPECT_EQ(N('A')->OutDegree() + Graph->Nodes(1)->InDegree(), 0);

  // The node is the caller's now and can join another graph.
  TGGraph* Other = NewObject<TGGraph>(nullptr);
  Other->AddNode(B);
  EXPECT_EQ(B->Graph(), Other);
  B->AddEdge(B);
  Free(Other);
  EXPECT_EQ(TakeLog(),
            (std::vector<std::string>{"B+out B>B", "B+in B>B", "B-out B>B", "B-in B>B", "~B"}));
}

TEST_F(GraphTest, ClearFreesEveryNodeNewestFirst) {
  AddNodes(3);
  Link("AB BC CA");
  std::vector<std::string> Removed;
  int Changes = 0;
  Graph->OnNodeChange = [&](TObject*, TGGraphNode* Node, TNodeOperation Op) {
    if (Op == noRemoved) Removed.push_back(Node->GetToString());
  };
  Graph->OnChange = [&](TObject*) { ++Changes; };
  TakeLog();
  Graph->Clear();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"C-out C>A", "A-in C>A", "B-out B>C", "C-in B>C",
                                                 "~C", "A-out A>B", "B-in A>B", "~B", "~A"}));
  EXPECT_EQ(Removed, (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Graph->NodeCount(), 0);

  // The graph is usable again; an owner frees it with its nodes, newest first, silently.
  TComponent* Owner = NewObject<TComponent>(nullptr);
  TGGraph* Owned = NewObject<TGGraph>(Owner);
  for (const char* Name : {"X", "Y"}) NewObject<TLogNode>(Owned, Name, &Log);
  Owned->Nodes(0)->AddEdge(Owned->Nodes(1));
  Owned->OnChange = [&](TObject*) { ++Changes; };
  TakeLog();
  Free(Owner);
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"X-out X>Y", "Y-in X>Y", "~Y", "~X"}));
  EXPECT_EQ(Changes, 1);
}

class TWeightedEdge : public TGGraphEdge {
 public:
  using TGGraphEdge::TGGraphEdge;
  double Weight = 1.5;
};

class TWeightedGraph : public TGGraph {
 public:
  using TGGraph::TGGraph;

 protected:
  TGGraphEdge* CreateEdge(TGGraphNode* From, TGGraphNode* To) override {
    return NewObject<TWeightedEdge>(From, To);
  }
};

TEST(TGGraph, CreateEdgeMakesTheEdgesOfAGraph) {
  TGGraph* Graph = NewObject<TWeightedGraph>(nullptr);
  TGGraphNode* A = NewObject<TGGraphNode>(Graph);
  TGGraphNode* B = NewObject<TGGraphNode>(Graph);
  auto* Edge = dynamic_cast<TWeightedEdge*>(A->AddEdge(B));
  ASSERT_NE(Edge, nullptr);
  EXPECT_EQ(Edge->Weight, 1.5);
  EXPECT_EQ(Edge->From(), A);
  EXPECT_EQ(Edge->To(), B);
  EXPECT_EQ(B->InEdges(), std::vector<TGGraphEdge*>{Edge});
  EXPECT_EQ(A->ClassName(), "TGGraphNode");
  EXPECT_EQ(A->GetToString(), "TGGraphNode");

  TGGraphNode* Loose = NewObject<TGGraphNode>();
  TGGraphEdge* Plain = Loose->AddEdge(Loose);
  EXPECT_EQ(Plain->ClassName(), "TGGraphEdge");
  Free(Loose);
  Free(Graph);
}

TEST_F(GraphTest, TopologicalOrderIsStableAndRefusesCycles) {
  struct {
    const char* Name;
    int Nodes;
    const char* Edges;
    const char* Order;  // nullptr: cyclic
  } const Cases[] = {
      {"empty", 0, "", ""},
      {"independent nodes keep their order", 4, "", "ABCD"},
      {"diamond", 4, "AB AC BD CD", "ABCD"},
      {"diamond made bottom up", 4, "DC DB CA BA", "DBCA"},
      {"ready nodes go by node order", 4, "AD BC", "ABCD"},
      {"chain against node order", 4, "CB BA", "CBAD"},
      {"parallel edges", 3, "BA BA CB", "CBA"},
      {"cycle", 4, "AB BC CA", nullptr},
      {"loop", 2, "AB BB", nullptr},
      {"cycle below an acyclic part", 4, "AB BC CB BD", nullptr},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    Graph->Clear();
    AddNodes(C.Nodes);
    Link(C.Edges);
    EXPECT_EQ(Graph->IsAcyclic(), C.Order != nullptr);
    if (C.Order) {
      EXPECT_EQ(Names(Graph->TopologicalOrder()), C.Order);
    } else {
      try {
        Graph->TopologicalOrder();
        ADD_FAILURE() << "no error";
      } catch (const EGraphError& E) {
        EXPECT_STREQ(E.what(), "Graph contains a cycle");
      }
    }
  }
  Log.clear();
}

TEST_F(GraphTest, FreeingANodeOrEdgeDirectlyTakesItOut) {
  AddNodes(4);
  Link("AB CB BD BB");
  TGGraphNode* B = N('B');
  std::vector<std::string> Changes;
  Graph->OnNodeChange = [&](TObject*, TGGraphNode* Node, TNodeOperation Op) {
    if (Op == noRemoved) Changes.push_back(Node->GetToString());
  };
  TakeLog();
  Free(B);
  EXPECT_EQ(TakeLog(),
            (std::vector<std::string>{"B-out B>B", "B-in B>B", "B-out B>D", "D-in B>D", "C-out C>B",
                                      "B-in C>B", "A-out A>B", "B-in A>B", "~B"}));
  EXPECT_EQ(Changes, std::vector<std::string>{"B"});
  EXPECT_EQ(Names(), "ACD");
  for (int I = 0; I < Graph->NodeCount(); ++I)
    EXPECT_EQ(Graph->Nodes(I)->InDegree() + Graph->Nodes(I)->OutDegree(), 0);

  TGGraphEdge* AD = N('A')->AddEdge(Graph->Nodes(2));
  TakeLog();
  Free(AD);
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"A-out A>D", "D-in A>D"}));
  EXPECT_EQ(Graph->Nodes(2)->InDegree(), 0);
  EXPECT_TRUE(N('A')->OutEdges().empty());
}

TEST_F(GraphTest, UpdateBracketsReportOneChange) {
  int Changes = 0;
  Graph->OnChange = [&](TObject* Sender) {
    EXPECT_EQ(Sender, Graph);
    ++Changes;
  };
  struct {
    const char* Name;
    std::function<void()> Action;
    int Expected;
  } const Cases[] = {
      {"a node outside a bracket", [&] { Add("A"); }, 1},
      {"an edge outside a bracket", [&] { N('A')->AddEdge(N('A')); }, 1},
      {"nested brackets",
       [&] {
         Graph->BeginUpdate();
         Graph->BeginUpdate();
         Add("B");
         Add("C");
         Link("AB BC CA");
         Graph->EndUpdate();
         EXPECT_EQ(Changes, 0);
         Graph->EndUpdate();
       },
       1},
      {"a bracket without changes",
       [&] {
         Graph->BeginUpdate();
         Graph->EndUpdate();
         Graph->EndUpdate();  // unmatched: ignored
       },
       0},
      {"removing a node with edges", [&] { Graph->RemoveNode(N('B')); }, 1},
      {"removing a node's edges", [&] { N('A')->RemoveEdges(); }, 1},
      {"clearing", [&] { Graph->Clear(); }, 1},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    Changes = 0;
    C.Action();
    EXPECT_EQ(Changes, C.Expected);
  }
  Log.clear();
}

// Removing nodes from the middle of a big graph leaves every other edge intact, on both ends.
TEST_F(GraphTest, BigGraphSurvivesRemovalsFromTheMiddle) {
  const int Count = 300;
  std::vector<TGGraphNode*> Made;
  for (int I = 0; I < Count; ++I) Made.push_back(NewObject<TGGraphNode>(Graph));
  std::vector<std::pair<int, int>> Edges;  // by creation index, in order of adding
  for (int I = 0; I < Count; ++I)
    for (int To : {I + 1, I + 7, (I * 31) % Count, I})
      if (To < Count) {
        Made[static_cast<size_t>(I)]->AddEdge(Made[static_cast<size_t>(To)]);
        Edges.emplace_back(I, To);
      }
  std::vector<bool> Gone(Count, false);
  for (int I = 100, K = 0; I < 220; I += 3, ++K) {
    TGGraphNode* Node = Made[static_cast<size_t>(I)];
    switch (K % 3) {
      case 0:
        Graph->RemoveNode(Node);
        break;
      case 1:
        Free(Node);
        break;
      default:
        Free(Graph->Extract(Node));
        break;
    }
    Gone[static_cast<size_t>(I)] = true;
  }
  ASSERT_EQ(Graph->NodeCount(),
            Count - static_cast<int>(std::count(Gone.begin(), Gone.end(), true)));
  for (int I = 0, At = 0; I < Count; ++I) {
    if (Gone[static_cast<size_t>(I)]) continue;
    TGGraphNode* Node = Made[static_cast<size_t>(I)];
    ASSERT_EQ(Graph->IndexOf(Node), At++);
    std::vector<TGGraphNode*> Out, In, WantOut, WantIn;
    for (TGGraphEdge* Edge : Node->OutEdges()) {
      ASSERT_EQ(Edge->From(), Node);
      Out.push_back(Edge->To());
      const auto& Back = Edge->To()->InEdges();
      ASSERT_NE(std::find(Back.begin(), Back.end(), Edge), Back.end());
    }
    for (TGGraphEdge* Edge : Node->InEdges()) {
      ASSERT_EQ(Edge->To(), Node);
      In.push_back(Edge->From());
    }
    for (auto [From, To] : Edges) {
      if (Gone[static_cast<size_t>(From)] || Gone[static_cast<size_t>(To)]) continue;
      if (From == I) WantOut.push_back(Made[static_cast<size_t>(To)]);
      if (To == I) WantIn.push_back(Made[static_cast<size_t>(From)]);
    }
    ASSERT_EQ(Out, WantOut) << I;
    ASSERT_EQ(In, WantIn) << I;
  }
}

TEST(TGGraph, MisuseIsRefused) {
  TGGraph* Graph = NewObject<TGGraph>(nullptr);
  TGGraph* Other = NewObject<TGGraph>(nullptr);
  TGGraphNode* Mine = NewObject<TGGraphNode>(Graph);
  TGGraphNode* Mine2 = NewObject<TGGraphNode>(Graph);
  TGGraphNode* Theirs = NewObject<TGGraphNode>(Other);
  TGGraphEdge* Edge = Mine->AddEdge(Mine2);
  struct {
    const char* Name;
    std::function<void()> Action;
    const char* Message;
  } const Cases[] = {
      {"nil node", [&] { Graph->AddNode(nullptr); }, "Cannot add a nil node to a graph"},
      {"node of another graph", [&] { Graph->AddNode(Theirs); }, "Node belongs to another graph"},
      {"removing a stranger", [&] { Graph->RemoveNode(Theirs); },
       "Node does not belong to this graph"},
      {"extracting a stranger", [&] { Graph->Extract(Theirs); },
       "Node does not belong to this graph"},
      {"edge to nil", [&] { Mine->AddEdge(nullptr); }, "Cannot add an edge to nil"},
      {"edge between graphs", [&] { Mine->AddEdge(Theirs); },
       "Cannot link nodes of different graphs"},
      {"removing an edge at its end", [&] { Mine2->RemoveEdge(Edge); },
       "Edge does not start at this node"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    try {
      C.Action();
      ADD_FAILURE() << "no error";
    } catch (const EGraphError& E) {
      EXPECT_STREQ(E.what(), C.Message);
    }
  }
  EXPECT_THROW(Graph->Nodes(2), EListError);
  EXPECT_THROW(Graph->Nodes(-1), EListError);
  // Nothing was disturbed; adding a node twice is harmless.
  Graph->AddNode(Mine);
  EXPECT_EQ(Graph->NodeCount(), 2);
  EXPECT_EQ(Other->NodeCount(), 1);
  EXPECT_EQ(Mine->OutEdges(), std::vector<TGGraphEdge*>{Edge});
  Free(Other);
  Free(Graph);
}

}  // namespace
}  // namespace norvale
