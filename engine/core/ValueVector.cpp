#include "engine/core/ValueVector.h"

#include <algorithm>

namespace norvale {

namespace {
void CheckChangeable(const TCloneable& List) {
  if (List.IsPermanent())
    throw EIEException("A shared constant list cannot be changed; copy it first");
}
}  // namespace

// --- TValueVector ---------------------------------------------------------------------------

void TValueVector::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index >= Limit)
    throw EListError(Format("List index out of bounds (%d)", {Index}));
}

const IIEValue& TValueVector::Get(int Index) const {
  CheckIndex(Index, Count());
  return FItems[Index];
}

void TValueVector::Put(int Index, const IIEValue& Value) {
  CheckChangeable(*this);
  CheckIndex(Index, Count());
  FItems[Index] = Value;
}

int TValueVector::Add(const IIEValue& Value) {
  CheckChangeable(*this);
  FItems.push_back(Value);
  return Count() - 1;
}

void TValueVector::Insert(int Index, const IIEValue& Value) {
  CheckChangeable(*this);
  CheckIndex(Index, Count() + 1);
  FItems.insert(FItems.begin() + Index, Value);
}

void TValueVector::Delete(int Index) {
  CheckChangeable(*this);
  CheckIndex(Index, Count());
  FItems.erase(FItems.begin() + Index);
}

int TValueVector::IndexOf(const IIEValue& Value) const {
  for (int I = 0; I < Count(); ++I)
    if (FItems[I] && FItems[I]->Equals(Value)) return I;
  return -1;
}

int TValueVector::Remove(const IIEValue& Value) {
  int I = IndexOf(Value);
  if (I >= 0) Delete(I);
  return I;
}

void TValueVector::Append(const TValueVector& Other) {
  CheckChangeable(*this);
  if (&Other == this) {
    std::vector<IIEValue> Copy = FItems;
    FItems.insert(FItems.end(), Copy.begin(), Copy.end());
    return;
  }
  FItems.insert(FItems.end(), Other.FItems.begin(), Other.FItems.end());
}

IValueVector TValueVector::Clone() const {
  IValueVector R = NewRef<TValueVector>();
  R->AssignFrom(this);
  return R;
}

void TValueVector::AssignFrom(const TCloneable* Source) {
  auto* S = dynamic_cast<const TValueVector*>(Source);
  if (!S) throw EInvalidCast("Interface not supported");
  CheckChangeable(*this);
  if (S == this) return;
  std::vector<IIEValue> Items;
  Items.reserve(S->FItems.size());
  for (const IIEValue& V : S->FItems) Items.push_back(V ? V->Clone() : IIEValue());
  FItems = std::move(Items);
  FTag = S->FTag;
}

void TValueVector::Assign(TPersistent* Source) {
  throw EIEException(
      Format(SAssignError, {ClassName(), Source ? Source->ClassName() : std::string("nil")}));
}

bool TValueVector::Equals(const TValueVector* Other) const {
  if (Other == this) return true;
  if (!Other || Other->Count() != Count()) return false;
  for (int I = 0; I < Count(); ++I) {
    const IIEValue& A = FItems[I];
    const IIEValue& B = Other->FItems[I];
    if (!A || !B) {
      if (A || B) return false;
      continue;
    }
    if (!A->Equals(B)) return false;
  }
  return true;
}

bool TValueVector::Equals(const TCloneable* Other) const {
  auto* V = dynamic_cast<const TValueVector*>(Other);
  return V && Equals(V);
}

int32_t TValueVector::GetHashCode() const {
  uint32_t H = 0;
  for (const IIEValue& V : FItems)
    if (V) H += static_cast<uint32_t>(V->GetHashCode());
  return static_cast<int32_t>(H);
}

std::string TValueVector::GetToString() const {
  std::string R;
  for (const IIEValue& V : FItems) {
    if (V) R += V->GetToString();
    R += ' ';
  }
  return R;
}

// --- TSingletonsVector ----------------------------------------------------------------------

TSingletonsVector::TSingletonsVector(ISingletonsParser* Parser)
    : FXValues(NewRef<TValueVector>()), FYValues(NewRef<TValueVector>()), FParser(Parser) {}

int TSingletonsVector::Add(const IIEValue& X, const IIEValue& Y) {
  CheckChangeable(*this);
  FYValues->Add(Y);
  return FXValues->Add(X);
}

void TSingletonsVector::Insert(int Index, const IIEValue& X, const IIEValue& Y) {
  CheckChangeable(*this);
  FXValues->Insert(Index, X);
  FYValues->Insert(Index, Y);
}

void TSingletonsVector::Delete(int Index) {
  CheckChangeable(*this);
  FXValues->Delete(Index);
  FYValues->Delete(Index);
}

void TSingletonsVector::Clear() {
  CheckChangeable(*this);
  FXValues->Clear();
  FYValues->Clear();
}

void TSingletonsVector::Append(const TSingletonsVector& Other) {
  int N = Other.Count();  // fixed first: Other may be this vector
  for (int I = 0; I < N; ++I) Add(Other.XValues(I), Other.YValues(I));
}

