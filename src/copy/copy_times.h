// File times as the replace question shows them: the last-write time in the
// user's local time, in the user's short date and short time formats.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/locale.h"

namespace sw {

// A file time as one number of 100 ns units, as the listings record it.
inline std::uint64_t FileTimeValue(const FILETIME& time) {
  return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}
// The system's time now, in the same units.
inline std::uint64_t SystemTimeNow() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return FileTimeValue(now);
}

// The local date and time of a file time; 1 January 1900, 00:00 when the
// time cannot be converted.
LocalDateTime FileTimeToLocalDateTime(const FILETIME& time);

// Short date, a blank, short time.
std::string FormatFileTime(ILocale& locale, const FILETIME& time);

// "Replace <destination> created <time>\rwith <source> created <time>".
std::string ReplaceQuestionText(const std::string& destinationFile, const std::string& destinationTime,
                                const std::string& sourceFile, const std::string& sourceTime);

}  // namespace sw
