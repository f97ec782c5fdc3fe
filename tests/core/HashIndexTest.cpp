#include "engine/core/HashIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace norvale {
namespace {

struct TItem {
  int Id;
};

// Random inserts and erases under a handful of hashes, so runs collide, wrap around the end of
// the table and get shifted back on every erase, checked against a plain model after each step:
// every item stays findable, items with one hash keep their insertion order, and erase reports
// exactly what was there.
TEST(HashIndexTest, AgreesWithAModelUnderHeavyCollisions) {
  // Hashes whose low bits pile up near the end of any table, so runs wrap to slot 0.
  const std::vector<uint64_t> Hashes = {15, 31, 14, 47, 0, 1, 63, 1ull << 40 | 15, 7};
  std::vector<TItem> Items(400);
  for (int I = 0; I < static_cast<int>(Items.size()); ++I) Items[I].Id = I;

  THashIndex<TItem> Index;
  std::map<uint64_t, std::vector<TItem*>> Model;  // per hash, in insertion order
  std::map<TItem*, uint64_t> Where;
  std::mt19937 Random(7);
  for (int Step = 0; Step < 4000; ++Step) {
    TItem* Item = &Items[Random() % Items.size()];
    auto At = Where.find(Item);
    if (At == Where.end()) {
      const uint64_t H = Hashes[Random() % Hashes.size()];
      Index.Insert(H, Item);
      Model[H].push_back(Item);
      Where[Item] = H;
    } else {
      // Now and then the wrong hash first: nothing may be taken out.
      const uint64_t Wrong = At->second + 1;
      ASSERT_FALSE(Index.Erase(Wrong, Item));
      ASSERT_TRUE(Index.Erase(At->second, Item));
      auto& List = Model[At->second];
      List.erase(std::find(List.begin(), List.end(), Item));
      Where.erase(At);
    }
    ASSERT_EQ(Index.Count(), Where.size());
    for (const auto& [H, List] : Model) {
      std::vector<TItem*> Seen;
      Index.ForEach(H, [&](TItem* X) { Seen.push_back(X); });
      ASSERT_EQ(Seen, List) << "hash " << H << " at step " << Step;
      TItem* First = Index.Find(H, [](const TItem*) { return true; });
      ASSERT_EQ(First, List.empty() ? nullptr : List.front());
    }
  }
}

TEST(HashIndexTest, FindSkipsItemsTheMatchRefusesAndClearEmpties) {
  TItem A{1}, B{2}, C{3};
  THashIndex<TItem> Index;
  EXPECT_EQ(Index.Find(5, [](const TItem*) { return true; }), nullptr);  // never grown
  EXPECT_FALSE(Index.Erase(5, &A));
  Index.Insert(5, &A);
  Index.Insert(5, &B);
  Index.Insert(6, &C);
  EXPECT_EQ(Index.Find(5, [](const TItem* X) { return X->Id == 2; }), &B);
  EXPECT_EQ(Index.Find(5, [](const TItem* X) { return X->Id == 3; }), nullptr);
  // The same item under two hashes is two entries.
  Index.Insert(7, &A);
  EXPECT_TRUE(Index.Erase(5, &A));
  EXPECT_EQ(Index.Find(7, [](const TItem*) { return true; }), &A);
  Index.Clear();
  EXPECT_TRUE(Index.Empty());
  EXPECT_EQ(Index.Find(6, [](const TItem*) { return true; }), nullptr);
  Index.Insert(6, &C);
  EXPECT_EQ(Index.Count(), 1u);
}

}  // namespace
}  // namespace norvale
