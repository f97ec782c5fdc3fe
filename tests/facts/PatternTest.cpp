#include <gtest/gtest.h>

#include "TestSupport.h"

#include "engine/core/ValueVector.h"
#include "engine/engine/InferenceEngine.h"

namespace norvale {
namespace {

using test::MessageOf;

class PatternTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = NewObject<TInferenceEngine>(nullptr);
    Shape = NewRef<TFactTemplate>(Engine, "shape");
    Shape->AddSlot("colour", FCNil);
    Shape->AddSlot("Area", NewInteger(0));
    Shape->AddMultiSlot("points", FCNilList);
    Engine->FactTemplates().Add(Shape);
    Rule = NewObject<TRule>(Engine);
  }
  void TearDown() override {
    Shape = nullptr;
    Free(Engine);
  }
  TIEPattern* Pattern(int Negated = 0) {
    return NewObject<TIEPattern>(Rule, Negated, Shape, "shape");
  }
  std::string TestsOf(TIEPattern* P, const std::string& Slot) {
    std::string R;
    int I = P->IndexOfSlotName(Slot);
    for (int J = 0; J < P->GetSlotTestCount(I); ++J) {
      TIEPatternMatchTest* T = P->GetSlotTest(I, J);
      R += std::string(J ? " | " : "") + (T->SlotTestType() == sttEquals ? "" : "~") +
           T->SlotValue()->ToString();
    }
    return R;
  }

  TInferenceEngine* Engine = nullptr;
  IFactTemplate Shape;
  TRule* Rule = nullptr;
};

TEST_F(PatternTest, SlotsAreTheTemplatesSortedWithoutTests) {
  TIEPattern* P = Pattern();
  ASSERT_EQ(P->GetSlotCount(), 3);
  EXPECT_EQ(P->GetSlotName(0), "Area");
  EXPECT_EQ(P->GetSlotName(1), "colour");
  EXPECT_EQ(P->GetSlotName(2), "points");
  for (int I = 0; I < 3; ++I) {
    EXPECT_EQ(P->GetSlotTestCount(I), 0);
    EXPECT_EQ(P->GetSlotLength(I), -1);
  }
  EXPECT_EQ(MessageOf([&] { P->AddTest("weight", NewInteger(1)); }),
            "No such slot name: \"weight\"");
  Free(P);
}

TEST_F(PatternTest, AlternativesCompileIntoABindingAndAnOrCall) {
  struct Case {
    const char* What;
    std::function<void(TIEPattern*)> Add;
    std::string Expected;
  };
  const Case Cases[] = {
      {"red|green",
       [](TIEPattern* P) {
         P->AddTest("colour", NewAtom("red"));
         P->AddTest("colour", NewAtom("green"), false);
       },
       "?%s | (or (eq red ?%s) (eq green ?%s))"},
      {"?x&~red|blue",
       [](TIEPattern* P) {
         P->AddTest("colour", NewVariable("x"));
         P->AddTest("colour", NewAtom("red"), true, true);
         P->AddTest("colour", NewAtom("blue"), false);
       },
       "?x | (or (neq red ?x) (eq blue ?x))"},
      {"a&b|c",
       [](TIEPattern* P) {
         P->AddTest("colour", NewAtom("a"));
         P->AddTest("colour", NewAtom("b"));
         P->AddTest("colour", NewAtom("c"), false);
       },
       "?%s | (or (and (eq a ?%s) (eq b ?%s)) (eq c ?%s))"},
      {"?x&~red (conjunctions only)",
       [](TIEPattern* P) {
         P->AddTest("colour", NewVariable("x"));
         P->AddTest("colour", NewAtom("red"), true, true);
       },
       "?x | ~red"},
  };
  for (const Case& C : Cases) {
    std::string V = "_blank_" + std::to_string(Engine->SymbolIndex());
    TRule* R = NewObject<TRule>(Engine);
    Rule = R;
    TIEPattern* P = Pattern();
    C.Add(P);
    R->Patterns().Add(P);  // the rule compiles the alternatives
    EXPECT_EQ(TestsOf(P, "colour"), Format(C.Expected, {V, V, V, V})) << C.What;
    EXPECT_EQ(P->NonConjunctionCount(), 0) << C.What;
    Free(R);
  }
}

TEST_F(PatternTest, AlternativesOnTwoFieldsStayApart) {
  TIEPattern* P = Pattern();
  P->AddTest("points", NewAtom("a"), true, false, 0);
  P->AddTest("points", NewAtom("b"), false, false, 0);
  P->AddTest("points", NewAtom("c"), true, false, 1);
  Rule->Patterns().Add(P);
  int I = P->IndexOfSlotName("points");
  ASSERT_EQ(P->GetSlotTestCount(I), 3);
  EXPECT_EQ(P->GetSlotTest(I, 0)->MultiSlotSubIndex(), 0);
  EXPECT_EQ(P->GetSlotTest(I, 1)->MultiSlotSubIndex(), 0);
  EXPECT_EQ(P->GetSlotTest(I, 2)->SlotValue()->ToString(), "c");
  EXPECT_EQ(Rule->GetBindingByName(P->GetSlotTest(I, 0)->SlotValue()->AsString())->SubIndex(), 0);
}

