// Seam: the user's locale (separators, date and time formats) and the clock,
// so that tests pin both.
#pragma once

#include <string>

namespace sw {

struct LocalDateTime {
  int year = 1900, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
};

class ILocale {
 public:
  virtual ~ILocale() = default;
  virtual std::string ThousandSeparator() = 0;
  virtual std::string DecimalSeparator() = 0;
  virtual std::string FormatShortDate(const LocalDateTime& when) = 0;
  virtual std::string FormatShortTime(const LocalDateTime& when) = 0;
  virtual std::string FormatLongTime(const LocalDateTime& when) = 0;
  virtual LocalDateTime Now() = 0;
};

// Groups the digits of `value` in threes with `separator` ("1,234,567").
std::string FormatThousands(long long value, const std::string& separator);
// `value` with one decimal, written with `decimalSeparator` ("1,5").
std::string FormatOneDecimal(double value, const std::string& decimalSeparator);

}  // namespace sw
