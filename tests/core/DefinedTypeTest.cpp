#include <gtest/gtest.h>

#include "TestSupport.h"

#include <functional>
#include <string>
#include <vector>

#include "engine/core/DefinedType.h"
#include "engine/core/IEFuzzy.h"
#include "engine/core/ValueVector.h"
#include "engine/functions/Reasoner.h"
#include "engine/functions/UserFunction.h"
#include "fuzzy/FuzzyNames.h"

namespace norvale {
namespace {

using test::MessageOf;

IIEValue ListOf(std::initializer_list<IIEValue> Items) {
  return NewList(NewRef<TValueVector>(Items));
}

IIEValue FuzzyValue(const IFuzzySet& Set) { return NewRef<TIEValue>(Set); }

IIEDefinedType NewType(const std::string& Name, TIETypes Types = IESlotTypes) {
  IIEDefinedType T = NewRef<TIEDefinedType>();
  T->SetName(Name);
  T->SetBaseTypes(Types);
  return T;
}

IIEDefinedType RangeType(const std::string& Name, TIETypes Types, double Min, double Max) {
  IIEDefinedType T = NewType(Name, Types);
  T->SetRangeLimited(true);
  T->SetMinRange(Min);
  T->SetMaxRange(Max);
  return T;
}

IIEDefinedType AllowedType(TValueConstraints Kinds, std::initializer_list<IIEValue> Values,
                           TIETypes Types = IESlotTypes) {
  IIEDefinedType T = NewType("t", Types);
  T->SetConstraints(Kinds);
  for (const IIEValue& V : Values) T->AddConstraint(V);
  return T;
}

TEST(DefinedType, NewTypeAllowsEverySlotType) {
  IIEDefinedType T = NewRef<TIEDefinedType>();
  EXPECT_EQ(T->BaseTypes(), IESlotTypes);
  EXPECT_EQ(T->Name(), "implicit");
  EXPECT_EQ(T->MinRange(), -2147483648.0);
  EXPECT_EQ(T->MaxRange(), 2147483647.0);
  EXPECT_EQ(T->MinCardinality(), 0);
  EXPECT_EQ(T->MaxCardinality(), 2147483647);
  EXPECT_FALSE(T->RangeLimited());
  EXPECT_FALSE(T->CardinalityLimited());
  EXPECT_TRUE(T->Constraints().Empty());
  EXPECT_FALSE(T->FuzzyType());
  EXPECT_FALSE(T->Ancestor());
  EXPECT_EQ(T->Reasoner(), nullptr);
  for (const IIEValue& V : {NewAtom("a"), NewString("s"), NewInteger(-5), NewFloat(1e12),
                            NewFactId(3), ListOf({NewAtom("a"), NewInteger(1)})}) {
    EXPECT_TRUE(T->IsValid(V)) << V->ToString();
    EXPECT_EQ(T->GetInvalidValueString(V), "") << V->ToString();
  }
  EXPECT_FALSE(T->IsValid(FuzzyValue(NewRef<TIEFuzzySet>())));
  EXPECT_EQ(T->CreateValidDefault(false)->DType(), dtAtom);
  EXPECT_EQ(T->CreateValidDefault(true)->AsList()->Count(), 0);
}

TEST(DefinedType, AllowedTextsIgnoreCaseButEqualityDoesNot) {
  IIEDefinedType Lower = AllowedType({vcAtom}, {NewAtom("red"), NewAtom("green")});
  EXPECT_TRUE(Lower->IsValid(NewAtom("RED")));
  EXPECT_FALSE(Lower->IsValid(NewAtom("blue")));
  // Strings are not limited by allowed symbols.
  EXPECT_TRUE(Lower->IsValid(NewString("blue")));
  Lower->AddConstraint(NewAtom("Red"));
  EXPECT_EQ(Lower->GetConstraintAtomsCount(), 2);

  EXPECT_TRUE(Lower->Equals(AllowedType({vcAtom}, {NewAtom("red"), NewAtom("green")}).Get()));
  EXPECT_FALSE(Lower->Equals(AllowedType({vcAtom}, {NewAtom("RED"), NewAtom("green")}).Get()));
  EXPECT_FALSE(Lower->Equals(AllowedType({vcAtom}, {NewAtom("green"), NewAtom("red")}).Get()));

  Lower->RemoveConstraint(NewAtom("GREEN"));
  EXPECT_EQ(Lower->GetConstraintAtomsCount(), 1);
  EXPECT_FALSE(Lower->IsValid(NewAtom("green")));
}

TEST(DefinedType, NumbersCrossBetweenIntegerAndFloatLists) {
  IIEDefinedType Integers = AllowedType({vcInteger}, {NewInteger(3), NewFloat(4.0)});
  EXPECT_EQ(Integers->GetConstraintIntegersCount(), 2);
  EXPECT_EQ(Integers->GetConstraintInteger(1), 4);
  TValueConstraint Kind;
  EXPECT_TRUE(Integers->IsConstraint(NewFloat(3.0), Kind));
  EXPECT_EQ(Kind, vcInteger);
  EXPECT_TRUE(Integers->IsValid(NewFloat(3.0)));
  EXPECT_FALSE(Integers->IsValid(NewFloat(3.5)));
  EXPECT_EQ(Integers->GetInvalidValueString(NewFloat(3.5)),
            "Value \"3.5000\" is not valid, Not in allowed values");

  IIEDefinedType Floats = AllowedType({vcFloat}, {NewFloat(2.0), NewInteger(5)});
  EXPECT_EQ(Floats->GetConstraintFloat(1), 5.0);
  EXPECT_TRUE(Floats->IsValid(NewInteger(2)));
  EXPECT_TRUE(Floats->IsValid(NewFloat(5.0)));
  EXPECT_FALSE(Floats->IsValid(NewInteger(3)));

  // With both lists active each number is checked against its own list.
  IIEDefinedType Both = AllowedType({vcInteger, vcFloat}, {NewInteger(3), NewFloat(2.5)});
  EXPECT_FALSE(Both->IsValid(NewFloat(3.0)));
  EXPECT_TRUE(Both->IsValid(NewFloat(2.5)));
}

TEST(DefinedType, ConstraintListsFollowTheActiveKinds) {
  IIEDefinedType T = AllowedType({vcAtom, vcString, vcInteger},
                                 {NewAtom("a"), NewString("b"), NewInteger(1), NewInteger(2)});
  T->SetConstraints({vcAtom, vcString, vcFloat});
  EXPECT_EQ(T->GetConstraintIntegersCount(), 0);
  EXPECT_EQ(T->GetConstraintFloatsCount(), 0);
  T->SetConstraints({vcAtom, vcString, vcInteger});
  EXPECT_EQ(T->GetConstraintIntegersCount(), 0);  // joined again, empty
  T->ClearConstraints({vcString, vcFloat});
  EXPECT_EQ(T->Constraints(), (TValueConstraints{vcAtom, vcInteger}));
  T->DeleteConstraint(0, vcAtom);
  EXPECT_EQ(T->GetConstraintAtomsCount(), 0);
  T->ClearConstraints();
  EXPECT_TRUE(T->Constraints().Empty());
  EXPECT_THROW(AllowedType({vcAtom}, {NewAtom("a")})->DeleteConstraint(1, vcAtom), EListError);
}

TEST(DefinedType, ConstraintErrors) {
  struct Case {
    std::function<void()> Call;
    const char* Message;
  };
  const Case Cases[] = {
      {[] { AllowedType({vcAtom}, {NewFloat(1.5)}); },
       "Defined Type t cannot contain Float constraint types"},
      {[] {
         AllowedType({vcAtom, vcString, vcInteger, vcFloat}, {ListOf({})});
       },
       "Defined Type t cannot contain List constraint types"},
      {[] { AllowedType({vcInteger}, {NewString("x")}); },
       "Defined Type t cannot contain String constraint types"},
      {[] { AllowedType({vcAtom}, {})->DeleteConstraint(0, vcString); },
       "Defined Type t does not have String constraints"},
      {[] { AllowedType({vcAtom}, {})->GetConstraintFloat(0); },
       "Defined Type t does not have Float constraints"},
      {[] { AllowedType({}, {})->GetConstraintAtom(0); },
       "Defined Type t does not have Atom constraints"},
      {[] { AllowedType({vcAtom}, {})->GetConstraintInteger(0); },
       "Defined Type t does not have Integer constraints"},
      {[] { NewType("t")->GetValueConstraint(NewFactId(1)); },
       "Defined Type t cannot contain FactId constraint types"},
  };
  for (const Case& C : Cases) EXPECT_EQ(MessageOf(C.Call), C.Message);
}

TEST(DefinedType, RangeAndCardinalityKeepTheirBoundsOrdered) {
  IIEDefinedType T = RangeType("r", {dtInteger}, 0, 10);
  T->SetMinRange(20);
  EXPECT_EQ(T->MaxRange(), 20);
  T->SetMaxRange(-5);
  EXPECT_EQ(T->MinRange(), -5);

  T->SetMaxCardinality(-3);
  EXPECT_EQ(T->MaxCardinality(), 0);
  EXPECT_EQ(T->MinCardinality(), 0);
  T->SetMinCardinality(4);
  EXPECT_EQ(T->MaxCardinality(), 4);
  T->SetMinCardinality(-1);
  EXPECT_EQ(T->MinCardinality(), 0);
}

TEST(DefinedType, ChangeEventsAndUpdateBrackets) {
  IIEDefinedType T = NewType("t");
  int Changes = 0;
  T->OnChange = [&Changes, &T](TObject* Sender) {
    EXPECT_EQ(Sender, T.Get());
    ++Changes;
  };
  T->SetName("t");  // unchanged
  T->SetImplicit(true);
  T->SetTag(4);
  EXPECT_EQ(Changes, 0);
  T->SetMinRange(1);
  EXPECT_EQ(Changes, 1);
  T->BeginUpdate();
  T->BeginUpdate();
  T->SetComment("c");
  T->SetUnits("kg");
  T->EndUpdate();
  EXPECT_EQ(Changes, 3);
  T->EndUpdate();
  EXPECT_EQ(Changes, 4);
  // A refused change changes nothing and tells nobody.
  EXPECT_THROW(T->SetBaseTypes({dtFuzzy, dtAtom}), EIEException);
  EXPECT_EQ(T->BaseTypes(), IESlotTypes);
  EXPECT_EQ(Changes, 4);
}

TEST(DefinedType, FuzzyBaseTypeBringsAVariable) {
  IIEDefinedType T = RangeType("temp", {dtInteger}, 0, 100);
  T->SetUnits("C");
  T->SetBaseTypes({dtFuzzy});
  ASSERT_TRUE(T->FuzzyType());
  EXPECT_NE(dynamic_cast<TIEFuzzyVariable*>(T->FuzzyType().Get()), nullptr);
  EXPECT_EQ(T->FuzzyType()->Name(), "temp");
  EXPECT_EQ(T->FuzzyType()->From(), 0);
  EXPECT_EQ(T->FuzzyType()->To(), 100);
  EXPECT_EQ(T->FuzzyType()->Units(), "C");
  // The universe and the units follow the type.
  T->SetMaxRange(80);
  T->SetUnits("F");
  EXPECT_EQ(T->FuzzyType()->To(), 80);
  EXPECT_EQ(T->FuzzyType()->Units(), "F");

  EXPECT_EQ(MessageOf([&] {
              T->SetBaseTypes({dtFuzzy, dtInteger});
            }),
            "Cannot mix fuzzy type with other primitive types");
  EXPECT_EQ(T->BaseTypes(), TIETypes{dtFuzzy});
  T->SetBaseTypes({dtInteger});
  EXPECT_FALSE(T->FuzzyType());

  // Installing a variable makes the type fuzzy with the variable's universe and units.
  IFuzzyVariable V = NewRef<TIEFuzzyVariable>("speed");
  V->SetUniverse(5, 50);
  V->SetUnits("km/h");
  T->SetFuzzyType(V);
  EXPECT_EQ(T->BaseTypes(), TIETypes{dtFuzzy});
  EXPECT_EQ(T->MinRange(), 5);
  EXPECT_EQ(T->MaxRange(), 50);
  EXPECT_EQ(T->Units(), "km/h");
}

TEST(DefinedType, FuzzyTypeValidity) {
  IIEDefinedType T = RangeType("temp", {}, 0, 100);
  T->SetBaseTypes({dtFuzzy});
  IFuzzySet Cold = T->FuzzyType()->NewTerm("cold");
  IFuzzyVariable Other = NewRef<TIEFuzzyVariable>("pressure");
  IFuzzySet Foreign = Other->NewTerm("cold");
  for (const IIEValue& V : {FuzzyValue(Cold), NewAtom("cold"), NewString("very cold"),
                            NewInteger(20), NewFloat(3.5), NewVariable("x")})
    EXPECT_TRUE(T->IsValid(V)) << V->ToString();
  for (const IIEValue& V : {FuzzyValue(Foreign), NewFactId(1), NewRef<TIEValue>()}) {
    EXPECT_FALSE(T->IsValid(V)) << V->ToString();
    EXPECT_EQ(T->GetInvalidValueString(V),
              "Value \"" + V->ToString() + "\" is not valid, invalid fuzzy value");
  }
  // Sets of an equal copy of the variable belong to it too.
  IIEDefinedType Copy = T->Clone();
  EXPECT_NE(Copy->FuzzyType(), T->FuzzyType());
  EXPECT_TRUE(Copy->IsValid(FuzzyValue(Cold)));

  // The default is the variable's empty set, which is an item but not a term.
  IIEValue Default = T->CreateValidDefault(false);
  ASSERT_EQ(Default->DType(), dtFuzzy);
  EXPECT_EQ(Default->AsFuzzy()->Name(), SEmptyFuzzy);
  EXPECT_EQ(T->FuzzyType()->FindTerm(SEmptyFuzzy), Default->AsFuzzy());
  EXPECT_FALSE(Default->AsFuzzy()->IsTerm());
  EXPECT_EQ(T->CreateValidDefault(false)->AsFuzzy(), Default->AsFuzzy());
  EXPECT_TRUE(T->IsValid(Default));
}

TEST(DefinedType, InvalidValueMessages) {
  IIEDefinedType Card = NewType("c", {dtInteger});
  Card->SetCardinalityLimited(true);
  Card->SetMinCardinality(2);
  Card->SetMaxCardinality(3);
  Card->SetRangeLimited(true);
  Card->SetMinRange(0);
  Card->SetMaxRange(10);
  struct Case {
    IIEDefinedType Type;
    IIEValue Value;
    std::string Message;
  };
  const Case Cases[] = {
      {RangeType("r", {dtInteger, dtFloat}, 0, 10), NewInteger(11),
       "Value \"11\" is not valid, Range must be between 0.0000 and 10.0000"},
      {RangeType("r", {dtInteger, dtFloat}, 0, 10), NewFloat(-0.5),
       "Value \"-0.5000\" is not valid, Range must be between 0.0000 and 10.0000"},
      {RangeType("r", {dtInteger, dtFloat}, 0, 10), NewInteger(10), ""},
      {NewType("i", {dtInteger, dtFloat}), NewAtom("abc"),
       "Value \"abc\" is not valid, Not a INTEGER, FLOAT type.  Value (abc) is a dtAtom type"},
      {NewType("i", {dtInteger}), NewVariable("x"), ""},
      {NewType("i", {dtInteger}), NewRef<TIEValue>(), ""},
      {AllowedType({vcString}, {NewString("on")}), NewString("off"),
       "Value \"\"off\"\" is not valid, Not in allowed values"},
      {Card, ListOf({NewInteger(1)}),
       "Value \"1 \" is not valid, Multislot must have between 2 and 3 elements"},
      {Card, ListOf({NewInteger(1), NewInteger(2), NewInteger(3), NewInteger(4)}),
       "Value \"1 2 3 4 \" is not valid, Multislot must have between 2 and 3 elements"},
      {Card, ListOf({NewInteger(1), NewInteger(12)}),
       "Value \"12\" is not valid, Range must be between 0.0000 and 10.0000"},
      {Card, ListOf({NewInteger(1), NewInteger(2)}), ""},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(C.Type->GetInvalidValueString(C.Value), C.Message) << C.Value->ToString();
    EXPECT_EQ(C.Type->IsValid(C.Value), C.Message.empty()) << C.Value->ToString();
  }
}

TEST(DefinedType, ValidDefaults) {
  IIEDefinedType Card = RangeType("c", {dtInteger}, 5, 9);
  Card->SetCardinalityLimited(true);
  Card->SetMinCardinality(2);
  Card->SetMaxCardinality(3);
  IIEValue List = Card->CreateValidDefault(true);
  ASSERT_EQ(List->DType(), dtList);
  EXPECT_EQ(List->ToString(), "5 5 ");
  EXPECT_TRUE(Card->IsValid(List));

  struct Case {
    IIEDefinedType Type;
    std::string Printed;
    TIEType DType;
  };
  const Case Cases[] = {
      {AllowedType({vcAtom}, {NewAtom("red"), NewAtom("green")}), "red", dtAtom},
      {NewType("a", {dtAtom, dtInteger}), "", dtAtom},
      {AllowedType({vcString}, {NewString("x")}, {dtString}), "\"x\"", dtString},
      {AllowedType({vcInteger}, {NewInteger(7)}, {dtInteger}), "7", dtInteger},
      {NewType("i", {dtInteger}), "0", dtInteger},
      {RangeType("i", {dtInteger}, -3, 10), "-3", dtInteger},
      // The integers inside the range nearest to its bound.
      {RangeType("i", {dtInteger}, 0.5, 9.5), "1", dtInteger},
      {RangeType("i", {dtInteger}, TIEDefinedType::UnboundedMinRange, -2.5), "-3", dtInteger},
      {RangeType("i", {dtInteger}, TIEDefinedType::UnboundedMinRange,
                 TIEDefinedType::UnboundedMaxRange),
       "0", dtInteger},
      {RangeType("f", {dtFloat}, 0.25, 2), "0.2500", dtFloat},
      {NewType("f", {dtFloat}), "0.0000", dtFloat},
      {NewType("o", {dtObject, dtFactId}), "", dtObject},
      {NewType("n", {dtFactId}), "<Fact-0>", dtFactId},
      {NewType("n", {dtDescriptor}), "<UNKNOWN>", dtDescriptor},
      {NewType("n", {dtFuzzy}), "", dtFuzzy},
      {NewType("n", {}), "", dtNone},
  };
  for (const Case& C : Cases) {
    IIEValue V = C.Type->CreateValidDefault(false);
    EXPECT_EQ(V->DType(), C.DType) << C.Type->ToString();
    EXPECT_EQ(V->ToString(), C.Printed) << C.Type->ToString();
    EXPECT_TRUE(C.Type->IsValid(V)) << C.Type->ToString();
  }
}

TEST(DefinedType, AncestorLoopsAreRefused) {
  IIEDefinedType A = NewType("A"), B = NewType("B"), C = NewType("C");
  B->SetImplicit(true);
  B->SetAncestor(A);
  EXPECT_FALSE(B->Implicit());
  C->SetAncestor(B);
  EXPECT_EQ(MessageOf([&] { A->SetAncestor(B); }),
            "Type inheritance loop detected, A type cannot be an ancestor of itself");
  EXPECT_EQ(MessageOf([&] { A->SetAncestor(C); }),
            "Type inheritance loop detected, A type cannot be an ancestor of itself");
  EXPECT_EQ(MessageOf([&] { A->SetAncestor(A); }),
            "Type inheritance loop detected, A type cannot be an ancestor of itself");
  EXPECT_FALSE(A->Ancestor());
}

TEST(DefinedType, EqualityAndCopies) {
  IIEDefinedType T = RangeType("age", {dtInteger}, 0, 120);
  T->SetCardinalityLimited(true);
  T->SetMaxCardinality(4);
  T->SetConstraints({vcInteger, vcFloat});
  T->AddConstraint(NewInteger(1));
  T->AddConstraint(NewFloat(2.5));
  T->SetComment("years");
  T->SetTag(9);
  T->SetAncestor(NewType("base"));

  IIEDefinedType Copy = T->Clone();
  EXPECT_TRUE(Copy->Equals(T.Get()));
  EXPECT_EQ(Copy->ToString(), T->ToString());
  EXPECT_EQ(Copy->Tag(), 9);
  EXPECT_EQ(Copy->Ancestor(), T->Ancestor());

  const std::function<void(TIEDefinedType&)> Differences[] = {
      [](TIEDefinedType& D) { D.SetName("Age"); },
      [](TIEDefinedType& D) {
        D.SetBaseTypes({dtInteger, dtFloat});
      },
      [](TIEDefinedType& D) { D.SetMaxRange(120.001); },
      [](TIEDefinedType& D) { D.SetMaxCardinality(5); },
      [](TIEDefinedType& D) { D.SetRangeLimited(false); },
      [](TIEDefinedType& D) { D.SetCardinalityLimited(false); },
      [](TIEDefinedType& D) { D.AddConstraint(NewInteger(3)); },
      [](TIEDefinedType& D) {
        D.SetConstraints({vcInteger, vcFloat, vcAtom});
      },
      [](TIEDefinedType& D) { D.SetFuzzyType(NewRef<TIEFuzzyVariable>("age")); },
  };
  for (const auto& Change : Differences) {
    IIEDefinedType D = T->Clone();
    Change(*D);
    EXPECT_FALSE(D->Equals(T.Get())) << D->ToString();
    EXPECT_FALSE(T->Equals(D.Get())) << D->ToString();
  }
  // Within 0.0001 a range is the same; comments are not compared.
  IIEDefinedType Near = T->Clone();
  Near->SetMaxRange(120.00001);
  Near->SetComment("");
  EXPECT_TRUE(Near->Equals(T.Get()));
  EXPECT_FALSE(T->Equals(NewAtom("age").Get()));
  EXPECT_FALSE(T->Equals(nullptr));

  // Any other kind of object is the assignment error.
  EXPECT_ANY_THROW(T->AssignFrom(NewAtom("x").Get()));
}

TEST(DefinedType, FuzzyTypesCompareTheirVariables) {
  IIEDefinedType T = RangeType("temp", {}, 0, 100);
  T->SetBaseTypes({dtFuzzy});
  AddAutomaticTerms(*T->FuzzyType(), 0);
  IIEDefinedType Copy = T->Clone();
  EXPECT_TRUE(Copy->Equals(T.Get()));
  Copy->FuzzyType()->FindTerm("low")->AddPoint(50, 0.5);
  EXPECT_FALSE(Copy->Equals(T.Get()));
}

TEST(DefinedType, PrintedForms) {
  IIEDefinedType Age = RangeType("age", {dtInteger}, 0, 10);
  EXPECT_EQ(Age->ToString(), "(deftype age extends (type INTEGER)\r\n        (range 0 10) \r\n)");

  IIEDefinedType Implicit = NewType("implicit", {dtInteger, dtFloat, dtVariable});
  Implicit->SetImplicit(true);
  EXPECT_EQ(Implicit->ToString(), "(type INTEGER FLOAT)\r\n");

  IIEDefinedType Commented = NewType("age", {dtInteger});
  Commented->SetComment("years \"since\" birth");
  EXPECT_EQ(
      Commented->ToString(),
      "(deftype age \r\n    \"years \\\"since\\\" birth\"\r\n    extends (type INTEGER)\r\n)");

  IIEDefinedType All = NewType("all");
  EXPECT_EQ(All->ToString(),
            "(deftype all extends (type ATOM STRING INTEGER FACTID FLOAT FACT DESCRIPTOR OBJECT "
            "CLASS EXTERNALADDRESS)\r\n)");

  IIEDefinedType Open = RangeType("open", {dtFloat}, TIEDefinedType::UnboundedMinRange, 5);
  Open->SetCardinalityLimited(true);
  Open->SetMinCardinality(1);
  Open->SetUnits("m per s");
  EXPECT_EQ(Open->ToString(),
            "(deftype open extends (type FLOAT)\r\n"
            "        (range ?VARIABLE 5) \r\n"
            "        (units \"m per s\")\r\n"
            "        (cardinality 1 ?VARIABLE) \r\n"
            ")");
}

TEST(DefinedType, AllowedValueClauses) {
  const IIEValue Red = NewAtom("red"), On = NewString("on"), One = NewInteger(1),
                 Half = NewFloat(0.5);
  struct Case {
    TValueConstraints Kinds;
    std::vector<IIEValue> Values;
    std::string Clauses;
  };
  const Case Cases[] = {
      {{vcAtom, vcString, vcInteger, vcFloat},
       {Red, On, One, Half},
       "        (allowed-values red \"on\" 1 0.5000 )\r\n"},
      {{vcInteger, vcFloat}, {One, Half}, "        (allowed-numbers 1 0.5000 ) \r\n"},
      {{vcInteger}, {One, NewInteger(-2)}, "        (allowed-integers 1 -2 ) \r\n"},
      {{vcFloat}, {Half}, "        (allowed-floats 0.5000 ) \r\n"},
      {{vcAtom, vcString}, {Red, On}, "        (allowed-lexemes red \"on\" )\r\n"},
      {{vcAtom}, {Red}, "        (allowed-symbols red )\r\n"},
      {{vcString}, {On}, "        (allowed-strings \"on\" )\r\n"},
      {{vcInteger, vcAtom},
       {One, Red},
       "        (allowed-integers 1 ) \r\n        (allowed-symbols red )\r\n"},
      {{vcString}, {}, "        (allowed-strings )\r\n"},
      // A float that four decimals would change prints exactly.
      {{vcFloat}, {NewFloat(0.12345)}, "        (allowed-floats 0.12345 ) \r\n"},
  };
  for (const Case& C : Cases) {
    IIEDefinedType T = NewType("t", {dtAtom, dtString, dtInteger, dtFloat});
    T->SetConstraints(C.Kinds);
    for (const IIEValue& V : C.Values) T->AddConstraint(V);
    EXPECT_EQ(T->ToString(),
              "(deftype t extends (type ATOM STRING INTEGER FLOAT)\r\n" + C.Clauses + ")");
  }
}

TEST(DefinedType, DescendantsPrintWhatDiffersFromTheAncestor) {
  IIEDefinedType Age = RangeType("age", {dtInteger}, 0, 120);
  Age->SetUnits("years");
  IIEDefinedType Small = Age->Clone();
  Small->SetName("small");
  Small->SetAncestor(Age);
  Small->SetBaseTypes({dtInteger, dtFloat});
  EXPECT_EQ(Small->ToString(), "(deftype small extends (type age FLOAT)\r\n)");
  Small->SetMaxRange(10);
  EXPECT_EQ(Small->ToString(),
            "(deftype small extends (type age FLOAT)\r\n        (range 0 10) \r\n)");
}

TEST(DefinedType, FuzzyTypePrintsItsVariable) {
  IIEDefinedType T = RangeType("temp", {}, 0, 100);
  T->SetBaseTypes({dtFuzzy});
  T->SetUnits("C");
  IFuzzySet Cold = T->FuzzyType()->NewTerm("cold");
  Cold->AddPoint(0, 1);
  Cold->AddPoint(50, 0);
  EXPECT_EQ(T->ToString(),
            "(deftype temp extends (type FUZZY)\r\n"
            "    (range 0.0000 100.0000)\r\n"
            "    (units C)\r\n"
            "    (values \r\n"
            "        (term cold ((0.0000 1.0000) (50.0000 0.0000) ))\r\n"
            "    )\r\n"
            ")");
}

// The range clause must read back as the same bounds, or a saved type accepts other values.
TEST(DefinedType, RangeBoundsReadBackExactly) {
  struct Case {
    double Min, Max;
    const char* Clause;
  };
  const Case Cases[] = {
      {0, 10, "(range 0 10)"},
      {0.5, 9.5, "(range 0.5 9.5)"},
      {-2.25, 0.1, "(range -2.25 0.1)"},
      {1.0 / 3, 2.0 / 3, "(range 0.3333333333333333 0.6666666666666666)"},
      {1e-7, 123456789.125, "(range 0.0000001 123456789.125)"},
      {-3e9, 3e9, "(range -3000000000.0 3000000000.0)"},
  };
  for (const Case& C : Cases) {
    IIEDefinedType T = RangeType("r", {dtFloat}, C.Min, C.Max);
    const std::string Text = T->ToString();
    const size_t At = Text.find("(range ");
    ASSERT_NE(At, std::string::npos) << Text;
    const std::string Clause = Text.substr(At, Text.find(')', At) + 1 - At);
    EXPECT_EQ(Clause, C.Clause);
    const std::string Bounds = Clause.substr(7, Clause.size() - 8);
    const size_t Blank = Bounds.find(' ');
    double Min = 0, Max = 0;
    ASSERT_TRUE(TryStrToFloat(Bounds.substr(0, Blank), Min)) << Clause;
    ASSERT_TRUE(TryStrToFloat(Bounds.substr(Blank + 1), Max)) << Clause;
    EXPECT_EQ(Min, C.Min) << Clause;
    EXPECT_EQ(Max, C.Max) << Clause;
  }
  // The bound that the old integer form turned into 0 is refused by the reloaded type too.
  IIEDefinedType Half = RangeType("r", {dtFloat}, 0.5, 9.5);
  EXPECT_FALSE(Half->IsValid(NewFloat(0.25)));
}

// Stands in for the engine: a reasoner that prints types its own way and, when Parser is set,
// also reads and prints fuzzy text.
class TFakeReasoner : public IReasoner {
 public:
  std::string PrettyPrint(const TFunctionCall&) override { return {}; }
  std::string PrettyPrint(const TFact&) override { return {}; }
  std::string PrettyPrint(const TIEUserFunction&) override { return {}; }
  std::string PrettyPrint(const TIEDefinedType& Type) override {
    return "printed by the engine: " + DefinedTypePrettyPrint(Type);
  }
  void AddUserFunction(const IUserFunction&) override {}
  void RemoveUserFunction(const IUserFunction&) override {}
  bool ContainsUserFunction(const TIEName&) const override { return false; }
  bool ContainsUserFunction(const TIEName&, IUserFunction&) const override { return false; }
  IUserFunction GetUserFunction(const TIEName&) const override { return nullptr; }
  void SetUserFunction(const TIEName&, const IUserFunction&) override {}
};

class TFakeFuzzyEngine : public TFakeReasoner, public IFuzzyParser {
 public:
  using TFakeReasoner::PrettyPrint;
  IFuzzySet ParseFuzzySet(TIFuzzyVariable*, const std::string&) override { return nullptr; }
  IFuzzyVariable ParseFuzzyVariable(const std::string&) override { return nullptr; }
  std::string PrettyPrint(const TIFuzzySet*, bool) override { return {}; }
  std::string PrettyPrint(const TIFuzzyVariable*) override { return {}; }
};

TEST(DefinedType, AFuzzyParsingReasonerIsTheVariablesParser) {
  TFakeFuzzyEngine Engine, Other;
  TFakeReasoner Plain;
  IIEDefinedType T = NewRef<TIEDefinedType>(&Engine);
  T->SetBaseTypes({dtFuzzy});
  IFuzzyVariable First = T->FuzzyType();
  EXPECT_EQ(First->Parser(), &Engine);
  T->SetReasoner(&Other);
  EXPECT_EQ(First->Parser(), &Other);
  // A dropped variable lets go of its parser.
  T->SetFuzzyType(NewRef<TIEFuzzyVariable>("v"));
  EXPECT_EQ(First->Parser(), nullptr);
  EXPECT_EQ(T->FuzzyType()->Parser(), &Other);
  T->SetReasoner(&Plain);
  EXPECT_EQ(T->FuzzyType()->Parser(), nullptr);
  T->SetReasoner(nullptr);
  EXPECT_EQ(T->FuzzyType()->Parser(), nullptr);
}

TEST(DefinedType, AReasonerPrintsItsTypes) {
  TFakeReasoner Engine;
  IIEDefinedType T = NewRef<TIEDefinedType>(&Engine);
  T->SetName("age");
  T->SetBaseTypes({dtInteger});
  EXPECT_EQ(T->ToString(), "printed by the engine: (deftype age extends (type INTEGER)\r\n)");
  EXPECT_EQ(T->Clone()->Reasoner(), &Engine);
  T->SetReasoner(nullptr);
  EXPECT_EQ(T->ToString(), "(deftype age extends (type INTEGER)\r\n)");
}

TEST(DefinedType, AssignKeepsTheAncestorOnlyWithinOneReasoner) {
  TFakeReasoner Engine, Other;
  IIEDefinedType Base = NewRef<TIEDefinedType>(&Engine);
  Base->SetName("base");
  IIEDefinedType Source = NewRef<TIEDefinedType>(&Engine);
  Source->SetName("derived");
  Source->SetAncestor(Base);
  Source->SetImplicit(true);

  IIEDefinedType Same = NewRef<TIEDefinedType>(&Engine);
  Same->Assign(Source.Get());
  EXPECT_EQ(Same->Ancestor(), Base);
  EXPECT_EQ(Same->Name(), "derived");
  EXPECT_TRUE(Same->Implicit());
  EXPECT_EQ(Same->Reasoner(), &Engine);

  IIEDefinedType Foreign = NewRef<TIEDefinedType>(&Other);
  Foreign->SetAncestor(NewType("old"));
  int Changes = 0;
  Foreign->OnChange = [&Changes](TObject*) { ++Changes; };
  Foreign->AssignFrom(Source.Get());
  EXPECT_FALSE(Foreign->Ancestor());
  EXPECT_EQ(Foreign->Reasoner(), &Other);
  EXPECT_GE(Changes, 1);

  // Copying a descendant into its own ancestor would make a loop: refused, nothing copied.
  EXPECT_THROW(Base->Assign(Source.Get()), EIEException);
  EXPECT_EQ(Base->Name(), "base");
}

TEST(DefinedType, PublishedProperties) {
  const TClassInfo* Info = TClassRegistry::Instance().Find("TIEDefinedType");
  ASSERT_NE(Info, nullptr);
  IIEDefinedType T = IIEDefinedType::Adopt(static_cast<TIEDefinedType*>(Info->Create()));
  SetPropValue(T.Get(), "Name", std::string("age"));
  SetPropValue(T.Get(), "MaxRange", 7.5);
  SetPropValue(T.Get(), "RangeLimited", true);
  EXPECT_EQ(T->Name(), "age");
  EXPECT_EQ(T->MaxRange(), 7.5);
  EXPECT_TRUE(T->RangeLimited());
  EXPECT_EQ(std::get<int64_t>(GetPropValue(T.Get(), "MaxCardinality")), 2147483647);
}

}  // namespace
}  // namespace norvale
