// How much stack the calling thread has left, for code that recurses on user input.
#pragma once

#include <cstddef>

namespace norvale {

// The bytes of the calling thread's stack below the caller's frame; the largest size_t when the
// platform does not tell.
size_t StackSpaceLeft() noexcept;
// The stack to keep free below the deepest recursion, for the work that reports the error: an
// eighth of the thread's stack, at least 64 KiB and at most 1 MiB.
size_t StackReserve() noexcept;

}  // namespace norvale
