#include "engine/rete/ReteNodes.h"

#include <algorithm>

#include "engine/core/IEFuzzy.h"
#include "engine/core/ValueVector.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/rete/ReteNetwork.h"

namespace norvale {

namespace {

// Clears a context's token and fact on every way out.
struct TContextScope {
  TIEContext* C;
  TContextScope(TIEContext* Context, const IReteToken& Token, const IFact& Fact) : C(Context) {
    C->SetToken(Token);
    C->SetFact(Fact);
  }
  ~TContextScope() {
    C->SetToken(nullptr);
    C->SetFact(nullptr);
  }
};

const IFact& NullFactOf(TReteNetwork* Net) {
  static const IFact None;
  return Net && Net->Engine() ? Net->Engine()->NullFact() : None;
}

}  // namespace

std::string NodeArgToString(const TNodeArg& Arg) {
  if (auto* I = std::get_if<int>(&Arg)) return std::to_string(*I);
  return std::get<std::string>(Arg);
}

// --- TActivation ----------------------------------------------------------------------------

TActivation::TActivation(TRule* Rule, float Strength, TPatternMatchTerminalNode* Node,
                         const IReteToken& Token)
    : FRule(Rule), FToken(Token), FNode(Node), FStrength(0) {
  SetStrength(Strength);
}

TActivation::~TActivation() {
  if (FNode) FNode->Forget(this);
  FToken = nullptr;
}

void TActivation::SetStrength(float Value) noexcept {
  FStrength = Value < 0 ? 0 : (Value > 1 ? 1 : Value);
}

TActivation* TActivation::Clone() const {
  return NewObject<TActivation>(FRule, 1.0f, FNode, FToken);
}

void TActivation::Assign(TPersistent* Source) {
  if (auto* A = dynamic_cast<TActivation*>(Source)) {
    FRule = A->FRule;
    FToken = A->FToken;
    FStrength = A->FStrength;
    return;
  }
  TPersistent::Assign(Source);
}

void TActivation::Fire() {
  FRule->Fire(FToken);
  if (FNode) FNode->RuleFired(this);
}

std::string TActivation::GetToString() const {
  return std::to_string(FRule->Salience()) + " " + FRule->RuleName() + " : " +
         (FToken ? FToken->GetToFactsString() : std::string()) + " (" + FloatToStr4(FStrength) +
         ")";
}

// --- TReteNode ------------------------------------------------------------------------------

TReteNode::TReteNode(TReteNetwork* Network) : TGGraphNode(nullptr), FRete(Network) {
  TInferenceEngine* E = Network ? Network->Engine() : nullptr;
  FContext = std::make_unique<TIEContext>(E ? E->GlobalContext() : nullptr, E);
}

TReteNode::~TReteNode() = default;

void TReteNode::CallChildren(const IReteToken& Token) {
  const auto& Edges = OutEdges();
  for (size_t I = 0; I < Edges.size(); ++I) {
    auto* E = static_cast<TReteEdge*>(Edges[I]);
    static_cast<TReteNode*>(E->To())->CallNode(Token, E->CallType());
  }
}

void TReteNode::EdgeAdded(TGGraphEdge* Edge, bool Incoming) {
  TGGraphNode::EdgeAdded(Edge, Incoming);
  if (Incoming && InDegree() == 1 && FRete) FRete->RootLeft(this);
}

void TReteNode::EdgeRemoving(TGGraphEdge* Edge, bool Incoming) {
  TGGraphNode::EdgeRemoving(Edge, Incoming);
  if (Incoming && InDegree() == 1 && FRete) FRete->RootJoined(this);
}

std::string TReteNode::GetToString() const {
  return ClassName() + " In/Out#: " + std::to_string(InDegree()) + "/" +
         std::to_string(OutDegree()) + " RuleUse: " + std::to_string(FRuleUseCount);
}

// --- TPatternMatchNode ----------------------------------------------------------------------

namespace {
const std::string& ArgText(const TNodeArgsArray& A, size_t I) {
  static const std::string Empty;
  return I < A.size() && std::holds_alternative<std::string>(A[I]) ? std::get<std::string>(A[I])
                                                                   : Empty;
}
int ArgInt(const TNodeArgsArray& A, size_t I) {
  return I < A.size() && std::holds_alternative<int>(A[I]) ? std::get<int>(A[I]) : NoSubIndex;
}
}  // namespace

TPatternMatchNode::TPatternMatchNode(TReteNetwork* Network, TPatternMatchTest Test,
                                     TNodeArgsArray Args, const IIEValue& Value)
    : TReteNode(Network), FTest(Test), FArgs(std::move(Args)), FValue(Value) {
  FIsCall = FValue && FValue->DType() == dtFunCall;
  switch (FTest) {
    case pmtTestSlotValueEqual:
    case pmtTestSlotValueNotEqual:
      FSlot = TSlotReader{ArgText(FArgs, 0), ArgInt(FArgs, 2)};
      FOther = TSlotReader{ArgText(FArgs, 1), ArgInt(FArgs, 3)};
      break;
    case pmtTestMultiSlotEqual:
    case pmtTestMultiSlotNotEqual:
      FSlot = TSlotReader{ArgText(FArgs, 0), ArgInt(FArgs, 1)};
      break;
    case pmtTestMultiSlotLength:
    case pmtTestMultiSlotMultiField:
      FSlot = TSlotReader{ArgText(FArgs, 0), NoSubIndex};
      FLength = ArgInt(FArgs, 1);
      break;
    default:
      FSlot = TSlotReader{ArgText(FArgs, 0), NoSubIndex};
      break;
  }
}

bool TPatternMatchNode::Equals(TPatternMatchTest Test, const IIEValue& Value,
                               const TNodeArgsArray& Args) const {
  if (Test != FTest || Args != FArgs) return false;
  if (!Value || !FValue) return !Value && !FValue;
  if (Value->DType() != FValue->DType()) return false;
  if (FValue->DType() == dtFuzzy) {
    // Fuzzy constants compare equal by overlap; a shared node needs the very same set.
    TIFuzzySet* A = FValue->FuzzyPtr();
    TIFuzzySet* B = Value->FuzzyPtr();
    return A == B || (A && B && A->Name() == B->Name() && A->SamePoints(*B));
  }
  return FValue->Equals(Value);
}

bool TPatternMatchNode::CallNode(const IReteToken& Token, TCallType) {
  if (Token->Tag() == taClear) {
    CallChildren(Token);
    return false;
  }
  return Evaluate(Token, [this](const IReteToken& T) { CallChildren(T); });
}

bool TPatternMatchNode::FunctionTest(const IReteToken& Token, TFact*) {
  // A removal must find what the addition stored, whatever the call says now.
  if (Token->Tag() == taRemove) return true;
  IIEValue R;
  {
    TContextScope Scope(FContext.get(), Token, Token->Fact());
    R = FValue->Resolve(FContext.get());
  }
  bool IsFalse = R && R->Equals(FCFalse);
  bool Equal = FTest == pmtTestEqual || FTest == pmtTestMultiSlotEqual;
  return Equal ? !IsFalse : IsFalse;
}

bool TPatternMatchNode::PassFuzzy(const IReteToken& Token, const TIEValue* SlotValue,
                                  const TIEValue& NodeValue, const TTokenSink& Sink) {
  bool SlotFuzzy = SlotValue && SlotValue->DType() == dtFuzzy;
  bool NodeFuzzy = NodeValue.DType() == dtFuzzy;
  if ((!SlotFuzzy && !NodeFuzzy) || Token->Tag() == taRemove) {
    Sink(Token);
    return true;
  }
  TIFuzzySet* Set = SlotFuzzy ? SlotValue->FuzzyPtr() : NodeValue.FuzzyPtr();
  const TIEValue* Other = SlotFuzzy ? &NodeValue : SlotValue;
  float Degree = Set ? static_cast<float>(Set->FuzzyEquals(Other)) : 0.0f;
  if (Token->Strength() > Degree) {
    if (FRete && FRete->MinActivationStrength() > Degree) return true;  // too weak to go on
    IReteToken Weaker = NewRef<TIEToken>(*Token);
    Weaker->SetStrength(Degree);
    Sink(Weaker);
    return true;
  }
  Sink(Token);
  return true;
}

bool TPatternMatchNode::ExpandMultiField(const IReteToken& Token, TFact* Fact,
                                         const TTokenSink& Sink) {
  const TIEValue* V = FSlot.Read(Fact);
  if (!V || V->Equals(FCNil.Get()) || !V->ListPtr()) {
    Sink(Token);
    return false;
  }
  const std::vector<IIEValue>& Items = V->ListPtr()->Values();
  const int N = static_cast<int>(Items.size());
  const int S = FLength;
  int SlotIndex = FSlot.CachedIndex;
  for (int Count = 0; Count <= N - S; ++Count) {
    int L = N - S - Count;
    IValueVector List = NewRef<TValueVector>();
    List->Reserve(S + 1 + (N - S - L));
    for (int I = 0; I < S; ++I) List->Add(Items[I]);
    IValueVector Segment = NewRef<TValueVector>();
    for (int I = S; I < S + L; ++I) Segment->Add(Items[I]);
    List->Add(NewList(Segment));
    for (int I = S + L; I < N; ++I) List->Add(Items[I]);
    // Each segmentation is a partial match of its own: the copies keep the fact's ID and tell
    // themselves apart by their segment number.
    IFact Copy = Fact->Clone();
    Copy->PutValueAt(SlotIndex, NewList(List));
    Copy->SetSegment(Fact->Segment() * 1024 + Count + 1);
    IReteToken T = NewRef<TIEToken>(Token->Tag(), Copy);
    T->SetStrength(Token->Strength());
    Sink(T);
  }
  return true;
}

bool TPatternMatchNode::Evaluate(const IReteToken& Token, const TTokenSink& Sink) {
  TFact* Fact = Token->FactPtr();
  if (!Fact) return false;
  switch (FTest) {
    case pmtTestClassType: {
      const std::string& Name = FValue->Text();
      for (TFactTemplate* T = Fact->TemplatePtr(); T; T = T->Parent().Get())
        if (T->TemplateName() == Name) {
          Sink(Token);
          return true;
        }
      return false;
    }
    case pmtTestMultiSlotLength: {
      const TIEValue* V = FSlot.Read(Fact);
      int Count = !V             ? -1
                  : V->ListPtr() ? V->ListPtr()->Count()
                                 : (V->Equals(FCNil.Get()) ? 0 : -1);
      if (Count != FLength) return false;
      Sink(Token);
      return true;
    }
    case pmtTestMultiSlotMultiField:
      return ExpandMultiField(Token, Fact, Sink);
    case pmtTestEqual:
    case pmtTestNotEqual:
    case pmtTestSlotValueEqual:
    case pmtTestSlotValueNotEqual:
    case pmtTestMultiSlotEqual:
    case pmtTestMultiSlotNotEqual:
      try {
        bool Equal = FTest == pmtTestEqual || FTest == pmtTestSlotValueEqual ||
                     FTest == pmtTestMultiSlotEqual;
        if (FIsCall && FTest != pmtTestSlotValueEqual && FTest != pmtTestSlotValueNotEqual) {
          if (FTest != pmtTestEqual && FTest != pmtTestNotEqual) {
            const TIEValue* Field = FSlot.Read(Fact);  // the field must exist
            if (!Field) return false;
          }
          if (!FunctionTest(Token, Fact)) return false;
          Sink(Token);
          return true;
        }
        if (FTest == pmtTestSlotValueEqual || FTest == pmtTestSlotValueNotEqual) {
          const TIEValue* V1 = FSlot.Read(Fact);
          const TIEValue* V2 = FOther.Read(Fact);
          if (!V1 || !V2) return false;
          if (V1->Equals(V2) != Equal) return false;
          return PassFuzzy(Token, V1, *V2, Sink);
        }
        const TIEValue* V = FSlot.Read(Fact);
        if (!V) return false;
        if (V->Equals(FValue.Get()) != Equal) return false;
        return PassFuzzy(Token, V, *FValue, Sink);
      } catch (EAbort&) {
        throw;
      } catch (Exception& E) {
        E.SetMessage(E.Message() + SPatternMatchError + GetToString());
        throw;
      }
    case pmtUnknown:
    case pmtFailTest:
    default:
      return false;
  }
}

void TPatternMatchNode::Replay(const TTokenSink& Sink) {
  std::vector<TPatternMatchNode*> Path;
  for (TReteNode* N = this; N;) {
    auto* P = dynamic_cast<TPatternMatchNode*>(N);
    if (!P) break;
    Path.push_back(P);
    N = P->InDegree() > 0 ? static_cast<TReteNode*>(P->InEdges()[0]->From()) : nullptr;
  }
  std::reverse(Path.begin(), Path.end());
  std::function<void(size_t, const IReteToken&)> Step = [&](size_t I, const IReteToken& T) {
    if (I == Path.size())
      Sink(T);
    else
      Path[I]->Evaluate(T, [&](const IReteToken& Next) { Step(I + 1, Next); });
  };
  TInferenceEngine* E = FRete ? FRete->Engine() : nullptr;
  if (!E) return;
  std::vector<IFact> Facts = E->FactList();
  for (const IFact& F : Facts) Step(0, NewRef<TIEToken>(taUpdate, F));
}

std::string TPatternMatchNode::GetToString() const {
  std::string R = TReteNode::GetToString();
  if (FValue) R += " Value: " + FValue->ToString();
  R += " Test: " + EnumName(FTest);
  if (!FArgs.empty()) {
    R += " Args: (";
    for (size_t I = 0; I < FArgs.size(); ++I) R += (I ? ", " : "") + NodeArgToString(FArgs[I]);
    R += ")";
  }
  return R;
}

// --- TTestNode ------------------------------------------------------------------------------

TTestNode::TTestNode(TReteNetwork* Network) : TReteNode(Network) {}
TTestNode::~TTestNode() = default;

void TTestNode::AddTest(std::unique_ptr<TIESlotTest> Test) {
  if (dynamic_cast<TIEPatternMatchTest*>(Test.get())) FHasCallTests = true;
  FTests.push_back(std::move(Test));
}

void TTestNode::AddTest(TSlotTestType Type, const std::string&, int SubIndex,
                        const IIEValue& Value) {
  auto T =
      std::make_unique<TIEPatternMatchTest>(nullptr, Type == sttNotEquals, IIEValue(), SubIndex);
  T->SetSlotValueNoCopy(Value);
  AddTest(std::move(T));
}

void TTestNode::DeleteTest(int Index) { FTests.erase(FTests.begin() + Index); }

bool TTestNode::Equals(const TTestNode* Node) const {
  if (!Node || typeid(*Node) != typeid(*this) || FHasCallTests || Node->FHasCallTests) return false;
  if (Node->FTests.size() != FTests.size()) return false;
  for (const auto& T : Node->FTests) {
    bool Found = false;
    for (const auto& Mine : FTests)
      if (Mine->Equals(T.get())) Found = true;
    if (!Found) return false;
  }
  return true;
}

TReteNode* TTestNode::LeftParent() const {
  for (TGGraphEdge* E : InEdges())
    if (static_cast<TReteEdge*>(E)->CallType() == ctLeft) return static_cast<TReteNode*>(E->From());
  return nullptr;
}

bool TTestNode::RunTests(TFact* Right, const IReteToken& Left, size_t First) {
  for (size_t I = First; I < FTests.size(); ++I)
    if (!FTests[I]->Matches(Right, Left, FContext.get())) return false;
  return true;
}

bool TTestNode::CallNode(const IReteToken& Token, TCallType CallType) {
  if (Token->Tag() == taClear) {
    CallChildren(Token);
    return false;
  }
  if (CallType != ctLeft) return false;
  // A test element takes a position of its own, so later patterns keep theirs; a removal goes on
  // untested to find what the addition left.
  if (Token->Tag() != taRemove && !RunTests(nullptr, Token)) return false;
  CallChildren(NewRef<TIEToken>(Token, NullFactOf(FRete)));
  return true;
}

void TTestNode::Replay(const TTokenSink& Sink) {
  TReteNode* Parent = LeftParent();
  if (!Parent) return;
  Parent->Replay([&](const IReteToken& T) {
    if (RunTests(nullptr, T)) Sink(NewRef<TIEToken>(T, NullFactOf(FRete)));
  });
}

std::string TTestNode::GetToString() const {
  std::string R = TReteNode::GetToString() + " NumTests: " + std::to_string(FTests.size());
  for (const auto& T : FTests) R += " (" + T->GetToString() + ")";
  return R;
}

}  // namespace norvale

