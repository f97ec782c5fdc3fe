#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fuzzy/Fuzzy.h"
#include "fuzzy/FuzzyNames.h"

using namespace norvale;

namespace {

class TMarkedSet : public TIFuzzySet {
 public:
  using TIFuzzySet::TIFuzzySet;
  IFuzzySet NewInstance() const override { return NewRef<TMarkedSet>(); }
};

// A variable whose sets are TMarkedSet, the way the engine substitutes its own class of sets.
class TMarkedVariable : public TIFuzzyVariable {
 public:
  using TIFuzzyVariable::TIFuzzyVariable;
  IFuzzySet CreateSet(const std::string& Name) override {
    ++Created;
    return NewRef<TMarkedSet>(this, Name);
  }
  IFuzzyVariable NewInstance() const override { return NewRef<TMarkedVariable>(); }
  int Created = 0;
};

// Records the variable's notifications as "added low", "changed low", ...
struct TEventLog {
  std::vector<std::string> Lines;
  void Attach(TIFuzzyVariable& V) {
    V.OnSetAdded = [this](TIFuzzyVariable*, TIFuzzySet* S) {
      Lines.push_back("added " + S->Name());
    };
    V.OnSetRemoved = [this](TIFuzzyVariable*, TIFuzzySet* S) {
      Lines.push_back("removed " + S->Name());
    };
    V.OnSetChanged = [this](TIFuzzyVariable*, TIFuzzySet* S) {
      Lines.push_back("changed " + S->Name());
    };
  }
};

class TRecordingParser : public IFuzzyParser {
 public:
  IFuzzySet ParseFuzzySet(TIFuzzyVariable* Variable, const std::string& Text) override {
    LastVariable = Variable;
    LastText = Text;
    IFuzzySet S = Variable->CreateSet(Text);
    S->Triangle(1, 2, 3);
    return S;
  }
  IFuzzyVariable ParseFuzzyVariable(const std::string& Text) override {
    return NewRef<TIFuzzyVariable>(Text);
  }
  std::string PrettyPrint(const TIFuzzySet* Set, bool Term) override {
    return (Term ? "term:" : "set:") + Set->Name();
  }
  std::string PrettyPrint(const TIFuzzyVariable* Variable) override {
    return "variable:" + Variable->Name();
  }
  TIFuzzyVariable* LastVariable = nullptr;
  std::string LastText;
};

IFuzzyVariable MakeTemperature() {
  IFuzzyVariable V = NewRef<TIFuzzyVariable>("temp");
  V->SetUniverse(0, 100);
  IFuzzySet Low = V->NewTerm("low");
  Low->AddPoint(0, 1);
  Low->AddPoint(100, 0);
  V->NewTerm("medium")->Triangle(0, 50, 100);
  IFuzzySet High = V->NewTerm("high");
  High->AddPoint(0, 0);
  High->AddPoint(100, 1);
  return V;
}

}  // namespace

TEST(FuzzyVariableTerms, FindNewAndPositions) {
  IFuzzyVariable V = MakeTemperature();
  ASSERT_EQ(V->TermCount(), 3);
  EXPECT_EQ(V->FindTerm("MEDIUM"), V->Term(1));
  EXPECT_EQ(V->FindTerm("warm"), nullptr);
  EXPECT_EQ(V->IndexOfTerm("High"), 2);
  for (int I = 0; I < V->TermCount(); ++I) {
    EXPECT_TRUE(V->Term(I)->IsTerm());
    EXPECT_EQ(V->Term(I)->Variable(), V.Get());
    if (I > 0) {
      EXPECT_LT(V->Term(I - 1)->Position(), V->Term(I)->Position());
    }
  }
  EXPECT_THROW(V->Term(3), EFuzzyError);
  // A set that only names the variable is not one of its terms.
  IFuzzySet Other = NewRef<TIFuzzySet>(V.Get(), "other");
  EXPECT_FALSE(Other->IsTerm());
  EXPECT_EQ(V->FindTerm("other"), nullptr);
}

