// printf-style formatting into a std::string, for the report texts whose
// layout is fixed character by character.
#pragma once

#include <string>

namespace sw::hwid {

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace sw::hwid
