// The read-back forms of the constructs: defined types, fuzzy sets and variables, slots,
// templates, facts, fact sets, patterns and rules. Nested constructs write into the same writer,
// so indentation goes only where the form breaks a line, never into a string.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/core/DefinedType.h"
#include "engine/core/IEFuzzy.h"
#include "engine/core/IEHelpers.h"
#include "engine/engine/FactSet.h"
#include "engine/language/IEPrinter.h"
#include "engine/rete/Rule.h"
#include "fuzzy/FuzzyNames.h"

namespace norvale {

namespace {

const std::string Indent2 = std::string(IndentString) + IndentString;
constexpr double kPrintTolerance = 0.0001;

std::string F4(double Value) { return FloatToStr4(Value); }

// The types a printed form lists: those a value can be checked against.
std::string PrintedTypes(TIETypes Types) { return IETypeNames(Types - IEAlwaysValidTypes, " "); }

bool IsWholeInt32(double Value) {
  return std::trunc(Value) == Value && Value >= std::numeric_limits<int32_t>::min() &&
         Value <= std::numeric_limits<int32_t>::max();
}

// The shortest fixed-point text that reads back as Value, always with a decimal point so that it
// reads as a float.
std::string ExactFloatText(double Value) {
  char Buffer[512];
  auto [End, Error] =
      std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::fixed);
  if (Error != std::errc()) return FloatToStr4(Value);
  std::string S(Buffer, End);
  if (S.find_first_of(".ni") == std::string::npos) S += ".0";  // not after nan or inf
  return S;
}

// A range bound: whole numbers as integers, others exactly.
std::string BoundText(double Value) {
  return IsWholeInt32(Value) ? IntToStr(static_cast<long long>(Value)) : ExactFloatText(Value);
}

// An allowed float: four decimals when that reads back as the same number, else exactly.
std::string AllowedFloatText(double Value) {
  std::string S = FloatToStr4(Value);
  double Back;
  return TryStrToFloat(S, Back) && Back == Value ? S : ExactFloatText(Value);
}

// Units: bare when they read back as one word, otherwise as a string.
std::string UnitsText(const std::string& Units) {
  for (char C : Units)
    if (static_cast<unsigned char>(C) <= 0x20 || std::strchr("\"&();<[]|~\\", C))
      return QuoteString(Units);
  return Units;
}

std::string Written(const std::function<void(TIEWriter&)>& Write) {
  TIEWriter W;
  Write(W);
  return W.Take();
}

// --- fuzzy shapes ------------------------------------------------------------------------------

std::string PointsText(const TIFuzzySet& Set) {
  std::string S = "(";
  for (const TFuzzyPoint& P : Set.Points()) S += "(" + F4(P.X) + " " + F4(P.Y) + ") ";
  return S + ")";
}

// The mean-of-maxima centre of a shape. Defuzzifying records the undecidable flag in the set, and
// printing must not change what is-undecidable reports, so the work is done on a copy.
double CentreOf(const TIFuzzySet& Set) { return Set.Copy()->MaximumDefuzzify(); }

std::string PIText(const TIFuzzySet& Set) {
  const double X0 = Set.LowestX(), XN = Set.HighestX(), C = CentreOf(Set);
  if (std::abs((XN - C) - (C - X0)) <= kPrintTolerance)
    return "(pi " + F4(C) + " " + F4(C - X0) + ")";
  return "(pi " + F4(X0) + " " + F4(C) + " " + F4(XN) + ")";
}

// (beta centre range [inflection [weight]]). The shape function reads two arguments with the
// inflection (centre + range) / 2 and weight 1, so the inflection is left out only when it is
// that one and no weight has to follow it; otherwise the text would read back as another set.
std::string BetaText(const TIFuzzySet& Set) {
  const double X0 = Set.LowestX(), C = CentreOf(Set), Range = C - X0;
  const double Inflection = Set.Inflection();
  double Weight = Set.Weight();
  if (Set.Count() > 1 && Inflection != 0) {
    const double X1 = Set.X(1), Y1 = Set.Y(1);
    const double Z = (X1 - C) / Inflection;
    if (Y1 > 0 && Z != 0) Weight = (1 / Y1 - 1) / (Z * Z);
  }
  const bool WithWeight = std::abs(Weight - 1) > kPrintTolerance;
  const bool WithInflection =
      WithWeight || std::abs(Inflection - (C + Range) / 2) > kPrintTolerance;
  std::string S = "(beta " + F4(C) + " " + F4(Range);
  if (WithInflection) S += " " + F4(Inflection);
  if (WithWeight) S += " " + F4(Weight);
  return S + ")";
}

std::string ShapeText(const TIFuzzySet& Set) {
  const int N = Set.Count();
  switch (N == 0 ? fstPoints : Set.SetType()) {
    case fstTriangle:
      if (N >= 3) return "(tri " + F4(Set.X(0)) + " " + F4(Set.X(1)) + " " + F4(Set.X(2)) + ")";
      break;
    case fstDecline:
      return "(z " + F4(Set.LowestX()) + " " + F4(Set.HighestX()) + ")";
    case fstGrowth:
      return "(s " + F4(Set.LowestX()) + " " + F4(Set.HighestX()) + ")";
    case fstPI:
      return PIText(Set);
    case fstBeta:
      return BetaText(Set);
    case fstPoints:
      if (!Set.Expression().empty()) return Set.Expression();
      break;
  }
  return PointsText(Set);
}

// --- defined types -----------------------------------------------------------------------------

using TClause = void (*)(TIEWriter&, const TIEDefinedType&);

void RangeClause(TIEWriter& W, const TIEDefinedType& T) {
  if (!T.RangeLimited()) return;
  auto Bound = [](double V, double Unbounded) {
    return V == Unbounded ? std::string(STypeVariableKeyword) : BoundText(V);
  };
  W.Write(Indent2 + "(range " + Bound(T.MinRange(), TIEDefinedType::UnboundedMinRange) + " " +
          Bound(T.MaxRange(), TIEDefinedType::UnboundedMaxRange) + ") ");
  W.NewLine();
}

void UnitsClause(TIEWriter& W, const TIEDefinedType& T) {
  if (T.Units().empty()) return;
  W.Write(Indent2 + "(units " + UnitsText(T.Units()) + ")");
  W.NewLine();
}

void CardinalityClause(TIEWriter& W, const TIEDefinedType& T) {
  if (!T.CardinalityLimited()) return;
  const std::string Min =
      T.MinCardinality() < 0 ? std::string(STypeVariableKeyword) : IntToStr(T.MinCardinality());
  const std::string Max = T.MaxCardinality() == TIEDefinedType::UnboundedMaxCardinality
                              ? std::string(STypeVariableKeyword)
                              : IntToStr(T.MaxCardinality());
  W.Write(Indent2 + "(cardinality " + Min + " " + Max + ") ");
  W.NewLine();
}

void AllowedClause(TIEWriter& W, const TIEDefinedType& T) {
  const TValueConstraints C = T.Constraints();
  if (C.Empty()) return;
  auto Atoms = [&] {
    for (int I = 0; I < T.GetConstraintAtomsCount(); ++I) {
      WriteName(W, T.GetConstraintAtom(I));
      W.Write(' ');
    }
  };
  auto Strings = [&] {
    for (int I = 0; I < T.GetConstraintStringsCount(); ++I)
      W.Write(QuoteString(T.GetConstraintString(I)) + " ");
  };
  auto Integers = [&] {
    for (int I = 0; I < T.GetConstraintIntegersCount(); ++I)
      W.Write(IntToStr(T.GetConstraintInteger(I)) + " ");
  };
  auto Floats = [&] {
    for (int I = 0; I < T.GetConstraintFloatsCount(); ++I)
      W.Write(AllowedFloatText(T.GetConstraintFloat(I)) + " ");
  };
  if (C == TValueConstraints{vcAtom, vcString, vcInteger, vcFloat}) {
    W.Write(Indent2 + "(allowed-values ");
    Atoms();
    Strings();
    Integers();
    Floats();
    W.Write(")");
    W.NewLine();
    return;
  }
  if (C.Contains(vcInteger) || C.Contains(vcFloat)) {
    W.Write(Indent2 + (C.Contains(vcInteger) && C.Contains(vcFloat) ? "(allowed-numbers "
                       : C.Contains(vcInteger)                      ? "(allowed-integers "
                                                                    : "(allowed-floats "));
    if (C.Contains(vcInteger)) Integers();
    if (C.Contains(vcFloat)) Floats();
    W.Write(") ");
    W.NewLine();
  }
  if (C.Contains(vcAtom) || C.Contains(vcString)) {
    W.Write(Indent2 + (C.Contains(vcAtom) && C.Contains(vcString) ? "(allowed-lexemes "
                       : C.Contains(vcAtom)                       ? "(allowed-symbols "
                                                                  : "(allowed-strings "));
    if (C.Contains(vcAtom)) Atoms();
    if (C.Contains(vcString)) Strings();
    W.Write(")");
    W.NewLine();
  }
}

// A default worth writing: reading the slot without it would give another value.
bool HasDefault(const IIEValue& Default) {
  if (!Default || Default->DType() == dtNone) return false;
  if (Default->Equals(FCNil) || Default->Equals(FCNilList)) return false;
  // A fuzzy slot without a default of its own holds an empty set, which prints as nothing.
  if (Default->DType() == dtFuzzy) return !Default->GetToString().empty();
  if (const TValueVector* L = Default->DType() == dtList ? Default->ListPtr() : nullptr)
    return L->Count() > 0;
  return true;
}

// A slot value that reads as nothing in a fact: nil, or an empty list.
bool IsEmptyValue(const IIEValue& V) {
  if (!V || V->DType() == dtNone || V->Equals(FCNil)) return true;
  const TValueVector* L = V->DType() == dtList ? V->ListPtr() : nullptr;
  return L && L->Count() == 0;
}

}  // namespace