TEST(FuzzyVariableTerms, NewTermMakesItsSetsThroughCreateSet) {
  Ref<TMarkedVariable> V = NewRef<TMarkedVariable>("v");
  IFuzzySet S = V->NewTerm("low");
  EXPECT_EQ(V->Created, 1);
  EXPECT_NE(dynamic_cast<TMarkedSet*>(S.Get()), nullptr);
  EXPECT_EQ(S->Name(), "low");
  EXPECT_TRUE(S->IsTerm());
  // Copies of the variable make their terms through the copy's CreateSet.
  IFuzzyVariable C = V->Copy();
  auto* MC = dynamic_cast<TMarkedVariable*>(C.Get());
  ASSERT_NE(MC, nullptr);
  EXPECT_EQ(MC->Created, 1);
  EXPECT_NE(dynamic_cast<TMarkedSet*>(C->Term(0).Get()), nullptr);
}

TEST(FuzzyVariableTerms, AddingANameTwiceReplacesTheTermInItsPlace) {
  IFuzzyVariable V = MakeTemperature();
  TEventLog Log;
  Log.Attach(*V);
  IFuzzySet Old = V->Term(1);
  IFuzzySet New = NewRef<TIFuzzySet>(nullptr, "Medium");
  New->Triangle(10, 50, 90);
  V->AddTerm(New);
  ASSERT_EQ(V->TermCount(), 3);
  EXPECT_EQ(V->Term(1), New);
  EXPECT_EQ(New->Position(), Old->Position());
  EXPECT_FALSE(Old->IsTerm());
  EXPECT_EQ(Old->Variable(), V.Get());  // detached, still naming the variable
  EXPECT_EQ(Log.Lines, (std::vector<std::string>{"removed medium", "added Medium"}));
  V->AddTerm(New);  // already there: nothing happens
  EXPECT_EQ(Log.Lines.size(), 2u);
}

TEST(FuzzyVariableTerms, RemoveAndMoveBetweenVariables) {
  IFuzzyVariable V = MakeTemperature();
  IFuzzyVariable W = NewRef<TIFuzzyVariable>("w");
  IFuzzySet Low = V->FindTerm("low");
  EXPECT_TRUE(V->RemoveTerm("LOW"));
  EXPECT_FALSE(V->RemoveTerm("low"));
  EXPECT_FALSE(Low->IsTerm());
  EXPECT_EQ(Low->Variable(), V.Get());
  EXPECT_EQ(V->TermCount(), 2);

  IFuzzySet High = V->FindTerm("high");
  W->AddTerm(High);
  EXPECT_EQ(V->FindTerm("high"), nullptr);
  EXPECT_EQ(W->FindTerm("high"), High);
  EXPECT_EQ(High->Variable(), W.Get());
  High->SetVariable(V.Get());  // leaving its variable: no longer a term of W
  EXPECT_EQ(W->TermCount(), 0);
  EXPECT_FALSE(High->IsTerm());
  EXPECT_EQ(High->Variable(), V.Get());
}

TEST(FuzzyVariableTerms, ATermHeldOnlyByItsVariableCanLeaveIt) {
  IFuzzyVariable V = NewRef<TIFuzzyVariable>("v");
  IFuzzyVariable W = NewRef<TIFuzzyVariable>("w");
  V->NewTerm("t");
  TEventLog Log;
  Log.Attach(*V);
  TIFuzzySet* Raw = V->Term(0).Get();
  Raw->SetVariable(W.Get());  // the variable's reference was the last one; the set goes after
  EXPECT_EQ(V->TermCount(), 0);
  EXPECT_EQ(Log.Lines, (std::vector<std::string>{"removed t"}));
}

TEST(FuzzyVariableTerms, TheEmptySetIsKeptButIsNoTerm) {
  IFuzzyVariable V = MakeTemperature();
  IFuzzySet E = V->NewTerm(SEmptyFuzzy);
  EXPECT_EQ(V->FindTerm(SEmptyFuzzy), E);
  EXPECT_FALSE(E->IsTerm());
  EXPECT_FALSE(E->Plot());
  EXPECT_TRUE(V->Term(0)->Plot());
  // Operations leave a set without points as it is, so the shared empty set keeps its name.
  E->ApplyHedge(fhVery).ApplyBaseHedge(bfhMinimum, true, 0.5);
  EXPECT_EQ(E->Name(), SEmptyFuzzy);
  EXPECT_EQ(V->ToString().find(SEmptyFuzzy), std::string::npos);
}

