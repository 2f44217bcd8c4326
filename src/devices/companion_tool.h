// The companion listing tool: running it hidden with its output captured,
// and turning its listing into the tool drive map (entries "N" or "N|L":
// removable physical drive N and the first volume letter L lying on it).
#pragma once

#include <functional>
#include <string>
#include <vector>

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

// Fills `toolDriveMap` from the tool's listing. `volumeDiskNumber` tells
// which physical disk a volume letter lies on (0 for none). The map keeps
// its entries when the listing has no header or names no removable drive.
void ParseToolOutput(const std::string& text, std::vector<std::string>& toolDriveMap,
                     const std::function<int(char)>& volumeDiskNumber);

}  // namespace sw
