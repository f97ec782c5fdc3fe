// The memory of one input of a join node: the stored partial matches, in insertion order, with a
// hash index on their identity and an optional index on a key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/core/HashIndex.h"
#include "engine/facts/Pattern.h"
#include "engine/rete/Token.h"

namespace norvale {

// What a memory indexes its tokens by, besides their identity.
enum TTokenKeyKind {
  tkkNone,   // nothing: only whole-memory iteration
  tkkSlot,   // the value of a slot (or a field of it) of one fact of the token
  tkkPrefix  // the identity of the token's first Count - 1 facts
};

// For tkkSlot: the key of a token is the value of slot SlotName of its fact at FactIndex
// (Facts(FactIndex)), or with SubIndex >= 0 the element SubIndex of that slot's list.
struct TTokenKeySpec {
  int FactIndex = 0;
  std::string SlotName;
  int SubIndex = NoSubIndex;
};

// Two tokens are the same partial match when they hold, position by position, facts with the same
// ID and the same Segment (a missing fact only matches a missing fact); tags, strengths and
// negated counts do not matter. A memory holds at most one token per partial match.
//
// Every operation is O(1) expected, apart from the length of the token chains involved.
//
// Iteration (ForEach, ForEachWithKey, ForEachWithPrefix) visits tokens in insertion order and may
// be nested. The callback may add, remove or clear freely:
// - a token removed before it is reached is not visited; one that is being visited stays valid
//   until the callback returns;
// - tokens added during an iteration are not visited by it.
// A callback returning bool stops the iteration by returning false.
class TTokenMemory {
 public:
  // A memory without key.
  TTokenMemory() = default;
  // A memory keyed by a slot value (tkkSlot) or by prefix (tkkPrefix; Spec is not used).
  explicit TTokenMemory(TTokenKeyKind Kind, TTokenKeySpec Spec = {});
  TTokenMemory(const TTokenMemory&) = delete;
  TTokenMemory& operator=(const TTokenMemory&) = delete;
  ~TTokenMemory();

  TTokenKeyKind KeyKind() const noexcept { return FKind; }
  const TTokenKeySpec& KeySpec() const noexcept { return FSpec; }

  // Stores Token as it is; false, storing nothing, when the same partial match is stored already
  // (or Token is nil).
  bool Add(const IReteToken& Token);
  // Takes out the stored token that is the same partial match as Token and returns it; nil when
  // there is none.
  IReteToken Remove(const TIEToken& Token);
  // The stored token that is the same partial match as Token, or nil.
  TIEToken* Find(const TIEToken& Token) const;
  // Empties the memory; nothing to do when it is cleared already.
  void Clear();
  // True after Clear until the next successful Add (false for a new memory).
  bool Cleared() const noexcept { return FCleared; }
  int Count() const noexcept { return FCount; }
  bool Empty() const noexcept { return FCount == 0; }

  // The key of Token under this memory's spec: for tkkSlot the slot value (or field) of the fact at
  // the spec's FactIndex; nil when it cannot be read, and always for the other kinds. The value
  // belongs to the fact.
  const TIEValue* KeyOf(const TIEToken& Token) const;

  // Start loading what Add, Find or Remove of Token (whose key, read by the caller, is Key),
  // respectively ForEachWithKey(Key), read first; a join calls them for both its memories before
  // it works on either. A nil Key loads the identity slot only.
  void Prefetch(const TIEToken& Token, const TIEValue* Key) const;
  void PrefetchKey(const TIEValue* Key) const;

  // Fn(TIEToken&) for every stored token.
  template <class F>
  void ForEach(F&& Fn);
  // Fn(TIEToken&) for the stored tokens whose key Equals Key (type and value), for a tkkSlot
  // memory; nothing for a nil Key or another kind. Tokens whose key could not be read are never
  // visited here.
  template <class F>
  void ForEachWithKey(const TIEValue* Key, F&& Fn);
  // Fn(TIEToken&) for the stored tokens whose first Count - 1 facts are the same, position by
  // position, as Prefix's facts, for a tkkPrefix memory; nothing for another kind.
  template <class F>
  void ForEachWithPrefix(const TIEToken& Prefix, F&& Fn);

  // Each stored token's GetToFactsString, respectively GetToString, each followed by CR LF.
  std::string GetToFactsString() const;
  std::string GetToString() const;

