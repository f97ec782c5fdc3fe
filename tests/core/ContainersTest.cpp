#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/core/IEValue.h"
#include "engine/core/ValueVector.h"

namespace norvale {
namespace {

IValueVector VectorOf(std::initializer_list<IIEValue> Items) { return NewRef<TValueVector>(Items); }

// Prints the way the engine prints the singletons vectors its parser builds.
class TPrettyParser : public ISingletonsParser {
 public:
  ISingletonsVector ParseSingletons(const std::string&) override { return nullptr; }
  std::string PrettyPrint(const TSingletonsVector* Singletons) override {
    return SingletonsPrettyPrint(*Singletons);
  }
};

ISingletonsVector PointsOf(ISingletonsParser* Parser,
                           std::initializer_list<std::pair<int, int>> Points) {
  ISingletonsVector S = NewRef<TSingletonsVector>(Parser);
  for (auto [X, Y] : Points) S->Add(NewInteger(X), NewInteger(Y));
  return S;
}

// --- value vector ---------------------------------------------------------------------------

TEST(ValueVector, EqualityFollowsOrderAndTypeWhileTheHashIgnoresBoth) {
  struct Case {
    const char* Name;
    IValueVector A, B;
    bool Equal;
    bool SameHash;
  };
  const Case Cases[] = {
      {"same order", VectorOf({NewAtom("a"), NewAtom("b")}), VectorOf({NewAtom("a"), NewAtom("b")}),
       true, true},
      {"other order", VectorOf({NewAtom("a"), NewAtom("b")}),
       VectorOf({NewAtom("b"), NewAtom("a")}), false, true},
      {"integer 1 and float 1.0", VectorOf({NewInteger(1)}), VectorOf({NewFloat(1.0)}), false,
       true},
      {"atom and string of one text", VectorOf({NewAtom("a")}), VectorOf({NewString("a")}), false,
       true},
      {"prefix", VectorOf({NewAtom("a")}), VectorOf({NewAtom("a"), NewAtom("b")}), false, false},
      {"both empty", VectorOf({}), VectorOf({}), true, true},
      {"empty positions", VectorOf({nullptr, NewInteger(2)}), VectorOf({nullptr, NewInteger(2)}),
       true, true},
      {"empty against a value", VectorOf({nullptr}), VectorOf({NewInteger(0)}), false, true},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(C.A->Equals(C.B.Get()), C.Equal);
    EXPECT_EQ(C.B->Equals(C.A.Get()), C.Equal);
    EXPECT_EQ(C.A->GetHashCode() == C.B->GetHashCode(), C.SameHash);
  }
  EXPECT_EQ(VectorOf({NewInteger(1)})->GetHashCode(), 1);
  EXPECT_EQ(VectorOf({NewFloat(1.0)})->GetHashCode(), 1);
  // Through the common base: anything that is not a value vector is unequal.
  IIEValue Atom = NewAtom("a");
  EXPECT_FALSE(VectorOf({NewAtom("a")})->Equals(static_cast<const TCloneable*>(Atom.Get())));
}

TEST(ValueVector, HashIsTheWrappingSumOfTheElements) {
  IValueVector V = VectorOf({NewInteger(2147483647), NewInteger(2)});
  EXPECT_EQ(V->GetHashCode(), -2147483647);
  EXPECT_EQ(VectorOf({NewInteger(5), NewInteger(-7)})->GetHashCode(), -2);
}

TEST(ValueVector, PrintsEachElementFollowedByABlank) {
  EXPECT_EQ(VectorOf({})->GetToString(), "");
  EXPECT_EQ(VectorOf({})->GetHashCode(), 0);
  EXPECT_EQ(VectorOf({NewAtom("a"), NewString("b c"), NewInteger(3)})->GetToString(),
            "a \"b c\" 3 ");
}

TEST(ValueVector, IndexOfAndRemoveMatchTypeAndValue) {
  IValueVector V = VectorOf({NewInteger(1), NewFloat(1.0), NewAtom("x"), NewFloat(1.0)});
  EXPECT_EQ(V->IndexOf(NewFloat(1.0)), 1);
  EXPECT_EQ(V->IndexOf(NewInteger(1)), 0);
  EXPECT_EQ(V->IndexOf(NewString("x")), -1);
  EXPECT_EQ(V->Remove(NewFloat(1.0)), 1);
  EXPECT_EQ(V->GetToString(), "1 x 1.0000 ");
  EXPECT_EQ(V->Remove(NewAtom("y")), -1);
  EXPECT_EQ(V->Count(), 3);
}

TEST(ValueVector, CloneCopiesTheValuesWhileAppendSharesThem) {
  IValueVector First = VectorOf({NewInteger(1), NewAtom("a")});
  First->SetTag(9);
  IValueVector Copy = First->Clone();
  EXPECT_TRUE(Copy->Equals(First.Get()));
  EXPECT_EQ(Copy->Tag(), 9);
  EXPECT_NE(Copy->Get(0).Get(), First->Get(0).Get());

  Copy->Get(0)->SetAsInteger(100);  // changing an element of the copy in place
  Copy->Put(1, NewAtom("b"));       // and replacing one
  EXPECT_EQ(First->GetToString(), "1 a ");
  EXPECT_EQ(Copy->GetToString(), "100 b ");

  IValueVector Target = VectorOf({NewAtom("t")});
  Target->Append(*First);
  ASSERT_EQ(Target->Count(), 3);
  EXPECT_EQ(Target->Get(1).Get(), First->Get(0).Get());
  EXPECT_EQ(Target->Get(2).Get(), First->Get(1).Get());
  First->Get(0)->SetAsInteger(5);
  EXPECT_EQ(Target->GetToString(), "t 5 a ");

  Target->Append(*Target);  // appending a vector to itself doubles it once
  EXPECT_EQ(Target->GetToString(), "t 5 a t 5 a ");
}

TEST(ValueVector, PersistentAssignAlwaysFailsWhileTheInterfaceFormCopies) {
  IValueVector Target = VectorOf({NewAtom("old")});
  IValueVector Source = VectorOf({NewInteger(1), NewString("s")});
  Source->SetTag(4);
  ISingletonsVector Singletons = NewRef<TSingletonsVector>();

  struct Case {
    TPersistent* Source;
    const char* Message;
  };
  const Case Cases[] = {
      {Source.Get(), "Cannot assign a TValueVector to a TValueVector"},
      {Singletons.Get(), "Cannot assign a TValueVector to a TSingletonsVector"},
  };
  for (const Case& C : Cases) {
    try {
      Target->Assign(C.Source);
      ADD_FAILURE() << "no exception for " << C.Message;
    } catch (const EIEException& E) {
      EXPECT_EQ(E.Message(), C.Message);
    }
  }
  EXPECT_EQ(Target->GetToString(), "old ");

  Target->AssignFrom(Source.Get());
  EXPECT_TRUE(Target->Equals(Source.Get()));
  EXPECT_EQ(Target->Tag(), 4);
  EXPECT_NE(Target->Get(0).Get(), Source->Get(0).Get());
  EXPECT_THROW(Target->AssignFrom(Singletons.Get()), EInvalidCast);
}

// --- singletons vector ----------------------------------------------------------------------

TEST(SingletonsVector, PrintedFormDependsOnTheParser) {
  TPrettyParser Parser;
  EXPECT_EQ(PointsOf(&Parser, {{1, 0}, {3, 1}})->GetToString(), "((1 0) (3 1) )");
  EXPECT_EQ(PointsOf(nullptr, {{1, 0}, {3, 1}})->GetToString(), "(1 0) (3 1) ");
  EXPECT_EQ(PointsOf(&Parser, {})->GetToString(), "");
  EXPECT_EQ(PointsOf(nullptr, {})->GetToString(), "");
}

TEST(SingletonsVector, EqualityComparesPairsWhateverTheParsers) {
  TPrettyParser Parser;
  ISingletonsVector A = PointsOf(&Parser, {{1, 0}, {3, 1}});
  struct Case {
    const char* Name;
    ISingletonsVector Other;
    bool Equal;
  };
  const Case Cases[] = {
      {"same pairs, no parser", PointsOf(nullptr, {{1, 0}, {3, 1}}), true},
      {"x and y swapped", PointsOf(&Parser, {{0, 1}, {3, 1}}), false},
      {"pairs in another order", PointsOf(&Parser, {{3, 1}, {1, 0}}), false},
      {"one pair fewer", PointsOf(&Parser, {{1, 0}}), false},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(A->Equals(C.Other.Get()), C.Equal);
    EXPECT_EQ(C.Other->Equals(A.Get()), C.Equal);
  }
  // The hash is that of the x values plus that of the y values: 1 + 3 + 0 + 1.
  EXPECT_EQ(A->GetHashCode(), 5);
  IValueVector NotSingletons = VectorOf({});
  EXPECT_FALSE(PointsOf(nullptr, {})->Equals(static_cast<const TCloneable*>(NotSingletons.Get())));
}

TEST(SingletonsVector, AssignTakesClonesTheParserAndTheTag) {
  TPrettyParser Parser;
  ISingletonsVector Source = PointsOf(&Parser, {{1, 0}, {3, 1}});
  Source->SetTag(7);

  ISingletonsVector ByPersistent = PointsOf(nullptr, {{9, 9}});
  ByPersistent->Assign(Source.Get());
  ISingletonsVector ByInterface = PointsOf(nullptr, {{9, 9}});
  ByInterface->AssignFrom(Source.Get());
  ISingletonsVector Clone = Source->Clone();

  for (const ISingletonsVector& Target : {ByPersistent, ByInterface, Clone}) {
    EXPECT_TRUE(Target->Equals(Source.Get()));
    EXPECT_EQ(Target->Parser(), &Parser);
    EXPECT_EQ(Target->Tag(), 7);
    EXPECT_NE(Target->XValues(0).Get(), Source->XValues(0).Get());
    EXPECT_NE(Target->YValues(1).Get(), Source->YValues(1).Get());
    EXPECT_EQ(Target->GetToString(), "((1 0) (3 1) )");
  }
  Clone->XValues(0)->SetAsInteger(2);
  EXPECT_EQ(Source->XValues(0)->AsInteger(), 1);

  // Any other source gets the framework's assignment error.
  IValueVector Vector = VectorOf({});
  try {
    ByPersistent->Assign(Vector.Get());
    ADD_FAILURE() << "no exception";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), "Cannot assign a TValueVector to a TSingletonsVector");
  }
  EXPECT_THROW(ByPersistent->AssignFrom(Vector.Get()), EInvalidCast);
}

