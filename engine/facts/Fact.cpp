#include "engine/facts/Fact.h"

#include <charconv>
#include <cstdio>

#include "engine/core/ValueVector.h"
#include "engine/language/IEPrinter.h"

namespace norvale {

namespace {

IIEValue DefaultCopy(const TFactSlot& Slot) {
  const IIEValue& D = Slot.SlotDefault();
  if (!D) return FCNil;
  if (IsValueConstant(D)) return D;
  return NewRef<TIEValue>(D);
}

inline uint32_t FoldBytes(uint32_t H, std::string_view Text) {
  for (char C : Text) H = H * 31u + static_cast<unsigned char>(C);
  return H;
}

inline uint32_t FoldInteger(uint32_t H, int32_t V) {
  char Buf[16];
  auto R = std::to_chars(Buf, Buf + sizeof Buf, V);
  return FoldBytes(H, std::string_view(Buf, R.ptr - Buf));
}

}  // namespace

uint32_t FoldPrintedHash(uint32_t H, const TIEValue& V) {
  switch (V.DType()) {
    case dtNone:
      return H;
    case dtAtom:
    case dtSlot:
    case dtMultiSlot:
      return FoldBytes(H, V.Text());
    case dtString:
      H = H * 31u + '"';
      for (char C : V.Text()) {
        if (C == '\\' || C == '"') H = H * 31u + '\\';
        H = H * 31u + static_cast<unsigned char>(C);
      }
      return H * 31u + '"';
    case dtVariable:
      return FoldBytes(H * 31u + '?', V.Text());
    case dtMultiVariable:
      return FoldBytes(FoldBytes(H, "$?"), V.Text());
    case dtInteger:
      return FoldInteger(H, V.AsInteger());
    case dtFactId:
      return FoldBytes(FoldInteger(FoldBytes(H, "<Fact-"), V.AsFactId()), ">");
    case dtFloat: {
      char Buf[64];
      int N = std::snprintf(Buf, sizeof Buf, "%.4f", V.AsFloat());
      if (N > 0 && N < static_cast<int>(sizeof Buf)) return FoldBytes(H, std::string_view(Buf, N));
      return FoldBytes(H, V.ToString());
    }
    case dtList:
      if (TValueVector* L = V.ListPtr())
        for (const IIEValue& E : L->Values()) {
          if (E) H = FoldPrintedHash(H, *E);
          H = H * 31u + ' ';
        }
      return H;
    default:
      return FoldBytes(H, V.ToString());
  }
}

TFact::TFact(const IFactTemplate& Template) : FTemplate(Template) {
  if (FTemplate) FValues.resize(FTemplate->SlotCapacity());
}

TFact::TFact(const IFactTemplate& Template, const IFact& Source) : TFact(Template) {
  if (Source) AssignFrom(Source.Get());
}

TFact::~TFact() = default;

IIEValue& TFact::Entry(int Index) {
  if (Index >= static_cast<int>(FValues.size())) FValues.resize(Index + 1);
  return FValues[Index];
}

const IIEValue& TFact::ValueAt(int Index) {
  static const IIEValue None;
  if (Index >= 0 && Index < static_cast<int>(FValues.size()) && FValues[Index])
    return FValues[Index];
  TFactSlot* S = FTemplate ? FTemplate->SlotAt(Index) : nullptr;
  if (!S) return None;
  IIEValue& E = Entry(Index);
  E = DefaultCopy(*S);
  return E;
}

void TFact::PutValueAt(int Index, const IIEValue& Value) { Entry(Index) = Value; }

IIEValue TFact::GetValue(const std::string& Name) {
  if (!FTemplate) throw EIEException(SNoTemplate);
  TFactSlot* S = FTemplate->FindSlot(Name);
  if (!S) throw EIEException(Format(SInvalidSlotName, {Name}));
  return ValueAt(S->Index());
}

bool TFact::ContainsKey(const std::string& Name, IIEValue& Value) {
  if (!FTemplate) throw EIEException(SNoTemplate);
  TFactSlot* S = FTemplate->FindSlot(Name);
  if (!S) {
    Value = nullptr;
    return false;
  }
  Value = ValueAt(S->Index());
  return true;
}

IIEValue TFact::CheckedValue(TFactSlot* Slot, const IIEValue& Value) const {
  if (Slot->IsValid(Value)) return Value;
  // Conversions make new values: the given object may be shared with another fact, a pattern
  // constant or a shared constant.
  IIEValue Converted;
  if (Value->DType() == dtInteger && Slot->SlotType().Contains(dtFloat)) {
    Converted = NewFloat(Value->AsInteger());
  } else if ((Value->DType() == dtAtom || Value->DType() == dtString) && Slot->IsFuzzy() &&
             Slot->ExtendedTypeInfo() && Slot->ExtendedTypeInfo()->FuzzyType()) {
    Converted =
        NewRef<TIEValue>(Slot->ExtendedTypeInfo()->FuzzyType()->ParseExpression(Value->AsString()));
  }
  if (!Converted || !Slot->IsValid(Converted))
    throw EIEException(Slot->GetInvalidValueString(Converted ? Converted : Value));
  return Converted;
}

void TFact::SetValue(const std::string& Name, const IIEValue& Value) {
  if (!FTemplate) throw EIEException(SNoTemplate);
  TFactSlot* S = FTemplate->FindSlot(Name);
  if (!S) throw EIEException(Format(SInvalidSlotName, {Name}));
  IIEValue V = Value ? Value : FCNil;
  IFactEngine* E = FTemplate->Engine();
  if (E && E->FactTypeChecks().Contains(tcDynamic)) V = CheckedValue(S, V);
  Entry(S->Index()) = std::move(V);
}

void TFact::SetTemplate(const IFactTemplate& Value) {
  if (Value == FTemplate) return;
  if (!Value) {
    FValues.clear();
    FTemplate = nullptr;
    return;
  }
  std::vector<IIEValue> Values(Value->SlotCapacity());
  if (FTemplate)
    for (int I = 0; I < static_cast<int>(FValues.size()); ++I) {
      TFactSlot* Old = FTemplate->SlotAt(I);
      if (!Old || !FValues[I]) continue;
      if (TFactSlot* New = Value->FindSlot(Old->Name())) Values[New->Index()] = FValues[I];
    }
  FTemplate = Value;
  FValues = std::move(Values);
  for (int I : FTemplate->SortedSlots())
    if (!FValues[I]) FValues[I] = DefaultCopy(*FTemplate->SlotAt(I));
}

std::vector<std::string> TFact::GetSlotNames() const {
  return FTemplate ? FTemplate->GetSlotNames() : std::vector<std::string>();
}

std::vector<IIEValue> TFact::GetSlotValues() {
  std::vector<IIEValue> R;
  if (!FTemplate) {
    for (const IIEValue& V : FValues)
      if (V) R.push_back(V);
    return R;
  }
  for (int I : FTemplate->SortedSlots()) R.push_back(ValueAt(I));
  return R;
}

void TFact::AssignValues(const IFact& Fact) {
  if (!FTemplate || !Fact || !Fact->FTemplate) throw EIEException(SNoTemplate);
  if (Fact->FTemplate != FTemplate)
    throw EIEException(Format(SFactTemplatesDifferent,
                              {FTemplate->TemplateName(), Fact->FTemplate->TemplateName()}));
  if (Fact.Get() == this) return;
  std::vector<IIEValue> Values(Fact->FValues.size());
  for (size_t I = 0; I < Values.size(); ++I)
    if (Fact->FValues[I])
      Values[I] =
          IsValueConstant(Fact->FValues[I]) ? Fact->FValues[I] : NewRef<TIEValue>(Fact->FValues[I]);
  FValues = std::move(Values);
}

void TFact::CopyFrom(const TFact& Source) {
  if (&Source == this) return;
  FTemplate = Source.FTemplate;
  FValues.assign(Source.FValues.size(), nullptr);
  for (size_t I = 0; I < FValues.size(); ++I)
    if (Source.FValues[I])
      FValues[I] = IsValueConstant(Source.FValues[I]) ? Source.FValues[I]
                                                      : NewRef<TIEValue>(Source.FValues[I]);
  FID = Source.FID;
  FTag = Source.FTag;
}

void TFact::AssignFrom(const TCloneable* Source) {
  auto* S = dynamic_cast<const TFact*>(Source);
  if (!S) RaiseAssignError(Source, this);
  if (S == this) return;
  IFactEngine* Engine = FTemplate ? FTemplate->Engine() : nullptr;
  if (Engine && S->FTemplate && S->FTemplate != FTemplate &&
      S->FTemplate->Owner() != FTemplate->Owner()) {
    // A fact of another engine: re-create it here against this engine's template of that name.
    IFactTemplate T = Engine->FindFactTemplate(S->FTemplate->TemplateName());
    if (!T) {
      T = NewRef<TFactTemplate>(FTemplate->Owner(), S->FTemplate->TemplateName());
      T->AssignFrom(S->FTemplate.Get());
      Engine->RegisterFactTemplate(T);
    }
    IFact Parsed = Engine->ParseFactText(PrintFact(*S));
    FTemplate = Parsed && Parsed->FTemplate ? Parsed->FTemplate : T;
    FValues = Parsed ? Parsed->FValues : std::vector<IIEValue>(FTemplate->SlotCapacity());
    FID = S->FID;
    FTag = S->FTag;
    return;
  }
  CopyFrom(*S);
}

void TFact::Assign(TPersistent* Source) {
  if (auto* F = dynamic_cast<TFact*>(Source)) {
    AssignFrom(F);
    return;
  }
  TCloneable::Assign(Source);
}

IFact TFact::Clone() const {
  IFact R = NewRef<TFact>(FTemplate);
  R->CopyFrom(*this);
  return R;
}

bool TFact::Equals(const TCloneable* Other) const {
  if (Other == this) return true;
  auto* F = dynamic_cast<const TFact*>(Other);
  return F && Equals(*F);
}

bool TFact::Equals(const TFact& Other) const {
  if (&Other == this) return true;
  if (FTemplate != Other.FTemplate) return false;
  if (!FTemplate) return false;
  auto& Self = const_cast<TFact&>(*this);
  auto& That = const_cast<TFact&>(Other);
  for (int I : FTemplate->SortedSlots()) {
    if (FTemplate->SlotAt(I)->IsFuzzy()) continue;
    const IIEValue& A = Self.ValueAt(I);
    const IIEValue& B = That.ValueAt(I);
    if (!A->Equals(B)) return false;
  }
  return true;
}

int32_t TFact::GetHashCode() const {
  uint32_t H = 0;
  uint32_t T = 0;
  if (FTemplate) {
    T = static_cast<uint32_t>(FTemplate->GetHashCode());
    auto& Self = const_cast<TFact&>(*this);
    for (int I : FTemplate->SortedSlots()) {
      const IIEValue& V = Self.ValueAt(I);
      if (V) H = FoldPrintedHash(H, *V);
    }
  }
  return static_cast<int32_t>(T * 31u + H);
}

// The fact as the knowledge language reads it back: the one writer of read-back text.
std::string TFact::GetToString() const { return PrintFact(*this); }

std::string TFact::GetToIDString() const {
  std::string Id = std::to_string(FID);
  IFactEngine* E = FTemplate ? FTemplate->Engine() : nullptr;
  if (E) {
    size_t Width = std::to_string(E->FactIdCounter()).size();
    if (FID >= 0 && Id.size() < Width) Id.insert(0, Width - Id.size(), '0');
  }
  return "f-" + Id + " " + GetToString();
}

}  // namespace norvale
