// Turns a Win32 error code into the system's text.
#pragma once

#include <string>

namespace sw {

// The system's message for `code` without the trailing line break; the
// number itself when the system has no text for it.
std::string SystemErrorText(unsigned long code);

}  // namespace sw
