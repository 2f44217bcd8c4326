// The small text rules shared by every subsystem. Plain logic: builds
// without windows.h, so the parsers and decoders that use it do too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sw {

// Removes characters of code 32 or below at both ends.
std::string Trim(std::string_view text);

// Upper- and lower-casing that touch only the ASCII letters.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

// Splits at CR LF, lone CR or lone LF; a trailing break ends the last line
// without adding an empty one.
std::vector<std::string> SplitLines(std::string_view text);

// The code points of a UTF-8 text; an invalid byte (an overlong form, a
// surrogate, a code point past U+10FFFF, a broken sequence) becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view text);

// Replaces every occurrence of `from` by `to`, in one pass over `text`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace sw
