#include "engine/core/DefinedType.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/core/IEHelpers.h"
#include "engine/core/IEFuzzy.h"
#include "engine/core/ValueVector.h"
#include "engine/facts/Fact.h"
#include "engine/functions/Reasoner.h"
#include "engine/language/IEPrinter.h"
#include "fuzzy/FuzzyNames.h"

namespace norvale {

namespace {

constexpr double kTolerance = 0.0001;

// A type or kind name without its two-letter prefix: "Float" for dtFloat, "Atom" for vcAtom.
std::string TypeWord(TIEType Type) { return GetIETypeName(Type).substr(2); }
std::string KindWord(TValueConstraint Kind) { return EnumName(Kind).substr(2); }

bool IsWholeInt32(double Value) {
  return std::trunc(Value) == Value && Value >= std::numeric_limits<int32_t>::min() &&
         Value <= std::numeric_limits<int32_t>::max();
}

int32_t ClampToInt32(double Value) {
  if (!(Value >= std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (Value >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(Value);
}


}  // namespace

// --- construction and properties ------------------------------------------------------------

TIEDefinedType::TIEDefinedType(IReasoner* Reasoner) : FReasoner(Reasoner) {}

TIEDefinedType::~TIEDefinedType() = default;

void TIEDefinedType::Change() { OnChange(this); }

void TIEDefinedType::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) Change();
}

void TIEDefinedType::BindParser() {
  if (!FFuzzyType) return;
  if (auto* P = dynamic_cast<IFuzzyParser*>(FReasoner)) FFuzzyType->SetParser(P);
}

void TIEDefinedType::SetReasoner(IReasoner* Value) {
  if (Value == FReasoner) return;
  FReasoner = Value;
  if (FFuzzyType) FFuzzyType->SetParser(dynamic_cast<IFuzzyParser*>(Value));
  Change();
}

void TIEDefinedType::SetBaseTypes(TIETypes Value) {
  if (Value == FBaseTypes) return;
  if (Value.Contains(dtFuzzy) && !(Value - dtFuzzy).Empty()) RaiseIE(SCannotMixFuzzy);
  FBaseTypes = Value * IESlotTypesWithFuzzy;
  const bool Fuzzy = FBaseTypes == TIETypes{dtFuzzy};
  if (Fuzzy && !FFuzzyType) {
    IFuzzyVariable Variable = NewRef<TIEFuzzyVariable>(FName);
    if (FRangeLimited) Variable->SetUniverse(FMinRange, FMaxRange);
    Variable->SetUnits(FUnits);
    SetFuzzyType(Variable);
  } else if (!Fuzzy && FFuzzyType) {
    SetFuzzyType(nullptr);
  }
  Change();
}

void TIEDefinedType::SetName(const std::string& Value) {
  if (Value == FName) return;
  FName = Value;
  Change();
}

void TIEDefinedType::SetComment(const std::string& Value) {
  if (Value == FComment) return;
  FComment = Value;
  Change();
}

void TIEDefinedType::SetUnits(const std::string& Value) {
  if (Value == FUnits) return;
  FUnits = Value;
  if (FFuzzyType) FFuzzyType->SetUnits(Value);
  Change();
}

void TIEDefinedType::SetMinRange(double Value) {
  if (Value == FMinRange) return;
  FMinRange = Value;
  if (Value > FMaxRange) FMaxRange = Value;
  if (FFuzzyType) FFuzzyType->SetFrom(Value);
  Change();
}

void TIEDefinedType::SetMaxRange(double Value) {
  if (Value == FMaxRange) return;
  FMaxRange = Value;
  if (Value < FMinRange) FMinRange = Value;
  if (FFuzzyType) FFuzzyType->SetTo(Value);
  Change();
}

void TIEDefinedType::SetRangeLimited(bool Value) {
  if (Value == FRangeLimited) return;
  FRangeLimited = Value;
  Change();
}

void TIEDefinedType::SetMinCardinality(int32_t Value) {
  Value = std::max(Value, 0);
  if (Value == FMinCardinality) return;
  FMinCardinality = Value;
  if (Value > FMaxCardinality) FMaxCardinality = Value;
  Change();
}

void TIEDefinedType::SetMaxCardinality(int32_t Value) {
  Value = std::max(Value, 0);
  if (Value == FMaxCardinality) return;
  FMaxCardinality = Value;
  if (Value < FMinCardinality) FMinCardinality = Value;
  Change();
}

void TIEDefinedType::SetCardinalityLimited(bool Value) {
  if (Value == FCardinalityLimited) return;
  FCardinalityLimited = Value;
  Change();
}

const TIEDefinedType::TAllowedIndex& TIEDefinedType::Index() const {
  if (FIndexed) return FIndex;
  FIndex = TAllowedIndex();
  for (const std::string& A : FAtoms) FIndex.Atoms.insert(LowerCase(A));
  for (const std::string& S : FStrings) FIndex.Strings.insert(LowerCase(S));
  FIndex.Integers.insert(FIntegers.begin(), FIntegers.end());
  FIndex.Floats.insert(FFloats.begin(), FFloats.end());
  FIndexed = true;
  return FIndex;
}

void TIEDefinedType::SetConstraints(TValueConstraints Value) {
  if (Value == FConstraints) return;
  FIndexed = false;
  if (!Value.Contains(vcAtom)) FAtoms.clear();
  if (!Value.Contains(vcString)) FStrings.clear();
  if (!Value.Contains(vcInteger)) FIntegers.clear();
  if (!Value.Contains(vcFloat)) FFloats.clear();
  FConstraints = Value;
  Change();
}

void TIEDefinedType::SetFuzzyType(const IFuzzyVariable& Value) {
  if (Value == FFuzzyType) return;
  if (FFuzzyType) FFuzzyType->SetParser(nullptr);
  FFuzzyType = Value;
  if (FFuzzyType) {
    BindParser();
    FBaseTypes = TIETypes{dtFuzzy};
    FMinRange = FFuzzyType->From();
    FMaxRange = FFuzzyType->To();
    FUnits = FFuzzyType->Units();
  }
  Change();
}

void TIEDefinedType::SetAncestor(const IIEDefinedType& Value) {
  if (Value == FAncestor) return;
  // The chain is acyclic (every link was checked here), but a visited list keeps a corrupted one
  // from looping forever.
  std::vector<const TIEDefinedType*> Seen;
  for (const TIEDefinedType* T = Value.Get(); T; T = T->FAncestor.Get()) {
    if (T == this) RaiseIE(STypeInheritanceLoop, {FName});
    if (std::find(Seen.begin(), Seen.end(), T) != Seen.end()) break;
    Seen.push_back(T);
  }
  FAncestor = Value;
  if (FAncestor) FImplicit = false;
  Change();
}

// --- allowed values -------------------------------------------------------------------------

void TIEDefinedType::CheckConstraint(TValueConstraint Kind) const {
  if (!FConstraints.Contains(Kind)) RaiseIE(SNoSuchConstraint, {FName, KindWord(Kind)});
}

bool TIEDefinedType::TryValueConstraint(const TIEValue& Value, TValueConstraint& Kind) const {
  switch (Value.DType()) {
    case dtAtom:
      Kind = vcAtom;
      return true;
    case dtString:
      Kind = vcString;
      return true;
    case dtInteger:
      Kind =
          !FConstraints.Contains(vcInteger) && FConstraints.Contains(vcFloat) ? vcFloat : vcInteger;
      return true;
    case dtFloat:
      Kind = !FConstraints.Contains(vcFloat) && FConstraints.Contains(vcInteger) &&
                     IsWholeInt32(Value.AsFloat())
                 ? vcInteger
                 : vcFloat;
      return true;
    default:
      return false;
  }
}

TValueConstraint TIEDefinedType::GetValueConstraint(const IIEValue& Value) const {
  TValueConstraint Kind;
  if (!Value || !TryValueConstraint(*Value, Kind))
    RaiseIE(SInvalidConstraint, {FName, Value ? TypeWord(Value->DType()) : TypeWord(dtNone)});
  return Kind;
}

namespace {

auto FindText(std::vector<std::string>& List, const std::string& Text) {
  return std::find_if(List.begin(), List.end(),
                      [&Text](const std::string& S) { return SameText(S, Text); });
}

template <class T>
auto FindValue(std::vector<T>& List, T Value) {
  return std::find(List.begin(), List.end(), Value);
}

}  // namespace

void TIEDefinedType::AddConstraint(const IIEValue& Value) {
  const TValueConstraint Kind = GetValueConstraint(Value);
  if (!FConstraints.Contains(Kind)) RaiseIE(SInvalidConstraint, {FName, TypeWord(Value->DType())});
  bool Added = false;
  Index();
  switch (Kind) {
    case vcAtom:
    case vcString: {
      std::vector<std::string>& List = Kind == vcAtom ? FAtoms : FStrings;
      auto& Keys = Kind == vcAtom ? FIndex.Atoms : FIndex.Strings;
      if ((Added = Keys.insert(LowerCase(Value->Text())).second)) List.push_back(Value->Text());
      break;
    }
    case vcInteger: {
      const int32_t I = Value->AsInteger();
      if ((Added = FIndex.Integers.insert(I).second)) FIntegers.push_back(I);
      break;
    }
    case vcFloat: {
      const double F = Value->AsNumeric();
      if ((Added = FIndex.Floats.insert(F).second)) FFloats.push_back(F);
      break;
    }
  }
  if (Added) Change();
}

void TIEDefinedType::RemoveConstraint(const IIEValue& Value) {
  TValueConstraint Kind;
  if (!Value || !TryValueConstraint(*Value, Kind) || !FConstraints.Contains(Kind)) return;
  bool Removed = false;
  FIndexed = false;
  auto Erase = [&Removed](auto& List, auto It) {
    if (It == List.end()) return;
    List.erase(It);
    Removed = true;
  };
  switch (Kind) {
    case vcAtom:
      Erase(FAtoms, FindText(FAtoms, Value->Text()));
      break;
    case vcString:
      Erase(FStrings, FindText(FStrings, Value->Text()));
      break;
    case vcInteger:
      Erase(FIntegers, FindValue(FIntegers, Value->AsInteger()));
      break;
    case vcFloat:
      Erase(FFloats, FindValue(FFloats, Value->AsNumeric()));
      break;
  }
  if (Removed) Change();
}

namespace {

void CheckIndex(int Index, size_t Count) {
  if (Index < 0 || static_cast<size_t>(Index) >= Count)
    throw EListError(Format("List index out of bounds (%d)", {Index}));
}

template <class T>
void DeleteAt(std::vector<T>& List, int Index) {
  CheckIndex(Index, List.size());
  List.erase(List.begin() + Index);
}

}  // namespace

void TIEDefinedType::DeleteConstraint(int Index, TValueConstraint Kind) {
  CheckConstraint(Kind);
  FIndexed = false;
  switch (Kind) {
    case vcAtom:
      DeleteAt(FAtoms, Index);
      break;
    case vcString:
      DeleteAt(FStrings, Index);
      break;
    case vcInteger:
      DeleteAt(FIntegers, Index);
      break;
    case vcFloat:
      DeleteAt(FFloats, Index);
      break;
  }
  Change();
}

void TIEDefinedType::ClearConstraints() {
  ClearConstraints({vcAtom, vcString, vcInteger, vcFloat});
}

void TIEDefinedType::ClearConstraints(TValueConstraints Kinds) {
  const TValueConstraints Active = Kinds * FConstraints;
  if (Active.Empty()) return;
  SetConstraints(FConstraints - Active);
}

const std::string& TIEDefinedType::GetConstraintAtom(int Index) const {
  CheckConstraint(vcAtom);
  CheckIndex(Index, FAtoms.size());
  return FAtoms[Index];
}

const std::string& TIEDefinedType::GetConstraintString(int Index) const {
  CheckConstraint(vcString);
  CheckIndex(Index, FStrings.size());
  return FStrings[Index];
}

int32_t TIEDefinedType::GetConstraintInteger(int Index) const {
  CheckConstraint(vcInteger);
  CheckIndex(Index, FIntegers.size());
  return FIntegers[Index];
}

double TIEDefinedType::GetConstraintFloat(int Index) const {
  CheckConstraint(vcFloat);
  CheckIndex(Index, FFloats.size());
  return FFloats[Index];
}

// The lists are emptied whenever their kind leaves Constraints, so their sizes are the counts.
int TIEDefinedType::GetConstraintAtomsCount() const noexcept {
  return static_cast<int>(FAtoms.size());
}
int TIEDefinedType::GetConstraintStringsCount() const noexcept {
  return static_cast<int>(FStrings.size());
}
int TIEDefinedType::GetConstraintIntegersCount() const noexcept {
  return static_cast<int>(FIntegers.size());
}
int TIEDefinedType::GetConstraintFloatsCount() const noexcept {
  return static_cast<int>(FFloats.size());
}

bool TIEDefinedType::IsConstraint(const IIEValue& Value, TValueConstraint& Kind) const {
  if (!Value || !TryValueConstraint(*Value, Kind) || !FConstraints.Contains(Kind)) return false;
  const TAllowedIndex& Keys = Index();
  switch (Kind) {
    case vcAtom:
      return Keys.Atoms.count(LowerCase(Value->Text())) > 0;
    case vcString:
      return Keys.Strings.count(LowerCase(Value->Text())) > 0;
    case vcInteger:
      return Keys.Integers.count(Value->AsInteger()) > 0;
    case vcFloat:
      return Keys.Floats.count(Value->AsNumeric()) > 0;
  }
  return false;
}

// --- checking -------------------------------------------------------------------------------

// Values of a kind without allowed values pass, except that a number whose own kind is not
// listed is held to the other number list: a whole float to the integers (IsConstraint), and a
// fraction, which no integer list holds, fails.
bool TIEDefinedType::PassesAllowed(const IIEValue& Value) const {
  TValueConstraint Kind;
  if (!TryValueConstraint(*Value, Kind)) return true;
  if (FConstraints.Contains(Kind)) return IsConstraint(Value, Kind);
  return !(Kind == vcFloat && FConstraints.Contains(vcInteger));
}

bool TIEDefinedType::IsValid(const IIEValue& Value) const {
  if (!Value) return false;
  const TIEValue& V = *Value;
  const TIEType T = V.DType();
  if (T == dtList) {
    const TValueVector* List = V.ListPtr();
    const int N = List ? List->Count() : 0;
    if (FCardinalityLimited && (N < FMinCardinality || N > FMaxCardinality)) return false;
    for (int I = 0; I < N; ++I) {
      if (List->Get(I) && !IsValid(List->Get(I))) return false;
    }
    return true;
  }
  if (FBaseTypes.Contains(dtFuzzy)) {
    switch (T) {
      case dtFuzzy: {
        // A set belongs to the variable it was made for, or to an equal copy of it (the variable
        // of a type that was copied from this one).
        const TIFuzzySet* S = V.FuzzyPtr();
        const TIFuzzyVariable* Own = S ? S->Variable() : nullptr;
        return Own && FFuzzyType && (Own == FFuzzyType.Get() || FFuzzyType->Equals(*Own));
      }
      case dtAtom:
      case dtString:
      case dtInteger:
      case dtFloat:
      case dtVariable:
      case dtMultiVariable:
      case dtFunCall:
      case dtSingletons:
        return true;
      default:
        return false;
    }
  }
  if (!(FBaseTypes + IEAlwaysValidTypes).Contains(T)) return false;
  if (!PassesAllowed(Value)) return false;
  if (FRangeLimited && (T == dtInteger || T == dtFloat)) {
    const double X = V.AsNumeric();
    if (X < FMinRange || X > FMaxRange) return false;
  }
  return true;
}

std::string TIEDefinedType::InvalidReason(const IIEValue& Value) const {
  const TIEType T = Value->DType();
  if (FBaseTypes.Contains(dtFuzzy)) return IsValid(Value) ? std::string() : SInvalidFuzzyValue;
  if (!(FBaseTypes + IEAlwaysValidTypes).Contains(T))
    return Format(SNotCorrectType,
                  {IETypeNames(FBaseTypes, ", "), GetValueToString(Value), GetIETypeName(T)});
  if (!PassesAllowed(Value)) return SNotAllowedValue;
  if (FRangeLimited && (T == dtInteger || T == dtFloat)) {
    const double X = Value->AsNumeric();
    if (X < FMinRange || X > FMaxRange) return Format(SOutOfRangeError, {FMinRange, FMaxRange});
  }
  return {};
}

std::string TIEDefinedType::GetInvalidValueString(const IIEValue& Value) const {
  if (!Value) return {};
  if (Value->DType() == dtList) {
    const TValueVector* List = Value->ListPtr();
    const int N = List ? List->Count() : 0;
    if (FCardinalityLimited && (N < FMinCardinality || N > FMaxCardinality))
      return Format(SInvalidValue,
                    {GetValueToString(Value),
                     Format(SListCardinalityError, {FMinCardinality, FMaxCardinality})});
    for (int I = 0; I < N; ++I) {
      std::string Message = GetInvalidValueString(List->Get(I));
      if (!Message.empty()) return Message;
    }
    return {};
  }
  std::string Reason = InvalidReason(Value);
  if (Reason.empty()) return Reason;
  return Format(SInvalidValue, {GetValueToString(Value), Reason});
}

IIEValue TIEDefinedType::SingleDefault() {
  const bool LowerSet = FMinRange != UnboundedMinRange;
  const bool UpperSet = FMaxRange != UnboundedMaxRange;
  if (FBaseTypes.Contains(dtAtom))
    return NewAtom(FConstraints.Contains(vcAtom) && !FAtoms.empty() ? FAtoms.front() : "");
  if (FBaseTypes.Contains(dtString))
    return NewString(FConstraints.Contains(vcString) && !FStrings.empty() ? FStrings.front() : "");
  if (FBaseTypes.Contains(dtInteger)) {
    if (!FIntegers.empty()) return NewInteger(FIntegers.front());
    // The integers nearest to the bound that lie inside the range.
    if (FRangeLimited && LowerSet) return NewInteger(ClampToInt32(std::ceil(FMinRange)));
    if (FRangeLimited && UpperSet) return NewInteger(ClampToInt32(std::floor(FMaxRange)));
    return NewInteger(0);
  }
  if (FBaseTypes.Contains(dtFloat)) {
    if (!FFloats.empty()) return NewFloat(FFloats.front());
    if (FRangeLimited && LowerSet) return NewFloat(FMinRange);
    if (FRangeLimited && UpperSet) return NewFloat(FMaxRange);
    return NewFloat(0.0);
  }
  if (FBaseTypes.Contains(dtObject)) return NewRef<TIEValue>(static_cast<TObject*>(nullptr), false);
  if (FBaseTypes.Contains(dtExternalAddress)) return NewRef<TIEValue>(static_cast<void*>(nullptr));
  if (FBaseTypes.Contains(dtFuzzy)) {
    if (!FFuzzyType) return FCNil;
    IFuzzySet Empty = FFuzzyType->FindTerm(SEmptyFuzzy);
    if (!Empty) {
      Empty = FFuzzyType->CreateSet(SEmptyFuzzy);
      Empty->SetParser(FFuzzyType->Parser());
      FFuzzyType->AddTerm(Empty);
    }
    return NewRef<TIEValue>(Empty);
  }
  if (FBaseTypes.Contains(dtFactId)) return NewFactId(0);
  if (FBaseTypes.Contains(dtFact)) return NewRef<TIEValue>(IFact());
  if (FBaseTypes.Contains(dtDescriptor)) return NewRef<TIEValue>(0, dtDescriptor);
  if (FBaseTypes.Contains(dtClass))
    return NewRef<TIEValue>(static_cast<const TClassInfo*>(nullptr));
  return NewRef<TIEValue>();
}

IIEValue TIEDefinedType::CreateValidDefault(bool AsMultiSlot) {
  if (!AsMultiSlot) return SingleDefault();
  IValueVector List = NewRef<TValueVector>();
  if (FCardinalityLimited && FMinCardinality > 0) {
    List->Reserve(FMinCardinality);
    for (int32_t I = 0; I < FMinCardinality; ++I) List->Add(SingleDefault());
  }
  return NewList(List);
}

// --- copying and comparison -----------------------------------------------------------------

IIEDefinedType TIEDefinedType::NewInstance() const { return NewRef<TIEDefinedType>(FReasoner); }

IIEDefinedType TIEDefinedType::Clone() const {
  IIEDefinedType R = NewInstance();
  R->CopyFrom(*this);
  return R;
}

void TIEDefinedType::AssignFrom(const TCloneable* Source) {
  if (auto* T = dynamic_cast<const TIEDefinedType*>(Source))
    CopyFrom(*T);
  else
    TCloneable::AssignFrom(Source);
}

void TIEDefinedType::Assign(TPersistent* Source) {
  if (auto* T = dynamic_cast<TIEDefinedType*>(Source))
    CopyFrom(*T);
  else
    TCloneable::Assign(Source);
}

void TIEDefinedType::CopyFrom(const TIEDefinedType& Source) {
  if (&Source == this) return;
  // A copy cut short by an error ends its update bracket without the closing OnChange.
  struct TBracket {
    int& Count;
    bool Finished = false;
    ~TBracket() {
      if (!Finished && Count > 0) --Count;
    }
  } Bracket{FUpdateCount};
  BeginUpdate();
  // The only step that can fail, so it comes first.
  SetAncestor(Source.FReasoner == FReasoner ? Source.FAncestor : nullptr);
  FBaseTypes = Source.FBaseTypes;
  FName = Source.FName;
  FComment = Source.FComment;
  FMinRange = Source.FMinRange;
  FMaxRange = Source.FMaxRange;
  FRangeLimited = Source.FRangeLimited;
  FMinCardinality = Source.FMinCardinality;
  FMaxCardinality = Source.FMaxCardinality;
  FCardinalityLimited = Source.FCardinalityLimited;
  FImplicit = Source.FImplicit;
  IFuzzyVariable Variable;
  if (Source.FFuzzyType) {
    // Always an engine variable, so the copy's terms are engine sets.
    Variable = NewRef<TIEFuzzyVariable>();
    Variable->Assign(Source.FFuzzyType.Get());
  }
  SetFuzzyType(Variable);
  FTag = Source.FTag;
  FUnits = Source.FUnits;
  if (FFuzzyType) FFuzzyType->SetUnits(FUnits);
  FConstraints = Source.FConstraints;
  FAtoms = Source.FAtoms;
  FStrings = Source.FStrings;
  FIntegers = Source.FIntegers;
  FFloats = Source.FFloats;
  FIndexed = false;
  Bracket.Finished = true;
  EndUpdate();
}

bool TIEDefinedType::Equals(const TCloneable* Other) const {
  auto* T = dynamic_cast<const TIEDefinedType*>(Other);
  if (!T) return false;
  if (T == this) return true;
  if (FName != T->FName || FBaseTypes != T->FBaseTypes) return false;
  if (FFuzzyType || T->FFuzzyType)
    return FFuzzyType && T->FFuzzyType && FFuzzyType->Equals(*T->FFuzzyType);
  auto Near = [](double A, double B) { return std::abs(A - B) <= kTolerance; };
  return Near(FMinRange, T->FMinRange) && Near(FMaxRange, T->FMaxRange) &&
         FMinCardinality == T->FMinCardinality && FMaxCardinality == T->FMaxCardinality &&
         FConstraints == T->FConstraints && FRangeLimited == T->FRangeLimited &&
         FCardinalityLimited == T->FCardinalityLimited && FAtoms == T->FAtoms &&
         FStrings == T->FStrings && FIntegers == T->FIntegers &&
         std::equal(FFloats.begin(), FFloats.end(), T->FFloats.begin(), T->FFloats.end(), Near);
}

// --- text -----------------------------------------------------------------------------------

std::string TIEDefinedType::GetValueToString(const IIEValue& Value) const {
  return Value ? Value->GetToString() : std::string();
}

std::string TIEDefinedType::GetToString() const {
  return FReasoner ? FReasoner->PrettyPrint(*this) : DefinedTypePrettyPrint(*this);
}

// --- published properties -------------------------------------------------------------------

namespace {
const bool Registered =
    (RegisterClass<TIEDefinedType, TPersistent>("TIEDefinedType")
         .Property("BaseTypes", &TIEDefinedType::BaseTypes, &TIEDefinedType::SetBaseTypes)
         .Property("Name", &TIEDefinedType::Name, &TIEDefinedType::SetName)
         .Property("MaxRange", &TIEDefinedType::MaxRange, &TIEDefinedType::SetMaxRange)
         .Property("MinRange", &TIEDefinedType::MinRange, &TIEDefinedType::SetMinRange)
         .Property("MaxCardinality", &TIEDefinedType::MaxCardinality,
                   &TIEDefinedType::SetMaxCardinality)
         .Property("MinCardinality", &TIEDefinedType::MinCardinality,
                   &TIEDefinedType::SetMinCardinality)
         .Property("Constraints", &TIEDefinedType::Constraints, &TIEDefinedType::SetConstraints)
         .Property("Tag", &TIEDefinedType::Tag, &TIEDefinedType::SetTag)
         .Property("RangeLimited", &TIEDefinedType::RangeLimited, &TIEDefinedType::SetRangeLimited)
         .Property("CardinalityLimited", &TIEDefinedType::CardinalityLimited,
                   &TIEDefinedType::SetCardinalityLimited)
         .Property("Comment", &TIEDefinedType::Comment, &TIEDefinedType::SetComment)
         .Property("Units", &TIEDefinedType::Units, &TIEDefinedType::SetUnits)
         .Property("Implicit", &TIEDefinedType::Implicit, &TIEDefinedType::SetImplicit)
         .Event("OnChange", &TIEDefinedType::OnChange, "TNotifyEvent"),
     true);
}  // namespace

}  // namespace norvale
