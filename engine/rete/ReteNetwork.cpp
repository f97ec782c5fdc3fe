#include "engine/rete/ReteNetwork.h"

#include <algorithm>
#include <set>

#include "engine/core/ValueVector.h"
#include "engine/engine/InferenceEngine.h"

namespace norvale {

namespace {

// Every binding reference inside a compiled call, at any depth.
template <class F>
void ForEachBindingRef(const TFunctionCall& Call, F&& Visit) {
  for (const IIEValue& A : Call.Arguments()) {
    if (!A) continue;
    if (A->DType() == dtFunCall) {
      if (TFunctionCall* Inner = A->FunCallPtr()) ForEachBindingRef(*Inner, Visit);
    } else if (A->DType() == dtObject) {
      if (auto* B = dynamic_cast<TBindingInfo*>(A->AsObject())) Visit(*B);
    }
  }
}

bool HasMorePatterns(const TFunctionCall& Call, int K) {
  bool More = false;
  ForEachBindingRef(Call, [&](TBindingInfo& B) {
    if (B.FactIndex() != K) More = true;
  });
  return More;
}

}  // namespace

struct TReteNetwork::TCompile {
  TRule* Rule;
  std::vector<TReteNode*>* Nodes;
  std::vector<TReteNode*> Heads, Tails;
  std::vector<std::set<std::string>> Handled;
  std::set<TReteNode*> Made;
  struct TFeed {
    TReteNode* From;  // nil: a new root, fed with the fact base
    TReteNode* To;
    TCallType CallType;
  };
  std::vector<TFeed> Feeds;
  std::string& Trace;
};

TReteNetwork::TReteNetwork(TComponent* Owner, TInferenceEngine* Engine)
    : TGGraph(Owner), FEngine(Engine ? Engine : dynamic_cast<TInferenceEngine*>(Owner)) {}

TReteNetwork::~TReteNetwork() {
  // Free the nodes while the network is whole: they report to it as their edges go.
  Clear();
  FClearing = true;
}

void TReteNetwork::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  if (!Value) Clear();
}

void TReteNetwork::SetMinActivationStrength(float Value) noexcept {
  FMinActivationStrength = Value < 0 ? 0 : (Value > 1 ? 1 : Value);
}

TGGraphEdge* TReteNetwork::CreateEdge(TGGraphNode* From, TGGraphNode* To) {
  return new TReteEdge(From, To, FNextCallType);
}

TReteEdge* TReteNetwork::Connect(TReteNode* From, TReteNode* To, TCallType Type) {
  FNextCallType = Type;
  auto* E = static_cast<TReteEdge*>(From->AddEdge(To));
  FNextCallType = ctSingle;
  return E;
}

void TReteNetwork::AddNode(TGGraphNode* Node) {
  TGGraph::AddNode(Node);
  auto* N = static_cast<TReteNode*>(Node);
  if (N->InDegree() == 0) RootJoined(N);
}

void TReteNetwork::RootJoined(TReteNode* Node) {
  if (FClearing) return;
  if (std::find(FRoots.begin(), FRoots.end(), Node) == FRoots.end()) FRoots.push_back(Node);
  InvalidateDispatch();
}

void TReteNetwork::RootLeft(TReteNode* Node) {
  auto It = std::find(FRoots.begin(), FRoots.end(), Node);
  if (It != FRoots.end()) FRoots.erase(It);
  InvalidateDispatch();
}

void TReteNetwork::RemoveNode(TGGraphNode* Node) {
  auto* N = static_cast<TReteNode*>(Node);
  UnindexAlpha(N);
  RootLeft(N);
  if (N->RuleUseCount() > 0)
    for (auto& [Rule, List] : FRules)
      List.erase(std::remove(List.begin(), List.end(), N), List.end());
  TGGraph::RemoveNode(Node);
  RootLeft(N);
}

