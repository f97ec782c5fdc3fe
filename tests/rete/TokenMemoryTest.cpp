#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/ValueVector.h"
#include "engine/rete/TokenMemory.h"

namespace norvale {
namespace {

// Facts of template "a" (slots x and l) and "b" (slot y only); tokens are chains of such facts.
class TokenMemoryTest : public ::testing::Test {
 protected:
  IFact MakeFact(int32_t Id, const IIEValue& X = nullptr, int32_t Segment = 0) {
    IFact F = A->NewFact();
    F->SetID(Id);
    F->SetSegment(Segment);
    F->SetValue("x", X ? X : NewInteger(Id));
    return F;
  }
  IFact MakeOther(int32_t Id) {
    IFact F = B->NewFact();
    F->SetID(Id);
    return F;
  }
  static IReteToken Extend(const IReteToken& Parent, const IFact& Fact) {
    return Parent ? NewRef<TIEToken>(Parent, Fact) : NewRef<TIEToken>(taAdd, Fact);
  }
  // A chain of facts of "a" by ID; ID 0 stands for a position without a fact.
  IReteToken Chain(std::initializer_list<int32_t> Ids) {
    IReteToken T;
    for (int32_t Id : Ids) T = Extend(T, Id ? MakeFact(Id) : IFact());
    return T;
  }
  // The fact IDs of the visited tokens, one string per token.
  static std::vector<std::string> All(TTokenMemory& M) {
    std::vector<std::string> R;
    M.ForEach([&](TIEToken& T) { R.push_back(T.GetToFactsString()); });
    return R;
  }
  static std::vector<std::string> WithKey(TTokenMemory& M, const TIEValue* Key) {
    std::vector<std::string> R;
    M.ForEachWithKey(Key, [&](TIEToken& T) { R.push_back(T.GetToFactsString()); });
    return R;
  }
  using Strings = std::vector<std::string>;

