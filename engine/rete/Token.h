// Tokens: the messages that travel through the Rete network and, at once, partial matches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/facts/Fact.h"

namespace norvale {

class TIEToken;
using IReteToken = Ref<TIEToken>;

// A chain of facts, one per matched pattern, linked from the newest back to the first; tagged
// with what happened (add, remove, clear, update) and carrying the fuzzy strength of the match.
class TIEToken : public TInterfacedPersistent {
 public:
  // The clear token: no fact, taClear, strength 1.
  TIEToken() = default;
  // A fact token.
  TIEToken(TTokenAction Action, const IFact& Fact);
  // The extension of Parent by one fact (Fact may be nil).
  TIEToken(const IReteToken& Parent, const IFact& Fact);
  // A copy of every field but NegatedCount, which starts at 0.
  explicit TIEToken(const TIEToken& Source);
  // The same from a reference (a nil Source gives the clear token).
  explicit TIEToken(const IReteToken& Source);

  // Tokens are made and dropped in the join loops: blocks are recycled through a small
  // per-thread free list.
  static void* operator new(std::size_t Size);
  static void operator delete(void* Block, std::size_t Size) noexcept;

  int Count() const noexcept { return FCount; }
  int NegatedCount() const noexcept { return FNegatedCount; }
  virtual void SetNegatedCount(int Value);
  const IFact& Fact() const noexcept { return FFact; }
  TFact* FactPtr() const noexcept { return FFact.Get(); }
  // Position 0 is the first fact of the chain, Count - 1 this token's own; any index at or past
  // Count - 1 gives the newest fact.
  TFact* Facts(int Index) const noexcept;
  IFact GetFacts(int Index) const { return IFact(Facts(Index)); }
  const IReteToken& Parent() const noexcept { return FParent; }
  int32_t SortCode() const noexcept { return FSortCode; }
  TTokenAction Tag() const noexcept { return static_cast<TTokenAction>(FTag); }
  virtual void SetTag(TTokenAction Value);
  float Strength() const noexcept { return FStrength; }
  void SetStrength(float Value) noexcept;

  // The hash of the partial match (agrees with SamePartialMatch), taken when the token is made:
  // a fact keeps its ID and segment while it is in the network. 0 for the clear token.
  uint64_t IdentityHash() const noexcept { return FIdentity; }

  // Same facts (by ID) in the same positions and the same strength; tags do not matter.
  virtual bool Equals(const TIEToken* Token) const;
  void Assign(TPersistent* Source) override;
  // "taAdd cnt=2 negcnt=0" then each fact, newest first, on its own line.
  virtual std::string GetToString() const;
  // "f-1, f-4": the fact IDs oldest first.
  std::string GetToFactsString() const;

 private:
  // The tag comes first so that it fits into the tail of the counted base (after the reference
  // count); the rest packs without holes.
  uint8_t FTag = taClear;
  int FCount = 0;
  int FNegatedCount = 0;
  IFact FFact;
  IReteToken FParent;
  float FStrength = 1.0f;
  int32_t FSortCode = 0;
  // The sum of one share per position, so a token's first Count - 1 facts hash as its parent.
  uint64_t FIdentity = 0;
};

// The same partial match: position by position facts with the same ID and segment (a missing
// fact only matches a missing fact); tags and strengths do not matter.
bool SamePartialMatch(const TIEToken& A, const TIEToken& B) noexcept;
// A hash of the partial match (agrees with SamePartialMatch).
inline uint64_t PartialMatchHash(const TIEToken& Token) noexcept { return Token.IdentityHash(); }

}  // namespace norvale
