// The tool drive map's letter for a physical drive and the three forms of a
// drive letter. Plain logic, no Win32.
#include "devices/device_text.h"
#include "devices/drive_letters.h"
#include "platform/text_rules.h"

namespace sw {

std::string ToolMapLetter(const std::vector<std::string>& toolDriveMap, const std::string& drivePath) {
  const std::string lower = AsciiLower(drivePath);
  const size_t at = lower.find("physicaldrive");
  const int n = at == std::string::npos ? 0 : DigitsToInt(lower.substr(at + 13));
  std::string drive;
  if (n <= 0) return drive;
  const std::string number = std::to_string(n);
  for (const std::string& entry : toolDriveMap) {
    if (entry.size() > 2 && entry[1] == '|' && std::string(1, entry[0]) == number)
      drive = std::string(1, entry[2]) + ":";
  }
  return drive;
}

std::string DriveLetterInForm(const std::string& drive, int form) {
  if (drive.size() < 2 || drive[0] < 'A' || drive[0] > 'Z' || drive[1] != ':') return {};
  switch (form) {
    case 0: return drive + "\\";
    case 1: return drive;
    case 2: return drive.substr(0, 1);
    default: return {};
  }
}

}  // namespace sw