void WriteDefinedType(TIEWriter& W, const TIEDefinedType& T) {
  const TIEDefinedType* Ancestor = T.Ancestor().Get();
  if (T.Implicit()) {
    W.Write("(type " + PrintedTypes(T.BaseTypes()) + ")");
    W.NewLine();
  } else {
    W.Write("(deftype ");
    WriteName(W, T.Name());
    W.Write(' ');
    if (!T.Comment().empty()) {
      W.NewLine();
      W.Write(IndentString);
      W.Write(QuoteString(T.Comment()));
      W.NewLine();
      W.Write(IndentString);
    }
    W.Write("extends (type ");
    if (Ancestor) {
      WriteName(W, Ancestor->Name());
      W.Write(" " + PrintedTypes(T.BaseTypes() - Ancestor->BaseTypes()));
    } else {
      W.Write(PrintedTypes(T.BaseTypes()));
    }
    W.Write(")");
    W.NewLine();
  }
  if (T.BaseTypes().Contains(dtFuzzy)) {
    if (T.FuzzyType()) WriteFuzzyVariable(W, *T.FuzzyType());
  } else {
    // A type with an ancestor leaves out the clauses that read the same for the ancestor.
    for (TClause Clause : {RangeClause, UnitsClause, CardinalityClause, AllowedClause}) {
      const std::string Own = Written([&](TIEWriter& C) { Clause(C, T); });
      if (Own.empty() || (Ancestor && Written([&](TIEWriter& C) { Clause(C, *Ancestor); }) == Own))
        continue;
      Clause(W, T);
    }
  }
  if (!T.Implicit()) W.Write(")");
}