TGGraphNode* TReteNetwork::Extract(TGGraphNode* Node) {
  auto* N = static_cast<TReteNode*>(Node);
  UnindexAlpha(N);
  RootLeft(N);
  for (auto& [Rule, List] : FRules)
    List.erase(std::remove(List.begin(), List.end(), N), List.end());
  TGGraphNode* R = TGGraph::Extract(Node);
  RootLeft(N);
  return R;
}

void TReteNetwork::FreeNode(TReteNode* Node) {
  UnindexAlpha(Node);
  RootLeft(Node);
  TGGraph::RemoveNode(Node);
  RootLeft(Node);
}

void TReteNetwork::Clear() {
  bool Was = FClearing;
  FClearing = true;
  FRules.clear();
  FRuleOrder.clear();
  FRoots.clear();
  FDispatch.clear();
  FAlphaIndex.clear();
  FAlphaKeys.clear();
  TGGraph::Clear();
  FRoots.clear();
  FDispatch.clear();
  FClearing = Was;
}

void TReteNetwork::Notification(TComponent* Component, TOperation Operation) {
  TGGraph::Notification(Component, Operation);
  if (Operation == opRemove)
    if (auto* R = dynamic_cast<TRule*>(Component)) RemoveRule(R);
}

const std::vector<TReteNode*>* TReteNetwork::GetRuleNodesList(const TRule* Rule) const {
  auto It = FRules.find(const_cast<TRule*>(Rule));
  return It == FRules.end() ? nullptr : &It->second;
}

TPatternMatchTerminalNode* TReteNetwork::TerminalOf(const TRule* Rule) const {
  const auto* List = GetRuleNodesList(Rule);
  if (!List) return nullptr;
  for (auto It = List->rbegin(); It != List->rend(); ++It)
    if (auto* T = dynamic_cast<TPatternMatchTerminalNode*>(*It)) return T;
  return nullptr;
}

// --- node classes ---------------------------------------------------------------------------

TPatternMatchNode* TReteNetwork::NewPatternMatchNode(TPatternMatchTest Test,
                                                     const TNodeArgsArray& Args,
                                                     const IIEValue& Value) {
  return NewObject<TPatternMatchNode>(this, Test, Args, Value);
}
TTestNode* TReteNetwork::NewTestNode() { return NewObject<TTestNode>(this); }
TJoinNode* TReteNetwork::NewJoinNode(bool Negated, bool Unique, bool PrefixJoin) {
  return NewObject<TJoinNode>(this, Negated, Unique, PrefixJoin);
}
TPatternMatchTerminalNode* TReteNetwork::NewTerminalNode(TRule* Rule) {
  return NewObject<TPatternMatchTerminalNode>(this, Rule);
}

// --- compiling ------------------------------------------------------------------------------

IFunCall TReteNetwork::Evaluate(const TFunctionCall& Call, TRule* Rule) {
  IFunCall R = Call.Clone();
  for (int I = 0; I < R->GetArgumentCount(); ++I) {
    const IIEValue& A = R->GetArgument(I);
    if (!A) continue;
    if (IEVariableTypes.Contains(A->DType())) {
      if (TBinding* B = Rule->GetBindingByName(A->Text())) {
        auto* Info = new TBindingInfo(B->FactIndex(), B->SlotIndex(), B->SubIndex());
        R->SetArgument(I, NewRef<TIEValue>(static_cast<TObject*>(Info), true));
      } else if (!(FEngine && FEngine->GlobalContext()->FindBinding(A->Text()))) {
        throw EIEException(Format(SUnknownVariable, {A->Text()}));
      }
    } else if (A->DType() == dtFunCall) {
      R->SetArgument(I, NewRef<TIEValue>(Evaluate(*A->FunCallPtr(), Rule)));
    }
  }
  return R;
}

