// The program's exception family. Every exception carries a message text that
// the application's default handler shows in its error box; none of them may
// cross a Win32 or library callback (see toolkit/guard.h).
#pragma once

#include <stdexcept>
#include <string>

namespace sw {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// An operating-system failure, carrying the system's text for its error code.
class EOSError : public Exception {
 public:
  EOSError(unsigned long code, const std::string& message) : Exception(message), code_(code) {}
  unsigned long Code() const { return code_; }

 private:
  unsigned long code_;
};

// Raised from the last error of a failed call: "System Error.  Code: N.\r\n<text>".
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseOSError(unsigned long code);

// A registry value that cannot be read as the expected type, or a failed write.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// A failure of an input-output job such as printing.
class EInOutError : public Exception {
 public:
  EInOutError(unsigned long code, const std::string& message) : Exception(message), code_(code) {}
  unsigned long Code() const { return code_; }

 private:
  unsigned long code_;
};

}  // namespace sw