TEST(SingletonsVector, AppendSharesThePairs) {
  ISingletonsVector A = PointsOf(nullptr, {{1, 0}});
  ISingletonsVector B = PointsOf(nullptr, {{3, 1}});
  A->Append(*B);
  ASSERT_EQ(A->Count(), 2);
  EXPECT_EQ(A->XValues(1).Get(), B->XValues(0).Get());
  EXPECT_EQ(A->YValues(1).Get(), B->YValues(0).Get());
  EXPECT_EQ(A->IndexOfX(NewInteger(3)), 1);
  EXPECT_EQ(A->IndexOfY(NewInteger(0)), 0);
  A->Append(*A);
  EXPECT_EQ(A->GetToString(), "(1 0) (3 1) (1 0) (3 1) ");
}

// --- value table ----------------------------------------------------------------------------

TEST(ValueHashTable, PutReplacesAndReturnsThePreviousValue) {
  TValueHashTable Table;
  IIEValue Three = NewInteger(3);
  EXPECT_EQ(Table.Put("x", Three), nullptr);
  EXPECT_EQ(Table.GetToString(), "x = 3\r\n");

  IIEValue Four = NewInteger(4);
  IIEValue Old = Table.Put("x", Four);
  EXPECT_EQ(Old.Get(), Three.Get());
  EXPECT_EQ(Table.Get("x").Get(), Four.Get());
  EXPECT_EQ(Table.Count(), 1);

  Table.Put("name", NewString("n"));
  EXPECT_EQ(Table.GetToString(), "x = 4\r\nname = \"n\"\r\n");

  IIEValue Found = Three;
  EXPECT_FALSE(Table.ContainsKey("y", Found));
  EXPECT_EQ(Found, nullptr);
  EXPECT_TRUE(Table.ContainsKey("x", Found));
  EXPECT_EQ(Found.Get(), Four.Get());

  EXPECT_EQ(Table.Remove("x").Get(), Four.Get());
  EXPECT_EQ(Table.Remove("x"), nullptr);
  EXPECT_EQ(Table.GetToString(), "name = \"n\"\r\n");
}

