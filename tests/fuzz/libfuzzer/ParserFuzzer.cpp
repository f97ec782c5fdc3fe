// libFuzzer entry of the parser fuzz target (built by tests/fuzz/run.sh with clang).
#include "fuzz/ParserFuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  norvale::fuzz::RunParserInput(Data, Size);
  return 0;
}
