#include "format/volume_lock.h"

#include <windows.h>
#include <winioctl.h>

namespace sw {
bool MeansVolumeInUse(uint32_t error) { return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION; }

bool VolumeLock::Open() {
  if (device_) return true;
  // Read and write access, shared: the lock request needs an open handle,
  // and an open that shares nothing would fail whenever anyone has a file open.
  device_ = io_.Open(path_, DeviceOpenOptions{GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE});
  if (!device_) lastError_ = io_.LastError();
  return device_ != nullptr;
}

bool VolumeLock::Send(uint32_t controlCode) {
  uint32_t returned = 0;
  if (device_->IoControl(controlCode, nullptr, 0, nullptr, 0, returned)) return true;
  lastError_ = io_.LastError();
  return false;
}

VolumeLock::Outcome VolumeLock::TryLock() {
  if (locked_) return Outcome::Locked;
  if (!Open()) return MeansVolumeInUse(lastError_) ? Outcome::InUse : Outcome::Unopenable;
  locked_ = Send(FSCTL_LOCK_VOLUME);
  if (locked_) return Outcome::Locked;
  return MeansVolumeInUse(lastError_) ? Outcome::InUse : Outcome::Unlockable;
}

bool VolumeLock::Dismount() { return Open() && Send(FSCTL_DISMOUNT_VOLUME); }

void VolumeLock::Release() {
  if (locked_ && device_) Send(FSCTL_UNLOCK_VOLUME);
  locked_ = false;
  device_.reset();
}

}  // namespace sw