std::string DefinedTypePrettyPrint(const TIEDefinedType& Type) {
  return Written([&](TIEWriter& W) { WriteDefinedType(W, Type); });
}

// --- fuzzy sets and variables ------------------------------------------------------------------

void WriteFuzzySet(TIEWriter& W, const TIFuzzySet& Set, bool Term) {
  const bool Empty = SameText(Set.Name(), SEmptyFuzzy);
  if (!Term) {
    if (!Empty) W.Write(Set.Name());
    return;
  }
  if (Empty) {
    W.Write(ShapeText(Set));
    return;
  }
  W.Write("(term ");
  WriteName(W, Set.Name());
  W.Write(" " + ShapeText(Set) + ")");
}

void WriteFuzzyVariable(TIEWriter& W, const TIFuzzyVariable& Variable) {
  W.Write(std::string(IndentString) + "(range " + F4(Variable.From()) + " " + F4(Variable.To()) +
          ")");
  W.NewLine();
  if (!Variable.Units().empty()) {
    W.Write(std::string(IndentString) + "(units " + UnitsText(Variable.Units()) + ")");
    W.NewLine();
  }
  W.Write(std::string(IndentString) + "(values ");
  W.NewLine();
  for (int I = 0; I < Variable.TermCount(); ++I) {
    const IFuzzySet& T = Variable.Term(I);
    if (!T->IsTerm()) continue;
    W.Write(Indent2);
    WriteFuzzySet(W, *T, true);
    W.NewLine();
  }
  W.Write(std::string(IndentString) + ")");
  W.NewLine();
}

