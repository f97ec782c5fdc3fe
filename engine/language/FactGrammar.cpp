// The template, fact and fact-set grammar: deftemplate with its slot definitions and qualifiers,
// facts (ordered and by slot), typed slot values with their checks, deffacts and fact files.
#include <memory>

#include "engine/core/IEHelpers.h"
#include "engine/engine/FactSet.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEClipsParser.h"
#include "engine/rete/IEContext.h"

namespace norvale {

namespace {

const std::string SParseFactTemplateMethod = "ParseFactTemplate";
const std::string SParseSlotMethod = "ParseFactTemplateSlot";
const std::string SParseFactMethod = "ParseFact";
const std::string SParseFactSlotMethod = "ParseFactSlot";
const std::string SParseFactSetMethod = "ParseFactSet";
const std::string SParseSlotValueMethod = "ParseValue(Fact Slot)";
const std::string SParseTypedValueMethod = "ParseValue(SlotTypes)";
const std::string SParseValueMethod = "ParseValue";

// A number of the other kind when the types allow it and not the value's own (a new value: the
// value read may be a global's or a shared constant).
IIEValue ConvertNumber(const IIEValue& V, TIETypes Types) {
  if (!V || Types.Contains(V->DType())) return V;
  if (V->DType() == dtFloat && Types.Contains(dtInteger)) return NewInteger(V->AsInteger());
  if (V->DType() == dtInteger && Types.Contains(dtFloat)) return NewFloat(V->AsFloat());
  return V;
}

}  // namespace

// --- deftemplate -------------------------------------------------------------------------------

IFactTemplate TIEClipsParser::ParseFactTemplate() {
  const std::string& Method = SParseFactTemplateMethod;
  std::string Name, Comment;
  TToken T;
  ParseHeader(Name, Comment, T, SExpectedDeftemplate, Method, "deftemplate", true);
  IFactTemplate Parent;
  IIEDefinedType IsA;
  if (T.Is(ttAtom)) {
    if (T.Text == "extends") {
      const TToken P = Next();
      if (!P.Is(ttAtom)) ParseError(Method, SMissingParentTemplate);
      // A parent that is not there leaves the template without one.
      if (FOwner) Parent = FOwner->FindFactTemplate(std::string(P.Text));
    } else if (T.Text == "is-a") {
      const TToken P = Next();
      if (!P.Is(ttAtom)) ParseError(Method, SMissingTemplateType);
      if (FOwner) IsA = FOwner->DefinedTypes().Find(std::string(P.Text));
      if (!IsA) ParseError(Method, SUnknownTemplateType, {P.Text});
    } else {
      ParseError(Method, SExpectedTemplateClause);
    }
    T = Next();
  }
  IFactTemplate Template = NewRef<TFactTemplate>(FOwner, Parent, Comment, Name);
  if (IsA) {
    // An ordered template whose fields the type constrains; no slot definitions follow.
    IFactSlot Data = Template->AddMultiSlot(SDefaultSlotName, FCNilList);
    Data->SetExtendedTypeInfo(IsA);
  } else {
    for (; T.Is(ttOpen); T = Next()) {
      PutBack();
      IFactSlot Slot = ParseFactTemplateSlot();
      Template->SetSlot(Slot->Name(), Slot);
    }
  }
  if (!T.Is(ttClose)) ParseError(Method, SExpectedClose);
  OnParseFactTemplate(this, Template);
  return Template;
}

IFactSlot TIEClipsParser::ParseFactTemplateSlot() {
  const std::string& Method = SParseSlotMethod;
  if (!Next().Is(ttOpen)) ParseError(Method, SExpectedOpen);
  TToken T = Next();
  const bool Multi = T.Is(ttAtom) && T.Text == "multislot";
  if (!T.Is(ttAtom) || (!Multi && T.Text != "slot" && T.Text != "field"))
    ParseError(Method, SInvalidSlotType, {TokenToString(T)});
  T = Next();
  if (!T.Is(ttAtom)) ParseError(Method, SBadSlotName, {TokenToString(T)});
  IFactSlot Slot = NewRef<TFactSlot>();
  Slot->SetName(std::string(T.Text));

  TIETypes Types = Multi ? IESlotTypes + IEMultiSlotTypes : IESlotTypes;
  IIEDefinedType DefinedType;
  IIEValue Default;
  bool Dynamic = false;
  // The slot's own inline type, which range, cardinality, units and allowed values go into.
  auto Implicit = [&](bool Refused) -> const IIEDefinedType& {
    if (Refused && Types.Contains(dtFuzzy)) ParseError(Method, SFuzzySlotConstraint);
    if (DefinedType && DefinedType->Implicit()) return DefinedType;
    IIEDefinedType Own = NewRef<TIEDefinedType>(FOwner);
    if (DefinedType) Own->Assign(DefinedType.Get());
    Own->SetName(SImplicitDefinedType);
    Own->SetImplicit(true);
    Own->SetBaseTypes(DefinedType ? DefinedType->BaseTypes() : Types);
    DefinedType = Own;
    return DefinedType;
  };
  TIEContext* Global = FOwner ? FOwner->GlobalContext() : nullptr;
  while (Peek().Is(ttOpen)) {
    TToken Open = Next();
    const TToken Q = Next();
    if (!Q.Is(ttAtom)) ParseError(Method, SInvalidSlotQualifier, {TokenToString(Q)});
    const std::string Word = LowerCase(Q.Text);
    bool Closed = false;  // the clause reader took the ")" itself
    if (Word == "default" || Word == "default-dynamic") {
      Dynamic = Word == "default-dynamic";
      if (Multi) {
        IValueVector Items = ParseList();
        // A default is computed now, into new values; a dynamic one stays as written.
        Default = !Dynamic && Global ? NewList(Global->ExpandList(*Items)) : NewList(Items);
      } else {
        Default = ParseValue(Types, DefinedType);
        if (!Dynamic && Default && Global) Default = Default->Resolve(Global);
      }
    } else if (Word == "type") {
      IIEDefinedType Named;
      Types = ParseSlotTypes(Named);
      if (Multi) Types = Types + IEMultiSlotTypes;
      if (Named) DefinedType = Named;
    } else if (Word == "range" || Word == "cardinality") {
      const IIEDefinedType& Own = Implicit(Word == "range");
      PutBack();
      PutBack();
      ParseRangeAndCardinality(Own, nullptr, Open, Word == "cardinality", true);
      Closed = true;
    } else if (Word == "units") {
      const IIEDefinedType& Own = Implicit(true);
      const TToken Units = Next();
      if (Units.Is(ttClose) || Units.Is(ttEOF)) ParseError(Method, SExpectedValueMissing);
      Own->SetUnits(Units.Is(ttAtom) || Units.Is(ttString) ? std::string(Units.Text)
                                                           : TokenToString(Units));
    } else if (Word.rfind("allowed-", 0) == 0) {
      const IIEDefinedType& Own = Implicit(true);
      PutBack();
      PutBack();
      ParseAllowedEnumerations(Own, Open);
      Closed = true;
    } else {
      ParseError(Method, SInvalidSlotQualifier, {Q.Text});
    }
    if (!Closed && !Next().Is(ttClose)) ParseError(Method, SExpectedClose);
  }
  if (!Next().Is(ttClose)) ParseError(SParseFactTemplateMethod, SExpectedClose);

  if (DefinedType) Slot->SetExtendedTypeInfo(DefinedType);
  Slot->SetSlotType(Types);
  // A term name as the default of a fuzzy slot is that term's set.
  if (Default && Slot->IsFuzzy() && DefinedType && DefinedType->FuzzyType() &&
      Default->Is({dtAtom, dtString}) && FOwner)
    Default = FOwner->EvalFuzzyExpression(DefinedType->FuzzyType(), Default, nullptr);
  if (Default && StaticTypeChecks() && !Default->Equals(FCNil) && !Default->Equals(FCNilList) &&
      !Slot->IsValid(Default)) {
    IIEValue Converted = ConvertNumber(Default, Types);
    if (Converted == Default || !Slot->IsValid(Converted))
      ParseError(Method, Slot->GetInvalidValueString(Default));
    Default = Converted;
  }
  if (Default) {
    Slot->SetSlotDefault(Default);
    Slot->SetDefaultDynamic(Dynamic);
  } else if (StaticTypeChecks() && !Slot->IsValid(Slot->SlotDefault())) {
    Slot->SetSlotDefault(Slot->CreateValidDefault(Types.Contains(dtList)));
  }
  return Slot;
}

// --- facts ---------------------------------------------------------------------------------------

IFact TIEClipsParser::ParseFact() {
  const std::string& Method = SParseFactMethod;
  if (!Next().Is(ttOpen)) ParseError(Method, SExpectedOpenAtom);
  const TToken N = Next();
  if (!N.Is(ttAtom)) ParseError(Method, SExpectedOpenAtom);
  const std::string Name(N.Text);
  IFactTemplate Template;
  if (FOwner) {
    Template = FOwner->FindFactTemplate(Name);
    if (!Template) {
      if (StrictTemplates()) ParseError(Method, SUnknownFactTemplate, {Name});
      Template = FOwner->CreateFactTemplate(Name);
    }
  } else {
    Template = NewRef<TFactTemplate>(nullptr, Name);
  }
  IFact Fact = NewRef<TFact>(Template);
  if (Template->IsOrdered())
    ParseFactSlot(Fact);
  else
    while (Peek().Is(ttOpen)) ParseFactSlot(Fact);
  if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);
  OnParseFact(this, Fact);
  return Fact;
}

