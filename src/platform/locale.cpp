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

}  // namespace sw
