// The grammar of defined types and fuzzy values: deftype with its range, cardinality, units and
// allowed-value clauses, the type keywords of (type ...), and fuzzy variables with their terms.
#include "engine/core/IEFuzzy.h"
#include "engine/engine/InferenceEngine.h"
#include "engine/language/IEClipsParser.h"
#include "engine/rete/IEContext.h"

namespace norvale {

namespace {

const std::string SParseDefinedTypeMethod = "ParseDefinedType";
const std::string SParseFuzzyVariableMethod = "ParseFuzzyVariable";
const std::string SParseFuzzySetMethod = "ParseFuzzySet";
const std::string SParseSlotTypesMethod = "ParseSlotTypes";

// The type keywords of (type ...).
struct TTypeKeyword {
  const char* Word;
  TIETypes Types;
};
const TTypeKeyword TypeKeywords[] = {
    {STypeSymbolKeyword, {dtAtom}},
    {STypeAtomKeyword, {dtAtom}},
    {STypeStringKeyword, {dtString}},
    {STypeLexemeKeyword, {dtAtom, dtString}},
    {STypeIntegerKeyword, {dtInteger}},
    {STypeFloatKeyword, {dtFloat}},
    {STypeNumberKeyword, {dtInteger, dtFloat}},
    {STypeClassKeyword, {dtClass, dtInteger}},
    {STypeDescriptorKeyword, {dtDescriptor, dtInteger}},
    {STypeObjectKeyword, {dtObject, dtInteger}},
    {STypeExternalAddrKeyword, {dtExternalAddress, dtInteger}},
    {STypeFuzzyKeyword, {dtFuzzy}},
    {STypeFactIdKeyword, {dtFactId, dtInteger}},
    {STypeFactKeyword, {dtFact}},
};

// The allowed-value keywords: the kinds each adds, and how each item is stored.
enum TAllowedConversion { acAsRead, acLexeme, acString, acAtom, acNumber, acInteger, acFloat };
struct TAllowedKeyword {
  const char* Word;
  TValueConstraints Kinds;
  TAllowedConversion Conversion;
};
const TAllowedKeyword AllowedKeywords[] = {
    {"allowed-values", {vcAtom, vcString, vcInteger, vcFloat}, acAsRead},
    {"allowed-lexemes", {vcAtom, vcString}, acLexeme},
    {"allowed-strings", {vcString}, acString},
    {"allowed-symbols", {vcAtom}, acAtom},
    {"allowed-numbers", {vcInteger, vcFloat}, acNumber},
    {"allowed-integers", {vcInteger}, acInteger},
    {"allowed-floats", {vcFloat}, acFloat},
};

// A new value for the allowed list: the item itself is never changed (it may be a shared constant
// or a global variable's value).
IIEValue ConvertAllowed(const IIEValue& V, TAllowedConversion Conversion) {
  switch (Conversion) {
    case acAsRead:
      return V;
    case acLexeme:
      return V->Is({dtAtom, dtString}) ? V : NewString(V->AsString());
    case acString:
      return NewString(V->AsString());
    case acAtom:
      return NewAtom(V->AsAtom());
    case acNumber:
      return V->Is(IENumericTypes) ? V : NewInteger(V->AsInteger());
    case acInteger:
      return NewInteger(V->AsInteger());
    case acFloat:
      return NewFloat(V->AsFloat());
  }
  return V;
}

// The text a units clause keeps: a word or string as it is written without quotes, any other
// token in its printed form.
std::string UnitsText(const TToken& T) {
  if (T.Is(ttAtom) || T.Is(ttString)) return std::string(T.Text);
  return TokenToString(T);
}

}  // namespace

// --- deftype ---------------------------------------------------------------------------------

IIEDefinedType TIEClipsParser::ParseDefinedType() {
  const std::string& Method = SParseDefinedTypeMethod;
  std::string Name, Comment;
  TToken T;
  ParseHeader(Name, Comment, T, SExpectedDeftype, Method, "deftype", true);
  IIEDefinedType Type = NewRef<TIEDefinedType>(FOwner);
  Type->SetName(Name);
  Type->SetComment(Comment);

  if (!T.Is(ttAtom) || T.Text != "extends") ParseError(Method, SMissingKeyword, {"extends"});
  if (!Next().Is(ttOpen)) ParseError(Method, SExpectedOpen);
  T = Next();
  if (!T.Is(ttAtom) || T.Text != "type") ParseError(Method, SMissingKeyword, {"type"});
  IIEDefinedType Ancestor;
  TIETypes Base = ParseSlotTypes(Ancestor);
  if (Ancestor) {
    // A copy of the ancestor (its limits, allowed values, fuzzy variable), then its own types.
    Type->Assign(Ancestor.Get());
    Type->SetAncestor(Ancestor);
    Base = Base + Type->BaseTypes();
  }
  Type->SetName(Name);
  Type->SetComment(Comment);
  Type->SetBaseTypes(Base);
  if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);