TEST(FuzzyVariableLifetime, TermsAndSetsOutliveTheirVariableSafely) {
  IFuzzySet Term, Named;
  {
    IFuzzyVariable V = MakeTemperature();
    V->SetThreshold(0.5);
    Term = V->FindTerm("low");
    Named = NewRef<TIFuzzySet>(V.Get(), "x");
  }
  // The non-term set still holds the variable; the term only pointed back to it.
  ASSERT_NE(Named->Variable(), nullptr);
  EXPECT_EQ(Named->Variable()->Name(), "temp");
  EXPECT_EQ(Named->Variable()->TermCount(), 3);
  EXPECT_EQ(Term->Variable(), Named->Variable());
  Named = nullptr;  // the last reference to the variable: its term is cut loose
  EXPECT_EQ(Term->Variable(), nullptr);
  EXPECT_FALSE(Term->IsTerm());
  EXPECT_DOUBLE_EQ(Term->DegreeOfMembership(40), 0.6);
  EXPECT_EQ(Term->Iterate(*Term, FuzzyOperatorMinThreshold), 1);  // threshold 0 now
}

TEST(FuzzyVariableLifetime, AVariableOnTheStackIsNotCountedByItsSets) {
  IFuzzySet Kept;
  {
    TIFuzzyVariable V("stack");
    Kept = V.NewTerm("t");
    EXPECT_EQ(V.RefCount(), 0);
  }
  EXPECT_EQ(Kept->Variable(), nullptr);
}

TEST(FuzzyVariableEvents, ChangesOfTermsAreReportedOnceAtTheOutermostEndUpdate) {
  IFuzzyVariable V = NewRef<TIFuzzyVariable>("v");
  TEventLog Log;
  Log.Attach(*V);
  IFuzzySet T = V->NewTerm("t");
  EXPECT_EQ(Log.Lines, (std::vector<std::string>{"added t"}));
  Log.Lines.clear();

  T->BeginUpdate();
  T->BeginUpdate();
  T->AddPoint(0, 1);
  T->EndUpdate();
  T->AddPoint(10, 0);
  EXPECT_TRUE(Log.Lines.empty());
  T->EndUpdate();
  EXPECT_EQ(Log.Lines, (std::vector<std::string>{"changed t"}));
  T->EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(Log.Lines.size(), 1u);

  Log.Lines.clear();
  T->ApplyHedge(fhVery);  // one change for the whole hedge
  T->Triangle(0, 1, 2);
  T->SetName("u");
  EXPECT_EQ(Log.Lines, (std::vector<std::string>{"changed t", "changed t", "changed u"}));

  // Copies and other sets of the variable change silently.
  Log.Lines.clear();
  IFuzzySet C = T->Copy();
  C->AddPoint(5, 1);
  IFuzzySet N = NewRef<TIFuzzySet>(V.Get(), "n");
  N->AddPoint(1, 1);
  EXPECT_TRUE(Log.Lines.empty());

  V->RemoveTerm("u");
  T->AddPoint(7, 7);
  EXPECT_EQ(Log.Lines, (std::vector<std::string>{"removed u"}));
}

TEST(FuzzyVariableSettings, UniverseStaysOrderedAndThresholdInRange) {
  IFuzzyVariable V = NewRef<TIFuzzyVariable>("v");
  EXPECT_DOUBLE_EQ(V->From(), 0);
  EXPECT_DOUBLE_EQ(V->To(), 1);
  V->SetUniverse(10, 5);  // the upper bound below the lower one lowers it too
  EXPECT_DOUBLE_EQ(V->From(), 5);
  EXPECT_DOUBLE_EQ(V->To(), 5);
  V->SetFrom(20);
  EXPECT_DOUBLE_EQ(V->To(), 20);
  struct {
    double Given, Stored;
  } Cases[] = {{0.25, 0.25}, {1.5, 1}, {-0.2, 0}};
  for (auto C : Cases) {
    V->SetThreshold(C.Given);
    EXPECT_DOUBLE_EQ(V->Threshold(), C.Stored) << C.Given;
  }
}

