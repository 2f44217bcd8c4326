// Any mask against any name: a mask that parses must match exactly as a
// plain reference matcher does (memoised search straight over the mask's
// characters), in both dialects; and DecodeUtf8 must only ever give valid
// code points, giving back the very bytes it read when it replaced none.
#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <string>
#include <vector>

#include "copy/file_mask.h"
#include "fuzz_check.h"

namespace {

char32_t Fold(char32_t c) { return c >= U'A' && c <= U'Z' ? c + 32 : c; }
char32_t Upper(char32_t c) { return c >= U'a' && c <= U'z' ? c - 32 : c; }

std::string EncodeUtf8(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

class ReferenceMatcher {
 public:
  ReferenceMatcher(std::u32string mask, std::u32string name)
      : mask_(std::move(mask)), name_(std::move(name)), memo_((mask_.size() + 1) * (name_.size() + 1)) {}

  bool Match(size_t m, size_t n) {
    std::optional<bool>& known = memo_[m * (name_.size() + 1) + n];
    if (!known) known = Step(m, n);
    return *known;
  }

 private:
  bool Step(size_t m, size_t n) {
    if (m == mask_.size()) return n == name_.size();
    const char32_t c = mask_[m];
    if (c == U'*') return Match(m + 1, n) || (n < name_.size() && Match(m, n + 1));
    if (n == name_.size()) return false;
    if (c == U'?') return Match(m + 1, n + 1);
    if (c == U'[') {
      size_t end = m;
      const bool inSet = InSet(m + 1, name_[n], end);
      return inSet && Match(end, n + 1);
    }
    return Fold(c) == Fold(name_[n]) && Match(m + 1, n + 1);
  }

  // The set that starts at `at` (after "["), read member by member; `end`
  // is the position after its "]". The mask parsed, so the set is whole.
  bool InSet(size_t at, char32_t c, size_t& end) const {
    const bool negated = mask_[at] == U'!';
    if (negated) ++at;
    bool found = false;
    auto within = [c](char32_t low, char32_t high) {
      for (char32_t v : {c, Fold(c), Upper(c)})
        if (v >= low && v <= high) return true;
      return false;
    };
    while (mask_[at] != U']') {
      char32_t low = mask_[at], high = low;
      if (at + 2 < mask_.size() && mask_[at + 1] == U'-' && mask_[at + 2] != U']') {
        high = mask_[at + 2];
        if (high < low) std::swap(low, high);
        at += 3;
      } else {
        at += 1;
      }
      found = found || within(low, high);
    }
    end = at + 1;
    return found != negated;
  }

  std::u32string mask_, name_;
  std::vector<std::optional<bool>> memo_;
};

bool ReferenceMatches(const std::u32string& mask, const std::u32string& name) {
  return ReferenceMatcher(mask, name).Match(0, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string maskText = input.ConsumeRandomLengthString(48);
  const std::string nameText = input.ConsumeRandomLengthString(48);

  for (const std::string* text : {&maskText, &nameText}) {
    const std::u32string decoded = sw::DecodeUtf8(*text);
    for (char32_t c : decoded) FUZZ_CHECK(c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF));
    if (decoded.find(U'\uFFFD') == std::u32string::npos) FUZZ_CHECK(EncodeUtf8(decoded) == *text);
  }

  const std::optional<sw::TFileMask> mask = sw::TFileMask::Parse(maskText);
  if (!mask) return 0;
  const std::u32string maskChars = sw::DecodeUtf8(maskText), name = sw::DecodeUtf8(nameText);
  const bool strict = ReferenceMatches(maskChars, name);
  FUZZ_CHECK(mask->Matches(nameText, sw::MaskDialect::Strict) == strict);
  const bool platform = strict || (name.find(U'.') == std::u32string::npos && ReferenceMatches(maskChars, name + U'.'));
  FUZZ_CHECK(mask->Matches(nameText, sw::MaskDialect::Platform) == platform);
  return 0;
}
