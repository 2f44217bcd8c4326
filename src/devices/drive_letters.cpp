// Drive letters of physical drives.
#include "devices/drive_letters.h"

#include <exception>

#include "devices/device_text.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "platform/wmi.h"

namespace sw {

std::string WmiDiskLetter(IWmi& wmi, const std::string& drivePath) {
  std::string result;
  auto services = wmi.ConnectServer(".", "root\\CIMV2", "", "");
  const std::string escapedPath = ReplaceAll(drivePath, "\\", "\\\\");
  auto partitions = services->ExecQuery("ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"" + escapedPath +
                                        "\"} WHERE AssocClass = Win32_DiskDriveToDiskPartition");
  while (auto partition = partitions->Next()) {
    const WmiValue partitionId = partition->Property("DeviceID");
    if (partitionId.IsNull()) continue;
    auto logicalDisks = services->ExecQuery("ASSOCIATORS OF {Win32_DiskPartition.DeviceID=\"" + partitionId.AsText() +
                                            "\"} WHERE AssocClass = Win32_LogicalDiskToPartition");
    if (auto logicalDisk = logicalDisks->Next()) result = logicalDisk->Property("DeviceID").AsText();
  }
  return result;
}

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

std::string DiskDriveLetter(IWmi* wmi, const std::vector<std::string>& toolDriveMap, const std::string& drivePath,
                            int form) {
  std::string drive;
  if (wmi != nullptr) {
    ComInit com;
    try {
      drive = WmiDiskLetter(*wmi, drivePath);
    } catch (const std::exception&) {
      // WMI could not tell; the tool drive map is asked next.
    }
  }
  if (drive.empty()) drive = ToolMapLetter(toolDriveMap, drivePath);
  return DriveLetterInForm(drive, form);
}

}  // namespace sw
