#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"

#include "engine/core/ValueVector.h"
#include "engine/engine/FactSet.h"
#include "engine/engine/InferenceEngine.h"
#include "platform/Streaming.h"

namespace norvale {
namespace {

using test::MessageOf;

// An engine that reads the simplest fact text, "(name field field ...)" with integer and atom
// fields, into an ordered fact of its own template of that name; anything else is a parse error.
// It counts what it was asked to read.
class TReadingEngine : public TInferenceEngine {
 public:
  explicit TReadingEngine(TComponent* Owner) : TInferenceEngine(Owner) {}
  IFact ParseFactText(const std::string& Text) override {
    Read.push_back(Text);
    std::string Body = Text;
    while (!Body.empty() && (Body.back() == '\n' || Body.back() == '\r' || Body.back() == ' '))
      Body.pop_back();
    if (Body.size() < 3 || Body.front() != '(' || Body.back() != ')' ||
        Body.find_first_of("()", 1) != Body.size() - 1)
      throw EIEParseException("Cannot read " + Body, 1);
    std::istringstream In(Body.substr(1, Body.size() - 2));
    std::string Name, Field;
    In >> Name;
    IValueVector Fields = NewRef<TValueVector>();
    while (In >> Field) {
      int32_t I = 0;
      Fields->Add(TryStrToInt(Field, I) ? NewInteger(I) : NewAtom(Field));
    }
    IFact F = NewRef<TFact>(CreateFactTemplate(Name));
    F->SetValue(SDefaultSlotName, NewList(Fields));
    return F;
  }
  void BeforeDestruction() override {
    if (ListedWhenFreed) *ListedWhenFreed = FactSets().Count();
    TInferenceEngine::BeforeDestruction();
  }
  std::vector<std::string> Read;
  int* ListedWhenFreed = nullptr;
};

class FactSetTest : public ::testing::Test {
 protected:
  void SetUp() override { Engine = NewObject<TReadingEngine>(nullptr); }
  void TearDown() override { Free(Engine); }

  // An ordered fact of Engine's template Name with the given fields.
  IFact Fact(const std::string& Name, std::initializer_list<IIEValue> Fields,
             TInferenceEngine* On = nullptr) {
    IFact F = NewRef<TFact>((On ? On : Engine)->CreateFactTemplate(Name));
    F->SetValue(SDefaultSlotName, NewList(NewRef<TValueVector>(Fields)));
    return F;
  }
  // The facts asserted after (Initial-Fact), printed.
  static std::vector<std::string> Asserted(const TInferenceEngine* E) {
    std::vector<std::string> R;
    for (const IFact& F : E->FactList())
      if (F->Template()->TemplateName() != SInitialFactPattern) R.push_back(F->ToString());
    return R;
  }
  static std::vector<IFact> Attached(const TFactSet* S) {
    std::vector<IFact> R;
    S->Facts().AssignTo(R);
    return R;
  }

