// The companion listing tool: running it hidden with its output captured.
// Its listing is parsed in tool_output.h.
#pragma once

#include <string>

#include "devices/tool_output.h"

namespace sw {

inline constexpr char kCompanionToolName[] = "marbolt.exe";

// The command line that runs the tool in `folder` with its listing option.
// The executable path is quoted so that a folder with blanks cannot make the
// system start a different program (such as C:\Program.exe).
std::string CompanionToolCommandLine(const std::string& folder);

// Runs `commandLine` hidden and returns everything it wrote to standard
// output and standard error (up to a NUL byte in a chunk); empty when it
// cannot be started. Blocks until the program has ended.
std::string RunAndCapture(const std::string& commandLine);

}  // namespace sw