TEST(ValueHashTable, AssignClonesTheValuesAndTakesTheSizing) {
  TValueHashTable Source(211, 0.5, 3);
  Source.Put("a", NewInteger(1));
  Source.Put("b", NewList(VectorOf({NewAtom("p"), NewAtom("q")})));
  TValueHashTable Target;
  Target.Put("stale", NewAtom("gone"));

  Target.Assign(&Source);
  EXPECT_EQ(Target.Keys(), Source.Keys());
  EXPECT_EQ(Target.Capacity(), 211);
  EXPECT_EQ(Target.LoadFactor(), 0.5);
  EXPECT_EQ(Target.HashType(), 3);
  for (const std::string& Key : Source.Keys()) {
    SCOPED_TRACE(Key);
    EXPECT_TRUE(Target.Get(Key)->Equals(Source.Get(Key)));
    EXPECT_NE(Target.Get(Key).Get(), Source.Get(Key).Get());
  }
  Target.Get("a")->SetAsInteger(5);
  EXPECT_EQ(Source.GetToString(), "a = 1\r\nb = p q \r\n");
  // A value's clone shares its list (the persistent form of the value's Assign).
  EXPECT_EQ(Target.Get("b")->ListPtr(), Source.Get("b")->ListPtr());

  IValueVector NotATable = VectorOf({});
  EXPECT_THROW(Target.Assign(NotATable.Get()), Exception);
}

}  // namespace
}  // namespace norvale
