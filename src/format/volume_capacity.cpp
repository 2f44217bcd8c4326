#include "format/volume_capacity.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <memory>
#include <string>

#include "format/drive_queries.h"
#include "platform/device_io.h"

namespace sw::drive {
namespace {

// IOCTL_DISK_GET_LENGTH_INFO on the volume: its length in bytes, or -1.
int64_t PartitionLength(IDeviceIo& io, char letter) {
  // Read access, shared with everyone: a query must not disturb a program
  // that has the stick open.
  const DeviceOpenOptions shared{GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE};
  std::unique_ptr<IDevice> volume = io.Open(std::string("\\\\.\\") + letter + ":", shared);
  if (!volume) return -1;
  GET_LENGTH_INFORMATION length{};
  uint32_t returned = 0;
  if (!volume->IoControl(IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof(length), returned) ||
      returned < sizeof(length) || length.Length.QuadPart <= 0)
    return -1;
  return length.Length.QuadPart;
}

}  // namespace

int64_t VolumeCapacity(IDeviceIo* io, char letter) {
  if (io != nullptr) {
    if (const int64_t length = PartitionLength(*io, letter); length > 0) return length;
  }
  return TotalBytes(letter);
}

}  // namespace sw::drive
