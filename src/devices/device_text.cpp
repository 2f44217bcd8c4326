// Digit extraction and the printable-name check used for file-system names.
#include "devices/device_text.h"

#include <cstdint>
#include <string>

#include "platform/text_rules.h"

namespace sw {

int DigitsToInt(std::string_view text) {
  const std::string trimmed = Trim(text);
  int64_t value = 0;
  for (char c : trimmed) {
    if (c < '0' || c > '9') continue;
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) return INT32_MAX;
  }
  return static_cast<int>(value);
}

bool IsPrintableName(std::string_view text) {
  const std::string name = AsciiLower(Trim(text));
  if (name.empty()) return false;
  const std::string_view signs = "\"'():-+./";
  for (char c : name) {
    const bool accepted = c == ' ' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                          signs.find(c) != std::string_view::npos;
    if (!accepted) return false;
  }
  return true;
}

}  // namespace sw
