#include <gtest/gtest.h>

#include "TestSupport.h"

#include <functional>
#include <thread>
#include <vector>

#include "engine/rete/Token.h"

namespace norvale {
namespace {

using test::MessageOf;

// Facts of one template "a" with a slot x; each fact's ID is given and x holds the ID too.
class TokenTest : public ::testing::Test {
 protected:
  IFact MakeFact(int32_t Id) {
    IFact F = Template->NewFact();
    F->SetID(Id);
    F->SetValue("x", NewInteger(Id));
    return F;
  }
  // A chain of fact tokens extended by one fact per ID, tagged taAdd.
  IReteToken Chain(std::initializer_list<int32_t> Ids) {
    IReteToken T;
    for (int32_t Id : Ids)
      T = T ? NewRef<TIEToken>(T, MakeFact(Id)) : NewRef<TIEToken>(taAdd, MakeFact(Id));
    return T;
  }

  IFactTemplate Template = [] {
    IFactTemplate T = NewRef<TFactTemplate>(nullptr, "a");
    T->AddSlot("x", NewInteger(0));
    return T;
  }();
};

TEST_F(TokenTest, PositionsCountFromTheRootAndClampToTheNewestFact) {
  IReteToken T = Chain({1, 4, 9});
  ASSERT_EQ(T->Count(), 3);
  EXPECT_EQ(T->Facts(0)->ID(), 1);
  EXPECT_EQ(T->Facts(1)->ID(), 4);
  EXPECT_EQ(T->Facts(2)->ID(), 9);
  EXPECT_EQ(T->GetFacts(5)->ID(), 9);
  EXPECT_EQ(T->Facts(-1), nullptr);  // before the root: no fact rather than a stray read
  EXPECT_EQ(T->GetToFactsString(), "f-1, f-4, f-9");
  EXPECT_EQ(T->SortCode(), (1 * 8 + 4) * 8 + 9);
}

TEST_F(TokenTest, NewTokensStartFromTheirSource) {
  IReteToken Clear = NewRef<TIEToken>();
  EXPECT_EQ(Clear->Count(), 0);
  EXPECT_EQ(Clear->Tag(), taClear);
  EXPECT_EQ(Clear->Strength(), 1.0f);
  EXPECT_EQ(Clear->Fact(), nullptr);

  IFact F = MakeFact(7);
  IReteToken Fact = NewRef<TIEToken>(taRemove, F);
  EXPECT_EQ(Fact->Count(), 1);
  EXPECT_EQ(Fact->SortCode(), 7);
  EXPECT_EQ(Fact->Tag(), taRemove);
  EXPECT_EQ(Fact->Parent(), nullptr);

  // An extension inherits tag and strength but starts with no blocking facts.
  Fact->SetStrength(0.25f);
  Fact->SetNegatedCount(2);
  IReteToken Ext = NewRef<TIEToken>(Fact, MakeFact(3));
  EXPECT_EQ(Ext->Tag(), taRemove);
  EXPECT_EQ(Ext->Strength(), 0.25f);
  EXPECT_EQ(Ext->NegatedCount(), 0);
  EXPECT_EQ(Ext->Parent(), Fact);

  // A copy drops the negated count; Assign keeps it.
  Ext->SetNegatedCount(4);
  IReteToken Copy = NewRef<TIEToken>(*Ext);
  EXPECT_EQ(Copy->NegatedCount(), 0);
  EXPECT_EQ(Copy->Count(), 2);
  EXPECT_EQ(Copy->SortCode(), Ext->SortCode());
  EXPECT_EQ(Copy->Parent(), Fact);
  EXPECT_EQ(Copy->Fact(), Ext->Fact());
  EXPECT_EQ(NewRef<TIEToken>(Ext)->NegatedCount(), 0);
  IReteToken Assigned = NewRef<TIEToken>();
  Assigned->Assign(Ext.Get());
  EXPECT_EQ(Assigned->NegatedCount(), 4);
  EXPECT_TRUE(Assigned->Equals(Ext.Get()));
}

TEST_F(TokenTest, ExtensionByNilCountsAPositionAndShiftsTheCode) {
  IReteToken T = NewRef<TIEToken>(Chain({5}), IFact());
  EXPECT_EQ(T->Count(), 2);
  EXPECT_EQ(T->SortCode(), 40);
  EXPECT_EQ(T->Facts(0)->ID(), 5);
  EXPECT_EQ(T->Facts(1), nullptr);
  IReteToken Next = NewRef<TIEToken>(T, MakeFact(2));
  EXPECT_EQ(Next->SortCode(), 40 * 8 + 2);
  EXPECT_EQ(Next->Facts(2)->ID(), 2);
  EXPECT_EQ(Next->GetToFactsString(), "f-5, *, f-2");
}

TEST_F(TokenTest, SortCodeWrapsInThirtyTwoBits) {
  struct Case {
    std::initializer_list<int32_t> Ids;
    int32_t Expected;
  };
  const Case Cases[] = {
      {{0x7fffffff, 1}, static_cast<int32_t>(0xFFFFFFF9u)},  // 0x7fffffff * 8 + 1, wrapped
      {{-1, 0}, -8},
      {{-1, -1}, -9},
      {{0x10000000, 0, 0}, 0},  // shifted out entirely
      {{3, 0x7fffffff}, static_cast<int32_t>(24u + 0x7fffffffu)},
  };
  for (const Case& C : Cases) EXPECT_EQ(Chain(C.Ids)->SortCode(), C.Expected);
}

TEST_F(TokenTest, CountersClampAtZero) {
  IReteToken T = Chain({1});
  struct Case {
    int Negated;
    int ExpectedNegated;
    float Strength;
    float ExpectedStrength;
  };
  const Case Cases[] = {
      {-1, 0, -0.5f, 0.0f}, {3, 3, 1.5f, 1.5f}, {0, 0, 0.75f, 0.75f}, {-100, 0, -1e30f, 0.0f}};
  for (const Case& C : Cases) {
    T->SetNegatedCount(C.Negated);
    T->SetStrength(C.Strength);
    EXPECT_EQ(T->NegatedCount(), C.ExpectedNegated);
    EXPECT_EQ(T->Strength(), C.ExpectedStrength);
  }
}

TEST_F(TokenTest, OnlyTheClearTagFitsATokenWithoutFact) {
  IReteToken Clear = NewRef<TIEToken>();
  for (TTokenAction A : {taAdd, taRemove, taUpdate}) {
    EXPECT_EQ(MessageOf([&] { Clear->SetTag(A); }), "Invalid Token Action");
    EXPECT_EQ(Clear->Tag(), taClear);
  }
  Clear->SetTag(taClear);  // unchanged: no error

  IReteToken T = Chain({1});
  T->SetTag(taUpdate);
  EXPECT_EQ(T->Tag(), taUpdate);
  T->SetTag(taClear);
  EXPECT_EQ(T->Tag(), taClear);
}

TEST_F(TokenTest, EqualityComparesFactIdsByPositionAndStrength) {
  IReteToken A = Chain({1, 4, 9});
  IReteToken B = Chain({1, 4, 9});  // other fact objects with the same IDs, other parents
  B->SetTag(taRemove);
  B->SetNegatedCount(3);
  EXPECT_TRUE(A->Equals(B.Get()));
  EXPECT_TRUE(B->Equals(A.Get()));
  EXPECT_TRUE(A->Equals(A.Get()));
  EXPECT_FALSE(A->Equals(nullptr));

  B->SetStrength(0.5f);
  EXPECT_FALSE(A->Equals(B.Get()));

  // Equal sort codes, different facts: 2 * 8 + 1 == 1 * 8 + 9.
  IReteToken P = Chain({1, 9});
  IReteToken Q = Chain({2, 1});
  ASSERT_EQ(P->SortCode(), Q->SortCode());
  EXPECT_FALSE(P->Equals(Q.Get()));
  // The same newest fact on such parents: only the parents tell them apart.
  IFact Shared = MakeFact(3);
  IReteToken PX = NewRef<TIEToken>(P, Shared);
  IReteToken QX = NewRef<TIEToken>(Q, Shared);
  ASSERT_EQ(PX->SortCode(), QX->SortCode());
  EXPECT_FALSE(PX->Equals(QX.Get()));
  // A differing strength further up the chain counts too.
  IReteToken R = Chain({1, 9});
  R->Parent()->SetStrength(0.5f);
  IReteToken RX = NewRef<TIEToken>(R, Shared);
  RX->SetStrength(PX->Strength());
  EXPECT_FALSE(PX->Equals(RX.Get()));
  // A root against a longer chain with the same code and newest fact ID (0 * 8 + 11): the root
  // decides at its own end, the longer chain finds no parent on the other side.
  IReteToken Root = Chain({11});
  IReteToken Longer = Chain({0, 11});
  ASSERT_EQ(Root->SortCode(), Longer->SortCode());
  EXPECT_FALSE(Longer->Equals(Root.Get()));
  EXPECT_TRUE(Root->Equals(Longer.Get()));
}

TEST_F(TokenTest, PrintedForms) {
  EXPECT_EQ(NewRef<TIEToken>()->GetToString(), "taClear cnt=0 negcnt=0");
  EXPECT_EQ(NewRef<TIEToken>()->GetToFactsString(), "");
  EXPECT_EQ(Chain({12})->GetToFactsString(), "f-12");

  IReteToken T = Chain({1, 2});
  T->SetNegatedCount(1);
  EXPECT_EQ(T->GetToString(), "taAdd cnt=2 negcnt=1\r\n" + T->Facts(1)->GetToString() + "\r\n" +
                                  T->Facts(0)->GetToString());
  EXPECT_EQ(T->Facts(1)->GetToString(), "(a (x 2))");
  // Positions without a fact print nothing in the long form.
  EXPECT_EQ(NewRef<TIEToken>(T, IFact())->GetToString(),
            "taAdd cnt=3 negcnt=0\r\n(a (x 2))\r\n(a (x 1))");
}

TEST_F(TokenTest, PublishedProperties) {
  IReteToken T = Chain({1});
  SetPropValue(T.Get(), "Tag", TPropValue(int64_t{taRemove}));
  SetPropValue(T.Get(), "NegatedCount", TPropValue(int64_t{-3}));
  SetPropValue(T.Get(), "Strength", TPropValue(0.5));
  EXPECT_EQ(T->Tag(), taRemove);
  EXPECT_EQ(T->NegatedCount(), 0);
  EXPECT_EQ(std::get<double>(GetPropValue(T.Get(), "Strength")), 0.5);
}

// Tokens made on one thread and dropped on another, with both threads finishing: recycled
// blocks must come back intact and none may be used after its thread is gone.
TEST_F(TokenTest, TokensMoveBetweenThreads) {
  std::vector<IReteToken> Made(2000);
  std::thread Maker([&] {
    for (size_t I = 0; I < Made.size(); ++I)
      Made[I] =
          NewRef<TIEToken>(NewRef<TIEToken>(taAdd, MakeFact(static_cast<int32_t>(I))), MakeFact(1));
  });
  Maker.join();
  std::vector<IReteToken> Again;
  std::thread Dropper([&] {
    for (IReteToken& T : Made) T = nullptr;
    for (int I = 0; I < 1000; ++I) Again.push_back(Chain({I, I + 1}));
  });
  Dropper.join();
  for (int I = 0; I < 1000; ++I) {
    ASSERT_EQ(Again[I]->Count(), 2);
    ASSERT_EQ(Again[I]->SortCode(), I * 8 + I + 1);
  }
  Again.clear();
  for (int I = 0; I < 100; ++I) EXPECT_EQ(Chain({I})->Facts(0)->ID(), I);
}

}  // namespace
}  // namespace norvale
