#include "engine/rete/Token.h"

#include <new>
#include <vector>

#include "engine/core/HashIndex.h"

namespace norvale {

// --- the per-thread free list ------------------------------------------------------------------

namespace {

#if defined(__SANITIZE_ADDRESS__)
#define NORVALE_TOKEN_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NORVALE_TOKEN_POOL 0
#endif
#endif
#ifndef NORVALE_TOKEN_POOL
#define NORVALE_TOKEN_POOL 1
#endif

#if NORVALE_TOKEN_POOL
// Blocks kept per thread at most; the rest go back to the global heap.
constexpr uint32_t MaxPooledTokens = 4096;

struct TFreeBlock {
  TFreeBlock* Next;
};

// Trivially destructible, so that it can still be read after the thread's reaper has run (a
// token released by a thread-local or static object's destructor then bypasses the pool).
struct TTokenPool {
  TFreeBlock* Head;
  uint32_t Count;
  bool Armed;   // the reaper of this thread exists
  bool Closed;  // the reaper has run: no more pooling on this thread
};
constinit thread_local TTokenPool GPool{nullptr, 0, false, false};

// Returns the blocks of a finishing thread to the heap.
struct TTokenPoolReaper {
  ~TTokenPoolReaper() {
    GPool.Closed = true;
    while (TFreeBlock* B = GPool.Head) {
      GPool.Head = B->Next;
      ::operator delete(B);
    }
    GPool.Count = 0;
  }
};
thread_local TTokenPoolReaper GReaper;
#endif

}  // namespace

void* TIEToken::operator new(std::size_t Size) {
#if NORVALE_TOKEN_POOL
  if (Size == sizeof(TIEToken) && GPool.Head) {
    TFreeBlock* B = GPool.Head;
    GPool.Head = B->Next;
    --GPool.Count;
    return B;
  }
#endif
  return ::operator new(Size);
}

void TIEToken::operator delete(void* Block, std::size_t Size) noexcept {
  if (!Block) return;
#if NORVALE_TOKEN_POOL
  static_assert(sizeof(TIEToken) >= sizeof(TFreeBlock));
  if (Size == sizeof(TIEToken) && !GPool.Closed && GPool.Count < MaxPooledTokens) {
    if (!GPool.Armed) {
      GPool.Armed = true;
      (void)&GReaper;  // constructs this thread's reaper, so the list is drained at thread exit
    }
    auto* B = static_cast<TFreeBlock*>(Block);
    B->Next = GPool.Head;
    GPool.Head = B;
    ++GPool.Count;
    return;
  }
#endif
  ::operator delete(Block, Size);
}

// --- construction --------------------------------------------------------------------------------

namespace {

// The chain code: parent × 8 + fact ID, wrapping in 32 bits.
// The share of one position of a chain in the chain's identity hash.
inline uint64_t Share(int Position, const TFact* Fact) noexcept {
  const uint64_t Where =
      static_cast<uint64_t>(static_cast<uint32_t>(Position)) * 2 + (Fact ? 0 : 1);
  const uint64_t What = Fact ? static_cast<uint64_t>(static_cast<uint32_t>(Fact->ID())) |
                                   static_cast<uint64_t>(static_cast<uint32_t>(Fact->Segment()))
                                       << 32
                             : 0;
  return MixHash(MixHash(Where) ^ What);
}

inline int32_t ExtendSortCode(int32_t ParentCode, const TFact* Fact) noexcept {
  uint32_t Code = static_cast<uint32_t>(ParentCode) * 8u;
  if (Fact) Code += static_cast<uint32_t>(Fact->ID());
  return static_cast<int32_t>(Code);
}

}  // namespace

TIEToken::TIEToken(TTokenAction Action, const IFact& Fact)
    : FTag(static_cast<uint8_t>(Action)),
      FCount(1),
      FFact(Fact),
      FSortCode(Fact ? Fact->ID() : 0),
      FIdentity(Share(0, Fact.Get())) {}

// A nil parent counts as the clear token (no facts, code 0).
TIEToken::TIEToken(const IReteToken& Parent, const IFact& Fact)
    : FTag(Parent ? Parent->FTag : static_cast<uint8_t>(taClear)),
      FCount(Parent ? Parent->FCount + 1 : 1),
      FFact(Fact),
      FParent(Parent),
      FStrength(Parent ? Parent->FStrength : 1.0f),
      FSortCode(ExtendSortCode(Parent ? Parent->FSortCode : 0, Fact.Get())),
      FIdentity((Parent && Parent->FCount > 0 ? Parent->FIdentity : 0) +
                Share(FCount - 1, Fact.Get())) {}

TIEToken::TIEToken(const TIEToken& Source)
    : TInterfacedPersistent(),
      FTag(Source.FTag),
      FCount(Source.FCount),
      FFact(Source.FFact),
      FParent(Source.FParent),
      FStrength(Source.FStrength),
      FSortCode(Source.FSortCode),
      FIdentity(Source.FIdentity) {}

TIEToken::TIEToken(const IReteToken& Source) {
  if (!Source) return;
  FTag = Source->FTag;
  FCount = Source->FCount;
  FFact = Source->FFact;
  FParent = Source->FParent;
  FStrength = Source->FStrength;
  FSortCode = Source->FSortCode;
  FIdentity = Source->FIdentity;
}

void TIEToken::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TIEToken*>(Source)) {
    if (S == this) return;
    FTag = S->FTag;
    FCount = S->FCount;
    FNegatedCount = S->FNegatedCount;
    FFact = S->FFact;
    FParent = S->FParent;
    FStrength = S->FStrength;
    FSortCode = S->FSortCode;
    FIdentity = S->FIdentity;
    return;
  }
  TInterfacedPersistent::Assign(Source);
}

