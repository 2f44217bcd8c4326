#include "fakes/fake_locale.h"

#include <cstdio>

namespace sw::fakes {
namespace {

std::string Clock(const LocalDateTime& when, bool seconds) {
  int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;
  const char* half = when.hour < 12 ? "AM" : "PM";
  char buffer[32];
  if (seconds)
    std::snprintf(buffer, sizeof(buffer), "%d:%02d:%02d %s", hour12, when.minute, when.second, half);
  else
    std::snprintf(buffer, sizeof(buffer), "%d:%02d %s", hour12, when.minute, half);
  return buffer;
}

}  // namespace

std::string FakeLocale::FormatShortDate(const LocalDateTime& when) {
  return std::to_string(when.month) + "/" + std::to_string(when.day) + "/" + std::to_string(when.year);
}

std::string FakeLocale::FormatShortTime(const LocalDateTime& when) { return Clock(when, false); }
std::string FakeLocale::FormatLongTime(const LocalDateTime& when) { return Clock(when, true); }

}  // namespace sw::fakes