std::string FuzzySetPrettyPrint(const TIFuzzySet& Set, bool Term) {
  return Written([&](TIEWriter& W) { WriteFuzzySet(W, Set, Term); });
}

std::string FuzzyVariablePrettyPrint(const TIFuzzyVariable& Variable) {
  return Written([&](TIEWriter& W) { WriteFuzzyVariable(W, Variable); });
}

// --- slots and templates -----------------------------------------------------------------------

void WriteSlot(TIEWriter& W, const TFactSlot& Slot) {
  W.Write(Slot.IsMultiSlot() ? "(multislot " : "(slot ");
  WriteName(W, Slot.Name());
  W.Write(' ');
  const bool Default = HasDefault(Slot.SlotDefault());
  auto WriteDefault = [&] {
    W.Write(Slot.DefaultDynamic() ? "(default-dynamic " : "(default ");
    WriteValue(W, Slot.SlotDefault().Get());
    W.Write(") ");
  };
  const TIETypes Types = Slot.SlotType();
  if (const IIEDefinedType& Type = Slot.ExtendedTypeInfo()) {
    if (Type->Implicit()) {
      WriteDefinedType(W, *Type);
    } else {
      W.Write("(type ");
      WriteName(W, Type->Name());
      W.Write(")");
    }
    if (Default) {
      W.Write(Indent2);
      WriteDefault();
    }
  } else if (Types == IESlotTypes || Types == IESlotTypes + IEMultiSlotTypes) {
    if (Default) WriteDefault();
  } else {
    TIETypes T = Types - IEAlwaysValidTypes;
    if (Slot.IsMultiSlot()) T = T - IEMultiSlotTypes;
    W.Write("(type " + IETypeNames(T, " ") + ")");
    if (Slot.IsMultiSlot()) W.Write(' ');
    if (Default) {
      W.NewLine();
      W.Write(Indent2);
      WriteDefault();
    }
  }
  W.Write(")");
}

std::string PrintSlot(const TFactSlot& Slot) {
  return Written([&](TIEWriter& W) { WriteSlot(W, Slot); });
}

void WriteTemplate(TIEWriter& W, const TFactTemplate& Template) {
  W.Write("(deftemplate ");
  WriteName(W, Template.TemplateName());
  if (!Template.Comment().empty()) W.Write(" " + QuoteString(Template.Comment()));
  if (Template.Parent()) {
    W.NewLine();
    W.Write(std::string(IndentString) + "extends ");
    WriteName(W, Template.Parent()->TemplateName());
  }
  if (Template.IsOrdered()) {
    TFactSlot* Data = Template.FindSlot(SDefaultSlotName);
    if (Data && Data->ExtendedTypeInfo()) {
      if (Data->ExtendedTypeInfo()->Implicit()) {
        W.Write(' ');
        WriteSlot(W, *Data);
      } else {
        W.Write(" is-a ");
        WriteName(W, Data->ExtendedTypeInfo()->Name());
      }
    }
  } else {
    W.NewLine();
    W.Indent();
    for (const IFactSlot& Slot : Template.Slots()) {
      WriteSlot(W, *Slot);
      W.NewLine();
    }
    W.Outdent();
  }
  W.Write(")");
}

std::string PrintTemplate(const TFactTemplate& Template) {
  return Written([&](TIEWriter& W) { WriteTemplate(W, Template); });
}

// --- facts and fact sets -----------------------------------------------------------------------

