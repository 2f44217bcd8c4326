// A small UI driver for the run script and end-to-end checks: finds a
// top-level window by its caption and acts on it through window messages.
//   uidriver wait  <caption> <timeout-ms>   exit 0 once the window is visible
//   uidriver close <caption>                ask the window to close
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

HWND FindVisibleWindow(const std::wstring& caption) {
  HWND window = FindWindowW(nullptr, caption.c_str());
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

std::wstring Widen(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(out.size() - 1);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: uidriver wait|close <caption> [timeout-ms]\n");
    return 2;
  }
  std::string command = argv[1];
  std::wstring caption = Widen(argv[2]);
  if (command == "wait") {
    DWORD timeout = argc > 3 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 10000;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout) {
      if (FindVisibleWindow(caption) != nullptr) return 0;
      Sleep(100);
    }
    return 1;
  }
  if (command == "close") {
    HWND window = FindWindowW(nullptr, caption.c_str());
    if (window == nullptr) return 1;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  return 2;
}
