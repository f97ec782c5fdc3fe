#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "LanguageFixture.h"
#include "engine/engine/FactSet.h"
#include "platform/Streaming.h"

namespace norvale {
namespace {

std::string ReadFile(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  EXPECT_TRUE(In.is_open()) << Path;
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// The whole-system text without its creation time.
std::string Masked(const std::string& Text) {
  return std::regex_replace(Text, std::regex("; Created: [^\r]*"), "; Created: <now>");
}

// A file in the temporary folder, removed when the test ends.
class TempFile {
 public:
  explicit TempFile(const std::string& Name)
      : FPath((std::filesystem::temp_directory_path() /
               ("norvale-" + std::to_string(::getpid()) + "-" + Name))
                  .string()) {}
  ~TempFile() { std::remove(FPath.c_str()); }
  const std::string& Path() const { return FPath; }
  std::string Text() const { return ReadFile(FPath); }
  void Write(const std::string& Text) const { std::ofstream(FPath, std::ios::binary) << Text; }

 private:
  std::string FPath;
};

class WholeSystemTest : public test::LanguageFixture {
 protected:
  // A second engine with the same test doubles, freed with the fixture.
  TInferenceEngine* NewEngine() {
    auto* E = NewObject<TInferenceEngine>(nullptr);
    AddTestFunctions(E);
    E->OnPrintOut = [this](TObject*, const std::string&, const std::string& Text) {
      OtherConsole += Text;
    };
    Others.push_back(E);
    return E;
  }
  void TearDown() override {
    for (TInferenceEngine* E : Others) Free(E);
    LanguageFixture::TearDown();
  }
  std::vector<std::string> FactTexts(TInferenceEngine* E) {
    std::vector<std::string> R;
    for (const IFact& F : E->FactList()) R.push_back(F->GetToIDString());
    return R;
  }
  // The rules fired by a reset and run, in order.
  static std::vector<std::string> Firings(TInferenceEngine* E) {
    std::vector<std::string> R;
    E->OnRuleFired = [&](TObject*, TRule* Rule) { R.push_back(Rule->RuleName()); };
    E->Reset();
    E->Run();
    E->OnRuleFired.Clear();
    return R;
  }

  std::vector<TInferenceEngine*> Others;
  std::string OtherConsole;
};

TEST_F(WholeSystemTest, AFreshEngineHasTheHeaderTheSettingAndTheInitialFact) {
  EXPECT_EQ(Masked(Engine->GetExpertSystem()),
            "; *************************\r\n"
            "; Inference Engine v2.0000 Output\r\n"
            "; Created: <now>\r\n"
            "; Number of Global Variables: 0\r\n"
            "; Number of Defined Types:    0\r\n"
            "; Number of Fact Templates:   2\r\n"
            "; Number of Rules:            0\r\n"
            "; Number of Fact Sets:        0\r\n"
            "; Number of Facts:            1\r\n"
            "(set-fact-duplication TRUE)\r\n"
            "\r\n"
            "; *************************\r\n"
            "; Fact Templates \r\n"
            "\r\n"
            "\r\n"
            "; *************************\r\n"
            "; Deffunctions \r\n"
            "\r\n"
            "; *************************\r\n"
            "; Facts \r\n"
            "\r\n"
            "(assert\r\n"
            "    (Initial-Fact)\r\n"
            ")\r\n");
  Engine->SetFactDuplication(true);
  EXPECT_NE(Engine->GetExpertSystem().find("\r\n(set-fact-duplication FALSE)\r\n"),
            std::string::npos);
}

// Knowledge bases that must come back whole: the text of an engine, read into a new engine,
// gives the same text again, and both engines fire the same rules with the same output.
TEST_F(WholeSystemTest, KnowledgeBasesReadBackToTheSameTextAndTheSameFirings) {
  const std::string Manners =
      ReadFile(std::string(NORVALE_EXAMPLES) + "/manners/manners.clp") +
      "(deffunction seated (?s ?n) TRUE)\n"
      "(deffacts guests\n"
      "  (guest (name n1) (sex m) (hobby 1)) (guest (name n1) (sex m) (hobby 2))\n"
      "  (guest (name n2) (sex f) (hobby 2)) (guest (name n2) (sex f) (hobby 3))\n"
      "  (guest (name n3) (sex m) (hobby 3)) (guest (name n3) (sex m) (hobby 1))\n"
      "  (guest (name n4) (sex f) (hobby 1)) (guest (name n4) (sex f) (hobby 2))\n"
      "  (last_seat (seat 4)) (count (c 1)) (context (state start)))\n";
  const std::string EveryKind =
      "(deftype percent extends (type INTEGER) (range 0 100) (units \"%\"))\n"
      "(deftype speed extends (type FUZZY) (range 0 100)\n"
      "  (values (term slow ((0 1) (40 0))) (term fast ((60 0) (100 1)))))\n"
      "(deftemplate car \"a \\\"fast\\\" one\" (slot name) (slot load (type percent) (default 5))\n"
      "  (slot v (type speed) (default slow)) (multislot tags (default a \"b c\" nil)))\n"
      "(deftemplate ask (slot what))\n"
      "(do-backward-chaining ask)\n"
      "(deffunction twice (?x) (* 2 ?x))\n"
      "(defglobal ?*limit* = (twice 40) ?*note* = \"line one\nline two\")\n"
      "(defrule heavy (declare (salience (twice 5)))\n"
      "  (car (name ?n) (load ?l&:(<= ?*limit* (twice ?l))))\n"
      "  (not (car (name ?n) (tags $? x $?)))\n"
      "  =>\n"
      "  (printout t ?n \" is heavy \" ?*note* crlf))\n"
      "(defrule quick (car (name ?n) (v very fast)) => (printout t ?n \" is quick\" crlf))\n"
      "(defrule needs (ask (what ?w)) => (printout t \"asked \" ?w crlf))\n"
      "(deffacts cars (car (name a) (load 50) (v fast)) (car (name b) (load 10) (tags x)))\n"
      "(assert (car (name c) (load 45) (tags nil)))\n";
  struct {
    const char* Name;
    std::string Text;
  } Cases[] = {
      {"household", ReadFile(std::string(NORVALE_FIXTURES) + "/household.clp")},
      {"manners", Manners},
      {"every kind", EveryKind},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TInferenceEngine* First = NewEngine();
    First->Parse(C.Text, true);
    First->Reset();
    const std::string Text = First->GetExpertSystem();
    TInferenceEngine* Second = NewEngine();
    Second->SetExpertSystem(Text);
    EXPECT_EQ(Masked(Second->GetExpertSystem()), Masked(First->GetExpertSystem()));
    OtherConsole.clear();
    const std::vector<std::string> Fired = Firings(First);
    const std::string Output = OtherConsole;
    OtherConsole.clear();
    EXPECT_FALSE(Fired.empty());
    EXPECT_EQ(Firings(Second), Fired);
    EXPECT_EQ(OtherConsole, Output);
    // Assign makes the same engine again.
    TInferenceEngine* Third = NewEngine();
    Third->Assign(First);
    EXPECT_EQ(Masked(Third->GetExpertSystem()), Masked(First->GetExpertSystem()));
    EXPECT_EQ(Firings(Third), Fired);
  }
}

TEST_F(WholeSystemTest, AGlobalThatCallsADeffunctionAndABackwardChainingTemplateReload) {
  Engine->Parse(
      "(deffunction start () 42)\n"
      "(defglobal ?*s* = (start))\n"
      "(deftemplate goal (slot g))\n"
      "(do-backward-chaining goal)\n"
      "(defrule show => (printout t \"s=\" ?*s* crlf))\n",
      true);
  TInferenceEngine* Copy = NewEngine();
  Copy->SetExpertSystem(Engine->GetExpertSystem());
  OtherConsole.clear();
  EXPECT_EQ(Copy->ParseNExecuteFunCall("(eq ?*s* 42)"), FCTrue);
  ASSERT_TRUE(Copy->FactTemplates().Find("goal"));
  EXPECT_TRUE(Copy->FactTemplates().Find("goal")->IsBackwardChaining());
  ASSERT_TRUE(Copy->FactTemplates().Find("need-goal"));
  EXPECT_EQ(Copy->FactTemplates().Find("need-goal")->GetToString(),
            Engine->FactTemplates().Find("need-goal")->GetToString());
  EXPECT_EQ(Firings(Copy), (std::vector<std::string>{"show"}));
  EXPECT_EQ(OtherConsole, "s=42\r\n");
}

TEST_F(WholeSystemTest, AStreamedEngineComesBackWithItsKnowledge) {
  Engine->Parse(ReadFile(std::string(NORVALE_FIXTURES) + "/household.clp"), true);
  Engine->Parse("(defglobal ?*n* = 3)", true);
  Engine->Reset();
  Engine->Assert("(family jones Dan)");
  Engine->SetStrategy(ssBreadthFirst);
  std::ostringstream Out;
  TWriter(Out).WriteComponent(Engine);
  for (const char* List : {"DefTypes = (", "Templates = (", "Variables = (", "Rules = (",
                           "FactSets = (", "FactsList = ("})
    EXPECT_NE(Out.str().find(List), std::string::npos) << List;
  TInferenceEngine* Copy = NewEngine();
  std::istringstream In(Out.str());
  TReader(In).ReadComponent(Copy);
  EXPECT_EQ(Copy->Strategy(), ssBreadthFirst);
  EXPECT_EQ(Masked(Copy->GetExpertSystem()), Masked(Engine->GetExpertSystem()));
}

TEST_F(WholeSystemTest, ASyntaxErrorLeavesWhatWasReadBeforeItAndNoReset) {
  Engine->Parse("(deftemplate old) (defrule r (old) =>)", true);
  EXPECT_THROW(Engine->SetExpertSystem("(deftemplate a (slot x))\n"
                                       "(deffacts d (a (x 1)))\n"
                                       "(defrule broken (a (x ?x)) => (\n"),
               EIEParseException);
  EXPECT_FALSE(Engine->FactTemplates().Find("old"));
  EXPECT_EQ(Engine->Rules().Count(), 0);
  EXPECT_TRUE(Engine->FactTemplates().Find("a"));
  EXPECT_EQ(Engine->FactSets().Count(), 1);
  EXPECT_EQ(Engine->FactCount(), 0);  // cleared and not reset: not even the initial fact
}

TEST_F(WholeSystemTest, ConstructFiles) {
  TempFile File("constructs.clp");
  // An engine with nothing but the initial fact saves that one fact.
  Engine->SaveFacts(File.Path());
  EXPECT_EQ(File.Text(), "(Initial-Fact)\r\n");

  Engine->Parse(
      "(deftemplate p (slot a)) (deftemplate P (slot a))"
      "(defrule r1 (p (a ?x)) =>) (defrule r2 (P (a ?x)) =>)",
      true);
  Engine->Assert("(p (a 1))");
  Engine->Assert("(P (a 2))");
  Engine->SaveFacts(File.Path(), "p");  // template names are case-sensitive
  EXPECT_EQ(File.Text(), "(p (a 1))\r\n");
  Engine->SaveFacts(File.Path(), "nobody");
  EXPECT_EQ(File.Text(), "");

  // Loading facts adds to what is there; an equal fact is not added again.
  File.Write("(p (a 1))\r\n(p (a 3))\r\n");
  Engine->LoadFacts(File.Path());
  EXPECT_EQ(FactTexts(Engine), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-1 (p (a 1))",
                                                         "f-2 (P (a 2))", "f-3 (p (a 3))"}));