namespace {

// What an alpha node tests, hashed: equal tests give equal keys (a fuzzy constant by its name).
uint64_t AlphaKey(const TReteNode* Parent, TPatternMatchTest Test, const IIEValue& Value,
                  const TNodeArgsArray& Args) {
  uint64_t H = std::hash<const void*>()(Parent) * 0x9E3779B97F4A7C15ull;
  H ^= static_cast<uint64_t>(Test) + 0x7F4A7C15ull + (H << 6) + (H >> 2);
  int32_t V = 0;
  if (Value) {
    V = Value->DType() == dtFuzzy ? (Value->FuzzyPtr() ? CalculateHash(Value->FuzzyPtr()->Name()) : 0)
                                  : Value->GetHashCode();
    V ^= static_cast<int32_t>(Value->DType()) << 24;
  }
  H ^= static_cast<uint64_t>(static_cast<uint32_t>(V)) + 0x9E3779B9ull + (H << 6) + (H >> 2);
  for (const TNodeArg& A : Args)
    H ^= std::hash<std::string>()(NodeArgToString(A)) + 0x9E3779B9ull + (H << 6) + (H >> 2);
  return H;
}

}  // namespace

void TReteNetwork::IndexAlpha(TPatternMatchNode* Node, uint64_t Key) {
  FAlphaIndex.emplace(Key, Node);
  FAlphaKeys[Node] = Key;
}

void TReteNetwork::UnindexAlpha(const TReteNode* Node) {
  auto K = FAlphaKeys.find(Node);
  if (K == FAlphaKeys.end()) return;
  auto [First, Last] = FAlphaIndex.equal_range(K->second);
  for (auto It = First; It != Last; ++It)
    if (It->second == Node) {
      FAlphaIndex.erase(It);
      break;
    }
  FAlphaKeys.erase(K);
}

TReteNode* TReteNetwork::CreateSuccessor(TCompile& C, TReteNode* Parent, TPatternMatchTest Test,
                                         const IIEValue& Value, TNodeArgsArray Args) {
  // An alpha node only ever sees a one-fact token: references read position 0.
  if (Value && Value->DType() == dtFunCall)
    ForEachBindingRef(*Value->FunCallPtr(), [](TBindingInfo& B) { B.SetFactIndex(0); });
  const uint64_t Key = AlphaKey(Parent, Test, Value, Args);
  auto [First, Last] = FAlphaIndex.equal_range(Key);
  for (auto It = First; It != Last; ++It) {
    TPatternMatchNode* N = It->second;
    if (!N->Equals(Test, Value, Args)) continue;
    // A successor of that very parent (a root when there is none).
    bool Child = false;
    if (Parent) {
      for (TGGraphEdge* E : N->InEdges())
        if (E->From() == Parent) Child = true;
    } else {
      Child = N->InDegree() == 0;
    }
    if (!Child) continue;
    N->SetRuleUseCount(N->RuleUseCount() + 1);
    C.Nodes->push_back(N);
    if (Parent) C.Trace += "=1";
    return N;
  }
  TPatternMatchNode* N = NewPatternMatchNode(Test, Args, Value);
  AddNode(N);
  IndexAlpha(N, Key);
  C.Made.insert(N);
  if (Parent) {
    Connect(Parent, N, ctSingle);
    if (!C.Made.count(Parent)) C.Feeds.push_back({Parent, N, ctSingle});
  } else {
    C.Feeds.push_back({nullptr, N, ctSingle});
  }
  C.Nodes->push_back(N);
  C.Trace += "+1";
  return N;
}

