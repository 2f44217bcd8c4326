// Volume extents through the device I/O seam; file-system name and drive
// types straight from the system.
#include "devices/volume_probe.h"

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "devices/device_text.h"
#include "platform/device_io.h"
#include "platform/text.h"

namespace sw {

namespace {

// VOLUME_DISK_EXTENTS: a 32-bit extent count, 4 bytes of padding, then
// 24-byte DISK_EXTENT records whose first 32 bits are the disk number.
constexpr uint32_t kVolumeGetDiskExtents = 0x00560000;  // IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS
constexpr size_t kExtentsBufferSize = 260;
constexpr size_t kExtentCountOffset = 0;
constexpr size_t kFirstDiskNumberOffset = 8;
static_assert(kVolumeGetDiskExtents == IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS);
static_assert(offsetof(VOLUME_DISK_EXTENTS, NumberOfDiskExtents) == kExtentCountOffset);
static_assert(offsetof(VOLUME_DISK_EXTENTS, Extents) + offsetof(DISK_EXTENT, DiskNumber) == kFirstDiskNumberOffset);
static_assert(sizeof(DISK_EXTENT) == 24);

uint32_t ReadUint32(const uint8_t* bytes) {
  uint32_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

}  // namespace

int VolumeDiskNumber(IDeviceIo& io, char letter) {
  const std::string path = std::string("\\\\.\\") + letter + ":";
  auto volume = io.Open(path, {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE});
  if (!volume) return 0;
  uint8_t buffer[kExtentsBufferSize] = {};
  uint32_t returned = 0;
  // The answer is read from the zero-filled buffer whether or not the call
  // succeeded: a volume with more extents than fit still fills the first.
  volume->IoControl(kVolumeGetDiskExtents, nullptr, 0, buffer, sizeof buffer, returned);
  if (ReadUint32(buffer + kExtentCountOffset) == 0) return 0;
  return static_cast<int>(ReadUint32(buffer + kFirstDiskNumberOffset) & 0xFF);
}

std::string FileSystemOrRaw(bool volumeInformationRead, const std::string& fileSystemName) {
  if (!volumeInformationRead || !IsPrintableName(fileSystemName)) return "RAW";
  return fileSystemName;
}

std::string GetDriveFileSystem(char letter) {
  const std::wstring root = Widen(std::string(1, letter) + ":\\");
  wchar_t volumeName[MAX_PATH + 1] = {};
  wchar_t fileSystemName[MAX_PATH + 1] = {};
  DWORD serial = 0, maxComponent = 0, flags = 0;
  const bool read = GetVolumeInformationW(root.c_str(), volumeName, MAX_PATH + 1, &serial, &maxComponent, &flags,
                                          fileSystemName, MAX_PATH + 1) != FALSE;
  return FileSystemOrRaw(read, read ? Narrow(fileSystemName) : std::string());
}

std::vector<std::string> ListRemovableDrives() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetLogicalDriveStringsW(MAX_PATH, buffer);
  std::vector<std::string> roots;
  if (length == 0 || length > MAX_PATH) return roots;  // too many roots for the buffer: none read
  for (const wchar_t* root = buffer; *root != L'\0' && root < buffer + length; root += wcslen(root) + 1) {
    if (GetDriveTypeW(root) == DRIVE_REMOVABLE) roots.push_back(Narrow(root));
  }
  return roots;
}

}  // namespace sw
