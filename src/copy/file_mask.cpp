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