// --- state ---------------------------------------------------------------------------------------

TFact* TIEToken::Facts(int Index) const noexcept {
  const TIEToken* T = this;
  // Walk towards the root until the token whose own fact holds the position.
  while (static_cast<int64_t>(T->FCount) - Index >= 2) {
    T = T->FParent.Get();
    if (!T) return nullptr;  // a position before the root
  }
  return T->FFact.Get();
}

void TIEToken::SetNegatedCount(int Value) {
  if (Value != FNegatedCount) FNegatedCount = Value < 0 ? 0 : Value;
}

void TIEToken::SetTag(TTokenAction Value) {
  if (Value == FTag) return;
  if (Value != taClear && !FFact) throw EIEException(SInvalidTokenAction);
  FTag = static_cast<uint8_t>(Value);
}

void TIEToken::SetStrength(float Value) noexcept {
  if (Value != FStrength) FStrength = Value < 0 ? 0.0f : Value;
}

// --- identity ------------------------------------------------------------------------------------

bool TIEToken::Equals(const TIEToken* Token) const {
  const TIEToken* A = this;
  const TIEToken* B = Token;
  for (;;) {
    if (A == B) return true;
    if (!B) return false;
    if (A->FSortCode != B->FSortCode) return false;
    const TFact* FA = A->FFact.Get();
    const TFact* FB = B->FFact.Get();
    if (FA != FB && (!FA || !FB || FA->ID() != FB->ID())) return false;
    if (A->FStrength != B->FStrength) return false;
    if (!A->FParent || A->FParent == B->FParent) return true;
    if (!B->FParent) return false;
    A = A->FParent.Get();
    B = B->FParent.Get();
  }
}

// --- printing ------------------------------------------------------------------------------------

std::string TIEToken::GetToString() const {
  std::string R = EnumName(Tag()) + " cnt=" + std::to_string(FCount) +
                  " negcnt=" + std::to_string(FNegatedCount);
  for (const TIEToken* T = this; T; T = T->FParent.Get())
    if (T->FFact) {
      R += NewLineString;
      R += T->FFact->GetToString();
    }
  return R;
}

// A position without a fact (an extension by nil) prints as "*".
std::string TIEToken::GetToFactsString() const {
  TFact* Small[16];
  std::vector<TFact*> Large;
  TFact** Chain = Small;
  int N = 0;
  for (const TIEToken* T = this; T && N < FCount; T = T->FParent.Get()) ++N;
  if (N > 16) {
    Large.resize(N);
    Chain = Large.data();
  }
  // Newest first along the parents, stored oldest first.
  int I = N;
  for (const TIEToken* T = this; T && I > 0; T = T->FParent.Get()) Chain[--I] = T->FFact.Get();
  std::string R;
  for (I = 0; I < N; ++I) {
    if (I > 0) R += ", ";
    if (Chain[I]) {
      R += "f-";
      R += std::to_string(Chain[I]->ID());
    } else {
      R += '*';
    }
  }
  return R;
}

namespace {
const bool Registered =
    (RegisterClass<TIEToken, TPersistent>("TIEToken")
         .Property("NegatedCount", &TIEToken::NegatedCount, &TIEToken::SetNegatedCount)
         .Property("Strength", &TIEToken::Strength, &TIEToken::SetStrength)
         .Property("Tag", &TIEToken::Tag, &TIEToken::SetTag),
     true);
}  // namespace

bool SamePartialMatch(const TIEToken& A, const TIEToken& B) noexcept {
  const TIEToken* X = &A;
  const TIEToken* Y = &B;
  while (X && Y) {
    if (X == Y) return true;
    if (X->Count() != Y->Count()) return false;
    const TFact* F = X->FactPtr();
    const TFact* G = Y->FactPtr();
    if ((F == nullptr) != (G == nullptr)) return false;
    if (F && (F->ID() != G->ID() || F->Segment() != G->Segment())) return false;
    X = X->Parent().Get();
    Y = Y->Parent().Get();
  }
  return X == Y;
}

}  // namespace norvale
