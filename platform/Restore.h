// Temporary changes of a variable, undone on every exit path.
#pragma once

#include <utility>

namespace norvale {

// Sets Variable to Value for as long as the guard lives, then gives it its old value back.
template <class T>
class TRestore {
 public:
  TRestore(T& Variable, T Value) : FVariable(Variable), FOld(std::move(Variable)) {
    FVariable = std::move(Value);
  }
  ~TRestore() { FVariable = std::move(FOld); }
  TRestore(const TRestore&) = delete;
  TRestore& operator=(const TRestore&) = delete;

 private:
  T& FVariable;
  T FOld;
};

}  // namespace norvale
