#include "platform/locale.h"

#include <cstdio>

namespace sw {

std::string FormatThousands(long long value, const std::string& separator) {
  bool negative = value < 0;
  unsigned long long magnitude =
      negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  std::string digits = std::to_string(magnitude);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

std::string FormatOneDecimal(double value, const std::string& decimalSeparator) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string result = text;
  const size_t point = result.find('.');
  if (point != std::string::npos) result.replace(point, 1, decimalSeparator);
  return result;
}

TSizeUnit SizeUnitFor(std::uint64_t bytes) {
  for (const TSizeUnit unit : {TSizeUnit{1ULL << 30, "GB"}, TSizeUnit{1ULL << 20, "MB"}, TSizeUnit{1ULL << 10, "KB"}})
    if (bytes >= unit.size) return unit;
  return TSizeUnit{};
}

std::string FormatInUnit(std::uint64_t bytes, const TSizeUnit& unit, const std::string& decimalSeparator) {
  if (unit.size <= 1) return std::to_string(bytes);
  // In whole numbers: a double would round an exact half either way.
  const std::uint64_t tenths = bytes / unit.size * 10 + (bytes % unit.size * 10 + unit.size / 2) / unit.size;
  return std::to_string(tenths / 10) + decimalSeparator + std::to_string(tenths % 10);
}

std::string FormatSize(std::uint64_t bytes, const std::string& decimalSeparator) {
  const TSizeUnit unit = SizeUnitFor(bytes);
  return FormatInUnit(bytes, unit, decimalSeparator) + " " + unit.name;
}

}  // namespace sw