TEST(FuzzyVariableCopy, AssignCopiesEverythingWithCopiesOfTheTerms) {
  IFuzzyVariable V = MakeTemperature();
  V->SetUnits("deg C");
  V->SetThreshold(0.3);
  IFuzzyVariable C = NewRef<TIFuzzyVariable>("other");
  C->NewTerm("stale");
  C->Assign(V.Get());
  EXPECT_EQ(C->Name(), "temp");
  EXPECT_EQ(C->Units(), "deg C");
  EXPECT_DOUBLE_EQ(C->To(), 100);
  EXPECT_DOUBLE_EQ(C->Threshold(), 0.3);
  ASSERT_EQ(C->TermCount(), 3);
  for (int I = 0; I < 3; ++I) {
    EXPECT_NE(C->Term(I), V->Term(I));
    EXPECT_EQ(C->Term(I)->Variable(), C.Get());
    EXPECT_TRUE(C->Term(I)->IsTerm());
    EXPECT_EQ(C->Term(I)->Name(), V->Term(I)->Name());
  }
  EXPECT_EQ(C->Term(1)->SetType(), fstTriangle);
  EXPECT_TRUE(C->Equals(*V));
  C->Term(0)->AddPoint(50, 0.5);
  EXPECT_FALSE(C->Equals(*V));
  EXPECT_EQ(V->Term(0)->Count(), 2);

  struct {
    const char* What;
    std::function<void(TIFuzzyVariable&)> Change;
  } Changes[] = {
      {"name", [](TIFuzzyVariable& X) { X.SetName("t2"); }},
      {"units", [](TIFuzzyVariable& X) { X.SetUnits("F"); }},
      {"universe", [](TIFuzzyVariable& X) { X.SetTo(101); }},
      {"term name", [](TIFuzzyVariable& X) { X.Term(2)->SetName("hot"); }},
      {"term count", [](TIFuzzyVariable& X) { X.RemoveTerm("high"); }},
  };
  for (auto& Ch : Changes) {
    IFuzzyVariable D = V->Copy();
    EXPECT_TRUE(D->Equals(*V)) << Ch.What;
    Ch.Change(*D);
    EXPECT_FALSE(D->Equals(*V)) << Ch.What;
  }
  IFuzzyVariable Renamed = V->Copy();
  Renamed->SetName("TEMP");
  Renamed->SetThreshold(0.9);
  EXPECT_TRUE(Renamed->Equals(*V));  // names without regard to case; the threshold is no part
}

TEST(FuzzyVariableParser, ParsingAndPrintingGoThroughTheParser) {
  IFuzzyVariable V = MakeTemperature();
  EXPECT_THROW(V->ParseExpression("very low"), EFuzzyError);
  EXPECT_EQ(V->ToString(),
            "(range 0.0000 100.0000) (values (term low ((0.0000 1.0000) (100.0000 0.0000))) "
            "(term medium ((0.0000 0.0000) (50.0000 1.0000) (100.0000 0.0000))) "
            "(term high ((0.0000 0.0000) (100.0000 1.0000))))");

  TRecordingParser P;
  V->SetParser(&P);
  IFuzzySet S = V->ParseExpression("very low");
  EXPECT_EQ(P.LastVariable, V.Get());
  EXPECT_EQ(P.LastText, "very low");
  EXPECT_EQ(S->Variable(), V.Get());
  EXPECT_EQ(V->ToString(), "variable:temp");
  IFuzzySet Low = V->FindTerm("low");
  Low->SetParser(&P);
  EXPECT_EQ(Low->ToString(), "set:low");
  EXPECT_EQ(Low->TermString(), "term:low");
  // Copies and results keep the parser.
  EXPECT_EQ(Low->Copy()->Parser(), &P);
  EXPECT_EQ(Low->Union(*V->FindTerm("high"), foZadeh)->Parser(), &P);
}
