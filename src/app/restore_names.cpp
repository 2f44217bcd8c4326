#include "app/restore_names.h"

#include "platform/text_rules.h"

namespace sw::restore_names {
namespace {

constexpr std::string_view kForbidden = "\"*/:<>?\\|";
// Characters a short name may hold besides upper-case letters and digits.
constexpr std::string_view kShortNameSpecials = "!#$%&'()-@^_`{}~";
constexpr size_t kFatNameUnitsPerEntry = 13;
constexpr size_t kExfatNameUnitsPerEntry = 15;

size_t CeilDiv(size_t value, size_t divisor) { return (value + divisor - 1) / divisor; }

bool IsShortNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || kShortNameSpecials.find(c) != std::string_view::npos;
}

// The upper-case letter of `c` by the pairs of the file systems' upcase
// table that the planner knows; `c` itself for anything else.
char32_t UpperOf(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // Latin-1, not the division sign
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: pairs with the capital on the even code point, except
  // two runs where it sits on the odd one; dotless i, kra, the n with
  // apostrophe and the long s have no capital here.
  const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  if (oddCapitals) return (c % 2 == 0) ? c - 1 : c;
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~1u;
  // Greek, with the accented vowels and the final sigma.
  if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 0x20;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  // Cyrillic.
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

}  // namespace

std::string NameProblem(std::string_view name, const std::string& fileSystemName) {
  if (name.empty()) return "has an empty name";
  if (name == "." || name == "..") return "is not a name a file or folder can have";
  for (const char c : name) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20) return "holds a control character, which " + fileSystemName + " does not allow in a name";
    if (kForbidden.find(c) != std::string_view::npos)
      return "holds the character " + std::string(1, c) + ", which " + fileSystemName + " does not allow in a name";
  }
  if (Utf16Units(name) > kMaxNameUnits)
    return "has a name longer than " + std::to_string(kMaxNameUnits) + " characters, more than " + fileSystemName +
           " allows";
  return {};
}

size_t Utf16Units(std::string_view name) {
  size_t units = 0;
  for (const char32_t c : DecodeUtf8(name)) units += c > 0xFFFF ? 2 : 1;
  return units;
}

bool IsUpperShortName(std::string_view name) {
  const size_t dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
  if (dot != std::string_view::npos && extension.empty()) return false;  // "NAME." is stored without its dot
  for (const std::string_view part : {base, extension})
    for (const char c : part)
      if (!IsShortNameChar(c)) return false;  // a second dot fails here too
  return true;
}

size_t FatEntries(std::string_view name) {
  return IsUpperShortName(name) ? 1 : 1 + CeilDiv(Utf16Units(name), kFatNameUnitsPerEntry);
}

size_t ExfatEntries(std::string_view name) {
  // The file entry, the stream extension, then the name in pieces of 15.
  return 2 + CeilDiv(Utf16Units(name), kExfatNameUnitsPerEntry);
}

std::u32string FoldCase(std::string_view text) {
  std::u32string folded = DecodeUtf8(text);
  for (char32_t& c : folded) c = UpperOf(c);
  return folded;
}

}  // namespace sw::restore_names