  if (Base.Contains(dtFuzzy)) {
    IFuzzyVariable Variable = ParseFuzzyVariable();
    Type->SetFuzzyType(Variable);
    Variable->SetName(Name);
    Type->SetUnits(Variable->Units());
    T = Next();
  } else {
    for (T = Next(); T.Is(ttOpen); T = Next()) {
      const TToken Keyword = Next();
      if (Keyword.Is(ttAtom) && (Keyword.Text == "range" || Keyword.Text == "cardinality")) {
        PutBack();
        PutBack();
        ParseRangeAndCardinality(Type, nullptr, T, Keyword.Text == "cardinality", true);
      } else if (Keyword.Is(ttAtom) && Keyword.Text == "units") {
        const TToken Units = Next();
        if (Units.Is(ttClose) || Units.Is(ttEOF)) ParseError(Method, SExpectedValueMissing);
        Type->SetUnits(UnitsText(Units));
        if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);
      } else {
        PutBack();
        PutBack();
        ParseAllowedEnumerations(Type, T);
      }
    }
  }
  if (!T.Is(ttClose)) ParseError(Method, SExpectedClose);
  OnParseDefinedType(this, Type);
  return Type;
}

TIETypes TIEClipsParser::ParseSlotTypes(IIEDefinedType& DefinedType) {
  const std::string& Method = SParseSlotTypesMethod;
  TIETypes Types;
  for (;;) {
    TToken T = Next();
    if (T.Is(ttClose) || T.Is(ttEOF)) {
      PutBack();
      return Types;
    }
    std::string Word;
    if (T.Is(ttAtom)) {
      Word = std::string(T.Text);
    } else if (T.Is(ttVariable) && T.Text == "VARIABLE") {
      Types = IESlotTypes;
      continue;
    } else if (T.Is(ttVariable)) {
      // A global variable whose value names a type.
      TBinding* B = FOwner ? FOwner->GlobalContext()->FindBinding(std::string(T.Text)) : nullptr;
      if (!B || !B->Value() || !B->Value()->Is({dtAtom, dtString}))
        ParseError(Method, SInvalidSlotType, {TokenToString(T)});
      Word = B->Value()->Text();
    } else {
      ParseError(Method, SInvalidSlotType, {TokenToString(T)});
    }
    bool Keyword = false;
    for (const TTypeKeyword& K : TypeKeywords)
      if (Word == K.Word) {
        Types = Types + K.Types;
        Keyword = true;
        break;
      }
    if (Keyword) continue;
    IIEDefinedType Named = FOwner ? FOwner->DefinedTypes().Find(Word) : nullptr;
    // At most one defined type per list.
    if (!Named || DefinedType) ParseError(Method, SInvalidSlotType, {Word});
    DefinedType = Named;
    Types = Types + Named->BaseTypes();
  }
}

// --- clauses -----------------------------------------------------------------------------------

void TIEClipsParser::ParseRangeAndCardinality(const IIEDefinedType& DefinedType,
                                              const IFuzzyVariable& Variable, TToken& Token,
                                              bool IsCardinality, bool AllowVariables) {
  const std::string& Method = SParseDefinedTypeMethod;
  const char* What = IsCardinality ? "cardinality" : "range";
  if (!Next().Is(ttOpen)) ParseError(Method, SExpectedOpen);
  TToken T = Next();
  if (!T.Is(ttAtom) || (!IsCardinality && T.Text != "range"))
    ParseError(Method, SMissingRangeStatement);
  if (IsCardinality && DefinedType)
    DefinedType->SetCardinalityLimited(true);
  else if (DefinedType)
    DefinedType->SetRangeLimited(true);

  for (int Bound = 0; Bound < 2; ++Bound) {
    T = Next();
    IIEValue V;
    switch (T.DataType) {
      case ttInteger:
      case ttFloat:
        V = TokenValue(T);
        break;
      case ttVariable:
        if (!AllowVariables) ParseError(Method, SExpectedValueMissing);
        if (T.Text == "VARIABLE") break;  // this side stays without a limit
        V = NewVariable(std::string(T.Text))->Resolve(FOwner ? FOwner->GlobalContext() : nullptr);
        break;
      case ttOpen:
        PutBack();
        V = ParseNExecuteFunCall();
        break;
      default:
        ParseError(Method, SExpectedBound, {What});
    }
    if (!V) continue;
    const bool Low = Bound == 0;
    if (IsCardinality) {
      if (DefinedType)
        (Low ? DefinedType->SetMinCardinality(V->AsInteger())
             : DefinedType->SetMaxCardinality(V->AsInteger()));
    } else if (DefinedType) {
      Low ? DefinedType->SetMinRange(V->AsNumeric()) : DefinedType->SetMaxRange(V->AsNumeric());
    } else if (Variable) {
      Low ? Variable->SetFrom(V->AsNumeric()) : Variable->SetTo(V->AsNumeric());
    }
  }
  Token = Next();
  if (!Token.Is(ttClose)) ParseError(Method, SExpectedClose);
}