void TReteNetwork::FirstPass(TCompile& C) {
  const auto& Patterns = C.Rule->Patterns().Patterns();
  for (size_t K = 0; K < Patterns.size(); ++K) {
    TIEPattern* P = Patterns[K];
    TReteNode* Node = CreateSuccessor(C, nullptr, P->IsTest() ? pmtUnknown : pmtTestClassType,
                                      NewAtom(P->Name()), {0, 0});
    C.Heads[K] = Node;
    if (!P->IsTest()) {
      for (int S = 0; S < P->GetSlotCount(); ++S)
        for (const auto& T : P->GetSlotTests(S))
          if (T->SlotValue() && T->SlotValue()->DType() == dtMultiVariable)
            Node = CreateSuccessor(C, Node, pmtTestMultiSlotMultiField, nullptr,
                                   {P->GetSlotName(S), T->MultiSlotSubIndex(), 0});
      for (int S = 0; S < P->GetSlotCount(); ++S)
        if (P->GetSlotLength(S) >= 0)
          Node = CreateSuccessor(C, Node, pmtTestMultiSlotLength, nullptr,
                                 {P->GetSlotName(S), P->GetSlotLength(S), 0});
      for (int S = 0; S < P->GetSlotCount(); ++S)
        for (const auto& T : P->GetSlotTests(S)) {
          const IIEValue& V = T->SlotValue();
          if (!V || IEVariableTypes.Contains(V->DType())) continue;
          bool Whole = T->MultiSlotSubIndex() == NoSubIndex;
          bool Eq = T->SlotTestType() == sttEquals;
          TPatternMatchTest Kind = Whole ? (Eq ? pmtTestEqual : pmtTestNotEqual)
                                         : (Eq ? pmtTestMultiSlotEqual : pmtTestMultiSlotNotEqual);
          TNodeArgsArray Args{P->GetSlotName(S), T->MultiSlotSubIndex()};
          if (V->DType() == dtFunCall) {
            IFunCall Compiled = Evaluate(*V->FunCallPtr(), C.Rule);
            if (HasMorePatterns(*Compiled, static_cast<int>(K))) continue;
            Node = CreateSuccessor(C, Node, Kind, NewRef<TIEValue>(Compiled), Args);
          } else {
            Node = CreateSuccessor(C, Node, Kind, V, Args);
          }
        }
    }
    C.Tails[K] = Node;
  }
}

void TReteNetwork::SecondPass(TCompile& C) {
  const auto& Patterns = C.Rule->Patterns().Patterns();
  for (size_t K = 0; K < Patterns.size(); ++K) {
    TIEPattern* P = Patterns[K];
    if (P->IsTest()) continue;
    std::set<std::string> Handled;  // this pass's own: the joins still need every variable
    for (int I = 0; I < P->GetSlotCount(); ++I)
      for (int TI = 0; TI < P->GetSlotTestCount(I); ++TI) {
        TIEPatternMatchTest* T = P->GetSlotTest(I, TI);
        const IIEValue& V = T->SlotValue();
        if (!V || !IEVariableTypes.Contains(V->DType()) || Handled.count(V->Text())) continue;
        // Every later occurrence of the same variable, in a later slot or later in this one.
        for (int J = I; J < P->GetSlotCount(); ++J)
          for (int UI = (J == I ? TI + 1 : 0); UI < P->GetSlotTestCount(J); ++UI) {
            TIEPatternMatchTest* U = P->GetSlotTest(J, UI);
            if (!U->SlotValue() || !U->SlotValue()->Equals(V)) continue;
            bool TEq = T->SlotTestType() == sttEquals, UEq = U->SlotTestType() == sttEquals;
            if (!TEq && !UEq) continue;
            C.Tails[K] = CreateSuccessor(
                C, C.Tails[K], TEq && UEq ? pmtTestSlotValueEqual : pmtTestSlotValueNotEqual,
                nullptr,
                {P->GetSlotName(I), P->GetSlotName(J), T->MultiSlotSubIndex(),
                 U->MultiSlotSubIndex()});
          }
        Handled.insert(V->Text());
      }
  }
}

