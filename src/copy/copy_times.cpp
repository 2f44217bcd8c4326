#include "copy/copy_times.h"

namespace sw {

LocalDateTime FileTimeToLocalDateTime(const FILETIME& time) {
  SYSTEMTIME universal{}, local{};
  if (!FileTimeToSystemTime(&time, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    return LocalDateTime{};
  return LocalDateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

std::string FormatFileTime(ILocale& locale, const FILETIME& time) {
  LocalDateTime when = FileTimeToLocalDateTime(time);
  return locale.FormatShortDate(when) + " " + locale.FormatShortTime(when);
}

std::string ReplaceQuestionText(const std::string& destinationFile, const std::string& destinationTime,
                                const std::string& sourceFile, const std::string& sourceTime) {
  return "Replace " + destinationFile + " created " + destinationTime + "\r" + "with " + sourceFile + " created " +
         sourceTime;
}

}  // namespace sw