void WriteFact(TIEWriter& W, const TFact& Fact) {
  auto& Self = const_cast<TFact&>(Fact);
  TFactTemplate* Template = Fact.TemplatePtr();
  W.Write('(');
  if (!Template) {
    for (const IIEValue& V : Self.GetSlotValues())
      if (V) {
        WriteValue(W, V.Get());
        W.Write(' ');
      }
    W.Write(')');
    return;
  }
  WriteName(W, Template->TemplateName());
  if (Template->IsOrdered()) {
    TFactSlot* Data = Template->FindSlot(SDefaultSlotName);
    const IIEValue& V = Data ? Self.ValueAt(Data->Index()) : FCNil;
    if (!IsEmptyValue(V)) {
      W.Write(' ');
      WriteValue(W, V.Get());
    }
    W.Write(')');
    return;
  }
  for (int I : Template->SortedSlots()) {
    TFactSlot* S = Template->SlotAt(I);
    const IIEValue& V = Self.ValueAt(I);
    if (IsEmptyValue(V)) {
      // Left out only when reading the fact back gives this value again.
      const IIEValue& D = S->SlotDefault();
      if (!S->DefaultDynamic() && (IsEmptyValue(D) || !HasDefault(D))) continue;
      W.Write(" (");
      WriteName(W, S->Name());
      W.Write(S->IsMultiSlot() ? ")" : " nil)");
      continue;
    }
    W.Write(" (");
    WriteName(W, S->Name());
    W.Write(' ');
    WriteValue(W, V.Get());
    W.Write(')');
  }
  W.Write(')');
}

std::string PrintFact(const TFact& Fact) {
  return Written([&](TIEWriter& W) { WriteFact(W, Fact); });
}

void WriteFactSet(TIEWriter& W, TFactSet& FactSet) {
  W.Write("(deffacts ");
  WriteName(W, FactSet.FactSetName());
  if (!FactSet.Comment().empty()) W.Write(" " + QuoteString(FactSet.Comment()));
  W.NewLine();
  W.Indent();
  for (int I = 0; I < FactSet.Count(); ++I) {
    IFact Fact;
    try {
      Fact = FactSet.GetFact(I);
    } catch (const EIEException&) {
      // A line the engine cannot read prints as it was written.
    }
    if (Fact)
      WriteFact(W, *Fact);
    else
      W.Write(FactSet.Facts().Strings(I));
    W.NewLine();
  }
  W.Outdent();
  W.Write(")");
}

std::string PrintFactSet(TFactSet& FactSet) {
  return Written([&](TIEWriter& W) { WriteFactSet(W, FactSet); });
}

// --- patterns and rules --------------------------------------------------------------------------

namespace {

// The constraints of one slot of a pattern: "&" joins the tests of one field, a blank separates
// the fields, a call is a predicate constraint (":call").
void WriteSlotTests(TIEWriter& W, const TIEPattern& Pattern, int Index) {
  const auto& Tests = Pattern.GetSlotTests(Index);
  for (size_t I = 0; I < Tests.size(); ++I) {
    const TIEPatternMatchTest& T = *Tests[I];
    if (I > 0) W.Write(Tests[I - 1]->MultiSlotSubIndex() == T.MultiSlotSubIndex() ? "&" : " ");
    if (T.SlotTestType() == sttNotEquals) W.Write('~');
    if (T.SlotValue() && T.SlotValue()->DType() == dtFunCall && !Pattern.IsTest()) W.Write(':');
    WriteValue(W, T.SlotValue().Get());
  }
}

}  // namespace

void WritePattern(TIEWriter& W, const TIEPattern& Pattern) {
  if (!Pattern.FactTemplate()) throw EIEException(SNoTemplate);
  if (!Pattern.Comment().empty()) WriteCommentLines(W, Pattern.Comment());
  if (!Pattern.BoundName().empty()) {
    W.Write('?');
    WriteName(W, Pattern.BoundName());
    W.Write(" <- ");
  }
  int Closing = 1;
  const int N = Pattern.NegatedCount();
  if (N == 1) {
    W.Write("(not ");
    ++Closing;
  } else if (N >= 2) {
    for (int I = 2; I < N; ++I) W.Write("(not ");
    W.Write("(exists ");
    Closing += N - 1;
  }
  if (Pattern.Explicit()) {
    W.Write("(explicit ");
    ++Closing;
  }
  if (Pattern.Unique()) {
    W.Write("(unique ");
    ++Closing;
  }
  W.Write('(');
  WriteName(W, Pattern.Name());
  W.Write(' ');
  const int Data = Pattern.IndexOfSlotName(SDefaultSlotName);
  if (Data < 0) {
    for (int I = 0; I < Pattern.GetSlotCount(); ++I) {
      // A multislot that must be empty is written too: left out it would take any fields.
      if (Pattern.GetSlotTestCount(I) == 0 && Pattern.GetSlotLength(I) != 0) continue;
      W.Write('(');
      WriteName(W, Pattern.GetSlotName(I));
      W.Write(' ');
      WriteSlotTests(W, Pattern, I);
      W.Write(") ");
    }
  } else if (Pattern.GetSlotTestCount(Data) > 0) {
    WriteSlotTests(W, Pattern, Data);
  } else if (Pattern.GetSlotLength(Data) != 0) {
    // Any fields: an anonymous multifield variable.
    const char* Prefix = SMultiSlotVar;
    auto* Owner = dynamic_cast<IPatternOwner*>(Pattern.Owner());
    static int Counter = 0;
    const std::string Name =
        Owner ? Owner->GenerateSymbol(Prefix) : Prefix + std::to_string(++Counter);
    W.Write(Name);
  }
  for (int I = 0; I < Closing; ++I) W.Write(')');
}

