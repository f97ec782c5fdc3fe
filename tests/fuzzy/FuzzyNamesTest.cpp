#include <gtest/gtest.h>

#include <string>

#include "fuzzy/FuzzyNames.h"

using namespace norvale;

TEST(FuzzyNames, EnumerationKeywords) {
  struct {
    const char* Word;
    int Correlation, Inference, Operation;  // -1: not recognised
  } Cases[] = {
      {"minimum", fcmMinimum, -1, -1},
      {"PRODUCT", fcmProduct, fimProduct, foProduct},
      {"min-max", -1, fimMinMax, -1},
      {"MinMax", -1, fimMinMax, -1},
      {"fimMinMax", -1, fimMinMax, -1},
      {"bounded-sum", -1, fimBoundedSum, foBoundedSum},
      {"sum", -1, fimSum, foSum},
      {"mean", -1, fimMean, foMean},
      {"Zadeh", -1, -1, foZadeh},
      {"mean-sqr", -1, -1, foMeanSqr},
      {"mean-sqrt", -1, -1, foMeanSqrt},
      {"fcmProduct", fcmProduct, -1, -1},
      {"max", -1, -1, -1},
      {"", -1, -1, -1},
  };
  for (auto C : Cases) {
    TFuzzyCorrelationMethod M = fcmMinimum;
    TFuzzyInferenceMethod I = fimMinMax;
    TFuzzyOperation O = foZadeh;
    EXPECT_EQ(IsFuzzyCorrelation(C.Word, M) ? int(M) : -1, C.Correlation) << C.Word;
    EXPECT_EQ(IsFuzzyInference(C.Word, I) ? int(I) : -1, C.Inference) << C.Word;
    EXPECT_EQ(IsFuzzyOperation(C.Word, O) ? int(O) : -1, C.Operation) << C.Word;
  }
}

TEST(FuzzyNames, EveryTableEntryIsRecognisedAsItsOwnValue) {
  for (size_t I = 0; I < FuzzyCorrelationNames.size(); ++I) {
    TFuzzyCorrelationMethod M;
    ASSERT_TRUE(IsFuzzyCorrelation(FuzzyCorrelationNames[I], M));
    EXPECT_EQ(M, static_cast<int>(I));
  }
  for (size_t I = 0; I < FuzzyInferenceNames.size(); ++I) {
    TFuzzyInferenceMethod M;
    ASSERT_TRUE(IsFuzzyInference(FuzzyInferenceNames[I], M));
    EXPECT_EQ(M, static_cast<int>(I));
  }
  for (size_t I = 0; I < FuzzyOperationNames.size(); ++I) {
    TFuzzyOperation O;
    ASSERT_TRUE(IsFuzzyOperation(FuzzyOperationNames[I], O));
    EXPECT_EQ(O, static_cast<int>(I));
    for (bool Union : {true, false}) {
      bool U = !Union;
      TFuzzyOperation K = foSum;
      std::string Word = FuzzyKeywordName(Union, O);
      ASSERT_TRUE(IsFuzzyKeyword(Word, U, K)) << Word;
      EXPECT_EQ(U, Union) << Word;
      EXPECT_EQ(K, O) << Word;
    }
  }
  for (size_t I = 0; I < FuzzyHedgeNames.size(); ++I) {
    TFuzzyHedge H;
    ASSERT_TRUE(IsFuzzyHedge(FuzzyHedgeNames[I], H));
    EXPECT_EQ(H, static_cast<int>(I));
    EXPECT_EQ(FuzzyHedgeName(H), FuzzyHedgeNames[I]);
  }
  for (int I = 0; I < 8; ++I) {
    for (bool Flag : {true, false}) {
      auto B = static_cast<TBaseFuzzyHedge>(I);
      TBaseFuzzyHedge Got = bfhSum;
      bool GotFlag = !Flag;
      ASSERT_TRUE(IsFuzzyHedgeOperator(FuzzyHedgeOperatorName(B, Flag), Got, GotFlag));
      EXPECT_EQ(Got, B);
      EXPECT_EQ(GotFlag, Flag);
    }
  }
}

TEST(FuzzyNames, ExpressionWords) {
  struct {
    const char* Word;
    bool IsKeyword, Union;
    TFuzzyOperation Operation;
  } Keywords[] = {
      {"or", true, true, foZadeh},           {"AND", true, false, foZadeh},
      {"or-product", true, true, foProduct}, {"And-Bounded-Sum", true, false, foBoundedSum},
      {"or-", false, false, foZadeh},        {"or-very", false, false, foZadeh},
      {"xor", false, false, foZadeh},        {"very", false, false, foZadeh},
  };
  for (auto C : Keywords) {
    bool U = false;
    TFuzzyOperation O = foZadeh;
    ASSERT_EQ(IsFuzzyKeyword(C.Word, U, O), C.IsKeyword) << C.Word;
    if (!C.IsKeyword) continue;
    EXPECT_EQ(U, C.Union) << C.Word;
    EXPECT_EQ(O, C.Operation) << C.Word;
  }

  TFuzzyHedge H;
  ASSERT_TRUE(IsFuzzyHedge("More-Or-Less", H));
  EXPECT_EQ(H, fhSomewhat);
  EXPECT_TRUE(IsFuzzyHedge("VERY", H));
  EXPECT_EQ(H, fhVery);
  EXPECT_FALSE(IsFuzzyHedge("or", H));

  TBaseFuzzyHedge B;
  bool Flag = false;
  ASSERT_TRUE(IsFuzzyHedgeOperator("at-most", B, Flag));
  EXPECT_EQ(B, 7);
  EXPECT_TRUE(Flag);
  ASSERT_TRUE(IsFuzzyHedgeOperator("TIMES", B, Flag));
  EXPECT_EQ(B, 2);
  ASSERT_TRUE(IsFuzzyHedgeOperator("x-plus", B, Flag));
  EXPECT_EQ(B, bfhSum);
  EXPECT_FALSE(Flag);
  EXPECT_FALSE(IsFuzzyHedgeOperator("very", B, Flag));

  // No word is two things: the expression reader classifies by the first recogniser that fits.
  std::vector<std::string_view> All;
  for (auto W : FuzzyHedgeNames) All.push_back(W);
  for (auto W : FuzzyHedgeOperatorNames) All.push_back(W);
  for (auto W : FuzzyXHedgeOperatorNames) All.push_back(W);
  for (auto W : All) {
    bool U;
    TFuzzyOperation O;
    EXPECT_FALSE(IsFuzzyKeyword(W, U, O)) << W;
    EXPECT_NE(IsFuzzyHedge(W, H), IsFuzzyHedgeOperator(W, B, Flag)) << W;
  }
}

TEST(FuzzyNames, FormatStrAndTheEmptySetName) {
  EXPECT_EQ(FuzzyFormatStr(1.0), "1.00");
  EXPECT_EQ(FuzzyFormatStr(0.05), "0.05");
  EXPECT_EQ(FuzzyFormatStr(0), "0.00");
  for (int R = 0; R <= 20; ++R) EXPECT_EQ(FuzzyFormatStr(R / 20.0).size(), 4u) << R;
  EXPECT_EQ(std::string(SEmptyFuzzy).rfind("__", 0), 0u);
}