std::string TIEClipsParser::ParseFactSlot(const IFact& Fact) {
  const std::string& Method = SParseFactSlotMethod;
  TFactTemplate* Template = Fact->TemplatePtr();
  IFactSlot Slot;
  if (Template->IsOrdered()) {
    Slot = Template->GetSlot(SDefaultSlotName);
    Fact->SetValue(Slot->Name(), ParseValue(Slot));
    return Slot->Name();
  }
  if (!Next().Is(ttOpen)) ParseError(Method, SExpectedOpen);
  const TToken N = Next();
  if (!N.Is(ttAtom)) ParseError(Method, SBadSlotName, {TokenToString(N)});
  Slot = Template->GetSlot(std::string(N.Text));  // "No such slot name" for a wrong name
  Fact->SetValue(Slot->Name(), ParseValue(Slot));
  if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);
  return Slot->Name();
}

IIEValue TIEClipsParser::ParseValue(const IFactSlot& Slot) {
  IIEValue V = ParseValue(Slot->SlotType(), Slot->ExtendedTypeInfo());
  if (StaticTypeChecks() && !Slot->IsValid(V)) {
    IIEValue Converted = ConvertNumber(V, Slot->SlotType());
    if (Converted == V || !Slot->IsValid(Converted))
      ParseError(SParseSlotValueMethod, Slot->GetInvalidValueString(V));
    V = Converted;
  }
  return V;
}

