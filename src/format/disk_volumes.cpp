#include "format/disk_volumes.h"

#include <windows.h>
#include <winioctl.h>

#include <optional>

namespace sw {
namespace {

// The number of the disk a volume lies on, asked with an open for queries only.
std::optional<DWORD> DiskNumberOf(IDeviceIo& io, const std::string& path) {
  const std::unique_ptr<IDevice> device = io.Open(path, DeviceOpenOptions{0, FILE_SHARE_READ | FILE_SHARE_WRITE});
  if (!device) return std::nullopt;
  STORAGE_DEVICE_NUMBER number{};
  uint32_t returned = 0;
  if (!device->IoControl(IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof(number), returned) ||
      returned < sizeof(number) || number.DeviceType != FILE_DEVICE_DISK)
    return std::nullopt;
  return number.DeviceNumber;
}

}  // namespace

std::vector<std::string> VolumesOfDiskOf(IDeviceIo& io, char letter) {
  const std::string own = std::string("\\\\.\\") + letter + ":";
  const std::optional<DWORD> disk = DiskNumberOf(io, own);
  std::vector<std::string> paths;
  if (disk)
    for (const std::string& name : io.VolumeNames())
      if (DiskNumberOf(io, name) == disk) paths.push_back(name);
  if (paths.empty()) paths.push_back(own);
  return paths;
}

TDiskVolumeLocks::TDiskVolumeLocks(IDeviceIo& io, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) locks_.push_back(std::make_unique<VolumeLock>(io, path));
}

VolumeLock::Outcome TDiskVolumeLocks::LockAll(int attempts, const std::function<bool(std::uint32_t)>& wait,
                                              std::uint32_t retryMs, std::uint32_t& waitedMs,
                                              std::string& failedPath) {
  for (const std::unique_ptr<VolumeLock>& lock : locks_) {
    VolumeLock::Outcome outcome = lock->TryLock();
    for (int attempt = 1; outcome == VolumeLock::Outcome::InUse && attempt < attempts; ++attempt) {
      if (!wait(retryMs)) break;
      waitedMs += retryMs;
      outcome = lock->TryLock();
    }
    if (outcome != VolumeLock::Outcome::Locked) {
      failedPath = lock->Path();
      return outcome;
    }
  }
  return VolumeLock::Outcome::Locked;
}

bool TDiskVolumeLocks::DismountAll() {
  bool all = true;
  for (const std::unique_ptr<VolumeLock>& lock : locks_) all = lock->Dismount() && all;
  return all;
}

}  // namespace sw
