// Replays the parser fuzz corpus (and the inputs that once failed) as an ordinary test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/ParserFuzzTarget.h"

namespace norvale {
namespace {

TEST(ParserFuzzCorpus, EveryInputParsesPrintsAndReadsBack) {
  const std::filesystem::path Dir = std::filesystem::path(NORVALE_FUZZ_CORPUS);
  ASSERT_TRUE(std::filesystem::is_directory(Dir)) << Dir;
  int Count = 0;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir)) {
    if (!Entry.is_regular_file()) continue;
    std::ifstream In(Entry.path(), std::ios::binary);
    std::string Data((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(Entry.path().filename().string());
    fuzz::RunParserInput(reinterpret_cast<const uint8_t*>(Data.data()), Data.size());
    ++Count;
  }
  EXPECT_GT(Count, 0);
}

}  // namespace
}  // namespace norvale