void TReteNetwork::ThirdPass(TCompile& C) {
  const auto& Patterns = C.Rule->Patterns().Patterns();
  for (size_t I = 1; I < Patterns.size(); ++I) {
    TIEPattern* P = Patterns[I];
    bool BackChained = P->FactTemplate() && P->FactTemplate()->IsBackwardChaining();
    TTestNode* Node =
        P->IsTest() ? NewTestNode() : NewJoinNode(P->NegatedCount() > 0, P->Unique(), false);
    std::unique_ptr<TTestNode, void (*)(TTestNode*)> Guard(Node, [](TTestNode* N) { Free(N); });
    auto* Join = dynamic_cast<TJoinNode*>(Node);
    const TFactTemplate* LeftTemplate = nullptr;
    for (int S = 0; S < P->GetSlotCount(); ++S)
      for (const auto& T : P->GetSlotTests(S)) {
        const IIEValue& V = T->SlotValue();
        if (!V) continue;
        if (IEVariableTypes.Contains(V->DType())) {
          if (C.Handled[I].count(V->Text())) continue;
          TBinding* B = C.Rule->GetBindingByName(V->Text());
          if (!B) throw EIEException(Format(SCorruptedVariable, {V->Text()}));
          C.Handled[I].insert(V->Text());
          if (B->FactIndex() == static_cast<int>(I) || !Join) continue;
          Join->AddTest(T->SlotTestType(), B->FactIndex(), P->GetSlotName(S),
                        T->MultiSlotSubIndex(), B->SlotIndex(), B->SubIndex());
          if (!LeftTemplate && B->FactIndex() >= 0 &&
              B->FactIndex() < static_cast<int>(Patterns.size()))
            LeftTemplate = Patterns[B->FactIndex()]->FactTemplate().Get();
        } else if (V->DType() == dtFunCall) {
          if (BackChained) throw EIEException(Format(SBackChainFuncallPatterns, {P->Name()}));
          IFunCall Compiled = Evaluate(*V->FunCallPtr(), C.Rule);
          if (!P->IsTest() && !HasMorePatterns(*Compiled, static_cast<int>(I))) continue;
          Node->AddTest(T->SlotTestType(), P->GetSlotName(S), T->MultiSlotSubIndex(),
                        NewRef<TIEValue>(Compiled));
        }
      }
    TReteNode* Current = nullptr;
    if (Join && !Join->NegatedPattern()) {
      for (TGGraphEdge* E : C.Tails[I - 1]->OutEdges()) {
        auto* J = dynamic_cast<TJoinNode*>(E->To());
        if (!J || J->NegatedPattern() || static_cast<TReteEdge*>(E)->CallType() != ctLeft) continue;
        bool FromRight = false;
        for (TGGraphEdge* F : C.Tails[I]->OutEdges())
          if (F->To() == J && static_cast<TReteEdge*>(F)->CallType() == ctRight) FromRight = true;
        if (FromRight && J->Equals(Join)) {
          J->SetRuleUseCount(J->RuleUseCount() + 1);
          C.Nodes->push_back(J);
          C.Trace += "=2";
          Current = J;
          break;
        }
      }
    }
    if (!Current) {
      Guard.release();
      AddNode(Node);
      C.Made.insert(Node);
      auto Link = [&](TReteNode* From, TReteNode* To, TCallType Type) {
        Connect(From, To, Type);
        if (!C.Made.count(From)) C.Feeds.push_back({From, To, Type});
      };
      Link(C.Tails[I - 1], Node, ctLeft);
      Link(C.Tails[I], Node, ctRight);
      if (Join && BackChained && !P->Explicit()) Join->SetPattern(P, C.Rule);
      if (Join) Join->PrepareShortCut(P->FactTemplate().Get(), LeftTemplate);
      C.Nodes->push_back(Node);
      C.Trace += "+2";
      Current = Node;
      for (int N = 1; N < P->NegatedCount(); ++N) {
        TJoinNode* Level = NewJoinNode(P->NegatedCount() - N > 0, false, true);
        AddNode(Level);
        C.Made.insert(Level);
        Link(Current, Level, ctRight);
        Link(C.Tails[I - 1], Level, ctLeft);
        C.Nodes->push_back(Level);
        Current = Level;
      }
    }
    C.Tails[I - 1] = C.Tails[I] = Current;
  }
}

void TReteNetwork::FourthPass(TCompile& C) {
  TPatternMatchTerminalNode* Terminal = NewTerminalNode(C.Rule);
  C.Trace += "+t";
  AddNode(Terminal);
  C.Made.insert(Terminal);
  TReteNode* Last = C.Tails.back();
  Connect(Last, Terminal, ctActivate);
  if (!C.Made.count(Last)) C.Feeds.push_back({Last, Terminal, ctActivate});
  C.Nodes->push_back(Terminal);
  BringUpToDate(C);
  Terminal->SetInitialized(true);
}

