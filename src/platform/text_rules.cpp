// The text rules shared by every subsystem: trimming, ASCII casing, line
// splitting, replacement and UTF-8 decoding. Plain logic, no Win32.
#include "platform/text_rules.h"

namespace sw {

std::string Trim(std::string_view text) {
  size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 32) ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32) --last;
  return std::string(text.substr(first, last - first));
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string current;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(current));
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(std::move(current));
  return lines;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  // Built front to back: replacing in place would move the tail once per
  // occurrence, which is quadratic in the length of the text.
  std::string out;
  size_t start = 0;
  for (size_t pos = text.find(from); pos != std::string_view::npos; pos = text.find(from, start)) {
    out.append(text, start, pos - start);
    out.append(to);
    start = pos + from.size();
  }
  out.append(text, start);
  return out;
}

namespace {

// The smallest code point each sequence length may carry.
constexpr char32_t kShortestForm[] = {0, 0x80, 0x800, 0x10000};

}  // namespace

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    bool valid = extra >= 0 && i + extra < text.size();
    char32_t code = valid ? (extra == 0 ? lead : lead & (0x3F >> extra)) : 0;
    for (int k = 1; valid && k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are invalid:
    // "C0 AA" must not read as "*".
    valid = valid && code >= kShortestForm[extra] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    if (valid) {
      out += code;
      i += extra + 1;
    } else {
      out += U'\uFFFD';
      ++i;
    }
  }
  return out;
}

}  // namespace sw
