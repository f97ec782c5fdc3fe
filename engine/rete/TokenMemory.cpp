#include "engine/rete/TokenMemory.h"

#include <typeinfo>

namespace norvale {

namespace {

// The chain from a token to its root, position Count - 1 first; a nil token or the clear token is
// the empty chain.
inline int CountOf(const TIEToken* Token) noexcept {
  return Token && Token->Count() > 0 ? Token->Count() : 0;
}

inline uint64_t ChainHash(const TIEToken* Token) noexcept {
  return CountOf(Token) > 0 ? Token->IdentityHash() : 0;
}

inline bool SameFact(const TFact* A, const TFact* B) noexcept {
  if (A == B) return true;
  return A && B && A->ID() == B->ID() && A->Segment() == B->Segment();
}

bool SameChain(const TIEToken* A, const TIEToken* B) noexcept {
  for (;;) {
    const int N = CountOf(A);
    if (N != CountOf(B)) return false;
    if (N == 0 || A == B) return true;
    if (!SameFact(A->FactPtr(), B->FactPtr())) return false;
    A = A->Parent().Get();
    B = B->Parent().Get();
  }
}

inline uint64_t KeyHash(const TIEValue& Key) {
  return MixHash(static_cast<uint32_t>(Key.GetHashCode()));
}

}  // namespace

TTokenMemory::TTokenMemory(TTokenKeyKind Kind, TTokenKeySpec Spec)
    : FKind(Kind), FSpec(std::move(Spec)), FReader{FSpec.SlotName, FSpec.SubIndex} {}

// No iteration can be running: the entries and groups go with their pools.
TTokenMemory::~TTokenMemory() = default;

// --- lookup --------------------------------------------------------------------------------------

const TIEValue* TTokenMemory::KeyOf(const TIEToken& Token) const {
  if (FKind != tkkSlot) return nullptr;
  return FReader.Read(Token.Facts(FSpec.FactIndex));
}

TTokenMemory::TEntry* TTokenMemory::FindEntry(const TIEToken& Token, uint64_t Hash) const {
  return FEntries.Find(Hash, [&](const TEntry* E) { return SameChain(E->Token.Get(), &Token); });
}

TIEToken* TTokenMemory::Find(const TIEToken& Token) const {
  TEntry* E = FindEntry(Token, ChainHash(&Token));
  return E ? E->Token.Get() : nullptr;
}

TTokenMemory::TFastKey TTokenMemory::TFastKey::Of(const TIEValue& Key) {
  TFastKey K;
  // A value class of its own may compare in its own way.
  if (typeid(Key) != typeid(TIEValue)) return K;
  if (Key.DType() == dtInteger) {
    K.Type = dtInteger;
    K.Integer = Key.AsInteger();
  } else if (Key.DType() == dtFloat) {
    K.Type = dtFloat;
    K.Float = Key.AsNumeric();
  }
  return K;
}

TTokenMemory::TGroup* TTokenMemory::FindKeyGroup(const TIEValue* Key) const {
  if (!Key) return nullptr;
  const TFastKey K = TFastKey::Of(*Key);
  return FGroups.Find(KeyHash(*Key), [&](const TGroup* G) {
    // Two plain numbers are equal when type and number are; anything else asks the value.
    if (K.Type != dtNone && G->Fast.Type != dtNone)
      return K.Type == G->Fast.Type &&
             (K.Type == dtInteger ? K.Integer == G->Fast.Integer : K.Float == G->Fast.Float);
    return G->Key->Equals(Key);
  });
}

TTokenMemory::TGroup* TTokenMemory::FindPrefixGroup(const TIEToken& Prefix) const {
  return FGroups.Find(ChainHash(&Prefix),
                      [&](const TGroup* G) { return SameChain(G->Prefix.Get(), &Prefix); });
}

void TTokenMemory::Prefetch(const TIEToken& Token, const TIEValue* Key) const {
  FEntries.Prefetch(ChainHash(&Token));
  PrefetchKey(Key);
}

void TTokenMemory::PrefetchKey(const TIEValue* Key) const {
  if (Key && FKind == tkkSlot) FGroups.Prefetch(KeyHash(*Key));
}

// --- adding --------------------------------------------------------------------------------------

// The group of Token's key, made when Token is the first with that key; nil when the key cannot be
// read (the token is then reachable by ForEach only).
TTokenMemory::TGroup* TTokenMemory::GroupFor(const TIEToken& Token, uint64_t PrefixHash) {
  const TIEValue* Key = nullptr;
  const TIEToken* Parent = nullptr;
  uint64_t H;
  if (FKind == tkkSlot) {
    Key = KeyOf(Token);
    if (!Key) return nullptr;
    if (TGroup* G = FindKeyGroup(Key)) return G;
    H = KeyHash(*Key);
  } else {
    Parent = CountOf(&Token) > 1 ? Token.Parent().Get() : nullptr;
    H = PrefixHash;
    if (TGroup* G =
            FGroups.Find(H, [&](const TGroup* G) { return SameChain(G->Prefix.Get(), Parent); }))
      return G;
  }
  TGroup* G;
  if (FFreeGroups) {
    G = FFreeGroups;
    FFreeGroups = G->NextFree;
  } else {
    G = &FGroupPool.emplace_back();
  }
  G->Hash = H;
  G->Fast = Key ? TFastKey::Of(*Key) : TFastKey{};
  G->Key = IIEValue(const_cast<TIEValue*>(Key));
  G->Prefix = IReteToken(const_cast<TIEToken*>(Parent));
  G->Head = G->Tail = nullptr;
  FGroups.Insert(H, G);
  return G;
}

bool TTokenMemory::Add(const IReteToken& Token) {
  if (!Token) return false;
  const uint64_t H = ChainHash(Token.Get());
  if (FindEntry(*Token, H)) return false;
  // What can throw comes first: a failure leaves at most an empty group behind, which the next
  // token with that key takes over.
  TGroup* G = nullptr;
  if (FKind != tkkNone) {
    const int N = CountOf(Token.Get());
    G = GroupFor(*Token, N > 1 ? ChainHash(Token->Parent().Get()) : 0);
  }
  TEntry* E;
  if (FFreeEntries) {
    E = FFreeEntries;
    FFreeEntries = E->NextFree;
  } else {
    E = &FEntryPool.emplace_back();
  }
  try {
    FEntries.Insert(H, E);
  } catch (...) {
    E->NextFree = FFreeEntries;
    FFreeEntries = E;
    throw;
  }

  E->Token = Token;
  E->Hash = H;
  E->Seq = FNextSeq++;
  E->Pins = 0;
  E->Removed = false;
  E->Group = G;
  E->KeyNext = nullptr;
  if (G) {
    E->KeyPrev = G->Tail;
    (G->Tail ? G->Tail->KeyNext : G->Head) = E;
    G->Tail = E;
  } else {
    E->KeyPrev = nullptr;
  }
  E->Prev = FTail;
  E->Next = nullptr;
  (FTail ? FTail->Next : FHead) = E;
  FTail = E;
  ++FCount;
  FCleared = false;
  return true;
}

// --- removing ------------------------------------------------------------------------------------

// Takes Entry out of the identity index at once; the lists keep it while an iteration stands on it.
void TTokenMemory::RemoveEntry(TEntry* Entry) noexcept {
  FEntries.Erase(Entry->Hash, Entry);
  Entry->Removed = true;
  --FCount;
  if (Entry->Pins == 0) Release(Entry);
}

void TTokenMemory::Unpin(TEntry* Entry) noexcept {
  if (--Entry->Pins == 0 && Entry->Removed) Release(Entry);
}

// Unlinks a removed entry from the lists, drops its group when that becomes empty, and returns
// both to their pools.
void TTokenMemory::Release(TEntry* Entry) noexcept {
  (Entry->Prev ? Entry->Prev->Next : FHead) = Entry->Next;
  (Entry->Next ? Entry->Next->Prev : FTail) = Entry->Prev;
  if (TGroup* G = Entry->Group) {
    (Entry->KeyPrev ? Entry->KeyPrev->KeyNext : G->Head) = Entry->KeyNext;
    (Entry->KeyNext ? Entry->KeyNext->KeyPrev : G->Tail) = Entry->KeyPrev;
    if (!G->Head) {
      FGroups.Erase(G->Hash, G);
      G->Key = nullptr;
      G->Prefix = nullptr;
      G->NextFree = FFreeGroups;
      FFreeGroups = G;
    }
  }
  Entry->Token = nullptr;
  Entry->Group = nullptr;
  Entry->Prev = Entry->Next = Entry->KeyPrev = Entry->KeyNext = nullptr;
  Entry->NextFree = FFreeEntries;
  FFreeEntries = Entry;
}

IReteToken TTokenMemory::Remove(const TIEToken& Token) {
  TEntry* E = FindEntry(Token, ChainHash(&Token));
  if (!E) return nullptr;
  IReteToken Stored = E->Token;
  RemoveEntry(E);
  return Stored;
}

void TTokenMemory::Clear() {
  if (FCleared) return;
  for (TEntry* E = FHead; E;) {
    TEntry* Next = E->Next;  // read first: E may go back to the pool
    if (!E->Removed) RemoveEntry(E);
    E = Next;
  }
  FCleared = true;
}

// --- printing ------------------------------------------------------------------------------------

std::string TTokenMemory::GetToFactsString() const {
  std::string R;
  for (const TEntry* E = FHead; E; E = E->Next)
    if (!E->Removed) {
      R += E->Token->GetToFactsString();
      R += NewLineString;
    }
  return R;
}

std::string TTokenMemory::GetToString() const {
  std::string R;
  for (const TEntry* E = FHead; E; E = E->Next)
    if (!E->Removed) {
      R += E->Token->GetToString();
      R += NewLineString;
    }
  return R;
}

}  // namespace norvale