void TIEClipsParser::ParseAllowedEnumerations(const IIEDefinedType& DefinedType, TToken& Token) {
  const std::string& Method = SParseDefinedTypeMethod;
  if (!Next().Is(ttOpen)) ParseError(Method, SExpectedOpen);
  TToken T = Next();
  const TAllowedKeyword* Keyword = nullptr;
  if (T.Is(ttAtom))
    for (const TAllowedKeyword& K : AllowedKeywords)
      if (T.Text == K.Word) Keyword = &K;
  if (!Keyword)
    ParseError(Method, SExpectedAllowedValue,
               {T.Text.empty() ? TokenToString(T) : std::string(T.Text)});
  DefinedType->SetConstraints(DefinedType->Constraints() + Keyword->Kinds);
  TIEContext* Global = FOwner ? FOwner->GlobalContext() : nullptr;
  for (T = Next(); !T.Is(ttClose); T = Next()) {
    if (T.Is(ttEOF)) ParseError(Method, SUnexpectedEndOfStream);
    IIEValue V;
    if (T.Is(ttOpen)) {
      PutBack();
      V = ParseNExecuteFunCall();
    } else {
      V = TokenValue(T)->Resolve(Global);
    }
    DefinedType->AddConstraint(ConvertAllowed(V, Keyword->Conversion));
  }
  Token = T;
}

// --- fuzzy variables and terms -------------------------------------------------------------------

IFuzzyVariable TIEClipsParser::ParseFuzzyVariable() {
  const std::string& Method = SParseFuzzyVariableMethod;
  IFuzzyVariable Variable = NewRef<TIEFuzzyVariable>();
  Variable->SetParser(FOwner);
  TToken T = Next();
  while (!T.Is(ttClose)) {
    if (!T.Is(ttOpen)) ParseError(Method, SExpectedOpen);
    const TToken Keyword = Next();
    if (!Keyword.Is(ttAtom)) ParseError(Method, SMissingKeyword, {"range, units, or values"});
    if (Keyword.Text == "range") {
      PutBack();
      PutBack();
      ParseRangeAndCardinality(nullptr, Variable, T, false, false);
    } else if (Keyword.Text == "units") {
      const TToken Units = Next();
      if (Units.Is(ttClose) || Units.Is(ttEOF)) ParseError(Method, SExpectedValueMissing);
      Variable->SetUnits(UnitsText(Units));
      T = Next();
    } else if (Keyword.Text == "values") {
      for (T = Next(); !T.Is(ttClose); T = Next()) {
        PutBack();
        Variable->AddTerm(ParseFuzzySet(Variable));
      }
    } else {
      ParseError(Method, SMissingKeyword, {"range, units, or values"});
    }
    if (!T.Is(ttClose)) ParseError(Method, SExpectedClose);
    T = Next();
  }
  PutBack();  // the ")" of the enclosing construct
  OnParseFuzzyVariable(this, Variable);
  return Variable;
}

IFuzzySet TIEClipsParser::ParseFuzzySet(const IFuzzyVariable& Variable) {
  const std::string& Method = SParseFuzzySetMethod;
  std::string Name, Comment;
  TToken T;
  ParseHeader(Name, Comment, T, SExpectedTerm, Method, "term", false);
  IIEValue Value = ParseValue();
  if (!Value) ParseError(Method, SExpectedValueMissing);
  TIEContext* Global = FOwner ? FOwner->GlobalContext() : nullptr;
  Value = Value->Resolve(Global);
  if (Value->DType() != dtFuzzy && FOwner)
    Value = FOwner->EvalFuzzyExpression(Variable, Value, Global);
  // A copy: the set may be another term's (a term written as "medium") or a variable's.
  IFuzzySet Set = Value->AsFuzzy()->Copy();
  Set->SetName(Name);
  Set->SetParser(FOwner);
  if (!Set->Variable() && Variable) Set->SetVariable(Variable.Get());
  if (!Next().Is(ttClose)) ParseError(Method, SExpectedClose);
  OnParseFuzzySet(this, Set);
  return Set;
}

}  // namespace norvale
