// A fixed locale and clock: "," thousands, "." decimals, M/d/yyyy dates,
// h:mm AM/PM short times and h:mm:ss AM/PM long times.
#pragma once

#include <functional>

#include "platform/locale.h"
#include "fakes/user_acts.h"

namespace sw::fakes {

class FakeLocale : public ILocale {
 public:
  std::string ThousandSeparator() override {
    // The hook acts as the user would: on the window's thread, whichever
    // thread formats the number.
    if (onThousands) ActAsTheUser(onThousands);
    return thousands;
  }
  std::string DecimalSeparator() override { return "."; }
  std::string FormatShortDate(const LocalDateTime& when) override;
  std::string FormatShortTime(const LocalDateTime& when) override;
  std::string FormatLongTime(const LocalDateTime& when) override;
  LocalDateTime Now() override {
    if (onNow) ActAsTheUser(onNow);
    return now;
  }

  std::string thousands = ",";
  LocalDateTime now{2026, 12, 7, 14, 5, 9};
  // Runs whenever a number is formatted with thousands separators (once for
  // every file line a copy writes).
  std::function<void()> onThousands;
  // Runs whenever the clock is read.
  std::function<void()> onNow;
};

}  // namespace sw::fakes