IIEValue TIEClipsParser::ParseValue(TIETypes Types, const IIEDefinedType& DefinedType) {
  IIEValue V;
  if (Types.Contains(dtMultiSlot)) {
    IValueVector Items = ParseList();
    V = NewList(Items);
    if (StaticTypeChecks() && Types.Contains(dtFuzzy)) {
      if (!DefinedType || !DefinedType->FuzzyType() || !FOwner)
        ParseError(SParseValueMethod, SFuzzyTypeNeeded);
      IIEValue R = FOwner->EvalFuzzyExpression(DefinedType->FuzzyType(), Items, nullptr);
      if (!R || R->Equals(FCNil))
        ParseError(SParseValueMethod, SInvalidFuzzyExpression, {V->GetToString()});
      if (R->DType() == dtList) {
        V = R;
      } else {
        IValueVector One = NewRef<TValueVector>();
        One->Add(R);
        V = NewList(One);
      }
    }
  } else if (Types.Contains(dtFuzzy)) {
    if (!DefinedType || !DefinedType->FuzzyType() || !FOwner)
      ParseError(SParseValueMethod, SFuzzyTypeNeeded);
    IIEValue Expression = ParseValue();
    if (!Expression) ParseError(SParseValueMethod, SExpectedValueMissing);
    V = FOwner->EvalFuzzyExpression(DefinedType->FuzzyType(), Expression, nullptr);
  } else {
    const TToken T = Next();
    if (T.IsValueKind()) {
      V = TokenToValue(T);
    } else if (T.Is(ttOpen)) {
      PutBack();
      V = NewRef<TIEValue>(ParseFunCall());
    } else if (T.Is(ttEquals)) {
      if (!Peek().Is(ttOpen)) ParseError(SParseValueMethod, SEqualsInFact);
      V = NewRef<TIEValue>(ParseFunCall());
    } else {
      ParseError(SParseValueMethod, SBadSlotValueToken, {TokenToString(T)});
    }
  }
  if (!StaticTypeChecks() || !V || V->Is(IEAlwaysValidTypes)) return V;
  if (DefinedType) {
    IIEValue Converted = ConvertNumber(V, DefinedType->BaseTypes());
    if (!DefinedType->IsValid(Converted))
      ParseError(SParseTypedValueMethod, DefinedType->GetInvalidValueString(V));
    return Converted;
  }
  if (Types.Contains(V->DType())) return V;
  IIEValue Converted = ConvertNumber(V, Types);
  if (Converted != V) return Converted;
  ParseError(
      SParseTypedValueMethod,
      Format(SBadSlotValue, {Format(SNotCorrectType, {IETypeNames(Types - IEAlwaysValidTypes, ", "),
                                                      V->GetToString(), GetIETypeName(V->DType())}),
                             SParseValueMethod}));
}

// --- deffacts and fact files ---------------------------------------------------------------------

TFactSet* TIEClipsParser::ParseFactSet() {
  const std::string& Method = SParseFactSetMethod;
  std::string Name, Comment;
  TToken T;
  ParseHeader(Name, Comment, T, SExpectedDeffacts, Method, "deffacts", true);
  struct TFree {
    void operator()(TFactSet* S) const { Free(S); }
  };
  std::unique_ptr<TFactSet, TFree> Set(NewObject<TFactSet>(FOwner));
  // Out of the engine's list until the top level adds it.
  Set->SetEngineNoParse(nullptr);
  Set->SetFactSetName(Name);
  Set->SetComment(Comment);
  for (; T.Is(ttOpen); T = Next()) {
    PutBack();
    Set->AddFact(ParseFact());
  }
  if (!T.Is(ttClose)) ParseError(Method, SExpectedClose);
  OnParseFactSet(this, Set.get());
  return Set.release();
}

bool TIEClipsParser::LoadFacts() {
  if (!FOwner) return false;
  while (!Peek().Is(ttEOF)) {
    IFact Fact = ParseFact();
    FOwner->GlobalContext()->Resolve(Fact);
    FOwner->Assert(Fact, false);
  }
  return true;
}

}  // namespace norvale
