// Replays the parser fuzz corpus and the inputs that once failed as ordinary tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/ConstructFuzzTarget.h"
#include "fuzz/ParserFuzzTarget.h"

namespace norvale {
namespace {

// The inputs of one folder, each run through the target; how many there were. Prefix, when
// given, picks the files whose names start with it.
int ReplayFolder(const std::filesystem::path& Dir,
                 void (*Target)(const uint8_t*, size_t) = fuzz::RunParserInput,
                 const std::string& Prefix = "") {
  int Count = 0;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir)) {
    if (!Entry.is_regular_file()) continue;
    if (Entry.path().filename().string().rfind(Prefix, 0) != 0) continue;
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

// Inputs that once crashed, hung or broke the round trip. Those the construct target found
// ("construct-...") define templates that the parser target, which reads each call on its own,
// does not have: they replay through the construct target only.
TEST(ParserFuzzCorpus, EveryInputThatOnceFailedPasses) {
  const std::filesystem::path Dir =
      std::filesystem::path(NORVALE_FUZZ_CORPUS).parent_path() / "regressions";
  ASSERT_TRUE(std::filesystem::is_directory(Dir)) << Dir;
  int Count = 0;
  for (const char* Prefix : {"crash-", "timeout-", "parser-"})
    Count += ReplayFolder(Dir, fuzz::RunParserInput, Prefix);
  EXPECT_GT(Count, 0);
  EXPECT_GT(ReplayFolder(Dir, fuzz::RunConstructInput), 0);
}

}  // namespace
}  // namespace norvale