TEST_F(PatternTest, PrintedForms) {
  struct Case {
    int Negated;
    bool Unique, Explicit;
    std::string Bound, Comment, Expected;
  };
  const Case Cases[] = {
      {0, false, false, "", "", "(shape (colour red) )"},
      {1, false, false, "", "", "(not (shape (colour red) ))"},
      {2, false, false, "", "", "(exists (shape (colour red) ))"},
      {3, false, false, "", "", "(not (exists (shape (colour red) )))"},
      {0, true, true, "", "", "(explicit (unique (shape (colour red) )))"},
      // Comment lines as a call prints them: a line end at the very end starts no further line.
      {0, false, false, "f", "first\n;second\n\n",
       "; first\r\n;second\r\n\r\n?f <- (shape (colour red) )"},
  };
  for (const Case& C : Cases) {
    TIEPattern* P = NewObject<TIEPattern>(nullptr, C.Negated, Shape, "shape");
    P->AddTest("colour", NewAtom("red"));
    P->SetUnique(C.Unique);
    P->SetExplicit(C.Explicit);
    if (!C.Bound.empty()) P->SetBoundName(C.Bound);
    P->SetComment(C.Comment);
    EXPECT_EQ(P->ToString(), C.Expected);
    EXPECT_EQ(P->IsNegated(), C.Negated % 2 == 1);
    Free(P);
  }
  TIEPattern* P = NewObject<TIEPattern>(nullptr, 0, Shape, "shape");
  P->AddTest("Area", NewInteger(3));
  P->AddTest("colour", NewVariable("c"));
  P->AddTest("colour", NewAtom("red"), true, true);
  P->AddTest("points", NewMultiVariable("p"), true, false, 0);
  P->AddTest("points", NewInteger(1), true, false, 1);
  IFunCall Big = NewRef<TFunctionCall>(Engine, ">");
  Big->AddArgument(NewVariable("c"));
  P->AddTest("points", NewRef<TIEValue>(Big), true, false, 1);
  EXPECT_EQ(P->ToString(), "(shape (Area 3) (colour ?c&~red) (points $?p 1&:(> ?c)) )");
  Free(P);
  // An ordered pattern prints its fields alone; without tests a generated variable stands in.
  IFactTemplate Colour = Engine->CreateFactTemplate("colour");
  TIEPattern* O = NewObject<TIEPattern>(nullptr, 0, Colour, "colour");
  EXPECT_EQ(O->ToString().rfind("(colour $?__var", 0), 0u);
  O->AddTest(SDefaultSlotName, NewAtom("red"), true, false, 0);
  EXPECT_EQ(O->ToString(), "(colour red)");
  Free(O);
  EXPECT_EQ(MessageOf([] {
              TIEPattern P(nullptr, 0, IFactTemplate(), "x");
              P.GetToString();
            }),
            "Fact Template is missing");
}

TEST_F(PatternTest, CopiesGetFreshAnonymousVariables) {
  Engine->SetSymbolIndex(100);
  TIEPattern* P = NewObject<TIEPattern>(nullptr, 0, Shape, "shape");
  P->AddTest("colour", NewVariable("_blank_1"));
  P->AddTest("points", NewMultiVariable("_blank_$2"));
  P->AddTest("Area", NewVariable("a"));
  TIEPattern Copy(Rule, 1, "shape", *P);
  EXPECT_NE(TestsOf(&Copy, "colour"), "?_blank_1");
  EXPECT_EQ(TestsOf(&Copy, "colour").rfind("?_blank_", 0), 0u);
  EXPECT_EQ(TestsOf(&Copy, "points").rfind("$?_blank_", 0), 0u);
  EXPECT_EQ(TestsOf(&Copy, "Area"), "?a");
  EXPECT_EQ(Copy.NegatedCount(), 1);
  Free(P);
}

TEST_F(PatternTest, NegatedTestElementCannotBeBound) {
  TIEPattern P(nullptr, 1, Shape, STestCE);
  EXPECT_EQ(MessageOf([&] { P.SetBoundName("f"); }), "Cannot bind a negated pattern to a variable");
}

TEST_F(PatternTest, JoinTests) {
  IFact A = Shape->NewFact();
  A->SetValue("colour", NewAtom("red"));
  A->SetValue(
      "points",
      NewList(NewRef<TValueVector>(std::initializer_list<IIEValue>{NewInteger(1), NewInteger(2)})));
  A->SetID(1);
  IFact B = Shape->NewFact();
  B->SetValue("colour", NewAtom("red"));
  B->SetValue("points",
              NewList(NewRef<TValueVector>(std::initializer_list<IIEValue>{NewInteger(2)})));
  B->SetID(2);
  IReteToken Token = NewRef<TIEToken>(taAdd, A);
  struct Case {
    TIEJoinTest Test;
    bool Expected;
  };
  const Case Cases[] = {
      {TIEJoinTest(sttEquals, 0, "colour", "colour"), true},
      {TIEJoinTest(sttNotEquals, 0, "colour", "colour"), false},
      {TIEJoinTest(sttEquals, 0, 0, "points", 1, "points"), true},
      {TIEJoinTest(sttEquals, 0, 0, "points", 0, "points"), false},
      // A field beyond the list never matches; a fact missing from the token passes a field test
      // (and never a whole-slot one).
      {TIEJoinTest(sttEquals, 0, 5, "points", 1, "points"), false},
      {TIEJoinTest(sttNotEquals, 3, 0, "points", 0, "points"), true},
      {TIEJoinTest(sttEquals, 3, "colour", "colour"), false},
      {TIEJoinTest(sttEquals, 0, "colour", "nonexistent"), false},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(C.Test.Compare(B.Get(), Token.Get()), C.Expected) << C.Test.GetToString();
  EXPECT_EQ(TIEJoinTest(sttEquals, 0, 1, "a", 2, "b").GetToString(),
            "= tstMultiSlot TokenIdx: 0 Left: b 2 Right: a 1");
  EXPECT_EQ(TIEJoinTest(sttNotEquals, 2, "a", "b").GetToString(),
            "<> tstSlot TokenIdx: 2 Left: b Right: a");
}

}  // namespace
}  // namespace norvale
