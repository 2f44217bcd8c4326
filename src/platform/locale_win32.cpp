#include "platform/locale_win32.h"

#include <windows.h>

#include "platform/text.h"

namespace sw {
namespace {

std::string LocaleText(LCTYPE type, const char* fallback) {
  wchar_t buffer[32] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 32) <= 0) return fallback;
  return Narrow(buffer);
}

SYSTEMTIME ToSystemTime(const LocalDateTime& when) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(when.year);
  st.wMonth = static_cast<WORD>(when.month);
  st.wDay = static_cast<WORD>(when.day);
  st.wHour = static_cast<WORD>(when.hour);
  st.wMinute = static_cast<WORD>(when.minute);
  st.wSecond = static_cast<WORD>(when.second);
  return st;
}

std::string FormatTime(const LocalDateTime& when, DWORD flags) {
  SYSTEMTIME st = ToSystemTime(when);
  wchar_t buffer[64] = {};
  if (GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &st, nullptr, buffer, 64) <= 0) return {};
  return Narrow(buffer);
}

}  // namespace

std::string Win32Locale::ThousandSeparator() { return LocaleText(LOCALE_STHOUSAND, ","); }
std::string Win32Locale::DecimalSeparator() { return LocaleText(LOCALE_SDECIMAL, "."); }

std::string Win32Locale::FormatShortDate(const LocalDateTime& when) {
  SYSTEMTIME st = ToSystemTime(when);
  wchar_t buffer[64] = {};
  if (GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, 64, nullptr) <= 0)
    return {};
  return Narrow(buffer);
}

std::string Win32Locale::FormatShortTime(const LocalDateTime& when) { return FormatTime(when, TIME_NOSECONDS); }
std::string Win32Locale::FormatLongTime(const LocalDateTime& when) { return FormatTime(when, 0); }

LocalDateTime Win32Locale::Now() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

}  // namespace sw
