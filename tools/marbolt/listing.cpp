// Physical drives through the device I/O seam, volumes through the drive
// queries, and the fixed-column text of the listing.
#include "marbolt/listing.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/device_io.h"
#include "platform/text.h"

namespace marbolt {

namespace {

constexpr uint32_t kGetDriveGeometryEx = 0x000700A0;  // IOCTL_DISK_GET_DRIVE_GEOMETRY_EX
constexpr uint32_t kGetDriveLayoutEx = 0x00070050;    // IOCTL_DISK_GET_DRIVE_LAYOUT_EX

// DISK_GEOMETRY_EX: Cylinders (8), MediaType (4), three 32-bit counts, then DiskSize (8).
constexpr size_t kMediaTypeOffset = 8;
constexpr size_t kDiskSizeOffset = 24;
constexpr size_t kGeometrySize = 32;
constexpr uint32_t kRemovableMedia = 11;
// DRIVE_LAYOUT_INFORMATION_EX begins with the 32-bit partition style.
constexpr size_t kLayoutBufferSize = 16384;

template <typename T>
T ReadAt(const uint8_t* bytes, size_t offset) {
  T value{};
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

std::string PartitionStyleName(uint32_t style) {
  switch (style) {
    case 0: return "MBR";
    case 1: return "GPT";
    case 2: return "RAW";
    default: return "?";
  }
}

std::string DriveTypeName(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE: return "Removable";
    case DRIVE_FIXED: return "Fixed";
    case DRIVE_REMOTE: return "Network";
    case DRIVE_CDROM: return "CD-ROM";
    case DRIVE_RAMDISK: return "RAM Disk";
    default: return "Unknown";
  }
}

std::string Columns(const std::string& name, const std::string& size, const std::string& type,
                    const std::string& partition) {
  char line[256];
  std::snprintf(line, sizeof line, "%-20s%9s %-10s%s", name.c_str(), size.c_str(), type.c_str(), partition.c_str());
  return sw::Trim(line);
}

}  // namespace

std::vector<PhysicalDriveRow> ProbePhysicalDrives(sw::IDeviceIo& io) {
  std::vector<PhysicalDriveRow> rows;
  for (int number = 0; number < kPhysicalDrivesProbed; ++number) {
    const std::string path = "\\\\.\\PhysicalDrive" + std::to_string(number);
    auto drive = io.Open(path, {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE});
    if (!drive) drive = io.Open(path, {0, FILE_SHARE_READ | FILE_SHARE_WRITE});  // queries only
    if (!drive) continue;

    uint8_t geometry[kGeometrySize] = {};
    uint32_t returned = 0;
    if (!drive->IoControl(kGetDriveGeometryEx, nullptr, 0, geometry, sizeof geometry, returned) ||
        returned < kGeometrySize)
      continue;
    PhysicalDriveRow row;
    row.Number = number;
    row.Size = ReadAt<int64_t>(geometry, kDiskSizeOffset);
    row.Removable = ReadAt<uint32_t>(geometry, kMediaTypeOffset) == kRemovableMedia;

    std::vector<uint8_t> layout(kLayoutBufferSize);
    returned = 0;
    const bool layoutRead =
        drive->IoControl(kGetDriveLayoutEx, nullptr, 0, layout.data(), kLayoutBufferSize, returned) && returned >= 4;
    row.PartitionStyle = layoutRead ? PartitionStyleName(ReadAt<uint32_t>(layout.data(), 0)) : "?";
    rows.push_back(row);
  }
  return rows;
}

std::vector<VolumeRow> ProbeVolumes() {
  std::vector<VolumeRow> rows;
  const DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((drives & (1u << i)) == 0) continue;
    VolumeRow row;
    row.Letter = static_cast<char>('A' + i);
    const std::wstring root = sw::Widen(std::string(1, row.Letter) + ":\\");
    const UINT type = GetDriveTypeW(root.c_str());
    if (type == DRIVE_NO_ROOT_DIR) continue;
    row.Type = DriveTypeName(type);
    // Empty drives (a card reader without a card) must not raise a box.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    ULARGE_INTEGER total{};
    if (GetDiskFreeSpaceExW(root.c_str(), nullptr, &total, nullptr)) row.Size = static_cast<long long>(total.QuadPart);
    wchar_t fileSystem[MAX_PATH + 1] = {};
    if (GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
      row.FileSystem = sw::Narrow(fileSystem);
    SetErrorMode(previousMode);
    rows.push_back(row);
  }
  return rows;
}

std::string FormatSize(long long bytes) {
  char text[32];
  if (bytes >= 1000000000LL)
    std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / 1e9);
  else
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

std::string HeaderLine() { return Columns("Device Name", "Size", "Type", "Partition Type"); }

std::string FormatDriveLine(const PhysicalDriveRow& drive) {
  return Columns("\\\\.\\PhysicalDrive" + std::to_string(drive.Number), FormatSize(drive.Size),
                 drive.Removable ? "Removable" : "Fixed", drive.PartitionStyle);
}

std::string FormatVolumeLine(const VolumeRow& volume) {
  return Columns(std::string("\\\\.\\") + volume.Letter + ":", FormatSize(volume.Size), volume.Type,
                 volume.FileSystem.empty() ? "-" : volume.FileSystem);
}

std::string FormatListing(const std::vector<PhysicalDriveRow>& drives, const std::vector<VolumeRow>& volumes) {
  std::string text = HeaderLine() + "\r\n";
  for (const auto& drive : drives) text += FormatDriveLine(drive) + "\r\n";
  for (const auto& volume : volumes) text += FormatVolumeLine(volume) + "\r\n";
  return text;
}

}  // namespace marbolt
