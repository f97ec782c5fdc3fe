// An index of pointers by a 64-bit hash, kept in one flat table.
//
// The node-based hash maps of the standard library cost a cache miss for the bucket, one for
// each node of its chain and one more for each item compared. Here a slot holds the full hash
// beside the pointer, so a lookup reads one run of adjacent slots and touches an item only when
// its hash is equal: a search that finds nothing usually costs a single cache line.
//
// Several items may share a hash (and an item may be indexed under several hashes); items with
// equal hashes are visited in the order they were inserted. Linear probing, at most half full,
// and removal by shifting the rest of the run back, so no tombstones pile up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace norvale {

// Spreads the bits of X over the whole word (a bijection, so distinct inputs stay distinct).
inline uint64_t MixHash(uint64_t X) noexcept {
  X += 0x9E3779B97F4A7C15ull;
  X = (X ^ (X >> 30)) * 0xBF58476D1CE4E5B9ull;
  X = (X ^ (X >> 27)) * 0x94D049BB133111EBull;
  return X ^ (X >> 31);
}

template <class T>
class THashIndex {
 public:
  size_t Count() const noexcept { return FCount; }
  bool Empty() const noexcept { return FCount == 0; }

  // Adds Item under Hash; Item must not be nil.
  void Insert(uint64_t Hash, T* Item) {
    if ((FCount + 1) * 2 > FSlots.size()) Grow();
    size_t I = Home(Hash);
    while (FSlots[I].Item) I = (I + 1) & FMask;
    FSlots[I] = {Hash, Item};
    ++FCount;
  }

  // Takes out Item from under Hash; false when it is not there.
  bool Erase(uint64_t Hash, const T* Item) noexcept {
    if (FSlots.empty()) return false;
    for (size_t I = Home(Hash); FSlots[I].Item; I = (I + 1) & FMask)
      if (FSlots[I].Item == Item && FSlots[I].Hash == Hash) {
        Vacate(I);
        return true;
      }
    return false;
  }

  // The first item under Hash (in insertion order) for which Match(T*) holds, or nil.
  template <class F>
  T* Find(uint64_t Hash, F&& Match) const {
    if (FSlots.empty()) return nullptr;
    for (size_t I = Home(Hash); FSlots[I].Item; I = (I + 1) & FMask)
      if (FSlots[I].Hash == Hash && Match(FSlots[I].Item)) return FSlots[I].Item;
    return nullptr;
  }

  // Fn(T*) for every item under Hash, in insertion order. Fn must not change the index.
  template <class F>
  void ForEach(uint64_t Hash, F&& Fn) const {
    if (FSlots.empty()) return;
    for (size_t I = Home(Hash); FSlots[I].Item; I = (I + 1) & FMask)
      if (FSlots[I].Hash == Hash) Fn(FSlots[I].Item);
  }

  // Starts loading the slot where a search for Hash begins, so that its cache miss overlaps with
  // other work done before the search.
  void Prefetch(uint64_t Hash) const noexcept {
#if defined(__GNUC__) || defined(__clang__)
    if (!FSlots.empty()) __builtin_prefetch(&FSlots[Home(Hash)]);
#else
    (void)Hash;
#endif
  }

  void Clear() noexcept {
    FSlots.clear();
    FMask = 0;
    FCount = 0;
  }

 private:
  struct TSlot {
    uint64_t Hash = 0;
    T* Item = nullptr;  // nil: the slot is free
  };

  size_t Home(uint64_t Hash) const noexcept { return static_cast<size_t>(Hash) & FMask; }

  // Frees slot I and moves back the later members of its run that may live there, keeping the
  // order of the items that share a hash.
  void Vacate(size_t I) noexcept {
    for (size_t J = (I + 1) & FMask; FSlots[J].Item; J = (J + 1) & FMask) {
      // The item at J may move to I when I lies on its probe path, from its home up to J.
      if (((J - Home(FSlots[J].Hash)) & FMask) >= ((J - I) & FMask)) {
        FSlots[I] = FSlots[J];
        I = J;
      }
    }
    FSlots[I] = TSlot{};
    --FCount;
  }

  void Grow() {
    // The new table is made first: when that fails, the index stays as it was.
    std::vector<TSlot> Old(FSlots.empty() ? 16 : FSlots.size() * 2);
    Old.swap(FSlots);  // Old now holds the current table
    FMask = FSlots.size() - 1;
    // Re-inserted in slot order, which keeps the relative order of equal hashes whose runs do
    // not wrap around the end; runs that wrap are replayed from their start.
    size_t Start = 0;
    if (!Old.empty())
      while (Start < Old.size() && Old[Start].Item) ++Start;
    for (size_t K = 0; K < Old.size(); ++K) {
      const TSlot& S = Old[(Start + K) & (Old.size() - 1)];
      if (!S.Item) continue;
      size_t I = Home(S.Hash);
      while (FSlots[I].Item) I = (I + 1) & FMask;
      FSlots[I] = S;
    }
  }

  std::vector<TSlot> FSlots;
  size_t FMask = 0;
  size_t FCount = 0;
};

}  // namespace norvale
