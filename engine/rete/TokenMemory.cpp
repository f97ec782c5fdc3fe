#include "engine/rete/TokenMemory.h"

namespace norvale {

namespace {

constexpr size_t FirstBucketCount = 8;

inline uint64_t Mix(uint64_t X) noexcept {
  X += 0x9E3779B97F4A7C15ull;
  X = (X ^ (X >> 30)) * 0xBF58476D1CE4E5B9ull;
  X = (X ^ (X >> 27)) * 0x94D049BB133111EBull;
  return X ^ (X >> 31);
}

// The share of one position of a chain in the chain's hash. The chain's hash is the sum of its
// positions' shares, so the hash of a token's first Count - 1 facts is the token's hash less the
// share of its own fact.
inline uint64_t Share(int Position, const TFact* Fact) noexcept {
  const uint64_t Where =
      static_cast<uint64_t>(static_cast<uint32_t>(Position)) * 2 + (Fact ? 0 : 1);
  const uint64_t What = Fact ? static_cast<uint64_t>(static_cast<uint32_t>(Fact->ID())) |
                                   static_cast<uint64_t>(static_cast<uint32_t>(Fact->Segment()))
                                       << 32
                             : 0;
  return Mix(Mix(Where) ^ What);
}

// The chain from a token to its root, position Count - 1 first; a nil token or the clear token is
// the empty chain.
inline int CountOf(const TIEToken* Token) noexcept {
  return Token && Token->Count() > 0 ? Token->Count() : 0;
}

uint64_t ChainHash(const TIEToken* Token) noexcept {
  uint64_t H = 0;
  for (; CountOf(Token) > 0; Token = Token->Parent().Get())
    H += Share(Token->Count() - 1, Token->FactPtr());
  return H;
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

inline size_t Slot(uint64_t Hash, size_t BucketCount) noexcept {
  return static_cast<size_t>(Hash) & (BucketCount - 1);
}

inline uint64_t KeyHash(const TIEValue& Key) {
  return Mix(static_cast<uint32_t>(Key.GetHashCode()));
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
  if (FEntryBuckets.empty()) return nullptr;
  for (TEntry* E = FEntryBuckets[Slot(Hash, FEntryBuckets.size())]; E; E = E->HashNext)
    if (E->Hash == Hash && SameChain(E->Token.Get(), &Token)) return E;
  return nullptr;
}

TIEToken* TTokenMemory::Find(const TIEToken& Token) const {
  TEntry* E = FindEntry(Token, ChainHash(&Token));
  return E ? E->Token.Get() : nullptr;
}

TTokenMemory::TGroup* TTokenMemory::FindKeyGroup(const TIEValue* Key) const {
  if (!Key || FGroupBuckets.empty()) return nullptr;
  const uint64_t H = KeyHash(*Key);
  for (TGroup* G = FGroupBuckets[Slot(H, FGroupBuckets.size())]; G; G = G->HashNext)
    if (G->Hash == H && G->Key->Equals(Key)) return G;
  return nullptr;
}

TTokenMemory::TGroup* TTokenMemory::FindPrefixGroup(const TIEToken& Prefix) const {
  if (FGroupBuckets.empty()) return nullptr;
  const uint64_t H = ChainHash(&Prefix);
  for (TGroup* G = FGroupBuckets[Slot(H, FGroupBuckets.size())]; G; G = G->HashNext)
    if (G->Hash == H && SameChain(G->Prefix.Get(), &Prefix)) return G;
  return nullptr;
}

// --- adding --------------------------------------------------------------------------------------

void TTokenMemory::GrowEntries() {
  std::vector<TEntry*> Buckets(FEntryBuckets.empty() ? FirstBucketCount : FEntryBuckets.size() * 2,
                               nullptr);
  for (TEntry* Head : FEntryBuckets)
    while (TEntry* E = Head) {
      Head = E->HashNext;
      TEntry*& B = Buckets[Slot(E->Hash, Buckets.size())];
      E->HashNext = B;
      B = E;
    }
  FEntryBuckets.swap(Buckets);
}

void TTokenMemory::GrowGroups() {
  std::vector<TGroup*> Buckets(FGroupBuckets.empty() ? FirstBucketCount : FGroupBuckets.size() * 2,
                               nullptr);
  for (TGroup* Head : FGroupBuckets)
    while (TGroup* G = Head) {
      Head = G->HashNext;
      TGroup*& B = Buckets[Slot(G->Hash, Buckets.size())];
      G->HashNext = B;
      B = G;
    }
  FGroupBuckets.swap(Buckets);
}

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
    if (!FGroupBuckets.empty())
      for (TGroup* G = FGroupBuckets[Slot(H, FGroupBuckets.size())]; G; G = G->HashNext)
        if (G->Hash == H && SameChain(G->Prefix.Get(), Parent)) return G;
  }
  if (FGroupCount >= FGroupBuckets.size()) GrowGroups();
  TGroup* G;
  if (FFreeGroups) {
    G = FFreeGroups;
    FFreeGroups = G->HashNext;
  } else {
    G = &FGroupPool.emplace_back();
  }
  G->Hash = H;
  G->Key = IIEValue(const_cast<TIEValue*>(Key));
  G->Prefix = IReteToken(const_cast<TIEToken*>(Parent));
  G->Head = G->Tail = nullptr;
  TGroup*& B = FGroupBuckets[Slot(H, FGroupBuckets.size())];
  G->HashNext = B;
  B = G;
  ++FGroupCount;
  return G;
}

bool TTokenMemory::Add(const IReteToken& Token) {
  if (!Token) return false;
  const uint64_t H = ChainHash(Token.Get());
  if (FindEntry(*Token, H)) return false;
  // What can throw comes first: a failure leaves at most an empty group behind, which the next
  // token with that key takes over.
  if (static_cast<size_t>(FCount) >= FEntryBuckets.size()) GrowEntries();
  TGroup* G = nullptr;
  if (FKind != tkkNone) {
    const int N = CountOf(Token.Get());
    G = GroupFor(*Token, N > 0 ? H - Share(N - 1, Token->FactPtr()) : H);
  }
  TEntry* E;
  if (FFreeEntries) {
    E = FFreeEntries;
    FFreeEntries = E->HashNext;
  } else {
    E = &FEntryPool.emplace_back();
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
  TEntry*& B = FEntryBuckets[Slot(H, FEntryBuckets.size())];
  E->HashNext = B;
  B = E;
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
  TEntry** P = &FEntryBuckets[Slot(Entry->Hash, FEntryBuckets.size())];
  while (*P != Entry) P = &(*P)->HashNext;
  *P = Entry->HashNext;
  Entry->HashNext = nullptr;
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
      TGroup** P = &FGroupBuckets[Slot(G->Hash, FGroupBuckets.size())];
      while (*P != G) P = &(*P)->HashNext;
      *P = G->HashNext;
      G->Key = nullptr;
      G->Prefix = nullptr;
      G->HashNext = FFreeGroups;
      FFreeGroups = G;
      --FGroupCount;
    }
  }
  Entry->Token = nullptr;
  Entry->Group = nullptr;
  Entry->Prev = Entry->Next = Entry->KeyPrev = Entry->KeyNext = nullptr;
  Entry->HashNext = FFreeEntries;
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
