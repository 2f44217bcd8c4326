#include "platform/dpi.h"

namespace sw {
namespace {

// GetDpiForWindow exists from Windows 10 1607 on; looked up so that the
// program still starts on older systems.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn DpiForWindowEntry() {
  static GetDpiForWindowFn entry = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return entry;
}

}  // namespace

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

int DpiForWindow(HWND window) {
  if (auto entry = DpiForWindowEntry(); entry != nullptr && window != nullptr) {
    UINT dpi = entry(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

}  // namespace sw
