// The companion tool's listing turned into the tool drive map (entries "N"
// or "N|L": removable physical drive N and the first volume letter L lying
// on it). Plain logic: the volume-to-disk question comes in as a function.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sw {

// Fills `toolDriveMap` from the tool's listing. `volumeDiskNumber` tells
// which physical disk a volume letter lies on (0 for none). A drive or
// volume counts as removable only when the listing's Type column (as the
// header places it) reads "Removable". The map keeps its entries when the
// listing has no header or names no removable drive.
void ParseToolOutput(const std::string& text, std::vector<std::string>& toolDriveMap,
                     const std::function<int(char)>& volumeDiskNumber);

}  // namespace sw
