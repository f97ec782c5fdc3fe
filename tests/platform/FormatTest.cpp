#include <gtest/gtest.h>

#include "platform/Classes.h"
#include "platform/Format.h"

namespace norvale {
namespace {

TEST(Format, PlaceholdersOfTheCatalogue) {
  struct Case {
    const char* Fmt;
    std::initializer_list<TFormatArg> Args;
    const char* Expected;
  };
  const Case Cases[] = {
      {"%s and %s", {"a", "b"}, "a and b"},
      {"%d items", {42}, "42 items"},
      {"char \"%c\"", {'?'}, "char \"?\""},
      {"%.4f", {0.0}, "0.0000"},
      {"%.4f", {3.14159}, "3.1416"},
      {"%.4f-%.4f", {0.5, 9.5}, "0.5000-9.5000"},
      {"%7.2f|", {1.5}, "   1.50|"},
      {"100%%", {}, "100%"},
      {"%s", {7}, "7"},
      {"no placeholders", {}, "no placeholders"},
  };
  for (const Case& C : Cases) EXPECT_EQ(Format(C.Fmt, C.Args), C.Expected) << C.Fmt;
}

TEST(Format, TooFewArgumentsIsAConvertError) {
  EXPECT_THROW(Format("%s %s", {"a"}), EConvertError);
}

TEST(NumberReading, StrictDecimalNotation) {
  struct Case {
    const char* Text;
    bool IsInt;
    int32_t Int;
    bool IsFloat;
    double Float;
  };
  const Case Cases[] = {
      {"12", true, 12, true, 12},
      {"-3", true, -3, true, -3},
      {"+5", true, 5, true, 5},
      {"2.9", false, 0, true, 2.9},
      {"-2.9", false, 0, true, -2.9},
      {"1e3", false, 0, true, 1000},
      {"2.5E-1", false, 0, true, 0.25},
      {".5", false, 0, true, 0.5},
      {"5.", false, 0, true, 5},
      {" 12", false, 0, false, 0},
      {"12 ", false, 0, false, 0},
      {"12a", false, 0, false, 0},
      {"", false, 0, false, 0},
      {"-", false, 0, false, 0},
      {"abc", false, 0, false, 0},
      {"inf", false, 0, false, 0},
      {"nan", false, 0, false, 0},
      {"1e", false, 0, false, 0},
      {"0x10", false, 0, false, 0},
      {"2147483648", false, 0, true, 2147483648.0},
      {"-2147483648", true, INT32_MIN, true, -2147483648.0},
  };
  for (const Case& C : Cases) {
    int32_t I = 0;
    double F = 0;
    EXPECT_EQ(TryStrToInt(C.Text, I), C.IsInt) << C.Text;
    if (C.IsInt) {
      EXPECT_EQ(I, C.Int) << C.Text;
    }
    EXPECT_EQ(TryStrToFloat(C.Text, F), C.IsFloat) << C.Text;
    if (C.IsFloat) {
      EXPECT_DOUBLE_EQ(F, C.Float) << C.Text;
    }
  }
  EXPECT_THROW(StrToInt("x"), EConvertError);
}

TEST(TextHelpers, CaseInsensitiveComparison) {
  EXPECT_EQ(CompareText("abc", "ABD"), -1);
  EXPECT_TRUE(SameText("Initial-Fact", "initial-fact"));
  EXPECT_FALSE(SameText("a", "ab"));
  EXPECT_EQ(Trim("  x y \t"), "x y");
  EXPECT_EQ(StringReplaceAll("a\r\nb\r\n", "\r\n", "\r\n    "), "a\r\n    b\r\n    ");
}

enum TColour { clRed, clGreen, clBlue };

TEST(TSet, OneBitPerOrdinal) {
  TSet<TColour> S{clGreen, clBlue};
  EXPECT_EQ(S.Bits(), 0b110u);
  EXPECT_TRUE(S.Contains(clBlue));
  EXPECT_FALSE(S.Contains(clRed));
  EXPECT_EQ((S - TSet<TColour>{clGreen}).Bits(), 0b100u);
  EXPECT_EQ((S + clRed).Bits(), 0b111u);
  EXPECT_TRUE((TSet<TColour>{clBlue}).SubsetOf(S));
  EXPECT_TRUE(TSet<TColour>().Empty());
}

}  // namespace
}  // namespace norvale
