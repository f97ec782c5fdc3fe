// Fuzzy expressions: term names, hedges, hedge operators, keywords, numbers, variables and
// bracketed groups evaluated into fuzzy values of a linguistic variable, and the fuzzy slots of a
// fact made concrete.
#include <unordered_set>
#include <vector>

#include "engine/core/DefinedType.h"
#include "engine/core/IEFuzzy.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEParser.h"
#include "engine/language/ParseScope.h"
#include "engine/rete/IEContext.h"
#include "fuzzy/FuzzyNames.h"

namespace norvale {

namespace {

enum TFuzzyItemKind { fikOperand, fikHedge, fikHedgeOperator, fikKeyword, fikOpen, fikClose };

// One item of an expression as the conversion classified it.
struct TFuzzyItem {
  TFuzzyItemKind Kind = fikOperand;
  IIEValue Value;  // the item, resolved in the context when there is one
  std::string Word;
  TFuzzyHedge Hedge{};
  TBaseFuzzyHedge BaseHedge{};
  bool Flag = false;
  bool Union = false;
  TFuzzyOperation Operation{};
  // Rank of an operator on the stack, and arriving.
  int StackRank() const noexcept {
    switch (Kind) {
      case fikOpen:
        return 4;
      case fikKeyword:
      case fikHedgeOperator:
        return 3;
      case fikHedge:
        return 2;
      default:
        return 1;
    }
  }
  int ArrivingRank() const noexcept {
    if (Kind == fikOpen) return 0;
    if (Kind == fikHedge) return 1;
    return StackRank();
  }
};

using TSequence = std::vector<TFuzzyItem>;

bool IsTextValue(const TIEValue& V) { return V.DType() == dtAtom || V.DType() == dtString; }

TFuzzyItem Classify(const IIEValue& Value) {
  TFuzzyItem Item;
  Item.Value = Value;
  if (!Value || !IsTextValue(*Value)) return Item;
  const std::string& T = Value->Text();
  Item.Word = T;
  if (T == "[")
    Item.Kind = fikOpen;
  else if (T == "]")
    Item.Kind = fikClose;
  else if (IsFuzzyKeyword(T, Item.Union, Item.Operation))
    Item.Kind = fikKeyword;
  else if (IsFuzzyHedgeOperator(T, Item.BaseHedge, Item.Flag))
    Item.Kind = fikHedgeOperator;
  else if (IsFuzzyHedge(T, Item.Hedge))
    Item.Kind = fikHedge;
  return Item;
}

bool IsOperandType(TIEType T) {
  switch (T) {
    case dtInteger:
    case dtFloat:
    case dtVariable:
    case dtMultiVariable:
    case dtFunCall:
    case dtSingletons:
    case dtFuzzy:
      return true;
    default:
      return false;
  }
}

// The operator-precedence conversion into postfix sequences. An operand after an operand, and
// a hedge or "[" after an operand, start a new sequence: "low very high" is two values.
std::vector<TSequence> ToPostfix(const TValueVector& Values, TIEContext* Context) {
  std::vector<TSequence> Sequences(1);
  std::vector<TFuzzyItem> Stack;
  bool AfterOperand = false;
  auto Close = [&] {
    while (!Stack.empty()) {
      if (Stack.back().Kind == fikOpen) RaiseIE(SMissingFuzzyCloseBracket);
      Sequences.back().push_back(std::move(Stack.back()));
      Stack.pop_back();
    }
  };
  auto StartNew = [&] {
    Close();
    Sequences.emplace_back();
  };
  for (const IIEValue& Written : Values.Values()) {
    IIEValue Item = Written && Context ? Written->Resolve(Context) : Written;
    if (Item && IsTextValue(*Item)) {
      TFuzzyItem F = Classify(Item);
      switch (F.Kind) {
        case fikClose:
          while (!Stack.empty() && Stack.back().Kind != fikOpen) {
            Sequences.back().push_back(std::move(Stack.back()));
            Stack.pop_back();
          }
          if (Stack.empty()) RaiseIE(SInvalidFuzzyToken, {"]"});
          Stack.pop_back();
          AfterOperand = true;
          continue;
        case fikOperand:
          if (AfterOperand) StartNew();
          Sequences.back().push_back(std::move(F));
          AfterOperand = true;
          continue;
        case fikHedge:
        case fikOpen:
          if (AfterOperand) StartNew();
          break;
        default:
          break;
      }
      while (!Stack.empty() && F.ArrivingRank() >= Stack.back().StackRank()) {
        Sequences.back().push_back(std::move(Stack.back()));
        Stack.pop_back();
      }
      Stack.push_back(std::move(F));
      AfterOperand = false;
      continue;
    }
    if (!Item || !IsOperandType(Item->DType()))
      RaiseIE(SInvalidFuzzyToken, {Item ? Item->GetToString() : std::string()});
    if (AfterOperand) StartNew();
    TFuzzyItem F;
    F.Value = Item;
    Sequences.back().push_back(std::move(F));
    AfterOperand = true;
  }
  Close();
  return Sequences;
}

}  // namespace

// The sets an evaluation made itself: only those may be changed in place by a hedge.
class TFuzzyEvaluation {
 public:
  TFuzzyEvaluation(TInferenceEngine& Engine, const IFuzzyVariable& Variable, TIEContext* Context)
      : FEngine(Engine), FVariable(Variable), FContext(Context) {}

