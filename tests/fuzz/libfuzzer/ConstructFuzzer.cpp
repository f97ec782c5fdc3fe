// libFuzzer entry of the construct fuzz target (built by tests/fuzz/run.sh with clang).
#include "fuzz/ConstructFuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  norvale::fuzz::RunConstructInput(Data, Size);
  return 0;
}