// Brings the rule's new nodes up to date with the facts already asserted: each new node is fed
// what its old parent passed on so far, and nothing else changes (existing memories and the
// agenda stay as they are). Inputs that reach right memories go first, so that every partial
// match meets its complete set of partners once.
void TReteNetwork::BringUpToDate(TCompile& C) {
  if (!FEngine || FEngine->FactList().empty()) return;
  auto FeedsRight = [&](const TCompile::TFeed& F) {
    if (F.CallType != ctSingle) return F.CallType == ctRight;
    TReteNode* N = F.To;
    while (N) {
      TReteNode* Next = nullptr;
      for (TGGraphEdge* E : N->OutEdges()) {
        auto Type = static_cast<TReteEdge*>(E)->CallType();
        if (Type != ctSingle) return Type == ctRight;
        Next = static_cast<TReteNode*>(E->To());
        break;
      }
      N = Next;
    }
    return false;
  };
  std::vector<const TCompile::TFeed*> Order;
  for (const auto& F : C.Feeds)
    if (FeedsRight(F)) Order.push_back(&F);
  for (const auto& F : C.Feeds)
    if (!FeedsRight(F)) Order.push_back(&F);
  ++FBusy;
  struct TDone {
    int& B;
    ~TDone() { --B; }
  } Done{FBusy};
  for (const TCompile::TFeed* F : Order) {
    TReteNode* To = F->To;
    TCallType Type = F->CallType;
    if (!F->From) {
      std::vector<IFact> Facts = FEngine->FactList();
      for (const IFact& Fact : Facts) To->CallNode(NewRef<TIEToken>(taUpdate, Fact), Type);
    } else {
      F->From->Replay([&](const IReteToken& T) {
        IReteToken U = T;
        if (U->Tag() != taUpdate) {
          U = NewRef<TIEToken>(*T);
          U->SetTag(taUpdate);
        }
        To->CallNode(U, Type);
      });
    }
  }
}

void TReteNetwork::AddRule(TRule* Rule) {
  if (!FEnabled || !Rule) return;
  if (Rule->Patterns().Count() == 0 && FEngine && FEngine->InitialFactPattern()) {
    bool Compiled = Contains(Rule);
    Rule->Patterns().Add(FEngine->InitialFactPattern()->Clone(Rule));
    if (Compiled) return;  // adding the pattern recompiled the rule already
    if (Contains(Rule)) return;
  }
  if (Rule->Patterns().Count() == 0) return;
  Rule->CompileTrace() = Rule->RuleName() + ": ";
  std::vector<TReteNode*>& Nodes = FRules[Rule];
  Nodes.clear();
  if (std::find(FRuleOrder.begin(), FRuleOrder.end(), Rule) == FRuleOrder.end())
    FRuleOrder.push_back(Rule);
  Rule->FreeNotification(this);
  size_t N = Rule->Patterns().Count();
  TCompile C{Rule,
             &Nodes,
             std::vector<TReteNode*>(N),
             std::vector<TReteNode*>(N),
             std::vector<std::set<std::string>>(N),
             {},
             {},
             Rule->CompileTrace()};
  try {
    FirstPass(C);
    SecondPass(C);
    ThirdPass(C);
    FourthPass(C);
  } catch (...) {
    RemoveRule(Rule);
    throw;
  }
}

void TReteNetwork::RemoveRule(TRule* Rule) {
  auto It = FRules.find(Rule);
  if (It == FRules.end()) return;
  std::vector<TReteNode*> Nodes = std::move(It->second);
  FRules.erase(It);
  FRuleOrder.erase(std::remove(FRuleOrder.begin(), FRuleOrder.end(), Rule), FRuleOrder.end());
  // Withdraw the rule's activations first: the agenda must not keep pointers into freed nodes.
  for (TReteNode* N : Nodes)
    if (auto* T = dynamic_cast<TPatternMatchTerminalNode*>(N)) T->StandDown();
  for (auto R = Nodes.rbegin(); R != Nodes.rend(); ++R) {
    TReteNode* Node = *R;
    if (IndexOf(Node) < 0) continue;
    Node->SetRuleUseCount(Node->RuleUseCount() - 1);
    if (Node->RuleUseCount() == 0) FreeNode(Node);
  }
  if (!FClearing) Rule->RemoveFreeNotification(this);
}

