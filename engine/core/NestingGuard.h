// Nesting levels with a limit, counted by a guard that lives as long as one level.
#pragma once

namespace norvale {

// How deep something is nested now, and how deep it may go.
struct TNestingLevel {
  int Depth = 0;
  int Limit = 0;
};

// One level of nesting for as long as the guard lives. The caller asks Exceeded and raises its
// own error; the level is given back on every exit path.
class TNestingGuard {
 public:
  explicit TNestingGuard(TNestingLevel& Level) noexcept : FLevel(Level) { ++FLevel.Depth; }
  ~TNestingGuard() { --FLevel.Depth; }
  TNestingGuard(const TNestingGuard&) = delete;
  TNestingGuard& operator=(const TNestingGuard&) = delete;
  bool Exceeded() const noexcept { return FLevel.Depth > FLevel.Limit; }

 private:
  TNestingLevel& FLevel;
};

}  // namespace norvale