  TReadingEngine* Engine = nullptr;
};

TEST_F(FactSetTest, ANewSetIsNamedFactSetAndFindsItsEngine) {
  TFactSet* Free1 = NewObject<TFactSet>(nullptr);
  EXPECT_EQ(Free1->FactSetName(), "FactSet");
  EXPECT_EQ(Free1->Comment(), "");
  EXPECT_EQ(Free1->Count(), 0);
  EXPECT_EQ(Free1->Engine(), nullptr);
  EXPECT_EQ(Free1->GetToString(), "(deffacts FactSet\r\n)");
  Free(Free1);

  // Owned by an engine: that engine, and listed there.
  TFactSet* Owned = NewObject<TFactSet>(Engine);
  EXPECT_EQ(Owned->Engine(), Engine);
  EXPECT_EQ(Engine->FactSets().IndexOf(Owned), 0);

  // Owned by another component: the first engine among its components, at design time only.
  for (bool Designing : {false, true}) {
    TComponent* Form = NewObject<TComponent>(nullptr);
    Form->SetDesigning(Designing);
    NewObject<TComponent>(Form);
    auto* First = NewObject<TInferenceEngine>(Form);
    NewObject<TInferenceEngine>(Form);
    TFactSet* S = NewObject<TFactSet>(Form);
    EXPECT_EQ(S->Engine(), Designing ? First : nullptr) << Designing;
    EXPECT_EQ(First->FactSets().IndexOf(S), Designing ? 0 : -1) << Designing;
    Free(Form);
  }
}

TEST_F(FactSetTest, LinesCarryTheirFactsByIdentity) {
  TFactSet* S = NewObject<TFactSet>(Engine);
  IFact A = Fact("a", {NewInteger(1)}), B = Fact("b", {NewAtom("x")});
  EXPECT_EQ(S->AddFact(A), 0);
  EXPECT_EQ(S->AddFact(B), 1);
  S->Facts().Add("(c 3)");  // text only
  EXPECT_EQ(S->Facts().Lines(), (std::vector<std::string>{"(a 1 )", "(b x )", "(c 3)"}));
  EXPECT_EQ(S->IndexOf(B), 1);
  // An equal fact is not the line's fact, and nil matches no line, not even one without a fact.
  EXPECT_EQ(S->IndexOf(Fact("b", {NewAtom("x")})), -1);
  EXPECT_EQ(S->IndexOf(nullptr), -1);
  EXPECT_EQ(S->Remove(nullptr), -1);

  EXPECT_EQ(S->Remove(A), 0);
  EXPECT_EQ(S->Remove(A), -1);
  EXPECT_EQ(S->IndexOf(B), 0);
  EXPECT_EQ(S->Facts().Lines(), (std::vector<std::string>{"(b x )", "(c 3)"}));

  // SetFact attaches without touching the text; nil detaches.
  S->SetFact(1, A);
  EXPECT_EQ(S->IndexOf(A), 1);
  EXPECT_EQ(S->Facts().Strings(1), "(c 3)");
  S->SetFact(0, nullptr);
  EXPECT_EQ(S->IndexOf(B), -1);

  EXPECT_EQ(MessageOf([&] { S->AddFact(nullptr); }), "A fact set line needs a fact");
  EXPECT_EQ(S->Count(), 2);
  EXPECT_TRUE(Engine->Read.empty());
}

TEST_F(FactSetTest, LineIndexesOutOfRangeAreListErrors) {
  TFactSet* S = NewObject<TFactSet>(nullptr);
  S->Facts().Add("(a 1)");
  TFactSetFacts& L = S->Facts();
  const std::function<void()> Calls[] = {
      [&] { S->GetFact(1); },          [&] { S->GetFact(-1); },
      [&] { S->SetFact(1, nullptr); }, [&] { L.Strings(1); },
      [&] { L.SetStrings(-1, "x"); },  [&] { L.GetData(1); },
      [&] { L.PutData(2, nullptr); },  [&] { L.Delete(1); },
      [&] { L.Insert(2, "x"); },       [&] { L.Insert(-1, "x"); },
  };
  for (size_t I = 0; I < std::size(Calls); ++I)
    EXPECT_THROW(Calls[I](), EListError) << "call " << I;
  EXPECT_EQ(L.Lines(), std::vector<std::string>{"(a 1)"});
  L.Insert(1, "(z 9)");  // at the end is a valid place
  L.Insert(0, "(y 8)");
  EXPECT_EQ(L.Lines(), (std::vector<std::string>{"(y 8)", "(a 1)", "(z 9)"}));
  Free(S);
}

TEST_F(FactSetTest, TheEngineReadsTheLinesOnceAndAgainOnlyWhenItChanges) {
  TFactSet* S = NewObject<TFactSet>(Engine);
  S->SetFacts({"(a 1)", "(b 2)"});
  EXPECT_EQ(Engine->Read, (std::vector<std::string>{"(a 1)\r\n", "(b 2)\r\n"}));
  std::vector<IFact> First = Attached(S);
  ASSERT_TRUE(First[0] && First[1]);
  EXPECT_EQ(First[0]->Template(), Engine->FindFactTemplate("a"));

  S->SetEngine(Engine);
  EXPECT_EQ(Engine->Read.size(), 2u);
  EXPECT_EQ(Attached(S), First);
  EXPECT_EQ(S->GetFact(1), First[1]);  // attached: not read again
  EXPECT_EQ(Engine->Read.size(), 2u);

  // Another engine reads every line into facts of its own templates and lists the set.
  TReadingEngine* Other = NewObject<TReadingEngine>(nullptr);
  S->SetEngine(Other);
  EXPECT_EQ(Engine->FactSets().IndexOf(S), -1);
  EXPECT_EQ(Other->FactSets().IndexOf(S), 0);
  EXPECT_EQ(Other->Read.size(), 2u);
  std::vector<IFact> Second = Attached(S);
  ASSERT_TRUE(Second[0] && Second[1]);
  EXPECT_EQ(Second[0]->Template(), Other->FindFactTemplate("a"));
  EXPECT_NE(Second[0], First[0]);

  // A component that is no engine counts as none: facts dropped, text kept, nothing read.
  TComponent* NotAnEngine = NewObject<TComponent>(nullptr);
  S->SetEngine(NotAnEngine);
  EXPECT_EQ(S->Engine(), NotAnEngine);
  EXPECT_EQ(S->InferenceEngine(), nullptr);
  EXPECT_EQ(Other->FactSets().Count(), 0);
  EXPECT_EQ(Attached(S), (std::vector<IFact>{nullptr, nullptr}));
  EXPECT_EQ(S->GetFact(0), nullptr);
  EXPECT_EQ(S->Facts().Lines(), (std::vector<std::string>{"(a 1)", "(b 2)"}));
  // Freeing it is noticed like freeing an engine.
  Free(NotAnEngine);
  EXPECT_EQ(S->Engine(), nullptr);
  Free(Other);
}

TEST_F(FactSetTest, WithoutEngineTheTextStaysAndNothingIsRead) {
  TFactSet* S = NewObject<TFactSet>(Engine);
  IFact A = Fact("a", {NewInteger(1)});
  S->AddFact(A);
  S->Facts().Add("(b 2)");
  S->SetEngine(nullptr);
  EXPECT_EQ(Engine->FactSets().Count(), 0);
  EXPECT_EQ(S->Facts().Lines(), (std::vector<std::string>{"(a 1 )", "(b 2)"}));
  EXPECT_EQ(S->GetFact(0), nullptr);
  EXPECT_EQ(S->GetFact(1), nullptr);
  S->SetFacts({"(c 3)", "not a fact"});
  EXPECT_EQ(S->GetFact(1), nullptr);
  EXPECT_TRUE(Engine->Read.empty());
  EXPECT_EQ(S->GetToString(), "(deffacts FactSet\r\n    (c 3)\r\n    not a fact\r\n)");
  S->Reset();  // nothing to assert into
  // Changing the engine without reading leaves lines and facts alone.
  S->SetFact(0, A);
  S->SetEngineNoParse(Engine);
  EXPECT_EQ(S->Engine(), Engine);
  EXPECT_EQ(S->GetFact(0), A);
  EXPECT_TRUE(Engine->Read.empty());
}

TEST_F(FactSetTest, AReadErrorStopsAtTheLineThatRaisedIt) {
  TFactSet* S = NewObject<TFactSet>(Engine);
  EXPECT_THROW(S->SetFacts({"(a 1)", "(b", "(c 3)"}), EIEParseException);
  EXPECT_EQ(S->Count(), 3);
  std::vector<IFact> F = Attached(S);
  EXPECT_TRUE(F[0]);
  EXPECT_FALSE(F[1]);
  EXPECT_FALSE(F[2]);
  // The same when another engine takes the set over: nothing of the old engine stays attached.
  TReadingEngine* Other = NewObject<TReadingEngine>(nullptr);
  S->SetFact(2, Fact("c", {NewInteger(3)}));
  EXPECT_THROW(S->SetEngine(Other), EIEParseException);
  EXPECT_EQ(S->Engine(), Other);
  F = Attached(S);
  ASSERT_TRUE(F[0]);
  EXPECT_EQ(F[0]->Template(), Other->FindFactTemplate("a"));
  EXPECT_FALSE(F[1]);
  EXPECT_FALSE(F[2]);
  // Printing does not fail on it: the line prints as written.
  EXPECT_EQ(S->GetToString(), "(deffacts FactSet\r\n    (a 1 )\r\n    (b\r\n    (c 3 )\r\n)");
  Free(Other);
}

TEST_F(FactSetTest, ResetAssertsResolvedClonesInOrderAndSkipsUnreadableLines) {
  // The engine without a fact reader: line 2 has text only and cannot be read.
  TInferenceEngine* Plain = NewObject<TInferenceEngine>(nullptr);
  TFactSet* S = NewObject<TFactSet>(Plain);
  IFact A = Fact("a", {NewInteger(1), NewVariable("x")}, Plain);
  IFact C = Fact("c", {NewInteger(3)}, Plain);
  S->AddFact(A);
  S->Facts().Add("(b 2");
  S->AddFact(C);
  Plain->GlobalContext()->AddGlobalBinding("x", NewAtom("seven"));
  ASSERT_NO_THROW(S->Reset());
  EXPECT_EQ(Asserted(Plain), (std::vector<std::string>{"(a 1 seven )", "(c 3 )"}));
  // Clones were asserted and resolved; the set's own facts are untouched.
  for (const IFact& F : Plain->FactList()) {
    EXPECT_NE(F, A);
    EXPECT_NE(F, C);
  }
  EXPECT_EQ(A->ToString(), "(a 1 ?x )");
  EXPECT_EQ(A->ID(), -1);
  EXPECT_EQ(S->Facts().GetData(1), nullptr);

  // The engine's reset asserts them again, after (Initial-Fact).
  ASSERT_NO_THROW(Plain->Reset());
  ASSERT_EQ(Plain->FactCount(), 3);
  EXPECT_EQ(Plain->FactList()[0]->Template()->TemplateName(), SInitialFactPattern);
  EXPECT_EQ(Asserted(Plain)[1], "(c 3 )");
  Free(Plain);
}

TEST_F(FactSetTest, ResetReadsTextLinesWithTheEngine) {
  TFactSet* S = NewObject<TFactSet>(nullptr);
  S->SetFacts({"(b 2)", "(b", "(a 1)"});
  S->SetEngineNoParse(Engine);
  Engine->FactSets().Add(S);
  Engine->Reset();
  EXPECT_EQ(Asserted(Engine), (std::vector<std::string>{"(b 2 )", "(a 1 )"}));
  // What was read stays attached; the unreadable line is tried again at the next reset.
  EXPECT_EQ(Engine->Read.size(), 3u);
  Engine->Reset();
  EXPECT_EQ(Engine->Read.size(), 4u);
  EXPECT_EQ(Engine->Read.back(), "(b\r\n");
  Free(S);
}

TEST_F(FactSetTest, PrintedForm) {
  struct Case {
    const char* Name;
    const char* Comment;
    std::vector<IFact> Facts;
    std::string Expected;
  };
  const Case Cases[] = {
      {"start",
       "",
       {Fact("a", {NewInteger(1)}), Fact("b", {NewInteger(2)})},
       "(deffacts start\r\n    (a 1 )\r\n    (b 2 )\r\n)"},
      {"start", "first facts", {}, "(deffacts start \"first facts\"\r\n)"},
      {"q",
       R"(say "hi" \o/)",
       {Fact("a", {})},
       "(deffacts q \"say \\\"hi\\\" \\\\o/\"\r\n    (a)\r\n)"},
      // A string over several lines is written as it is: indenting it would change it.
      {"m",
       "",
       {Fact("s", {NewString("one\r\ntwo")})},
       "(deffacts m\r\n    (s \"one\r\ntwo\" )\r\n)"},
  };
  for (const Case& C : Cases) {
    TFactSet* S = NewObject<TFactSet>(nullptr);
    S->SetFactSetName(C.Name);
    S->SetComment(C.Comment);
    for (const IFact& F : C.Facts) S->AddFact(F);
    EXPECT_EQ(S->GetToString(), C.Expected) << C.Name;
    // With an engine the text is the same.
    S->SetEngineNoParse(Engine);
    EXPECT_EQ(S->GetToString(), C.Expected) << C.Name;
    Free(S);
  }
  EXPECT_TRUE(Engine->Read.empty());
}

TEST_F(FactSetTest, ASetOfATakenNameDetachesTheListedOne) {
  TFactSet* First = NewObject<TFactSet>(Engine);
  First->SetFactSetName("s");
  IFact A = Fact("a", {NewInteger(1)});
  First->AddFact(A);
  TFactSet* Other = NewObject<TFactSet>(Engine);  // "FactSet": no clash
  ASSERT_EQ(Engine->FactSets().Count(), 2);

  TFactSet* Second = NewObject<TFactSet>(nullptr);
  Second->SetFactSetName("s");
  Second->SetEngine(Engine);
  EXPECT_EQ(First->Engine(), nullptr);
  EXPECT_EQ(First->Facts().Lines(), std::vector<std::string>{"(a 1 )"});
  EXPECT_EQ(First->GetFact(0), nullptr);
  EXPECT_EQ(Engine->FactSets().IndexOf(First), -1);
  EXPECT_EQ(Engine->FactSets().IndexOf("s"), Engine->FactSets().IndexOf(Second));
  EXPECT_EQ(Engine->FactSets().IndexOf(Other), 0);

  // Through the list: the same, and the set gets the list's engine.
  TFactSet* Third = NewObject<TFactSet>(nullptr);
  Third->SetFactSetName("s");
  Engine->FactSets().Add(Third);
  EXPECT_EQ(Third->Engine(), Engine);
  EXPECT_EQ(Second->Engine(), nullptr);
  EXPECT_EQ(Engine->FactSets().Count(), 2);

  // Moving a set from one engine's list to another's takes it off the first.
  TReadingEngine* E2 = NewObject<TReadingEngine>(nullptr);
  E2->FactSets().Add(Third);
  EXPECT_EQ(Third->Engine(), E2);
  EXPECT_EQ(Engine->FactSets().IndexOf(Third), -1);
  EXPECT_EQ(E2->FactSets().IndexOf(Third), 0);
  Free(Third);
  EXPECT_EQ(E2->FactSets().Count(), 0);
  Free(E2);
  Free(Second);
}

TEST_F(FactSetTest, FreeingTheEngineOrTheSetLeavesNoDanglingLink) {
  // The engine goes first: the set stays without engine, its lines kept.
  TComponent* Form = NewObject<TComponent>(nullptr);
  auto* E = NewObject<TReadingEngine>(Form);
  TFactSet* Loose = NewObject<TFactSet>(nullptr);
  TFactSet* Sibling = NewObject<TFactSet>(Form);
  TFactSet* Owned = NewObject<TFactSet>(E);
  Owned->SetFactSetName("owned");
  for (TFactSet* S : {Loose, Sibling}) {
    S->SetFactSetName(S == Loose ? "loose" : "sibling");
    S->SetEngine(E);
    S->AddFact(Fact("a", {NewInteger(1)}, E));
  }
  ASSERT_EQ(E->FactSets().Count(), 3);
  Free(E);
  for (TFactSet* S : {Loose, Sibling}) {
    EXPECT_EQ(S->Engine(), nullptr);
    EXPECT_EQ(S->Facts().Lines(), std::vector<std::string>{"(a 1 )"});
    EXPECT_EQ(S->GetFact(0), nullptr);
    S->Reset();
  }
  Free(Loose);
  Free(Form);

  // The set goes first: it leaves the engine's list, and the engine's reset goes on without it.
  TFactSet* Gone = NewObject<TFactSet>(nullptr);
  Gone->SetFactSetName("gone");
  Gone->SetEngine(Engine);
  TFactSet* Kept = NewObject<TFactSet>(Engine);
  Kept->SetFactSetName("kept");  // the next new set takes the default name
  Kept->AddFact(Fact("k", {}));
  TFactSet* OwnedGone = NewObject<TFactSet>(Engine);
  OwnedGone->SetFactSetName("owned");
  ASSERT_EQ(Engine->FactSets().Count(), 3);
  Free(Gone);
  Free(OwnedGone);
  EXPECT_EQ(Engine->FactSets().Count(), 1);
  EXPECT_EQ(Engine->FactSets().Items(0), Kept);
  Engine->Reset();
  EXPECT_EQ(Asserted(Engine), std::vector<std::string>{"(k)"});

  // An owner frees its components last-first, all marked as going beforehand: the set goes
  // before the engine and still leaves its list.
  TComponent* Owner = NewObject<TComponent>(nullptr);
  auto* Shared = NewObject<TReadingEngine>(Owner);
  int Listed = -1;
  Shared->ListedWhenFreed = &Listed;
  NewObject<TFactSet>(Owner)->SetEngine(Shared);
  ASSERT_EQ(Shared->FactSets().Count(), 1);
  Free(Owner);
  EXPECT_EQ(Listed, 0);

  // A set that only watches an engine (not listed) is told when the engine goes.
  auto* Watched = NewObject<TReadingEngine>(nullptr);
  TFactSet* Watcher = NewObject<TFactSet>(nullptr);
  Watcher->SetEngineNoParse(Watched);
  Free(Watched);
  EXPECT_EQ(Watcher->Engine(), nullptr);
  Watcher->SetEngine(Engine);
  EXPECT_EQ(Watcher->Engine(), Engine);
  Free(Watcher);
}

TEST_F(FactSetTest, AssignAndClone) {
  TFactSet* Source = NewObject<TFactSet>(Engine);
  Source->SetFactSetName("src");
  Source->SetComment("c");
  IFact A = Fact("a", {NewInteger(1)});
  Source->AddFact(A);
  Source->AddFact(Fact("b", {NewAtom("x")}));

  // Not owned by an engine: clones of the facts, and no engine.
  TFactSet* Copy = Source->Clone(nullptr);
  EXPECT_EQ(Copy->FactSetName(), "src");
  EXPECT_EQ(Copy->Comment(), "c");
  EXPECT_EQ(Copy->Engine(), nullptr);
  EXPECT_EQ(Copy->Facts().Lines(), Source->Facts().Lines());
  ASSERT_TRUE(Copy->Facts().GetData(0));
  EXPECT_NE(Copy->Facts().GetData(0), A);
  EXPECT_TRUE(Copy->Facts().GetData(0)->Equals(A.Get()));
  EXPECT_EQ(Copy->GetToString(), Source->GetToString());
  EXPECT_TRUE(Engine->Read.empty());

  // Assigning replaces everything; a line that nobody read stays as text.
  Copy->SetComment("old");
  Copy->Facts().Add("(z 9)");
  Source->SetEngine(nullptr);
  Source->Facts().Add("(t 7)");
  Copy->Assign(Source);
  EXPECT_EQ(Copy->Facts().Lines(), (std::vector<std::string>{"(a 1 )", "(b x )", "(t 7)"}));
  EXPECT_EQ(Copy->Facts().GetData(0), nullptr);
  EXPECT_EQ(Copy->Comment(), "c");
  Copy->Assign(Copy);
  EXPECT_EQ(Copy->Count(), 3);

  // Owned by an engine: that engine reads the printed facts.
  Source->SetFact(0, A);
  TFactSet* Read = Source->Clone(Engine);
  EXPECT_EQ(Engine->Read, (std::vector<std::string>{"(a 1 )\r\n", "(b x )\r\n", "(t 7)\r\n"}));
  EXPECT_EQ(Read->Engine(), Engine);
  EXPECT_EQ(Read->Facts().Lines(), (std::vector<std::string>{"(a 1 )", "(b x )", "(t 7 )"}));
  for (int I = 0; I < Read->Count(); ++I) {
    ASSERT_TRUE(Read->Facts().GetData(I)) << I;
    EXPECT_EQ(Read->Facts().GetData(I)->TemplatePtr()->Owner(), Engine) << I;
  }
  EXPECT_NE(Read->Facts().GetData(0), A);

  // A clone whose lines the engine cannot read is not left behind.
  Source->Facts().Add("(broken");
  const int Components = Engine->ComponentCount();
  EXPECT_THROW(Source->Clone(Engine), EIEParseException);
  EXPECT_EQ(Engine->ComponentCount(), Components);

  // Anything but a fact set cannot be assigned, either way.
  TComponent* NotASet = NewObject<TComponent>(nullptr);
  EXPECT_THROW(Copy->Assign(NotASet), EConvertError);
  std::vector<IFact> Facts{A};
  Copy->Facts().AssignTo(Facts);
  EXPECT_EQ(Facts, (std::vector<IFact>{nullptr, nullptr, nullptr}));
  EXPECT_THROW(Copy->Facts().AssignTo(NotASet), EConvertError);
  EXPECT_THROW(Copy->Facts().Assign(NotASet), EConvertError);
  Free(NotASet);
  Free(Copy);
}

TEST_F(FactSetTest, LoadedResetsOutsideDesignTime) {
  for (bool Designing : {false, true}) {
    TReadingEngine* E = NewObject<TReadingEngine>(nullptr);
    TFactSet* S = NewObject<TFactSet>(E);
    S->AddFact(Fact("a", {NewInteger(1)}, E));
    S->SetDesigning(Designing);
    S->SetLoading(true);
    S->Loaded();
    EXPECT_FALSE(S->ComponentState().Contains(csLoading));
    EXPECT_EQ(Asserted(E).size(), Designing ? 0u : 1u) << Designing;
    Free(E);
  }
}

TEST_F(FactSetTest, PublishedPropertiesStreamAndSetTheEngine) {
  const TClassInfo* Info = TClassRegistry::Instance().Find("TFactSet");
  ASSERT_NE(Info, nullptr);
  for (const char* P : {"Comment", "FactSetName", "Engine"})
    EXPECT_NE(Info->FindProperty(P), nullptr) << P;

  TFactSet* S = NewObject<TFactSet>(nullptr);
  SetPropValue(S, "Engine", static_cast<TObject*>(Engine));
  EXPECT_EQ(S->Engine(), Engine);
  EXPECT_EQ(Engine->FactSets().IndexOf(S), 0);
  SetPropValue(S, "Engine", TPropValue());
  EXPECT_EQ(S->Engine(), nullptr);
  EXPECT_EQ(Engine->FactSets().Count(), 0);

  // Only what differs from the defaults is written, and it reads back.
  std::ostringstream Out;
  TWriter(Out).WriteComponent(S);
  EXPECT_EQ(Out.str(), "object TFactSet\nend\n");
  S->SetFactSetName("start");
  S->SetComment("a \"quoted\"\r\nnote");
  std::ostringstream Out2;
  TWriter(Out2).WriteComponent(S);
  TFactSet* Back = NewObject<TFactSet>(Engine);
  std::istringstream In(Out2.str());
  TReader(In).ReadComponent(Back);
  EXPECT_EQ(Back->FactSetName(), "start");
  EXPECT_EQ(Back->Comment(), S->Comment());
  Free(S);
}

}  // namespace
}  // namespace norvale
