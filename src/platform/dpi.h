// Scaling of design pixels (96 dpi) to the monitor's dpi.
#pragma once

#include <windows.h>

namespace sw {

constexpr int kDesignDpi = 96;

// Pure: `pixels` at 96 dpi expressed at `dpi`, rounded to nearest.
constexpr int ScaleForDpi(int pixels, int dpi) {
  long long scaled = static_cast<long long>(pixels) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + kDesignDpi / 2) / kDesignDpi
                                      : -((-scaled + kDesignDpi / 2) / kDesignDpi));
}

// Font height in pixels (negative: character height) for `points` at `dpi`.
constexpr int FontHeightForDpi(int points, int dpi) { return -((points * dpi + 36) / 72); }

// The dpi of the window's monitor (96 when the system cannot tell).
int DpiForWindow(HWND window);
// The dpi of the primary monitor's system setting.
int SystemDpi();

}  // namespace sw
