#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "LanguageFixture.h"

namespace norvale {
namespace {

using ProgramTest = test::LanguageFixture;

// A whole program read from a file: types (a fuzzy one among them), templates, a fact set and a
// dozen rules with negation, exists, test, multifield segments, bound patterns, salience and a
// one-shot rule.
TEST_F(ProgramTest, AHouseholdLoadsResetsAndRuns) {
  std::ifstream In(std::string(NORVALE_FIXTURES) + "/household.clp");
  ASSERT_TRUE(In);
  Engine->Parse(In, true);
  EXPECT_EQ(Engine->Rules().Count(), 12);
  TakeConsole();
  Engine->Reset();
  EXPECT_EQ(Engine->Run(), 20);
  EXPECT_EQ(TakeConsole(),
            "counting the household\r\n"
            "Ann is a smith\r\n"
            "Bob is a smith\r\n"
            "Cid is a smith\r\n"
            "open the attic window\r\n"
            "heat the kitchen (<Fact-6>)\r\n"
            "a guest: Eve\r\n"
            "there are minors\r\n"
            "a guest: Dan\r\n"
            "Ann is forty\r\n"
            "Ann guards Bob (9)\r\n"
            "Ann guards Cid (4)\r\n"
            "Eve has no guardian here\r\n");
  std::vector<std::string> Derived;
  for (const IFact& F : Engine->FactList())
    if (F->ID() > 9) Derived.push_back(F->GetToString());
  EXPECT_EQ(Derived, (std::vector<std::string>{"(minor Eve )", "(adult Dan )", "(minor Cid )",
                                               "(minor Bob )", "(adult Ann )", "(guards Ann Bob )",
                                               "(guards Ann Cid )"}));
}

}  // namespace
}  // namespace norvale
