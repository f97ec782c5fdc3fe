#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LanguageFixture.h"
#include "engine/rete/Rule.h"

namespace norvale {
namespace {

class ReplaceTest : public test::LanguageFixture {
 protected:
  std::vector<std::string> Facts() {
    std::vector<std::string> R;
    for (const IFact& F : Engine->FactList()) R.push_back(F->GetToIDString());
    return R;
  }
};

TEST_F(ReplaceTest, ATemplateReadAgainTakesItsFactsAndRulesAlong) {
  Engine->Parse(
      "(deftemplate p (slot a) (slot b))"
      "(defrule show (p (a ?x)) => (printout t \"a=\" ?x crlf))"
      "(defrule uses-b (p (b ?y)) => )",
      true);
  Engine->Assert("(p (a 1))");
  Engine->Assert("(p (a 2) (b 3))");
  Engine->Assert("(p (a 4))");
  Engine->Parse("(deftemplate p (slot a) (slot c (default 0)))", true);
  // Newest first, with new IDs; the fact with a b slot no longer reads and is gone, and so is
  // the rule on b.
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)", "f-4 (p (a 4) (c 0))",
                                               "f-5 (p (a 1) (c 0))"}));
  EXPECT_TRUE(Engine->Rules().Find("show"));
  EXPECT_FALSE(Engine->Rules().Find("uses-b"));
  // What was dropped is reported, one console line each, and kept for the host.
  const std::vector<std::string>& Dropped = Engine->DroppedDependencies();
  ASSERT_EQ(Dropped.size(), 2u);
  EXPECT_EQ(Dropped[0].rfind("(p (a 2) (b 3)): ", 0), 0u) << Dropped[0];
  EXPECT_NE(Dropped[0].find("\"b\""), std::string::npos) << Dropped[0];
  EXPECT_EQ(Dropped[1].rfind("(defrule uses-b (p (b ?y) ) => ): ", 0), 0u) << Dropped[1];
  const std::string Console = TakeConsole();
  for (const std::string& D : Dropped)
    EXPECT_NE(Console.find("\r\nDropped " + D + "\r\n"), std::string::npos) << Console;
  Engine->Run();
  EXPECT_EQ(TakeConsole(), "a=1\r\na=4\r\n");
}

TEST_F(ReplaceTest, ADefinedTypeReadAgainRebuildsTheTemplatesUsingIt) {
  Engine->Parse(
      "(deftype colour extends (type SYMBOL) (allowed-symbols red green blue))"
      "(deftemplate car (slot colour (type colour)) (slot id))"
      "(deftemplate bike (slot id))",
      true);
  Engine->Assert("(car (colour red) (id 1))");
  Engine->Assert("(car (colour blue) (id 2))");
  Engine->Assert("(bike (id 3))");
  IFactTemplate Bike = Engine->FactTemplates().Find("bike");
  Engine->Parse("(deftype colour extends (type SYMBOL) (allowed-symbols red green))", true);
  IFactTemplate Car = Engine->FactTemplates().Find("car");
  EXPECT_EQ(Car->GetSlot("colour")->ExtendedTypeInfo(), Engine->DefinedTypes().Find("colour"));
  EXPECT_EQ(Engine->FactTemplates().Find("bike"), Bike);  // untouched
  std::vector<std::string> F = Facts();
  EXPECT_EQ(F.size(), 3u);
  EXPECT_NE(std::find(F.begin(), F.end(), "f-4 (car (colour red) (id 1))"), F.end());
}

TEST_F(ReplaceTest, TextFormsOfAssertAndRetract) {
  Engine->Parse("(deftemplate p (slot a))", true);
  EXPECT_EQ(Engine->Assert("(p (a =(+ 1 2)))"), 1);
  EXPECT_EQ(Engine->Assert("(p (a 3))"), -1);  // the same fact
  Engine->Retract("(p (a 3))");
  EXPECT_EQ(Facts(), (std::vector<std::string>{"f-0 (Initial-Fact)"}));
}

TEST_F(ReplaceTest, RegistriesCopyAndStreamThroughText) {
  Engine->Parse(
      "(deftype age extends (type INTEGER) (range 0 120))"
      "(deftemplate person (slot name) (slot age (type age)))"
      "(defrule old (person (name ?n) (age ?a&:(< 99 ?a))) => (printout t ?n crlf))"
      "(defglobal ?*limit* = 99)",
      true);
  Engine->EngineVariables().Put("a b", NewString("x\"y"));
  auto* Other = NewObject<TInferenceEngine>(nullptr);
  test::LanguageFixture::AddTestFunctions(Other);
  Other->DefinedTypes().ReadStreamTexts(Engine->DefinedTypes().StreamTexts());
  Other->FactTemplates().ReadStreamTexts(Engine->FactTemplates().StreamTexts());
  Other->Rules().Assign(Engine->Rules());
  Other->GlobalVariables().ReadStreamTexts(Engine->GlobalVariables().StreamTexts());
  Other->EngineVariables().ReadStreamTexts(Engine->EngineVariables().StreamTexts());
  EXPECT_EQ(Other->DefinedTypes().StreamTexts(), Engine->DefinedTypes().StreamTexts());
  EXPECT_EQ(Other->FactTemplates().Find("person")->GetToString(),
            Engine->FactTemplates().Find("person")->GetToString());
  ASSERT_TRUE(Other->Rules().Find("old"));
  EXPECT_NE(Other->Rules().Find("old"), Engine->Rules().Find("old"));
  EXPECT_EQ(Other->GlobalContext()->GetVariable("*limit*")->GetToString(), "99");
  EXPECT_EQ(Other->EngineVariables().Get("a b")->GetToString(), "\"x\\\"y\"");
  std::string Out;
  Other->OnPrintOut = [&](TObject*, const std::string&, const std::string& T) { Out += T; };
  Other->Assert("(person (name Zed) (age 100))");
  Other->Run();
  EXPECT_EQ(Out, "Zed\r\n");
  Free(Other);
}

}  // namespace
}  // namespace norvale