void TSingletonsVector::CopyFrom(const TSingletonsVector& Source) {
  if (&Source == this) return;
  Clear();
  for (int I = 0; I < Source.Count(); ++I) {
    const IIEValue& X = Source.XValues(I);
    const IIEValue& Y = Source.YValues(I);
    Add(X ? X->Clone() : IIEValue(), Y ? Y->Clone() : IIEValue());
  }
  FParser = Source.FParser;
  FTag = Source.FTag;
}

void TSingletonsVector::AssignFrom(const TCloneable* Source) {
  auto* S = dynamic_cast<const TSingletonsVector*>(Source);
  if (!S) throw EInvalidCast("Interface not supported");
  CopyFrom(*S);
}

void TSingletonsVector::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TSingletonsVector*>(Source)) {
    CopyFrom(*S);
    return;
  }
  TCloneable::Assign(Source);
}

ISingletonsVector TSingletonsVector::Clone() const {
  ISingletonsVector R = NewRef<TSingletonsVector>(FParser);
  R->CopyFrom(*this);
  return R;
}

bool TSingletonsVector::Equals(const TSingletonsVector* Other) const {
  if (Other == this) return true;
  if (!Other || Other->Count() != Count()) return false;
  auto Same = [](const IIEValue& A, const IIEValue& B) {
    if (!A || !B) return !A && !B;
    return A->Equals(B);
  };
  for (int I = 0; I < Count(); ++I)
    if (!Same(XValues(I), Other->XValues(I)) || !Same(YValues(I), Other->YValues(I))) return false;
  return true;
}

bool TSingletonsVector::Equals(const TCloneable* Other) const {
  auto* S = dynamic_cast<const TSingletonsVector*>(Other);
  return S && Equals(S);
}

int32_t TSingletonsVector::GetHashCode() const {
  return static_cast<int32_t>(static_cast<uint32_t>(FXValues->GetHashCode()) +
                              static_cast<uint32_t>(FYValues->GetHashCode()));
}

std::string TSingletonsVector::GetToString() const {
  if (FParser) return FParser->PrettyPrint(this);
  std::string R;
  for (int I = 0; I < Count(); ++I)
    R += "(" + XValues(I)->GetToString() + " " + YValues(I)->GetToString() + ") ";
  return R;
}

std::string SingletonsPrettyPrint(const TSingletonsVector& S) {
  if (S.Count() == 0) return {};
  std::string R = "(";
  for (int I = 0; I < S.Count(); ++I)
    R += "(" + S.XValues(I)->GetToString() + " " + S.YValues(I)->GetToString() + ") ";
  return R + ")";
}

// --- TValueHashTable ------------------------------------------------------------------------

IIEValue TValueHashTable::Put(const std::string& Key, const IIEValue& Value) {
  auto It = FMap.find(Key);
  if (It != FMap.end()) {
    IIEValue Old = It->second;
    It->second = Value;
    return Old;
  }
  FMap.emplace(Key, Value);
  FKeys.push_back(Key);
  return {};
}

IIEValue TValueHashTable::Get(const std::string& Key) const {
  auto It = FMap.find(Key);
  return It == FMap.end() ? IIEValue() : It->second;
}

bool TValueHashTable::ContainsKey(const std::string& Key) const { return FMap.count(Key) != 0; }

bool TValueHashTable::ContainsKey(const std::string& Key, IIEValue& Value) const {
  auto It = FMap.find(Key);
  Value = It == FMap.end() ? IIEValue() : It->second;
  return It != FMap.end();
}

IIEValue TValueHashTable::Remove(const std::string& Key) {
  auto It = FMap.find(Key);
  if (It == FMap.end()) return {};
  IIEValue Old = std::move(It->second);
  FMap.erase(It);
  FKeys.erase(std::find(FKeys.begin(), FKeys.end(), Key));
  return Old;
}

void TValueHashTable::Clear() {
  FMap.clear();
  FKeys.clear();
}

const std::string& TValueHashTable::KeyByIndex(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FKeys[Index];
}

IIEValue TValueHashTable::GetItemByIndex(int Index) const { return Get(KeyByIndex(Index)); }

void TValueHashTable::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TValueHashTable*>(Source);
  if (!S) {
    TPersistent::Assign(Source);
    return;
  }
  if (S == this) return;
  BeginUpdate();
  struct TEnd {
    TValueHashTable* T;
    ~TEnd() { T->EndUpdate(); }
  } End{this};
  Clear();
  FLoadFactor = S->FLoadFactor;
  FCapacity = S->FCapacity;
  FHashType = S->FHashType;
  for (const std::string& K : S->FKeys) {
    const IIEValue& V = S->FMap.at(K);
    Put(K, V ? V->Clone() : IIEValue());
  }
}

std::string TValueHashTable::GetToString() const {
  std::string R;
  for (const std::string& K : FKeys) {
    const IIEValue& V = FMap.at(K);
    R += K + " = " + (V ? V->GetToString() : std::string()) + NewLineString;
  }
  return R;
}

}  // namespace norvale
