// Exceptions of the whole program. Every failure travels as an exception
// carrying its message text; the application's top-level handler shows the
// text, and EAbort is the silent abort that shows nothing.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string &Message() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char *what() const noexcept override { return message_.c_str(); }

private:
  std::string message_;
};

// The silent abort: callers unwind, nobody shows anything.
class EAbort : public Exception {
public:
  explicit EAbort(std::string message = "Operation aborted") : Exception(std::move(message)) {}
};

class EConvertError : public Exception {
  using Exception::Exception;
};
class EStreamError : public Exception {
  using Exception::Exception;
};
class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};

// Raises the silent abort.
[[noreturn]] void Abort();
