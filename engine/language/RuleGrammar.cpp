// The rule grammar: defrule with its declaration, conditional elements (not, exists, unique,
// explicit, test, bound and fact patterns with their field constraints) and actions.
#include <memory>

#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEClipsParser.h"
#include "engine/rete/IEContext.h"
#include "engine/rete/Rule.h"

namespace norvale {

namespace {

const std::string SParseRuleMethod = "ParseRule";
const std::string SParseRulePatternsMethod = "ParseRulePatterns";
const std::string SParsePatternMethod = "ParsePattern";

struct TFreeObject {
  void operator()(TObject* O) const { Free(O); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeObject>;

// One test of a field position, before it goes into the pattern.
struct TTerm {
  IIEValue Value;
  bool Negated = false;
  bool Conjunction = true;
};

}  // namespace

// --- defrule -----------------------------------------------------------------------------------

TRule* TIEClipsParser::ParseRule() {
  const std::string& Method = SParseRuleMethod;
  std::string Name, Comment;
  TToken T;
  ParseHeader(Name, Comment, T, SExpectedDefrule, Method, "defrule", true);
  TOwned<TRule> Rule(NewObject<TRule>(FOwner));
  Rule->BeginUpdate();
  struct TEnd {
    TRule* R;
    ~TEnd() { R->EndUpdate(); }
  } End{Rule.get()};
  Rule->SetRuleName(Name);
  Rule->SetComment(Comment);

  // The declaration, when the first list is one.
  bool Declared = false;
  if (T.Is(ttOpen)) {
    const TToken Keyword = Next();
    if (Keyword.Is(ttAtom) && Keyword.Text == "declare") {
      Declared = true;
      ParseRuleDeclaration(*Rule);
    } else {
      PutBack();
    }
  }
  if (!Declared) PutBack();

  TVariableKinds Vars;
  ParseRulePatterns(*Rule, Vars);
  if (!Next().Is(ttEquals)) ParseError(Method, SExpectedArrow);
  T = Next();
  if (!T.Is(ttAtom) || T.Text != ">") ParseError(Method, SExpectedArrow);
  ParseRuleActions(*Rule, Vars);
  if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);
  OnParseRule(this, Rule.get());
  return Rule.release();
}

void TIEClipsParser::ParseRuleDeclaration(TRule& Rule) {
  const std::string& Method = SParseRuleMethod;
  for (TToken T = Next(); !T.Is(ttClose); T = Next()) {
    if (!T.Is(ttOpen)) ParseError(Method, SExpectedOpen);
    const TToken Property = Next();
    const std::string P = Property.Is(ttAtom) ? std::string(Property.Text) : std::string();
    if (P != "salience" && P != "oneshot" && P != "enabled") ParseError(Method, SExpectedProperty);
    T = Next();
    if (P == "salience") {
      IIEValue Salience;
      if (T.Is(ttInteger) || T.Is(ttVariable)) {
        Salience = TokenToValue(T);
      } else if (T.Is(ttOpen)) {
        PutBack();
        Salience = NewRef<TIEValue>(ParseFunCall());
      } else {
        ParseError(Method, SExpectedBound, {"salience"});
      }
      Rule.SetSalience(Salience);
    } else {
      IIEValue V;
      if (T.Is(ttOpen)) {
        PutBack();
        V = ParseNExecuteFunCall();
      } else {
        V = TokenToValue(T);
      }
      const bool On = V && V->Equals(FCTrue);
      if (P == "oneshot")
        Rule.SetOneShot(On);
      else
        Rule.SetEnabled(On);
    }
    if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);
  }
}

// --- conditional elements ------------------------------------------------------------------------

void TIEClipsParser::ParseRulePatterns(TRule& Rule, TVariableKinds& Vars) {
  const std::string& Method = SParseRulePatternsMethod;
  for (;;) {
    TToken T = Next();
    std::string Bound, Comment;
    if (T.Is(ttVariable)) {
      // The comment before a bound pattern stands before its variable.
      Comment = Tokens().CommentOf(T);
      Bound = std::string(T.Text);
      const TToken Arrow = Next();
      if (!Arrow.Is(ttAtom) || Arrow.Text != "<-") ParseError(Method, SExpectedBindArrow);
    } else if (T.Is(ttOpen)) {
      PutBack();
    } else {
      PutBack();
      return;
    }
    TOwned<TIEPattern> Pattern(ParsePattern(Rule, 0, Vars));
    if (!Bound.empty() && (Pattern->NegatedCount() != 0 || Pattern->IsTest()))
      ParseError(Method, SBoundNegatedPattern);
    Pattern->SetBoundName(Bound);
    if (!Comment.empty())
      Pattern->SetComment(
          Pattern->Comment().empty() ? Comment : Comment + NewLineString + Pattern->Comment());
    Rule.Patterns().Add(Pattern.release());
  }
}

TIEPattern* TIEClipsParser::ParsePattern(TRule& Rule, int NegatedCount, TVariableKinds& Vars) {
  const std::string& Method = SParsePatternMethod;
  TDepth Depth(*this, "ParsePattern");
  const TToken Open = Next();
  if (!Open.Is(ttOpen)) ParseError(Method, SExpectedOpenAtom);
  const std::string Comment = Tokens().CommentOf(Open);
  const TToken Head = Next();
  if (!Head.Is(ttAtom)) ParseError(Method, SExpectedOpenAtom);
  const std::string Word(Head.Text);

  TOwned<TIEPattern> Pattern;
  if (Word == "not" || Word == "exists" || Word == "unique" || Word == "explicit") {
    const int Inner = Word == "not"      ? NegatedCount + 1
                      : Word == "exists" ? NegatedCount + 2
                                         : NegatedCount;
    Pattern.reset(ParsePattern(Rule, Inner, Vars));
    if (Word == "unique") Pattern->SetUnique(true);
    if (Word == "explicit") Pattern->SetExplicit(true);
    if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);
  } else if (Word == STestCE) {
    IFactTemplate Template =
        FOwner ? FOwner->CreateFactTemplate(STestCE) : NewRef<TFactTemplate>(nullptr, STestCE);
    Pattern.reset(NewObject<TIEPattern>(&Rule, 0, Template, STestCE));
    IFunCall Call = ParseFunCall();
    // (not (test ...)) negates the test itself.
    Pattern->AddTest(SDefaultSlotName, NewRef<TIEValue>(Call), true, NegatedCount % 2 == 1,
                     NoSubIndex);
    if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);
  } else {
    Pattern.reset(ParseFactPattern(Rule, Word, NegatedCount, Vars));
    OnParsePattern(this, Pattern.get());
  }
  // The comment written before a wrapper goes before what it wraps.
  if (!Comment.empty())
    Pattern->SetComment(Pattern->Comment().empty() ? Comment
                                                   : Comment + NewLineString + Pattern->Comment());
  return Pattern.release();
}

