// Physical drives through the device I/O seam and volumes through the drive
// queries; the listing's text is in listing_format.cpp.
#include "marbolt/listing.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "hwid/media_type.h"
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
    row.Removable = sw::IsRemovableMediaType(ReadAt<uint32_t>(geometry, kMediaTypeOffset));

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

}  // namespace marbolt
