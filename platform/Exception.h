// The framework's exception classes.
#pragma once

#include <exception>
#include <string>

namespace norvale {

class TPersistent;

// Base of every exception the system raises: a std::exception with a settable message.
class Exception : public std::exception {
 public:
  explicit Exception(std::string Message = {}) : FMessage(std::move(Message)) {}
  ~Exception() override;

  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string Value) { FMessage = std::move(Value); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// The silent abort: callers that catch exceptions to report them let this one pass unseen.
class EAbort : public Exception {
 public:
  using Exception::Exception;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EInvalidCast : public Exception {
 public:
  explicit EInvalidCast(std::string Message = "Invalid class typecast")
      : Exception(std::move(Message)) {}
};

class EListError : public Exception {
 public:
  using Exception::Exception;
};

class EClassNotFound : public Exception {
 public:
  using Exception::Exception;
};

class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

// "Cannot assign a %s to a %s": an assignment between unrelated classes.
extern const char* const SAssignError;
std::string AssignErrorMessage(const TPersistent* Source, const TPersistent* Dest);
[[noreturn]] void RaiseAssignError(const TPersistent* Source, const TPersistent* Dest);

}  // namespace norvale
