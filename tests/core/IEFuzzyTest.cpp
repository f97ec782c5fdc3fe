#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/core/IEFuzzy.h"
#include "engine/core/IEValue.h"
#include "fuzzy/FuzzyNames.h"

namespace norvale {
namespace {

// Stands in for the engine: prints through the engine's printed forms and reads nothing.
class TEnginePrinter : public IFuzzyParser {
 public:
  IFuzzySet ParseFuzzySet(TIFuzzyVariable*, const std::string&) override { return nullptr; }
  IFuzzyVariable ParseFuzzyVariable(const std::string&) override { return nullptr; }
  std::string PrettyPrint(const TIFuzzySet* Set, bool Term) override {
    return FuzzySetPrettyPrint(*Set, Term);
  }
  std::string PrettyPrint(const TIFuzzyVariable* Variable) override {
    return FuzzyVariablePrettyPrint(*Variable);
  }
};

IFuzzyVariable MakeVariable(const std::string& Name, double From, double To) {
  IFuzzyVariable V = NewRef<TIEFuzzyVariable>(Name);
  V->SetUniverse(From, To);
  return V;
}

// A variable over 0 .. 100 with the automatic terms and the given threshold.
IFuzzyVariable AutoVariable(double Threshold) {
  IFuzzyVariable V = MakeVariable("level", 0, 100);
  AddAutomaticTerms(*V, Threshold);
  return V;
}

IFuzzySet Shaped(const std::function<void(TIFuzzySet&)>& Shape, const std::string& Name = "t") {
  IFuzzySet S = NewRef<TIEFuzzySet>(nullptr, Name);
  Shape(*S);
  return S;
}

IIEValue FuzzyValue(const IFuzzySet& Set) { return NewRef<TIEValue>(Set); }

TEST(IEFuzzy, AutomaticTermsSpanTheUniverse) {
  struct Case {
    double From, To, MediumPeak;
  };
  for (const Case& C : {Case{0, 100, 50}, Case{50, 100, 75}}) {
    IFuzzyVariable V = MakeVariable("v", C.From, C.To);
    AddAutomaticTerms(*V, 0.25);
    EXPECT_DOUBLE_EQ(V->Threshold(), 0.25);
    ASSERT_EQ(V->TermCount(), 3);
    const IFuzzySet Low = V->FindTerm("low"), Medium = V->FindTerm("medium"),
                    High = V->FindTerm("high");
    ASSERT_TRUE(Low && Medium && High);
    EXPECT_EQ(V->Term(0), Low);
    EXPECT_EQ(V->Term(2), High);
    for (const IFuzzySet& S : {Low, Medium, High}) {
      EXPECT_TRUE(S->IsTerm());
      EXPECT_NE(dynamic_cast<TIEFuzzySet*>(S.Get()), nullptr) << S->Name();
    }
    EXPECT_DOUBLE_EQ(Low->DegreeOfMembership(C.From), 1);
    EXPECT_DOUBLE_EQ(Low->DegreeOfMembership(C.To), 0);
    EXPECT_DOUBLE_EQ(High->DegreeOfMembership(C.From), 0);
    EXPECT_DOUBLE_EQ(High->DegreeOfMembership(C.To), 1);
    EXPECT_EQ(Medium->SetType(), fstTriangle);
    EXPECT_DOUBLE_EQ(Medium->X(1), C.MediumPeak);
    EXPECT_DOUBLE_EQ(Medium->DegreeOfMembership(C.MediumPeak), 1);
    EXPECT_DOUBLE_EQ(Medium->DegreeOfMembership(C.From), 0);
  }
}

TEST(IEFuzzy, AutomaticTermsKeepExistingTerms) {
  IFuzzyVariable V = MakeVariable("v", 0, 100);
  IFuzzySet Medium = V->NewTerm("Medium");
  Medium->Triangle(0, 10, 20);
  AddAutomaticTerms(*V, 0);
  ASSERT_EQ(V->TermCount(), 3);
  EXPECT_EQ(V->FindTerm("medium"), Medium);
  EXPECT_DOUBLE_EQ(Medium->X(1), 10);
  // Applying them again adds nothing.
  AddAutomaticTerms(*V, 0);
  EXPECT_EQ(V->TermCount(), 3);
}

TEST(IEFuzzy, SetEqualsNumbersAboveTheThreshold) {
  IFuzzyVariable V = AutoVariable(0.5);
  IFuzzySet Low = V->FindTerm("low");
  auto* Set = dynamic_cast<TIEFuzzySet*>(Low.Get());
  ASSERT_NE(Set, nullptr);
  EXPECT_TRUE(Set->Equals(NewInteger(40).Get()));  // membership 0.6
  EXPECT_TRUE(Set->Equals(NewFloat(40.0).Get()));
  EXPECT_FALSE(Set->Equals(NewInteger(60).Get()));  // membership 0.4
  EXPECT_FALSE(Set->Equals(NewFloat(50.0).Get()));  // exactly the threshold is not above it
  EXPECT_FALSE(Set->Equals(NewAtom("40").Get()));
  EXPECT_FALSE(Set->Equals(nullptr));

  EXPECT_NEAR(Set->FuzzyEquals(NewInteger(60).Get()), 0.4, 1e-6);
  EXPECT_FLOAT_EQ(Set->FuzzyValue(), 0.4f);
  EXPECT_EQ(Set->FuzzyEquals(NewAtom("a").Get()), 0);
  EXPECT_EQ(Set->FuzzyValue(), 0);
}

TEST(IEFuzzy, SetsMeetAboveTheThreshold) {
  // low and high cross at 50 with membership 0.5.
  struct Case {
    double Threshold;
    bool Equal;
  };
  for (const Case& C : {Case{0.4, true}, Case{0.5, false}}) {
    IFuzzyVariable V = AutoVariable(C.Threshold);
    IFuzzySet Low = V->FindTerm("low"), High = V->FindTerm("high");
    EXPECT_EQ(Low->Equals(High.Get()), C.Equal) << C.Threshold;
    EXPECT_EQ(Low->Equals(FuzzyValue(High).Get()), C.Equal) << C.Threshold;
    EXPECT_NEAR(Low->FuzzyEquals(High.Get()), 0.5, 1e-9);
    EXPECT_NEAR(Low->FuzzyEquals(FuzzyValue(High).Get()), 0.5, 1e-9);
  }
}

TEST(IEFuzzy, FuzzyValuesCompareThroughTheirSet) {
  IFuzzyVariable V = AutoVariable(0.5);
  IIEValue Low = FuzzyValue(V->FindTerm("low"));
  IIEValue High = FuzzyValue(V->FindTerm("high"));
  struct Case {
    IIEValue Other;
    bool Equal;
  };
  const Case Cases[] = {
      {NewInteger(40), true},  {NewFloat(30.5), true}, {NewInteger(60), false},
      {NewAtom("low"), false}, {High, false},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(Low->Equals(C.Other), C.Equal) << C.Other->ToString();
    EXPECT_EQ(C.Other->Equals(Low), C.Equal) << C.Other->ToString();
    EXPECT_EQ(Low->EqualsStar(C.Other), C.Equal) << C.Other->ToString();
    EXPECT_EQ(C.Other->EqualsStar(Low), C.Equal) << C.Other->ToString();
  }
}

TEST(IEFuzzy, EngineClassesMakeEngineSets) {
  IFuzzyVariable V = MakeVariable("v", 0, 10);
  EXPECT_NE(dynamic_cast<TIEFuzzySet*>(V->NewTerm("a").Get()), nullptr);
  IFuzzyVariable Copy = V->Copy();
  EXPECT_NE(dynamic_cast<TIEFuzzyVariable*>(Copy.Get()), nullptr);
  EXPECT_NE(dynamic_cast<TIEFuzzySet*>(Copy->FindTerm("a").Get()), nullptr);
  IFuzzySet Set = Shaped([](TIFuzzySet& S) { S.Triangle(0, 1, 2); });
  EXPECT_NE(dynamic_cast<TIEFuzzySet*>(Set->Copy().Get()), nullptr);
  EXPECT_NE(dynamic_cast<TIEFuzzySet*>(Set->Union(*Set, foZadeh).Get()), nullptr);
  // The value model makes engine sets too (points resolved into a set, for one).
  EXPECT_NE(dynamic_cast<TIEFuzzySet*>(NewEngineFuzzySet().Get()), nullptr);
}

TEST(IEFuzzy, TermFormsOfEachShape) {
  struct Case {
    const char* Expected;
    std::function<void(TIFuzzySet&)> Shape;
  };
  const Case Cases[] = {
      {"(tri 1.0000 2.5000 4.0000)", [](TIFuzzySet& S) { S.Triangle(1, 2.5, 4); }},
      {"(z 10.0000 20.0000)", [](TIFuzzySet& S) { S.SCurve(7, false, 10, 20, 15); }},
      {"(s 10.0000 20.0000)", [](TIFuzzySet& S) { S.SCurve(7, true, 10, 20, 15); }},
      {"(pi 50.0000 10.0000)", [](TIFuzzySet& S) { S.PI(7, 10, 50); }},
      {"(pi 40.0000 50.0000 70.0000)", [](TIFuzzySet& S) { S.PI(7, 40, 70, 50); }},
      // (beta c r) reads back with the inflection (c + r) / 2 and weight 1.
      {"(beta 50.0000 20.0000)", [](TIFuzzySet& S) { S.Beta(7, 20, 50, 35); }},
      {"(beta 50.0000 20.0000 10.0000)", [](TIFuzzySet& S) { S.Beta(7, 20, 50, 10); }},
      {"(beta 50.0000 20.0000 40.0000)", [](TIFuzzySet& S) { S.Beta(7, 20, 50, 40); }},
      {"(beta 50.0000 20.0000 35.0000 2.0000)", [](TIFuzzySet& S) { S.Beta(7, 20, 50, 35, 2); }},
      {"((0.0000 1.0000) (100.0000 0.0000) )",
       [](TIFuzzySet& S) {
         S.AddPoint(0, 1);
         S.AddPoint(100, 0);
       }},
      {"very cold",
       [](TIFuzzySet& S) {
         S.AddPoint(0, 1);
         S.SetExpression("very cold");
       }},
      {"()", [](TIFuzzySet&) {}},
  };
  for (const Case& C : Cases) {
    IFuzzySet S = Shaped(C.Shape, "t");
    EXPECT_EQ(FuzzySetPrettyPrint(*S, true), std::string("(term t ") + C.Expected + ")");
    EXPECT_EQ(FuzzySetPrettyPrint(*S, false), "t");
    S->SetName(SEmptyFuzzy);
    EXPECT_EQ(FuzzySetPrettyPrint(*S, true), C.Expected);
    EXPECT_EQ(FuzzySetPrettyPrint(*S, false), "");
  }
}

TEST(IEFuzzy, PrintingLeavesTheUndecidableFlagAlone) {
  IFuzzySet S = Shaped([](TIFuzzySet& Set) { Set.PI(7, 10, 50); });
  ASSERT_TRUE(S->Undecidable());
  EXPECT_EQ(FuzzySetPrettyPrint(*S, true), "(term t (pi 50.0000 10.0000))");
  EXPECT_TRUE(S->Undecidable());
}

TEST(IEFuzzy, VariablePrintedForm) {
  IFuzzyVariable V = MakeVariable("temp", 0, 100);
  IFuzzySet Hot = V->NewTerm("hot");
  Hot->AddPoint(50, 0);
  Hot->AddPoint(100, 1);
  V->NewTerm("cold")->Triangle(0, 0, 50);
  V->NewTerm(SEmptyFuzzy);  // an item, not a term
  struct Case {
    const char* Units;
    const char* UnitsLine;
  };
  for (const Case& C :
       {Case{"", ""}, Case{"C", "    (units C)\r\n"}, Case{"deg C", "    (units \"deg C\")\r\n"}}) {
    V->SetUnits(C.Units);
    EXPECT_EQ(FuzzyVariablePrettyPrint(*V),
              std::string("    (range 0.0000 100.0000)\r\n") + C.UnitsLine +
                  "    (values \r\n"
                  "        (term hot ((50.0000 0.0000) (100.0000 "
                  "1.0000) ))\r\n"
                  "        (term cold (tri 0.0000 0.0000 50.0000))\r\n"
                  "    )\r\n");
  }
}

TEST(IEFuzzy, LibraryTextGoesThroughTheEnginePrinter) {
  TEnginePrinter Printer;
  IFuzzyVariable V = AutoVariable(0);
  V->SetParser(&Printer);
  IFuzzySet Medium = V->FindTerm("medium");
  Medium->SetParser(&Printer);
  EXPECT_EQ(Medium->ToString(), "medium");
  EXPECT_EQ(Medium->TermString(), "(term medium (tri 0.0000 50.0000 100.0000))");
  EXPECT_EQ(FuzzyValue(Medium)->ToString(), "medium");
  EXPECT_EQ(V->ToString(), FuzzyVariablePrettyPrint(*V));
}

}  // namespace
}  // namespace norvale