namespace norvale {

// --- TJoinNode ------------------------------------------------------------------------------

TJoinNode::TJoinNode(TReteNetwork* Network, bool Negated, bool Unique, bool PrefixJoin)
    : TTestNode(Network), FNegated(Negated), FUnique(Unique), FPrefix(PrefixJoin) {
  ClearMemory();
}

void TJoinNode::SetPattern(TIEPattern* Pattern, TRule* Rule) {
  if (Pattern == FPattern) return;
  if (Pattern && (!Pattern->FactTemplate() || !Pattern->FactTemplate()->IsBackwardChaining()))
    throw EIEException(SInvalidBackchainPattern);
  FPattern = Pattern;
  FRule = Rule;
}

void TJoinNode::AddTest(TSlotTestType Type, int TokenIndex, const std::string& RightSlot,
                        const std::string& LeftSlot) {
  TTestNode::AddTest(std::make_unique<TIEJoinTest>(Type, TokenIndex, RightSlot, LeftSlot));
}

void TJoinNode::AddTest(TSlotTestType Type, int TokenIndex, const std::string& RightSlot,
                        int RightSubIndex, const std::string& LeftSlot, int LeftSubIndex) {
  if (RightSubIndex == NoSubIndex && LeftSubIndex == NoSubIndex)
    AddTest(Type, TokenIndex, RightSlot, LeftSlot);
  else
    TTestNode::AddTest(std::make_unique<TIEJoinTest>(Type, TokenIndex, RightSubIndex, RightSlot,
                                                     LeftSubIndex, LeftSlot));
}

void TJoinNode::PrepareShortCut(const TFactTemplate* RightTemplate,
                                const TFactTemplate* LeftTemplate) {
  auto MayBeFuzzy = [](const TFactTemplate* T, const std::string& Slot) {
    TFactSlot* S = T ? T->FindSlot(Slot) : nullptr;
    return !S || S->IsFuzzy();
  };
  int Picked = -1;
  for (int Pass = 0; Pass < 2 && Picked < 0; ++Pass)
    for (size_t I = 0; I < FTests.size() && Picked < 0; ++I) {
      auto* J = dynamic_cast<TIEJoinTest*>(FTests[I].get());
      if (!J || J->SlotTestType() != sttEquals) continue;
      if (J->JoinTestType() != (Pass == 0 ? tstSlot : tstMultiSlot)) continue;
      // Fuzzy values compare by overlap, which no key can express.
      if (MayBeFuzzy(RightTemplate, J->RightIndex()) || MayBeFuzzy(LeftTemplate, J->LeftIndex()))
        continue;
      Picked = static_cast<int>(I);
    }
  if (Picked >= 0 && !FPrefix) {
    std::rotate(FTests.begin(), FTests.begin() + Picked, FTests.begin() + Picked + 1);
    auto* J = static_cast<TIEJoinTest*>(FTests[0].get());
    bool Whole = J->JoinTestType() == tstSlot;
    FRightKey = TSlotReader{J->RightIndex(), Whole ? NoSubIndex : J->RightSubIndex()};
    FLeftKey = TSlotReader{J->LeftIndex(), Whole ? NoSubIndex : J->LeftSubIndex()};
    FKeyTokenIndex = J->TokenIndex();
    FShortCut = true;
  }
  FLeft.reset();
  FRight.reset();
  ClearMemory();
}

void TJoinNode::ClearMemory() {
  if (FLeft && FRight) {
    FLeft->Clear();
    FRight->Clear();
    return;
  }
  if (FShortCut) {
    FLeft = std::make_unique<TTokenMemory>(
        tkkSlot, TTokenKeySpec{FKeyTokenIndex, FLeftKey.Name, FLeftKey.SubIndex});
    FRight = std::make_unique<TTokenMemory>(tkkSlot,
                                            TTokenKeySpec{0, FRightKey.Name, FRightKey.SubIndex});
  } else if (FPrefix) {
    FLeft = std::make_unique<TTokenMemory>();
    FRight = std::make_unique<TTokenMemory>(tkkPrefix);
  } else {
    FLeft = std::make_unique<TTokenMemory>();
    FRight = std::make_unique<TTokenMemory>();
  }
}

bool TJoinNode::Equals(const TTestNode* Node) const {
  auto* J = dynamic_cast<const TJoinNode*>(Node);
  if (!J || J->FNegated || FNegated || J->FUnique != FUnique || J->FPrefix != FPrefix) return false;
  return TTestNode::Equals(Node);
}

IReteToken TJoinNode::Extend(const IReteToken& Left, const IFact& Fact, float Strength,
                             TTokenAction Tag) {
  IReteToken T = NewRef<TIEToken>(Left, Fact);
  if (Strength < T->Strength()) T->SetStrength(Strength);
  if (T->Tag() != Tag) T->SetTag(Tag);
  return T;
}

// The stored left tokens that may pair with a right token, and the test of each pair.
template <class F>
void TJoinNode::ForLeftPartners(const TIEToken& Right, F&& Visit) {
  TFact* Fact = Right.FactPtr();
  if (FPrefix) {
    // The upper level of an existential element: only the partial match the right token extends.
    if (TIEToken* L = Right.Parent() ? FLeft->Find(*Right.Parent()) : nullptr) Visit(*L);
    return;
  }
  auto Try = [&](TIEToken& L) {
    if (RunTests(Fact, IReteToken(&L), FShortCut ? 1 : 0)) Visit(L);
  };
  if (FShortCut) {
    const TIEValue* Key = FRightKey.Read(Fact);
    if (Key) FLeft->ForEachWithKey(Key, Try);
  } else {
    FLeft->ForEach(Try);
  }
}

template <class F>
void TJoinNode::ForRightPartners(const TIEToken& Left, F&& Visit) {
  if (FPrefix) {
    FRight->ForEachWithPrefix(Left, [&](TIEToken& R) { return Visit(R); });
    return;
  }
  IReteToken LeftRef(const_cast<TIEToken*>(&Left));
  auto Try = [&](TIEToken& R) -> bool {
    if (!RunTests(R.FactPtr(), LeftRef, FShortCut ? 1 : 0)) return true;
    return Visit(R);
  };
  if (FShortCut) {
    const TIEValue* Key =
        FKeyTokenIndex < Left.Count() ? FLeftKey.Read(Left.Facts(FKeyTokenIndex)) : nullptr;
    if (Key) FRight->ForEachWithKey(Key, Try);
  } else {
    FRight->ForEach(Try);
  }
}

void TJoinNode::RightActivation(const IReteToken& R, bool Added) {
  const IFact& Null = NullFactOf(FRete);
  ForLeftPartners(*R, [&](TIEToken& L) {
    IReteToken LeftRef(&L);
    if (!FNegated) {
      CallChildren(Extend(LeftRef, R->Fact(), R->Strength(), R->Tag()));
    } else if (Added) {
      // A new blocking fact: withdraw what the partial match produced while it was free.
      if (L.NegatedCount() == 0) CallChildren(Extend(LeftRef, Null, R->Strength(), taRemove));
      L.SetNegatedCount(L.NegatedCount() + 1);
    } else if (L.NegatedCount() > 0) {
      L.SetNegatedCount(L.NegatedCount() - 1);
      if (L.NegatedCount() == 0)
        CallChildren(Extend(LeftRef, Null, R->Strength(), taAdd));  // free again
    }
  });
}

void TJoinNode::LeftActivation(const IReteToken& T, bool Added, TIEToken* Stored,
                               const TTokenSink& Sink, bool Counting) {
  const IFact& Null = NullFactOf(FRete);
  if (!FNegated) {
    ForRightPartners(*T, [&](TIEToken& R) -> bool {
      Sink(Extend(T, R.Fact(), R.Strength(), T->Tag()));
      if (Counting && Added) ++FMatchCount;
      return !(FUnique && Added);
    });
    return;
  }
  int Blocking = 0;
  if (Added) {
    ForRightPartners(*T, [&](TIEToken&) -> bool {
      ++Blocking;
      return true;
    });
    if (Stored) Stored->SetNegatedCount(Blocking);
  } else {
    Blocking = Stored ? Stored->NegatedCount() : 1;  // the count the stored copy carried
  }
  if (Blocking == 0) {
    Sink(Extend(T, Null, T->Strength(), T->Tag()));
    if (Counting) ++FMatchCount;
  }
}

bool TJoinNode::CallNode(const IReteToken& Token, TCallType CallType) {
  FMatchCount = 0;
  if (Token->Tag() == taClear) {
    ClearMemory();
    CallChildren(Token);
    return false;
  }
  const bool Added = Token->Tag() != taRemove;
  TTokenSink Children = [this](const IReteToken& T) { CallChildren(T); };
  // With the short cut, a token's key in its own memory is the key of its partners in the other.
  const TIEValue* Key = nullptr;
  switch (CallType) {
    case ctRight:
      if (FShortCut) Key = FRightKey.Read(Token->FactPtr());
      FRight->Prefetch(*Token, Key);
      FLeft->PrefetchKey(Key);
      if (Added) {
        IReteToken Copy = NewRef<TIEToken>(*Token);
        if (FRight->Add(Copy)) RightActivation(Copy, true);
      } else if (IReteToken Old = FRight->Remove(*Token)) {
        RightActivation(Token, false);
      }
      break;
    case ctLeft:
      if (FShortCut && FKeyTokenIndex < Token->Count())
        Key = FLeftKey.Read(Token->Facts(FKeyTokenIndex));
      FLeft->Prefetch(*Token, Key);
      FRight->PrefetchKey(Key);
      if (Added) {
        IReteToken Copy = NewRef<TIEToken>(*Token);
        if (FLeft->Add(Copy)) {
          LeftActivation(Token, true, Copy.Get(), Children, true);
          if (FPattern) AskForBackChain(Token);
        }
      } else if (IReteToken Old = FLeft->Remove(*Token)) {
        LeftActivation(Token, false, Old.Get(), Children, true);
      }
      break;
    default:
      throw EIEException(Format(SInvalidCallType, {EnumName(CallType)}));
  }
  return true;
}

void TJoinNode::AskForBackChain(const IReteToken& Token) {
  if (!FPattern || FMatchCount != 0 || FPattern->Name().rfind(SBackChainPrefix, 0) == 0) return;
  TInferenceEngine* E = FRete ? FRete->Engine() : nullptr;
  if (E) E->AskForGoal(*this, *FPattern, FRule, *Token);
}

void TJoinNode::Replay(const TTokenSink& Sink) {
  // What the join passed on so far: every stored partial match with its partners.
  FLeft->ForEach([&](TIEToken& L) {
    IReteToken T(&L);
    if (FNegated) {
      if (L.NegatedCount() == 0) Sink(Extend(T, NullFactOf(FRete), L.Strength(), taUpdate));
    } else {
      IReteToken Update = NewRef<TIEToken>(L);
      Update->SetTag(taUpdate);
      LeftActivation(Update, true, nullptr, Sink, false);
    }
  });
}

std::string TJoinNode::GetToString() const {
  std::string R = TTestNode::GetToString();
  if (FNegated) R += " *NEGATED*";
  if (FLeft) R += " Left Memory: " + FLeft->GetToFactsString();
  if (FRight) R += " Right Memory: " + FRight->GetToFactsString();
  return R;
}

// --- TPatternMatchTerminalNode --------------------------------------------------------------

TPatternMatchTerminalNode::TPatternMatchTerminalNode(TReteNetwork* Network, TRule* Rule)
    : TReteNode(Network), FRule(Rule) {}

TPatternMatchTerminalNode::~TPatternMatchTerminalNode() { FastClear(); }

TActivation* TPatternMatchTerminalNode::GetActivation(int Index) const {
  if (Index < 0 || Index >= GetActivationCount())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  TActivation* A = FFirst;
  while (Index-- > 0) A = A->FNodeNext;
  return A;
}

int TPatternMatchTerminalNode::IndexOf(const TActivation* Activation) const {
  int I = 0;
  for (TActivation* A = FFirst; A; A = A->FNodeNext, ++I)
    if (A == Activation) return I;
  return -1;
}

bool TPatternMatchTerminalNode::CallNode(const IReteToken& Token, TCallType) {
  switch (Token->Tag()) {
    case taClear:
      StandDown();
      break;
    case taRemove:
      StandDown(*Token);
      break;
    default:
      AddActivation(Token);
      break;
  }
  return true;
}

TActivation* TPatternMatchTerminalNode::AddActivation(const IReteToken& Token) {
  if (!FRule->Enabled()) return nullptr;
  if (Token->Tag() == taAdd && FRule->OneShot() && FRule->Fired()) return nullptr;
  if (Token->Tag() == taUpdate && FInitialized) return nullptr;
  TActivation* A = NewObject<TActivation>(FRule, Token->Strength(), this, Token);
  A->FMatchHash = PartialMatchHash(*Token);
  try {
    FByMatch.Insert(A->FMatchHash, A);
  } catch (...) {
    A->FNode = nullptr;
    Free(A);
    throw;
  }
  A->FNodePrev = FLast;
  (FLast ? FLast->FNodeNext : FFirst) = A;
  FLast = A;
  ++FActivationCount;
  if (FRete) FRete->Activate(A);
  return A;
}

void TPatternMatchTerminalNode::Unlist(TActivation* A) {
  (A->FNodePrev ? A->FNodePrev->FNodeNext : FFirst) = A->FNodeNext;
  (A->FNodeNext ? A->FNodeNext->FNodePrev : FLast) = A->FNodePrev;
  A->FNodePrev = A->FNodeNext = nullptr;
  --FActivationCount;
  FByMatch.Erase(A->FMatchHash, A);
  A->FNode = nullptr;
}

void TPatternMatchTerminalNode::StandDown() {
  while (FLast) Deactivate(FLast);
}

void TPatternMatchTerminalNode::StandDown(const TIEToken& Token) {
  if (TActivation* A = FByMatch.Find(PartialMatchHash(Token), [&](const TActivation* A) {
        return A->Token() && SamePartialMatch(*A->Token(), Token);
      }))
    Deactivate(A);
}

void TPatternMatchTerminalNode::Deactivate(int Index) { Deactivate(GetActivation(Index)); }

void TPatternMatchTerminalNode::Deactivate(TActivation* Activation) {
  if (!Activation || Activation->FNode != this) return;
  Unlist(Activation);
  if (FRete) FRete->Deactivate(Activation);
}

void TPatternMatchTerminalNode::Forget(TActivation* Activation) {
  if (Activation->FNode == this) Unlist(Activation);
}

void TPatternMatchTerminalNode::RuleFired(TActivation* Activation) {
  Forget(Activation);
  if (FRete) FRete->RuleFired(Activation);
}

void TPatternMatchTerminalNode::FastClear() {
  for (TActivation* A = FFirst; A;) {
    TActivation* Next = A->FNodeNext;
    A->FNode = nullptr;
    A->FNodePrev = A->FNodeNext = nullptr;
    A = Next;
  }
  FFirst = FLast = nullptr;
  FActivationCount = 0;
  FByMatch.Clear();
}

std::string TPatternMatchTerminalNode::GetToString() const {
  return TReteNode::GetToString() + " Rule: " + (FRule ? FRule->RuleName() : std::string());
}

}  // namespace norvale
