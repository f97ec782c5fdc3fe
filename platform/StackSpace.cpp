#include "platform/StackSpace.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#if defined(__linux__) && defined(__GLIBC__)
#include <pthread.h>
#define NORVALE_STACK_KNOWN 1
#endif

namespace norvale {

namespace {

struct TStackBounds {
  bool Read = false;
  uintptr_t Low = 0;  // the lowest address: stacks grow down
  size_t Size = 0;
};

const TStackBounds& Bounds() noexcept {
  thread_local TStackBounds B;
  if (B.Read) return B;
  B.Read = true;
#ifdef NORVALE_STACK_KNOWN
  pthread_attr_t Attr;
  if (pthread_getattr_np(pthread_self(), &Attr) == 0) {
    void* Address = nullptr;
    size_t Size = 0;
    if (pthread_attr_getstack(&Attr, &Address, &Size) == 0) {
      B.Low = reinterpret_cast<uintptr_t>(Address);
      B.Size = Size;
    }
    pthread_attr_destroy(&Attr);
  }
#endif
  return B;
}

}  // namespace

size_t StackSpaceLeft() noexcept {
  const TStackBounds& B = Bounds();
  if (B.Size == 0) return std::numeric_limits<size_t>::max();
  const uintptr_t Here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  return Here > B.Low ? Here - B.Low : 0;
}

size_t StackReserve() noexcept {
  const size_t Size = Bounds().Size;
  if (Size == 0) return 0;
  return std::clamp<size_t>(Size / 8, size_t{64} << 10, size_t{1} << 20);
}

}  // namespace norvale
