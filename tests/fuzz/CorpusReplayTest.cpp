// Replays the parser fuzz corpus and the inputs that once failed as ordinary tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/ConstructFuzzTarget.h"
#include "fuzz/ParserFuzzTarget.h"

namespace norvale {
namespace {

// The inputs of one folder, each run through the target; how many there were.
int ReplayFolder(const std::filesystem::path& Dir,
                 void (*Target)(const uint8_t*, size_t) = fuzz::RunParserInput) {
  int Count = 0;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir)) {
    if (!Entry.is_regular_file()) continue;
    std::ifstream In(Entry.path(), std::ios::binary);
    std::string Data((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(Entry.path().filename().string());
    Target(reinterpret_cast<const uint8_t*>(Data.data()), Data.size());
    ++Count;
  }
  return Count;
}

TEST(ParserFuzzCorpus, EveryInputParsesPrintsAndReadsBack) {
  const std::filesystem::path Dir(NORVALE_FUZZ_CORPUS);
  ASSERT_TRUE(std::filesystem::is_directory(Dir)) << Dir;
  EXPECT_GT(ReplayFolder(Dir), 0);
}

TEST(ConstructFuzzCorpus, EveryFileRunsPrintsAndReadsBack) {
  const std::filesystem::path Dir =
      std::filesystem::path(NORVALE_FUZZ_CORPUS).parent_path() / "construct-corpus";
  ASSERT_TRUE(std::filesystem::is_directory(Dir)) << Dir;
  EXPECT_GT(ReplayFolder(Dir, fuzz::RunConstructInput), 0);
}

// Inputs that once crashed, hung or broke the round trip.
TEST(ParserFuzzCorpus, EveryInputThatOnceFailedPasses) {
  const std::filesystem::path Dir =
      std::filesystem::path(NORVALE_FUZZ_CORPUS).parent_path() / "regressions";
  ASSERT_TRUE(std::filesystem::is_directory(Dir)) << Dir;
  EXPECT_GT(ReplayFolder(Dir), 0);
  EXPECT_GT(ReplayFolder(Dir, fuzz::RunConstructInput), 0);
}

}  // namespace
}  // namespace norvale