  IIEValue Single(const IIEValue& Value);
  IIEValue List(const TValueVector& Values);

 private:
  IIEValue Fuzzy(const IFuzzySet& Set, bool Made) {
    if (Made) FMade.insert(Set.Get());
    return NewRef<TIEValue>(Set);
  }
  // The set of V to change: V's own when this evaluation made it, else a copy.
  IFuzzySet Changeable(const IIEValue& V) {
    IFuzzySet Set = V->AsFuzzy();
    if (FMade.count(Set.Get())) return Set;
    IFuzzySet Copy = Set->Copy();
    FMade.insert(Copy.Get());
    return Copy;
  }
  IFuzzySet TermOf(const std::string& Name, const TIEValue& Value);
  // The value of one postfix sequence; nil when an operand is not fuzzy yet.
  IIEValue Sequence(const TSequence& Items);

  TInferenceEngine& FEngine;
  IFuzzyVariable FVariable;
  TIEContext* FContext;
  std::unordered_set<const TIFuzzySet*> FMade;
};

IFuzzySet TFuzzyEvaluation::TermOf(const std::string& Name, const TIEValue& Value) {
  if (!FVariable) RaiseIE(SUndefinedFuzzyVariable);
  if (Name.empty() || Name == SEmptyFuzzy) {
    if (IFuzzySet Empty = FVariable->FindTerm(SEmptyFuzzy)) return Empty;
    return FVariable->NewTerm(SEmptyFuzzy);
  }
  IFuzzySet Term = FVariable->FindTerm(Name);
  if (!Term) RaiseIE(SInvalidFuzzyToken, {Value.GetToString()});
  return Term;
}

IIEValue TFuzzyEvaluation::Single(const IIEValue& Value) {
  IIEValue R;
  if (!Value) {
    R = Fuzzy(TermOf(std::string(), *FCNil), false);
  } else {
    switch (Value->DType()) {
      case dtAtom:
      case dtString:
        // An operator word alone is an expression of one item (which lacks its operand).
        if (Classify(Value).Kind != fikOperand) {
          TValueVector One;
          One.Add(Value);
          return List(One);
        }
        R = Fuzzy(TermOf(Value->Text(), *Value), false);
        break;
      case dtInteger:
      case dtFloat: {
        IFuzzySet Set = NewRef<TIEFuzzySet>(FVariable.Get(), Value->GetToString());
        Set->SetParser(&FEngine);
        const double X = Value->AsNumeric();
        Set->Triangle(X, X, X);
        R = Fuzzy(Set, true);
        break;
      }
      case dtVariable:
      case dtMultiVariable:
      case dtFunCall: {
        if (!FContext) return Value;
        IIEValue Resolved = Value->Resolve(FContext);
        // A variable's set is never changed by what follows: the evaluation works on a copy.
        if (Resolved && Resolved->DType() == dtFuzzy)
          return Fuzzy(Resolved->AsFuzzy()->Copy(), true);
        if (Resolved && Resolved->DType() == Value->DType()) return Resolved;
        return Single(Resolved);
      }
      case dtList:
        return Value->ListPtr() ? List(*Value->ListPtr()) : FCNil;
      case dtSingletons: {
        if (!FContext) {
          const TSingletonsVector* S = Value->SingletonsPtr();
          for (int I = 0; S && I < S->Count(); ++I)
            if (!S->XValues(I)->Is(IENumericTypes) || !S->YValues(I)->Is(IENumericTypes))
              return Value;
        }
        R = Value->Resolve(FContext);
        if (R && R->DType() == dtFuzzy) FMade.insert(R->FuzzyPtr());
        break;
      }
      case dtFuzzy:
        R = Value;
        break;
      default:
        if (FContext) RaiseIE(SInvalidFuzzyToken, {Value->GetToString()});
        return FCNil;
    }
  }
  if (R && R->DType() == dtFuzzy && R->FuzzyPtr() && !R->FuzzyPtr()->Variable() && FVariable) {
    R->FuzzyPtr()->SetVariable(FVariable.Get());
    R->FuzzyPtr()->SetParser(&FEngine);
  }
  return R;
}

IIEValue TFuzzyEvaluation::Sequence(const TSequence& Items) {
  // Each sequence has its own operand stack.
  std::vector<IIEValue> Stack;
  auto Pop = [&](const TFuzzyItem& Operator) {
    if (Stack.empty()) RaiseIE(SMissingFuzzyOperand, {Operator.Word});
    IIEValue V = std::move(Stack.back());
    Stack.pop_back();
    return V;
  };
  for (const TFuzzyItem& Item : Items) {
    switch (Item.Kind) {
      case fikOperand: {
        IIEValue V = Single(Item.Value);
        if (!V || V->DType() != dtFuzzy) return nullptr;
        Stack.push_back(V);
        break;
      }
      case fikHedge: {
        IFuzzySet Set = Changeable(Pop(Item));
        Set->ApplyHedge(Item.Hedge);
        Stack.push_back(Fuzzy(Set, true));
        break;
      }
      case fikHedgeOperator: {
        IIEValue Right = Pop(Item);
        IFuzzySet Set = Changeable(Pop(Item));
        Set->ApplyBaseHedge(Item.BaseHedge, Item.Flag, Right->AsFuzzy()->MaximumDefuzzify());
        Stack.push_back(Fuzzy(Set, true));
        break;
      }
      default: {
        IIEValue Right = Pop(Item);
        IIEValue Left = Pop(Item);
        IFuzzySet L = Left->AsFuzzy(), R = Right->AsFuzzy();
        Stack.push_back(Fuzzy(
            Item.Union ? L->Union(*R, Item.Operation) : L->Intersection(*R, Item.Operation), true));
        break;
      }
    }
  }
  return Stack.empty() ? FCNil : Stack.back();
}

IIEValue TFuzzyEvaluation::List(const TValueVector& Values) {
  std::vector<TSequence> Sequences = ToPostfix(Values, FContext);
  if (Sequences.front().empty()) return FCNilList;
  std::vector<IIEValue> Results;
  for (const TSequence& S : Sequences) {
    IIEValue R = Sequence(S);
    // An operand that is not fuzzy yet (a variable or a call read without a context): the whole
    // expression waits as written, and is converted when it can be evaluated.
    if (!R) {
      IValueVector Written = NewRef<TValueVector>();
      for (const IIEValue& V : Values.Values()) Written->Add(V);
      return NewList(Written);
    }
    if (R->Equals(FCNil)) return FCNil;
    Results.push_back(R);
  }
  if (Results.size() == 1) return Results.front();
  IValueVector L = NewRef<TValueVector>();
  for (IIEValue& R : Results) L->Add(std::move(R));
  return NewList(L);
}

// --- the engine's operations ---------------------------------------------------------------------

IIEValue TInferenceEngine::EvalFuzzyExpression(const IFuzzyVariable& Variable,
                                               const std::string& Text, TIEContext* Context) {
  return EvalFuzzyExpression(Variable, ParseValue(Text), Context);
}

IIEValue TInferenceEngine::EvalFuzzyExpression(const IFuzzyVariable& Variable,
                                               const IIEValue& Value, TIEContext* Context) {
  TFuzzyEvaluation E(*this, Variable, Context);
  return E.Single(Value);
}

IIEValue TInferenceEngine::EvalFuzzyExpression(const IFuzzyVariable& Variable,
                                               const IValueVector& Values, TIEContext* Context) {
  TFuzzyEvaluation E(*this, Variable, Context);
  return Values ? E.List(*Values) : FCNilList;
}

IFuzzySet TInferenceEngine::ParseFuzzyExpression(const IFuzzyVariable& Variable,
                                                 const std::string& Text) {
  TParseScope Scope(*this, Text);
  IIEValue V = Scope.Parser().ParseValue();
  return EvalFuzzyExpression(Variable, V, GlobalContext())->AsFuzzy();
}

// --- fuzzy slots of a resolved fact --------------------------------------------------------------

namespace {

void ResolveFuzzyFact(TIEContext& Context, TFact& Fact) {
  TFactTemplate* Template = Fact.TemplatePtr();
  TInferenceEngine* Engine = Context.Engine();
  const std::vector<int> Positions = Template->SortedSlots();
  for (int Index : Positions) {
    TFactSlot* Slot = Template->SlotAt(Index);
    if (!Slot) continue;
    IIEValue Value = Fact.ValueAt(Index);
    if (!Value) continue;
    IIEValue Result = Value->Resolve(&Context);
    if (Slot->IsFuzzy()) {
      const IFuzzyVariable* Variable =
          Slot->ExtendedTypeInfo() ? &Slot->ExtendedTypeInfo()->FuzzyType() : nullptr;
      const TValueVector* L = Result && Result->DType() == dtList ? Result->ListPtr() : nullptr;
      if (Result && Result->DType() == dtFuzzy) {
        if (Variable && *Variable && Result->FuzzyPtr() && !Result->FuzzyPtr()->Variable())
          Result->FuzzyPtr()->SetVariable(Variable->Get());
      } else if (L && L->Count() == 1 && L->Get(0) && L->Get(0)->DType() == dtFuzzy) {
        // stored as it is
      } else if (Engine) {
        Result =
            Engine->EvalFuzzyExpression(Variable ? *Variable : IFuzzyVariable(), Result, &Context);
        if (Slot->SlotType().Contains(dtList) && Result && Result->DType() != dtList) {
          IValueVector One = NewRef<TValueVector>();
          One->Add(Result);
          Result = NewList(One);
        }
      }
    }
    if (Result != Value) Fact.SetValue(Slot->Name(), Result);
  }
}

const bool Installed = (SetFuzzyFactResolver(&ResolveFuzzyFact), true);

}  // namespace

}  // namespace norvale
