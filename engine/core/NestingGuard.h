// Nesting levels with a limit, counted by a guard that lives as long as one level.
#pragma once

#include "platform/StackSpace.h"

namespace norvale {

// How deep something is nested now, and how deep it may go.
struct TNestingLevel {
  int Depth = 0;
  int Limit = 0;
};

// One level of nesting for as long as the guard lives. The caller asks Exceeded and raises its
// own error; the level is given back on every exit path. Whatever the limit, a level is refused
// when the thread's stack is nearly used up (a sanitizer build or a host thread with a small
// stack reaches that before the limit).
class TNestingGuard {
 public:
  explicit TNestingGuard(TNestingLevel& Level) noexcept : FLevel(Level) { ++FLevel.Depth; }
  ~TNestingGuard() { --FLevel.Depth; }
  TNestingGuard(const TNestingGuard&) = delete;
  TNestingGuard& operator=(const TNestingGuard&) = delete;
  bool Exceeded() const noexcept {
    return FLevel.Depth > FLevel.Limit || StackSpaceLeft() < StackReserve();
  }

 private:
  TNestingLevel& FLevel;
};

}  // namespace norvale
