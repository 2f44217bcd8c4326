// Small text rules shared by the device list and the volume probes.
#pragma once

#include <string>
#include <string_view>

namespace sw {

// The integer formed by all decimal digits of `text` in their order; 0 when
// there are none. A value beyond the 32-bit range stops at INT32_MAX rather
// than wrapping to a wrong (possibly negative) drive number or size.
int DigitsToInt(std::string_view text);

// True when the trimmed, lower-cased text is not empty and holds only blanks,
// digits, letters a to z and the signs " ' ( ) : - + . /
bool IsPrintableName(std::string_view text);

}  // namespace sw