TIEPattern* TIEClipsParser::ParseFactPattern(TRule& Rule, const std::string& Name, int NegatedCount,
                                             TVariableKinds& Vars) {
  const std::string& Method = SParsePatternMethod;
  IFactTemplate Template =
      FOwner ? FOwner->CreateFactTemplate(Name) : NewRef<TFactTemplate>(nullptr, Name);
  TOwned<TIEPattern> Pattern(NewObject<TIEPattern>(&Rule, NegatedCount, Template, Name));
  if (Template->ContainsSlot(SDefaultSlotName)) {
    ParseSlotConstraints(*Pattern, *Template->FindSlot(SDefaultSlotName), Vars);
    return Pattern.release();
  }
  TToken T;
  for (T = Next(); T.Is(ttOpen); T = Next()) {
    const TToken SlotName = Next();
    if (!SlotName.Is(ttAtom)) ParseError(Method, SBadSlotName, {TokenToString(SlotName)});
    IFactSlot Slot = Template->GetSlot(std::string(SlotName.Text));
    ParseSlotConstraints(*Pattern, *Slot, Vars);
  }
  if (!T.Is(ttClose)) ParseError(Method, SExpectedClose);
  return Pattern.release();
}

void TIEClipsParser::ParseSlotConstraints(TIEPattern& Pattern, const TFactSlot& Slot,
                                          TVariableKinds& Vars) {
  const std::string& Method = SParsePatternMethod;
  const bool Multi = Slot.IsMultiSlot();
  const bool Fuzzy = Slot.IsFuzzy();
  const IIEDefinedType& Type = Slot.ExtendedTypeInfo();
  TIEContext* Global = FOwner ? FOwner->GlobalContext() : nullptr;
  int Position = Multi ? 0 : NoSubIndex;
  int Positions = 0;
  bool Conjunction = true;
  std::vector<TTerm> Terms;  // the tests of the position being read
  auto Flush = [&] {
    for (TTerm& Term : Terms)
      Pattern.AddTest(Slot.Name(), Term.Value, Term.Conjunction, Term.Negated, Position);
    Terms.clear();
  };
  for (;;) {
    TToken T = Next();
    if (T.Is(ttClose)) break;
    if (T.Is(ttEOF)) ParseError(Method, SUnexpectedEndOfStream);
    TTerm Term;
    Term.Conjunction = Conjunction;
    if (T.Is(ttTilde)) {
      Term.Negated = true;
      T = Next();
    }
    if (Fuzzy && !T.Is(ttVariable) && !T.Is(ttMultiVariable)) {
      if (T.Is(ttAtom) && T.Text == ":") {
        Term.Value = NewRef<TIEValue>(ParseFunCall());
      } else {
        PutBack();
        IIEValue Expression = ParseValue();
        if (!Expression) ParseError(Method, SBadSlotValueToken, {TokenToString(T)});
        if (Global) Expression = Expression->Resolve(Global);
        if (Expression->DType() != dtFuzzy && FOwner)
          Expression = FOwner->EvalFuzzyExpression(Type ? Type->FuzzyType() : IFuzzyVariable(),
                                                   Expression, Global);
        Term.Value = Expression;
      }
    } else {
      switch (T.DataType) {
        case ttAtom:
          if (T.Text == ":")
            Term.Value = NewRef<TIEValue>(ParseFunCall());  // a predicate constraint
          else
            Term.Value = TokenToValue(T);
          break;
        case ttString:
        case ttInteger:
        case ttFloat:
          Term.Value = TokenToValue(T);
          break;
        case ttVariable:
        case ttMultiVariable: {
          // A name keeps the kind of its first occurrence in the rule.
          auto [It, New] = Vars.emplace(std::string(T.Text), T.DataType);
          Term.Value =
              It->second == ttVariable ? NewVariable(It->first) : NewMultiVariable(It->first);
          break;
        }
        case ttEquals: {
          // A return-value constraint: the field is bound to a fresh single-field variable first,
          // so that in a "|" group it is the group's variable, then compared with the call.
          IFunCall Expression = ParseFunCall();
          const std::string Name = GenerateSymbol(SEqStarPrefix);
          Terms.insert(Terms.begin(), TTerm{NewVariable(Name), false, true});
          IFunCall Compare = NewRef<TFunctionCall>(FOwner, "eq*");
          Compare->AddArgument(NewVariable(Name));
          Compare->AddArgument(NewRef<TIEValue>(Expression));
          Term.Value = NewRef<TIEValue>(Compare);
          break;
        }
        default:
          ParseError(Method, SBadSlotValueToken, {TokenToString(T)});
      }
    }
    Terms.push_back(Term);

    T = Next();
    if (T.Is(ttAmpersand)) {
      Conjunction = true;  // "&" binds tighter than "|": a|b&c is a or (b and c)
      continue;
    }
    if (T.Is(ttBar)) {
      Conjunction = false;
      continue;
    }
    if (!Multi && !T.Is(ttClose)) ParseError(Method, SNotAMultislot, {Slot.Name()});
    Flush();
    ++Positions;
    if (Multi) ++Position;
    Conjunction = true;
    PutBack();
  }
  Flush();
  if (Multi) {
    const int Index = Pattern.IndexOfSlotName(Slot.Name());
    if (Index >= 0) Pattern.SetSlotLength(Index, Positions);
  }
}

// --- actions -----------------------------------------------------------------------------------

void TIEClipsParser::ParseRuleActions(TRule& Rule, TVariableKinds&) {
  while (Peek().Is(ttOpen)) Rule.Actions().Add(ParseFunCall());
}

}  // namespace norvale
