// Wildcard masks for file names: "*" any run of characters, "?" exactly one,
// "[set]" one character of the set (ranges such as a-z allowed), "[!set]"
// one character outside it; every other character stands for itself. Letter
// case is ignored for the ASCII letters. Plain logic, no Win32.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text_rules.h"

namespace sw {

// How a name without a dot meets the mask.
enum class MaskDialect {
  // The name is matched as it stands: "*.*" needs a dot, so README fails it.
  Strict,
  // As the platform's file listing matches: a name without a dot also
  // matches as if it ended in ".", so "*.*" takes every name and "*." the
  // names without an extension.
  Platform,
};

class TFileMask {
 public:
  // The parsed mask, or nothing when it is malformed: a set without its
  // closing "]", an empty set, or a "-" with no character before it.
  static std::optional<TFileMask> Parse(std::string_view mask);

  bool Matches(std::string_view name, MaskDialect dialect = MaskDialect::Strict) const;

 private:
  struct Token {
    enum class Kind { Literal, AnyOne, AnyRun, Set } kind = Kind::Literal;
    char32_t literal = 0;                                // Literal, already folded
    std::vector<std::pair<char32_t, char32_t>> ranges;  // Set: inclusive ranges
    bool negated = false;                                // Set: "[!...]"
    bool MatchesOne(char32_t c) const;
  };

  bool MatchesCodePoints(const std::u32string& name) const;

  std::vector<Token> tokens_;
};

}  // namespace sw
