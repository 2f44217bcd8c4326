// Drive letters of physical drives through WMI, inside a COM initialisation.
#include "devices/drive_letters.h"

#include <exception>

#include "platform/handles.h"
#include "platform/text.h"
#include "platform/wmi.h"

namespace sw {

void WmiDiskLetter(IWmi& wmi, const std::string& drivePath, std::string& drive) {
  auto services = wmi.ConnectServer(".", "root\\CIMV2", "", "");
  const std::string escapedPath = ReplaceAll(drivePath, "\\", "\\\\");
  auto partitions = services->ExecQuery("ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"" + escapedPath +
                                        "\"} WHERE AssocClass = Win32_DiskDriveToDiskPartition");
  while (auto partition = partitions->Next()) {
    const WmiValue partitionId = partition->Property("DeviceID");
    if (partitionId.IsNull()) continue;
    auto logicalDisks = services->ExecQuery("ASSOCIATORS OF {Win32_DiskPartition.DeviceID=\"" + partitionId.AsText() +
                                            "\"} WHERE AssocClass = Win32_LogicalDiskToPartition");
    if (auto logicalDisk = logicalDisks->Next()) drive = logicalDisk->Property("DeviceID").AsText();
  }
}

std::string DiskDriveLetter(IWmi* wmi, const std::vector<std::string>& toolDriveMap, const std::string& drivePath,
                            int form) {
  std::string drive;
  if (wmi != nullptr) {
    ComInit com;
    try {
      WmiDiskLetter(*wmi, drivePath, drive);
    } catch (const std::exception&) {
      // WMI stopped answering; a letter found before the failure stays, and
      // without one the tool drive map is asked next.
    }
  }
  if (drive.empty()) drive = ToolMapLetter(toolDriveMap, drivePath);
  return DriveLetterInForm(drive, form);
}

}  // namespace sw
