// The lock the engine takes on a volume before a format: the volume opened
// through the device seam, FSCTL_LOCK_VOLUME to learn whether another
// program holds it, and FSCTL_DISMOUNT_VOLUME when the user agrees to close
// that program's hold. The lock ends when the object is destroyed, which the
// engine does right before the format library takes its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/device_io.h"

namespace sw {

// The answers of a volume that another program has open: the lock is
// refused with access denied, an open that cannot share with it with a
// sharing violation.
bool MeansVolumeInUse(uint32_t error);

class VolumeLock {
 public:
  enum class Outcome {
    Locked,      // the lock is held
    InUse,       // another program holds the volume (open or lock refused as in use)
    Unlockable,  // opened, but not lockable for another reason; the format library locks it itself
    Unopenable,  // the volume cannot be opened for another reason (no such device)
  };

  // For the volume of `letter`; nothing is opened yet.
  VolumeLock(IDeviceIo& io, char letter) : io_(io), path_(std::string("\\\\.\\") + letter + ":") {}
  // For the volume with this device path ("\\?\Volume{...}").
  VolumeLock(IDeviceIo& io, std::string path) : io_(io), path_(std::move(path)) {}
  ~VolumeLock() { Release(); }
  VolumeLock(const VolumeLock&) = delete;
  VolumeLock& operator=(const VolumeLock&) = delete;

  // Opens the volume if it is not open yet and asks for the lock once.
  Outcome TryLock();
  // Dismounts the volume, which ends every other program's handles on it.
  // False when the volume could not be opened or the dismount was refused.
  bool Dismount();
  // Unlocks and closes; later calls do nothing.
  void Release();

  bool Held() const { return locked_; }
  const std::string& Path() const { return path_; }
  // The error of the last failed open or request.
  uint32_t LastError() const { return lastError_; }

 private:
  bool Open();
  bool Send(uint32_t controlCode);

  IDeviceIo& io_;
  std::string path_;
  std::unique_ptr<IDevice> device_;
  bool locked_ = false;
  uint32_t lastError_ = 0;
};

}  // namespace sw
