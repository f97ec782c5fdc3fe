#include <gtest/gtest.h>

#include <sstream>

#include "platform/TextStream.h"

namespace norvale {
namespace {

TEST(TGTextStream, ReadsLinesOfEveryEndingWithPutBack) {
  TGTextStream S(std::string("  ab\r\ncd\nef\rgh"));
  S.SkipInLineSpaces();
  EXPECT_EQ(S.GetChar(), 'a');
  S.PutBack('a');
  S.PutBack('x');
  EXPECT_EQ(S.GetChar(), 'x');
  EXPECT_EQ(S.GetLine(), "ab");
  EXPECT_EQ(S.LineNumber(), 2);
  EXPECT_EQ(S.GetLine(), "cd");
  EXPECT_EQ(S.GetLine(), "ef");
  EXPECT_EQ(S.GetLine(), "gh");
  EXPECT_TRUE(S.IsEof());
  EXPECT_EQ(S.GetChar(), -1);
  EXPECT_EQ(S.GetLine(), "");
}

TEST(TGTextStream, OverStreamsAndFiles) {
  std::istringstream In("one\ntwo");
  TGTextStream R(In);
  EXPECT_EQ(R.GetLine(), "one");
  EXPECT_FALSE(R.IsEof());
  EXPECT_EQ(R.GetLine(), "two");
  EXPECT_TRUE(R.IsEof());

  std::ostringstream Out;
  {
    TGTextStream W(Out);
    W.Put("a");
    W.PutLine("b");
  }
  EXPECT_EQ(Out.str(), "ab\r\n");
  EXPECT_THROW(TGTextStream("/nonexistent/dir/file", tsmRead), EStreamError);
}

}  // namespace
}  // namespace norvale
