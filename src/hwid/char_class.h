// The character classes the decoders use, fixed to the C locale's ASCII
// answers so that bytes 0x80..0xFF belong to none of them whatever the
// process locale is.
#pragma once

#include <cstdint>

namespace sw::hwid {

// Tab, line feed, vertical tab, form feed, carriage return, space.
constexpr bool IsBlank(uint8_t c) { return c == 0x20 || (c >= 0x09 && c <= 0x0D); }
constexpr bool IsPrintable(uint8_t c) { return c >= 0x20 && c <= 0x7E; }
constexpr bool IsLetterOrDigit(uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr uint8_t ToLowerAscii(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c; }

}  // namespace sw::hwid