  IFactTemplate A = [] {
    IFactTemplate T = NewRef<TFactTemplate>(nullptr, "a");
    T->AddSlot("x", NewInteger(0));
    T->AddMultiSlot("l", NewList());
    return T;
  }();
  IFactTemplate B = [] {
    IFactTemplate T = NewRef<TFactTemplate>(nullptr, "b");
    T->AddSlot("y", NewInteger(0));
    return T;
  }();
};

TEST_F(TokenMemoryTest, IterationKeepsInsertionOrderAcrossRemovals) {
  TTokenMemory M;
  for (int32_t Id : {5, 3, 9, 1, 7}) ASSERT_TRUE(M.Add(Chain({Id})));
  EXPECT_EQ(M.Remove(*Chain({9}))->GetToFactsString(), "f-9");
  EXPECT_EQ(M.Remove(*Chain({5}))->GetToFactsString(), "f-5");
  EXPECT_TRUE(M.Add(Chain({5})));  // back at the end, not at its old place
  EXPECT_TRUE(M.Add(Chain({2})));
  EXPECT_EQ(All(M), (Strings{"f-3", "f-1", "f-7", "f-5", "f-2"}));
  EXPECT_EQ(M.Count(), 5);
  EXPECT_EQ(M.GetToFactsString(), "f-3\r\nf-1\r\nf-7\r\nf-5\r\nf-2\r\n");
}

TEST_F(TokenMemoryTest, IdentityIsTheChainOfFactIdsAndSegments) {
  IFact F1 = MakeFact(1), F2 = MakeFact(2);
  IFact F2Copy = MakeFact(2, NewInteger(99));  // another object with the same ID
  IFact F2Seg = MakeFact(2, nullptr, 1);       // another restructured copy of fact 2
  struct TCase {
    const char* Name;
    IReteToken Stored, Probe;
    bool Same;
  };
  const TCase Cases[] = {
      {"same objects", Extend(Extend(nullptr, F1), F2), Extend(Extend(nullptr, F1), F2), true},
      {"same IDs, other objects", Extend(Extend(nullptr, F1), F2),
       Extend(Extend(nullptr, F1), F2Copy), true},
      {"other segment", Extend(Extend(nullptr, F1), F2), Extend(Extend(nullptr, F1), F2Seg), false},
      {"other order", Extend(Extend(nullptr, F1), F2), Extend(Extend(nullptr, F2), F1), false},
      {"prefix only", Extend(Extend(nullptr, F1), F2), Extend(nullptr, F1), false},
      {"missing fact in both", Extend(Extend(nullptr, F1), nullptr),
       Extend(Extend(nullptr, F1), nullptr), true},
      {"missing fact against a fact", Extend(Extend(nullptr, F1), nullptr),
       Extend(Extend(nullptr, F1), F2), false},
      {"missing fact against ID 0", Extend(nullptr, nullptr), Extend(nullptr, MakeFact(0)), false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TTokenMemory M;
    ASSERT_TRUE(M.Add(C.Stored));
    EXPECT_EQ(M.Find(*C.Probe) == C.Stored.Get(), C.Same);
    EXPECT_EQ(M.Add(C.Probe), !C.Same);
    EXPECT_EQ(M.Count(), C.Same ? 1 : 2);
  }
}

TEST_F(TokenMemoryTest, TagsStrengthsAndNegatedCountsDoNotMatter) {
  TTokenMemory M;
  IReteToken Stored = Chain({1, 2});
  Stored->SetNegatedCount(3);
  ASSERT_TRUE(M.Add(Stored));

  IReteToken Twin = Chain({1, 2});
  Twin->SetTag(taRemove);
  Twin->SetStrength(0.25f);
  EXPECT_FALSE(M.Add(Twin));
  EXPECT_EQ(M.Count(), 1);
  EXPECT_EQ(M.Find(*Twin), Stored.Get());

  // Removal hands back the stored token itself, with its state.
  IReteToken Removed = M.Remove(*Twin);
  EXPECT_EQ(Removed, Stored);
  EXPECT_EQ(Removed->NegatedCount(), 3);
  EXPECT_TRUE(M.Empty());
  EXPECT_EQ(M.Remove(*Twin), nullptr);
  EXPECT_EQ(M.Find(*Twin), nullptr);
  EXPECT_FALSE(M.Add(nullptr));
}

TEST_F(TokenMemoryTest, KeyIndexVisitsExactlyTheEqualKeysInInsertionOrder) {
  TTokenMemory M(tkkSlot, {0, "x", NoSubIndex});
  IReteToken Unreadable = Extend(nullptr, MakeOther(6));
  IReteToken Tokens[] = {
      Extend(nullptr, MakeFact(1, NewInteger(1))),  Extend(nullptr, MakeFact(2, NewFloat(1.0))),
      Extend(nullptr, MakeFact(3, NewAtom("red"))), Extend(nullptr, MakeFact(4, NewString("red"))),
      Extend(nullptr, MakeFact(5, NewInteger(1))),  Unreadable,
  };
  for (const IReteToken& T : Tokens) ASSERT_TRUE(M.Add(T));
  EXPECT_EQ(M.KeyOf(*Unreadable), nullptr);
  EXPECT_EQ(M.KeyOf(*Tokens[2])->AsString(), "red");

  struct TCase {
    IIEValue Key;
    Strings Expected;
  };
  const TCase Cases[] = {
      {NewInteger(1), {"f-1", "f-5"}},  // a float 1.0 hashes alike but is another key
      {NewFloat(1.0), {"f-2"}},
      {NewAtom("red"), {"f-3"}},
      {NewString("red"), {"f-4"}},
      {NewInteger(2), {}},
      {nullptr, {}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Key ? C.Key->GetToString() : "nil");
    EXPECT_EQ(WithKey(M, C.Key.Get()), C.Expected);
  }
  // A token without a readable key is still stored, removable and visited by ForEach.
  EXPECT_EQ(All(M).size(), 6u);
  EXPECT_EQ(M.Remove(*Unreadable), Unreadable);
  EXPECT_EQ(M.Remove(*Tokens[0]), Tokens[0]);
  EXPECT_EQ(WithKey(M, NewInteger(1).Get()), (Strings{"f-5"}));
}

TEST_F(TokenMemoryTest, KeyCanComeFromAnEarlierFactOrAListField) {
  auto WithList = [&](int32_t Id, std::initializer_list<IIEValue> Items) {
    IFact F = MakeFact(Id);
    F->SetValue("l", NewList(NewRef<TValueVector>(Items)));
    return F;
  };
  // The key is field 1 of slot l of the token's first fact.
  TTokenMemory M(tkkSlot, {0, "l", 1});
  IReteToken T1 = Extend(Extend(nullptr, WithList(1, {NewAtom("p"), NewAtom("q")})), MakeFact(10));
  IReteToken T2 = Extend(Extend(nullptr, WithList(2, {NewAtom("q"), NewAtom("p")})), MakeFact(11));
  IReteToken Short = Extend(Extend(nullptr, WithList(3, {NewAtom("q")})), MakeFact(12));
  for (const IReteToken& T : {T1, T2, Short}) ASSERT_TRUE(M.Add(T));
  EXPECT_EQ(WithKey(M, NewAtom("q").Get()), (Strings{"f-1, f-10"}));
  EXPECT_EQ(WithKey(M, NewAtom("p").Get()), (Strings{"f-2, f-11"}));
  EXPECT_EQ(M.KeyOf(*Short), nullptr);
  EXPECT_EQ(M.Count(), 3);
}

TEST_F(TokenMemoryTest, PrefixModeGroupsByTheFirstFacts) {
  TTokenMemory M(tkkPrefix);
  for (const IReteToken& T :
       {Chain({1, 2, 7}), Chain({1, 3, 7}), Chain({1, 2, 8}), Chain({1, 2, 0})})
    ASSERT_TRUE(M.Add(T));
  auto WithPrefix = [&](const IReteToken& Prefix) {
    Strings R;
    M.ForEachWithPrefix(*Prefix, [&](TIEToken& T) { R.push_back(T.GetToFactsString()); });
    return R;
  };
  EXPECT_EQ(WithPrefix(Chain({1, 2})), (Strings{"f-1, f-2, f-7", "f-1, f-2, f-8", "f-1, f-2, *"}));
  EXPECT_EQ(WithPrefix(Chain({1, 3})), (Strings{"f-1, f-3, f-7"}));
  EXPECT_EQ(WithPrefix(Chain({2, 1})), Strings{});
  EXPECT_EQ(WithPrefix(Chain({1})), Strings{});

  M.Remove(*Chain({1, 2, 7}));
  EXPECT_EQ(WithPrefix(Chain({1, 2})), (Strings{"f-1, f-2, f-8", "f-1, f-2, *"}));

  // One-fact tokens share the empty prefix, which the clear token stands for.
  TTokenMemory Single(tkkPrefix);
  Single.Add(Chain({4}));
  Single.Add(Chain({5}));
  Strings R;
  Single.ForEachWithPrefix(TIEToken(), [&](TIEToken& T) { R.push_back(T.GetToFactsString()); });
  EXPECT_EQ(R, (Strings{"f-4", "f-5"}));
}

TEST_F(TokenMemoryTest, CallbacksMayChangeTheMemoryTheyIterate) {
  auto Filled = [&](TTokenMemory& M) {
    for (int32_t Id : {1, 2, 3, 4, 5}) M.Add(Extend(nullptr, MakeFact(Id, NewInteger(Id % 2))));
  };
  struct TCase {
    const char* Name;
    int At;             // the fact ID whose visit changes the memory
    Strings RemoveIds;  // removed then ("clear" clears, "add" adds f-9)
    Strings Visited, Left;
  };
  const TCase Cases[] = {
      {"the current token",
       2,
       {"2"},
       {"f-1", "f-2", "f-3", "f-4", "f-5"},
       {"f-1", "f-3", "f-4", "f-5"}},
      {"a later token", 2, {"4"}, {"f-1", "f-2", "f-3", "f-5"}, {"f-1", "f-2", "f-3", "f-5"}},
      {"current and next", 3, {"3", "4"}, {"f-1", "f-2", "f-3", "f-5"}, {"f-1", "f-2", "f-5"}},
      {"an earlier token",
       3,
       {"1"},
       {"f-1", "f-2", "f-3", "f-4", "f-5"},
       {"f-2", "f-3", "f-4", "f-5"}},
      {"everything", 2, {"clear"}, {"f-1", "f-2"}, {}},
      {"an addition",
       1,
       {"add"},
       {"f-1", "f-2", "f-3", "f-4", "f-5"},
       {"f-1", "f-2", "f-3", "f-4", "f-5", "f-9"}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TTokenMemory M(tkkSlot, {0, "x", NoSubIndex});
    Filled(M);
    Strings Visited;
    M.ForEach([&](TIEToken& T) {
      Visited.push_back(T.GetToFactsString());
      if (T.Fact()->ID() != C.At) return;
      for (const std::string& R : C.RemoveIds) {
        if (R == "clear")
          M.Clear();
        else if (R == "add")
          M.Add(Extend(nullptr, MakeFact(9)));
        else
          M.Remove(*Chain({std::stoi(R)}));
      }
      T.SetNegatedCount(1);  // the visited token is still there to be updated
    });
    EXPECT_EQ(Visited, C.Visited);
    EXPECT_EQ(All(M), C.Left);
    EXPECT_EQ(static_cast<size_t>(M.Count()), C.Left.size());
  }

  // Within one key, nested in a whole-memory walk, with removals on both levels.
  TTokenMemory M(tkkSlot, {0, "x", NoSubIndex});
  Filled(M);
  Strings Visited;
  M.ForEach([&](TIEToken& Outer) {
    M.ForEachWithKey(M.KeyOf(Outer), [&](TIEToken& Inner) {
      Visited.push_back(Outer.GetToFactsString() + "/" + Inner.GetToFactsString());
      if (&Inner != &Outer) M.Remove(Inner);
    });
    M.Remove(Outer);
  });
  EXPECT_EQ(Visited, (Strings{"f-1/f-1", "f-1/f-3", "f-1/f-5", "f-2/f-2", "f-2/f-4"}));
  EXPECT_TRUE(M.Empty());
  EXPECT_EQ(WithKey(M, NewInteger(1).Get()), Strings{});

  // A callback returning false stops the walk.
  Filled(M);
  int Seen = 0;
  M.ForEach([&](TIEToken&) { return ++Seen < 2; });
  EXPECT_EQ(Seen, 2);
}

TEST_F(TokenMemoryTest, ClearEmptiesUntilTheNextAdd) {
  TTokenMemory M(tkkSlot, {0, "x", NoSubIndex});
  EXPECT_FALSE(M.Cleared());
  M.Add(Chain({1}));
  M.Add(Chain({2}));
  M.Clear();
  EXPECT_TRUE(M.Cleared());
  EXPECT_TRUE(M.Empty());
  EXPECT_EQ(All(M), Strings{});
  EXPECT_EQ(WithKey(M, NewInteger(1).Get()), Strings{});
  EXPECT_EQ(M.Find(*Chain({1})), nullptr);

  EXPECT_FALSE(M.Add(nullptr));
  EXPECT_TRUE(M.Cleared());  // only a successful Add ends the cleared state
  EXPECT_TRUE(M.Add(Chain({1})));
  EXPECT_FALSE(M.Cleared());
  M.Remove(*Chain({1}));
  EXPECT_FALSE(M.Cleared());  // empty again, but not cleared
  EXPECT_EQ(WithKey(M, NewInteger(1).Get()), Strings{});
}

TEST_F(TokenMemoryTest, ManyTokensWithDistinctKeysAddAndRemoveInLinearTime) {
  constexpr int32_t N = 100000;
  TTokenMemory Right(tkkSlot, {0, "x", NoSubIndex});
  TTokenMemory Left(tkkPrefix);
  std::vector<IReteToken> Facts, Pairs;
  Facts.reserve(N);
  Pairs.reserve(N);
  for (int32_t I = 1; I <= N; ++I) {
    Facts.push_back(Extend(nullptr, MakeFact(I)));
    Pairs.push_back(Extend(Facts.back(), MakeFact(N + I)));
    ASSERT_TRUE(Right.Add(Facts.back()));
    ASSERT_TRUE(Left.Add(Pairs.back()));
  }
  EXPECT_EQ(Right.Count(), N);
  EXPECT_EQ(WithKey(Right, NewInteger(N / 2).Get()), (Strings{"f-" + std::to_string(N / 2)}));
  int Seen = 0;
  Left.ForEachWithPrefix(*Facts[7], [&](TIEToken&) { ++Seen; });
  EXPECT_EQ(Seen, 1);
  // Removed oldest first and newest first: neither end may cost a scan.
  for (int32_t I = 0; I < N; I += 2) ASSERT_EQ(Right.Remove(*Facts[I]), Facts[I]);
  for (int32_t I = N - 1; I > 0; I -= 2) ASSERT_EQ(Right.Remove(*Facts[I]), Facts[I]);
  for (int32_t I = 0; I < N; ++I) ASSERT_EQ(Left.Remove(*Pairs[I]), Pairs[I]);
  EXPECT_TRUE(Right.Empty());
  EXPECT_TRUE(Left.Empty());
}

}  // namespace
}  // namespace norvale