bool IsInsertedInitialPattern(const TIEPattern& Pattern) {
  if (Pattern.Name() != SInitialFactPattern || Pattern.NegatedCount() != 0 || Pattern.IsTest())
    return false;
  const int Data = Pattern.IndexOfSlotName(SDefaultSlotName);
  return Data >= 0 && Pattern.GetSlotCount() == 1 && Pattern.GetSlotTestCount(Data) == 0 &&
         Pattern.GetSlotLength(Data) != 0;
}

std::string PrintPattern(const TIEPattern& Pattern) {
  return Written([&](TIEWriter& W) { WritePattern(W, Pattern); });
}

void WriteRuleParts(TIEWriter& W, const TRule& Rule, TRuleConstruct Part) {
  W.Indent();
  if (Part == rcPattern) {
    const auto& P = Rule.Patterns().Patterns();
    bool First = true;
    for (size_t I = 0; I < P.size(); ++I) {
      // The goal pattern that a need- pattern makes is made again when the text is read.
      if (I > 0 && P[I - 1]->Name().rfind(SBackChainPrefix, 0) == 0) continue;
      // So is the leading pattern on the initial fact that the engine puts before a rule that
      // starts with a negation, a test or a goal, or has no pattern: one written by a user
      // names its fields or their absence.
      if (I == 0 && IsInsertedInitialPattern(*P[0])) continue;
      if (!First) W.NewLine();
      First = false;
      WritePattern(W, *P[I]);
    }
  } else {
    for (const IFunCall& A : Rule.Actions().Actions()) {
      WriteFunCall(W, *A);
      W.NewLine();
    }
  }
  W.Outdent();
}

void WriteRule(TIEWriter& W, const TRule& Rule) {
  W.Write("(defrule ");
  WriteName(W, Rule.RuleName());
  if (!Rule.Comment().empty()) {
    W.NewLine();
    W.Write(IndentString);
    W.Write(QuoteString(Rule.Comment()));
  }
  W.NewLine();
  // A salience that is an expression is written as one, not as its last value.
  const IIEValue& Salience = Rule.SalienceExpression();
  const bool Expression = Salience && Salience->DType() != dtInteger;
  if (Rule.Salience() != 0 || Expression || Rule.OneShot() || !Rule.Enabled()) {
    W.Write(std::string(IndentString) + "(declare");
    if (Expression) {
      W.Write(" (salience ");
      WriteValue(W, Salience.Get());
      W.Write(")");
    } else if (Rule.Salience() != 0) {
      W.Write(" (salience " + std::to_string(Rule.Salience()) + ")");
    }
    if (!Rule.Enabled()) W.Write(" (enabled FALSE)");
    if (Rule.OneShot()) W.Write(" (oneshot TRUE)");
    W.Write(")");
    W.NewLine();
  }
  WriteRuleParts(W, Rule, rcPattern);
  W.NewLine();
  W.Write(std::string(IndentString) + "=>");
  W.NewLine();
  WriteRuleParts(W, Rule, rcAction);
  W.Write(")");
}

std::string RulePrettyPrint(const TRule& Rule) {
  return Written([&](TIEWriter& W) { WriteRule(W, Rule); });
}

std::string RulePrettyPrint(const TRule& Rule, TRuleConstruct Part) {
  return Written([&](TIEWriter& W) { WriteRuleParts(W, Rule, Part); });
}

}  // namespace norvale
