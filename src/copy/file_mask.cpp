#include "copy/file_mask.h"

namespace sw {
namespace {

char32_t FoldAscii(char32_t c) { return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c; }
char32_t UpperAscii(char32_t c) { return c >= U'a' && c <= U'z' ? c - (U'a' - U'A') : c; }

// Reads one set body after "[" (and after "!"), up to and including "]".
// False when the set is malformed.
bool ParseSet(const std::u32string& mask, size_t& pos, std::vector<std::pair<char32_t, char32_t>>& ranges) {
  bool first = true;
  while (true) {
    if (pos >= mask.size()) return false;  // no closing "]"
    char32_t c = mask[pos++];
    if (c == U']') return !first;  // "[]" or "[!]" is an empty set
    if (c == U'-' && first) return false;  // a "-" with no character before it
    first = false;
    // "a-z" is a range; a "-" just before "]" stands for itself.
    if (pos + 1 < mask.size() && mask[pos] == U'-' && mask[pos + 1] != U']') {
      char32_t last = mask[pos + 1];
      pos += 2;
      ranges.emplace_back(c <= last ? c : last, c <= last ? last : c);
    } else {
      ranges.emplace_back(c, c);
    }
  }
}

}  // namespace

// The smallest code point each sequence length may carry.
constexpr char32_t kShortestForm[] = {0, 0x80, 0x800, 0x10000};

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

std::optional<TFileMask> TFileMask::Parse(std::string_view maskText) {
  std::u32string mask = DecodeUtf8(maskText);
  TFileMask result;
  size_t pos = 0;
  while (pos < mask.size()) {
    char32_t c = mask[pos++];
    Token token;
    if (c == U'*') {
      token.kind = Token::Kind::AnyRun;
    } else if (c == U'?') {
      token.kind = Token::Kind::AnyOne;
    } else if (c == U'[') {
      token.kind = Token::Kind::Set;
      if (pos < mask.size() && mask[pos] == U'!') {
        token.negated = true;
        ++pos;
      }
      if (!ParseSet(mask, pos, token.ranges)) return std::nullopt;
    } else {
      token.literal = FoldAscii(c);
    }
    result.tokens_.push_back(std::move(token));
  }
  return result;
}

bool TFileMask::Token::MatchesOne(char32_t c) const {
  switch (kind) {
    case Kind::AnyOne: return true;
    case Kind::Literal: return FoldAscii(c) == literal;
    case Kind::Set: {
      bool inSet = false;
      for (const auto& [low, high] : ranges) {
        for (char32_t variant : {c, FoldAscii(c), UpperAscii(c)}) {
          if (variant >= low && variant <= high) inSet = true;
        }
      }
      return inSet != negated;
    }
    case Kind::AnyRun: break;
  }
  return false;
}

bool TFileMask::MatchesCodePoints(const std::u32string& name) const {
  // Every token but "*" takes exactly one character, so backtracking to the
  // most recent "*" is enough.
  size_t t = 0, n = 0;
  size_t starToken = std::u32string::npos, starName = 0;
  while (n < name.size()) {
    if (t < tokens_.size() && tokens_[t].kind == Token::Kind::AnyRun) {
      starToken = t++;
      starName = n;
    } else if (t < tokens_.size() && tokens_[t].MatchesOne(name[n])) {
      ++t;
      ++n;
    } else if (starToken != std::u32string::npos) {
      t = starToken + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (t < tokens_.size() && tokens_[t].kind == Token::Kind::AnyRun) ++t;
  return t == tokens_.size();
}

bool TFileMask::Matches(std::string_view nameText, MaskDialect dialect) const {
  std::u32string name = DecodeUtf8(nameText);
  if (MatchesCodePoints(name)) return true;
  if (dialect == MaskDialect::Platform && name.find(U'.') == std::u32string::npos)
    return MatchesCodePoints(name + U'.');
  return false;
}

}  // namespace sw
