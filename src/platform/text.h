// Text at the Win32 boundary: UTF-8 inside the program, UTF-16 for the wide
// Win32 calls; the plain text rules come along from text_rules.h.
#pragma once

#include <string>
#include <string_view>

#include "platform/text_rules.h"

namespace sw {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Converts bytes in the given Windows code page (for example CP_OEMCP) to UTF-8.
std::string FromCodePage(std::string_view bytes, unsigned codePage);

}  // namespace sw
