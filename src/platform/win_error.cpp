#include "platform/win_error.h"

#include <windows.h>

#include "platform/exceptions.h"
#include "platform/text.h"

namespace sw {

std::string SystemErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (n != 0 && buffer != nullptr) text.assign(buffer, n);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'.'))
    text.pop_back();
  if (text.empty()) return "Error " + std::to_string(code);
  return Narrow(text);
}

void RaiseOSError(unsigned long code) {
  throw EOSError(code, "System Error.  Code: " + std::to_string(code) + ".\r\n" + SystemErrorText(code));
}

void RaiseLastOSError() {
  DWORD code = GetLastError();
  // A failed call whose last error reads 0 is still a failure.
  if (code == 0) throw EOSError(0, "A call to an OS function failed");
  RaiseOSError(code);
}

}  // namespace sw
