// Text at the Win32 boundary: UTF-8 inside the program, UTF-16 for the wide
// Win32 calls, and the small text rules shared by every subsystem.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sw {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Converts bytes in the given Windows code page (for example CP_OEMCP) to UTF-8.
std::string FromCodePage(std::string_view bytes, unsigned codePage);

// Removes characters of code 32 or below at both ends.
std::string Trim(std::string_view text);

// Upper- and lower-casing that touch only the ASCII letters.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

// Splits at CR LF, lone CR or lone LF; a trailing break ends the last line
// without adding an empty one.
std::vector<std::string> SplitLines(std::string_view text);

// Replaces every occurrence of `from` by `to`.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

}  // namespace sw
