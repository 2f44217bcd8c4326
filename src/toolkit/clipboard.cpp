#include "toolkit/clipboard.h"

#include <cstring>

#include "platform/text.h"

namespace sw::tk {
namespace {

// Opens the clipboard for the lifetime of the object.
class ClipboardSession {
 public:
  explicit ClipboardSession(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardSession() {
    if (open_) CloseClipboard();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool Open() const { return open_; }

 private:
  bool open_;
};

}  // namespace

bool SetClipboardText(HWND owner, const std::string& text) {
  ClipboardSession session(owner);
  if (!session.Open()) return false;
  EmptyClipboard();
  std::wstring wide = Widen(text);
  size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return false;
  void* target = GlobalLock(memory);
  if (target == nullptr) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(target, wide.c_str(), bytes);
  GlobalUnlock(memory);
  if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
    GlobalFree(memory);  // ownership passes to the system only on success
    return false;
  }
  return true;
}

std::string ClipboardText(HWND owner) {
  ClipboardSession session(owner);
  if (!session.Open()) return {};
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (data == nullptr) return {};
  const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
  std::string result = text ? Narrow(text) : std::string();
  if (text) GlobalUnlock(data);
  return result;
}

}  // namespace sw::tk
