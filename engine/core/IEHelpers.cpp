#include "engine/core/IEHelpers.h"

#include <algorithm>
#include <memory>

#include "platform/Format.h"

namespace norvale {

namespace {

template <class F>
bool WithinTolerance(F A, F B) {
  const F Tolerance = static_cast<F>(0.0001);
  return B - Tolerance <= A && A <= B + Tolerance;
}

bool IsSetSeparator(char C) { return C == '[' || C == ']' || C == ',' || C == ' '; }

// Frees an object that the class registry made: a counted one gives up the reference that it
// came with, any other is freed.
void DisposeCreated(TObject* Obj) {
  if (auto* P = dynamic_cast<TInterfacedPersistent*>(Obj))
    P->Release();
  else if (auto* O = dynamic_cast<TInterfacedObject*>(Obj))
    O->Release();
  else
    Free(Obj);
}

struct TFreeObject {
  void operator()(TObject* Obj) const { Free(Obj); }
};

const bool OuterComponentRegistered =
    (RegisterClass<TOuterComponent, TComponent>("TOuterComponent")
         .Property("Inner", &TOuterComponent::Inner, &TOuterComponent::SetInner),
     true);

}  // namespace

// --- text -----------------------------------------------------------------------------------

int ContainsCharacters(std::string_view Text, std::string_view Chars) {
  size_t P = Text.find_first_of(Chars);
  return P == std::string_view::npos ? 0 : static_cast<int>(P) + 1;
}

std::string StringFilter(std::string_view Text, std::string_view Chars) {
  std::string R;
  R.reserve(Text.size());
  for (char C : Text)
    if (Chars.find(C) == std::string_view::npos) R += C;
  return R;
}

std::string IEStringToString(std::string_view Text) {
  if (Text.size() > 1 && Text.front() == '"' && Text.back() == '"')
    return std::string(Text.substr(1, Text.size() - 2));
  return std::string(Text);
}

bool FloatEquals(float A, float B) { return WithinTolerance(A, B); }
bool FloatEquals(double A, double B) { return WithinTolerance(A, B); }
bool FloatEquals(long double A, long double B) { return WithinTolerance(A, B); }

// --- enumeration sets as text ---------------------------------------------------------------

std::string SetToString(const TEnumInfo& Info, uint64_t Bits, std::string_view Separator,
                        int PrefixLength, bool Brackets) {
  std::string R;
  bool First = true;
  const int Last = std::min(Info.Count(), 32);
  for (int I = 0; I < Last; ++I) {
    if (!((Bits >> I) & 1u)) continue;
    if (!First) R += Separator;
    First = false;
    const std::string& Name = Info.NameOf(I);
    if (PrefixLength > 0)
      R += Name.substr(std::min(Name.size(), static_cast<size_t>(PrefixLength)));
    else
      R += Name;
  }
  return Brackets ? "[" + R + "]" : R;
}

std::string SetToString(TIETypes Types, std::string_view Separator, bool Brackets) {
  return SetToString(TEnumTraits<TIEType>::Info(), Types.Bits(), Separator, 2, Brackets);
}

std::string IETypeNames(TIETypes Types, std::string_view Separator) {
  return UpperCase(SetToString(Types, Separator, false));
}

uint64_t StringToSet(std::string_view Text, const TEnumInfo& Info, std::string_view Prefix) {
  uint64_t Bits = 0;
  const std::string T = Trim(Text);
  size_t I = 0;
  while (I < T.size()) {
    while (I < T.size() && IsSetSeparator(T[I])) ++I;
    const size_t Start = I;
    while (I < T.size() && !IsSetSeparator(T[I])) ++I;
    if (I == Start) continue;
    const std::string Name = std::string(Prefix) + T.substr(Start, I - Start);
    const int Ordinal = Info.OrdinalOf(Name);
    if (Ordinal < 0) throw Exception(Format(SInvalidSetItem, {Name}));
    if (Ordinal <= 31) Bits |= uint64_t{1} << Ordinal;
  }
  return Bits;
}

// --- argument synopsis ----------------------------------------------------------------------

std::string CreateArgumentExpressions(std::string_view S, int MinCount, int MaxCount, int Limit) {
  if (MinCount > MaxCount || MaxCount == 0) return {};
  // Positions are 1-based, as in the description of the synopsis.
  const int Length = static_cast<int>(S.size());
  auto At = [&](int Position) { return S[Position - 1]; };
  std::string R;
  int Open = 0;
  if (MinCount == 0) {
    Open = 1;
    R = "[";
  }
  int P = 1;
  for (int I = 0; I < MaxCount && I < Limit; ++I) {
    while (P < Length && At(P) != '<') ++P;
    int Q = P + 1;
    while (Q <= Length && At(Q) != '>') ++Q;
    if (P < Length && Q <= Length) {
      R += ' ';
      R += S.substr(P - 1, Q - P + 1);
    } else {
      R += " <expression>";
    }
    P = Q + 1;
    if (I + 1 >= MinCount && I < MaxCount - 1) {
      ++Open;
      R += '[';
    }
  }
  R.append(Open, ']');
  return R.substr(std::min(R.find_first_not_of(' '), R.size()));
}

// --- components -----------------------------------------------------------------------------

TComponent* FindComponentType(const TComponent* Owner, const TClassInfo* ComponentClass) {
  if (!Owner || !ComponentClass || !ComponentClass->IsInstance) return nullptr;
  for (int I = 0; I < Owner->ComponentCount(); ++I) {
    TComponent* C = Owner->Components(I);
    if (ComponentClass->IsInstance(C)) return C;
  }
  return nullptr;
}

bool IsSubmenuVisible(const IMenuItem& MenuItem) {
  for (int I = 0; I < MenuItem.Count(); ++I) {
    const IMenuItem* Child = MenuItem.Items(I);
    if (Child && Child->Visible() && !Child->IsSeparator()) return true;
  }
  return false;
}

void SwapEvents(TObject* A, TObject* B) {
  if (!A || !B || A == B) return;
  const TClassInfo* ClassA = TClassRegistry::Instance().Of(A);
  const TClassInfo* ClassB = TClassRegistry::Instance().Of(B);
  if (!ClassA || !ClassB) return;
  for (const TPropInfo* EventA : ClassA->Properties()) {
    if (!EventA->IsEvent()) continue;
    const TPropInfo* EventB = ClassB->FindProperty(EventA->Name);
    if (!EventB || !EventB->IsEvent() || EventB->EventType != EventA->EventType) continue;
    if (!EventA->EventField || !EventB->EventField || !EventA->SwapEventFields) continue;
    EventA->SwapEventFields(EventA->EventField(A), EventB->EventField(B));
  }
}

// --- streaming any persistent object --------------------------------------------------------

void TOuterComponent::Loaded() {
  TComponent::Loaded();
  Free(this);
}

void WritePersistent(TWriter& Writer, TPersistent* Object) {
  if (!Object) throw EStreamError("Cannot write a nil object");
  const TClassInfo* Info = TClassRegistry::Instance().Of(Object);
  if (!Info) throw EClassNotFound(Format("Class %s not found", {Object->ClassName()}));
  std::unique_ptr<TOuterComponent, TFreeObject> Outer(NewObject<TOuterComponent>(nullptr));
  Outer->SetInner(Object);
  Writer.WriteString(Info->Name);
  Writer.WriteComponent(Outer.get());
}

TPersistent* ReadPersistent(TReader& Reader) {
  // Frees what reading made when it fails part way; a finished read hands both over (the outer
  // component has freed itself in Loaded, the instance goes to the caller).
  struct TPending {
    TOuterComponent* Outer = nullptr;
    TObject* Instance = nullptr;
    ~TPending() {
      Free(Outer);
      if (Instance) DisposeCreated(Instance);
    }
  } Pending;
  Pending.Outer = NewObject<TOuterComponent>(nullptr);
  const std::string ClassName = Reader.ReadString();
  Pending.Instance = TClassRegistry::Instance().Create(ClassName);
  auto* Inner = dynamic_cast<TPersistent*>(Pending.Instance);
  if (!Inner) throw EStreamError(Format("Class %s is not a persistent class", {ClassName}));
  Pending.Outer->SetInner(Inner);
  // Loaded of the outer component, which frees it, is the last step of a read that succeeds.
  Reader.ReadComponent(Pending.Outer);
  Pending.Outer = nullptr;
  Pending.Instance = nullptr;
  return Inner;
}

}  // namespace norvale