  // A rules file replaces every rule, even an empty one.
  File.Write("");
  Engine->LoadRules(File.Path());
  EXPECT_EQ(Engine->Rules().Count(), 0);

  // A missing file raises before anything is cleared.
  Engine->Parse("(defrule r3 (p (a ?x)) =>)", true);
  EXPECT_THROW(Engine->LoadRules(File.Path() + ".missing"), EStreamError);
  EXPECT_THROW(Engine->LoadFactTemplates(File.Path() + ".missing"), EStreamError);
  EXPECT_EQ(Engine->Rules().Count(), 1);
  EXPECT_EQ(Engine->FactCount(), 4);

  // A templates file empties the fact base and the rules as well.
  Engine->SaveFactTemplates(File.Path());
  Engine->LoadFactTemplates(File.Path());
  EXPECT_EQ(Engine->Rules().Count(), 0);
  EXPECT_EQ(Engine->FactCount(), 0);
  EXPECT_TRUE(Engine->FactTemplates().Find("P"));
}

TEST_F(WholeSystemTest, ParentsAreWrittenBeforeWhatExtendsThem) {
  // Redefining the parents puts them behind their children in the tables.
  Engine->Parse(
      "(deftype small extends (type INTEGER) (range 0 10))"
      "(deftype tiny extends (type small) (range 0 3))"
      "(deftemplate base (slot a))"
      "(deftemplate derived extends base (slot b))"
      "(deftype small extends (type INTEGER) (range 0 20))"
      "(deftemplate base (slot a) (slot c))",
      true);
  std::ostringstream Types, Templates;
  Engine->SaveDefinedTypes(Types);
  Engine->SaveFactTemplates(Templates);
  EXPECT_LT(Types.str().find("(deftype small"), Types.str().find("(deftype tiny"));
  EXPECT_LT(Templates.str().find("(deftemplate base"),
            Templates.str().find("(deftemplate derived"));
  TInferenceEngine* Copy = NewEngine();
  std::istringstream TypeText(Types.str()), TemplateText(Templates.str());
  Copy->LoadDefinedTypes(TypeText);
  Copy->LoadFactTemplates(TemplateText);
  ASSERT_TRUE(Copy->DefinedTypes().Find("tiny"));
  EXPECT_EQ(Copy->DefinedTypes().Find("tiny")->Ancestor(), Copy->DefinedTypes().Find("small"));
  ASSERT_TRUE(Copy->FactTemplates().Find("derived"));
  EXPECT_EQ(Copy->FactTemplates().Find("derived")->Parent(), Copy->FactTemplates().Find("base"));
}

}  // namespace
}  // namespace norvale