// --- tokens ---------------------------------------------------------------------------------

std::shared_ptr<const std::vector<TReteNode*>> TReteNetwork::RootsFor(TFactTemplate* Template) {
  TDispatch& D = FDispatch[Template];
  if (D.Roots && D.Name == Template->TemplateName() && D.Parent == Template->Parent().Get())
    return D.Roots;
  auto List = std::make_shared<std::vector<TReteNode*>>();
  for (TReteNode* R : FRoots) {
    auto* P = dynamic_cast<TPatternMatchNode*>(R);
    if (!P || P->PatternMatchTest() != pmtTestClassType) continue;
    const std::string& Name = P->Value()->Text();
    for (TFactTemplate* T = Template; T; T = T->Parent().Get())
      if (T->TemplateName() == Name) {
        List->push_back(R);
        break;
      }
  }
  D.Name = Template->TemplateName();
  D.Parent = Template->Parent().Get();
  D.Roots = std::move(List);
  return D.Roots;
}

bool TReteNetwork::ProcessTokenOneNode(const IReteToken& Token, TReteNode* Node) {
  return Node->CallNode(Token, ctSingle);
}

bool TReteNetwork::ProcessToken(const IReteToken& Token) {
  if (!Token) return false;
  if (!FEnabled && (Token->Tag() == taAdd || Token->Tag() == taUpdate)) return false;
  ++FBusy;
  struct TDone {
    int& B;
    ~TDone() { --B; }
  } Done{FBusy};
  bool Any = false;
  if (Token->Tag() == taClear || !Token->FactPtr() || !Token->FactPtr()->TemplatePtr()) {
    std::vector<TReteNode*> Roots = FRoots;
    for (TReteNode* R : Roots)
      if (ProcessTokenOneNode(Token, R)) Any = true;
    return Any;
  }
  // Held for the whole propagation: a rule compiled meanwhile (by a function called from a test)
  // makes a new table and leaves this one intact.
  std::shared_ptr<const std::vector<TReteNode*>> Roots = RootsFor(Token->FactPtr()->TemplatePtr());
  for (TReteNode* R : *Roots)
    if (ProcessTokenOneNode(Token, R)) Any = true;
  return Any;
}

void TReteNetwork::Activate(TActivation* Activation) {
  if (FEngine) FEngine->AddActivation(Activation);
  OnActivation(this, Activation);
}

void TReteNetwork::Deactivate(TActivation* Activation) {
  OnDeactivation(this, Activation);
  if (FEngine)
    FEngine->RemoveActivation(Activation);
  else
    Free(Activation);
}

void TReteNetwork::RuleFired(TActivation* Activation) {
  if (FEngine) FEngine->RuleFired(Activation);
  OnRuleFired(this, Activation);
}

TTreeItem TReteNetwork::AssignTo() const {
  TTreeItem Root;
  std::function<void(TTreeItem&, const TReteNode*)> Fill = [&](TTreeItem& Item,
                                                               const TReteNode* Node) {
    for (TGGraphEdge* E : Node->OutEdges()) {
      auto* To = static_cast<const TReteNode*>(E->To());
      TTreeItem Child{EnumName(static_cast<TReteEdge*>(E)->CallType()) + " " + To->GetToString(),
                      {}};
      Fill(Child, To);
      Item.Children.push_back(std::move(Child));
    }
  };
  for (TReteNode* R : FRoots) {
    TTreeItem Item{R->GetToString(), {}};
    Fill(Item, R);
    Root.Children.push_back(std::move(Item));
  }
  return Root;
}

}  // namespace norvale
