// Seam: the user's locale (separators, date and time formats) and the clock,
// so that tests pin both.
#pragma once

#include <cstdint>
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

// The unit a size is shown in: the largest of GB, MB and KB (1024-based)
// that it reaches, else bytes.
struct TSizeUnit {
  std::uint64_t size = 1;
  const char* name = "bytes";
};
TSizeUnit SizeUnitFor(std::uint64_t bytes);
// `bytes` in `unit`, without the unit's name: whole bytes, else one decimal
// rounded to the nearest tenth, halves up ("1,3" for 1.25 GiB in GB).
std::string FormatInUnit(std::uint64_t bytes, const TSizeUnit& unit, const std::string& decimalSeparator);
// A size in its own unit: "3.1 GB", "512.0 MB", "12.5 KB" or "900 bytes".
std::string FormatSize(std::uint64_t bytes, const std::string& decimalSeparator = ".");

}  // namespace sw
