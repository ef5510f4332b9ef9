// The one exception base of the system (it carries the message, UTF-8) and the
// general exception kinds that the runtime library raises under it.
#pragma once

#include <exception>
#include <string>

namespace vt {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const { return FMessage; }

 private:
  std::string FMessage;
};

// A value of one class used as another: always "Invalid class typecast".
class EInvalidCast : public Exception {
 public:
  EInvalidCast() : Exception("Invalid class typecast") {}
};

// Text that is no number of the asked kind; a format that does not fit its arguments.
class EConvertError : public Exception {
  using Exception::Exception;
};

}  // namespace vt