 private:
  struct TGroup;
  // A plain integer or float key, kept in its group so that a lookup compares it without reading
  // the key value itself (Type dtNone: the group's key is of another kind).
  struct TFastKey {
    TIEType Type = dtNone;
    union {
      int32_t Integer;
      double Float = 0;
    };
    static TFastKey Of(const TIEValue& Key);
  };
  // A stored token. Entries are pooled; one removed while an iteration stands on it stays linked
  // (marked Removed) until the last such iteration moves on.
  struct TEntry {
    IReteToken Token;
    uint64_t Hash = 0;  // of the identity
    uint64_t Seq = 0;   // insertion number
    TEntry* Prev = nullptr;
    TEntry* Next = nullptr;
    TEntry* NextFree = nullptr;  // when pooled
    TEntry* KeyPrev = nullptr;
    TEntry* KeyNext = nullptr;
    TGroup* Group = nullptr;  // the key group, nil when the key is unreadable
    uint32_t Pins = 0;
    bool Removed = false;
  };
  // The tokens with one key, in insertion order.
  struct TGroup {
    uint64_t Hash = 0;
    TFastKey Fast;      // tkkSlot: the key's number, when it is a plain one
    IIEValue Key;       // tkkSlot: the key of the first member
    IReteToken Prefix;  // tkkPrefix: the parent of the first member (nil: the empty prefix)
    TEntry* Head = nullptr;
    TEntry* Tail = nullptr;
    TGroup* NextFree = nullptr;  // when pooled
  };
  // Unpins the entry it holds when it lets go of it (also when a callback throws).
  class TPin {
   public:
    explicit TPin(TTokenMemory& Memory) noexcept : FMemory(Memory) {}
    TPin(const TPin&) = delete;
    TPin& operator=(const TPin&) = delete;
    ~TPin() { Set(nullptr); }
    void Set(TEntry* Entry) noexcept {
      if (Entry) ++Entry->Pins;
      if (FEntry) FMemory.Unpin(FEntry);
      FEntry = Entry;
    }

   private:
    TTokenMemory& FMemory;
    TEntry* FEntry = nullptr;
  };

  template <bool ByKey, class F>
  void Visit(TEntry* First, F& Fn);
  TGroup* FindKeyGroup(const TIEValue* Key) const;
  TGroup* FindPrefixGroup(const TIEToken& Prefix) const;
  TEntry* FindEntry(const TIEToken& Token, uint64_t Hash) const;
  TGroup* GroupFor(const TIEToken& Token, uint64_t PrefixHash);
  void RemoveEntry(TEntry* Entry) noexcept;
  void Unpin(TEntry* Entry) noexcept;
  void Release(TEntry* Entry) noexcept;

  TTokenKeyKind FKind = tkkNone;
  TTokenKeySpec FSpec;
  TSlotReader FReader;
  int FCount = 0;
  bool FCleared = false;
  uint64_t FNextSeq = 0;
  TEntry* FHead = nullptr;  // insertion order, removed-but-pinned entries included
  TEntry* FTail = nullptr;
  THashIndex<TEntry> FEntries;  // by identity hash
  THashIndex<TGroup> FGroups;   // by key or prefix hash
  std::deque<TEntry> FEntryPool;
  std::deque<TGroup> FGroupPool;
  TEntry* FFreeEntries = nullptr;
  TGroup* FFreeGroups = nullptr;
};

// --- iteration -----------------------------------------------------------------------------------

template <bool ByKey, class F>
void TTokenMemory::Visit(TEntry* First, F& Fn) {
  // Entries are linked in insertion order, so the first one added after the start ends the walk.
  const uint64_t Limit = FNextSeq;
  TPin Pin(*this);
  TEntry* E = First;
  for (;;) {
    while (E && E->Removed) E = ByKey ? E->KeyNext : E->Next;
    if (!E || E->Seq >= Limit) return;
    // Pinned, E keeps its links whatever the callback removes.
    Pin.Set(E);
    if constexpr (std::is_same_v<std::invoke_result_t<F&, TIEToken&>, bool>) {
      if (!Fn(*E->Token)) return;
    } else {
      Fn(*E->Token);
    }
    E = ByKey ? E->KeyNext : E->Next;
  }
}

template <class F>
void TTokenMemory::ForEach(F&& Fn) {
  Visit<false>(FHead, Fn);
}

template <class F>
void TTokenMemory::ForEachWithKey(const TIEValue* Key, F&& Fn) {
  if (FKind != tkkSlot || !Key) return;
  if (TGroup* G = FindKeyGroup(Key)) Visit<true>(G->Head, Fn);
}

template <class F>
void TTokenMemory::ForEachWithPrefix(const TIEToken& Prefix, F&& Fn) {
  if (FKind != tkkPrefix) return;
  if (TGroup* G = FindPrefixGroup(Prefix)) Visit<true>(G->Head, Fn);
}

}  // namespace norvale
