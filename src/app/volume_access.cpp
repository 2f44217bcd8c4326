#include "app/volume_access.h"

#include <windows.h>
#include <winioctl.h>

#include "platform/device_io.h"
#include "platform/text.h"

namespace sw {
namespace {

// Like the format's lock: six tries a second apart, about five seconds.
constexpr int kLockAttempts = 6;
constexpr std::uint32_t kLockRetryMs = 1000;

std::string DriveName(char letter) { return AsciiUpper(std::string(1, letter)) + ":"; }

}  // namespace

bool DriveWriteProtected(IDeviceIo* io, char letter) {
  if (io != nullptr) {
    const std::unique_ptr<IDevice> volume =
        io->Open(std::string("\\\\.\\") + letter + ":", DeviceOpenOptions{0, FILE_SHARE_READ | FILE_SHARE_WRITE});
    uint32_t returned = 0;
    if (volume && !volume->IoControl(IOCTL_DISK_IS_WRITABLE, nullptr, 0, nullptr, 0, returned) &&
        io->LastError() == ERROR_WRITE_PROTECT)
      return true;
  }
  DWORD flags = 0;
  const std::wstring root = Widen(std::string(1, letter) + ":\\");
  return GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FILE_READ_ONLY_VOLUME) != 0;
}

bool TForceQuestion::Agreed(const std::string& doing, const std::string& backupFolder) {
  if (agreed_) return true;
  std::string text = "Drive " + DriveName(run_.Options().driveLetter) + " is in use by another program. Force it closed and " +
                     doing + "?\r\n\r\nPrograms that still have a file of it open lose what they have not saved";
  text += backupFolder.empty() ? "." : "; the backup in " + backupFolder + " holds the files as they were backed up.";
  agreed_ = run_.Ask("Warning", text);
  return agreed_;
}

bool RunWait(TRunContext& run, std::uint32_t milliseconds) {
  if (run.Services().wait) {
    run.Services().wait(milliseconds);
    return !run.Stopped();
  }
  // In short steps, so that Cancel is not kept waiting.
  for (std::uint32_t waited = 0; waited < milliseconds && !run.Stopped(); waited += 100) Sleep(100);
  return !run.Stopped();
}

TDiskAccess LockStickDisk(TRunContext& run, TForceQuestion& force, const std::string& backupFolder) {
  TDiskAccess access;
  IDeviceIo* io = run.Services().deviceIo;
  const char letter = run.Options().driveLetter;
  if (io == nullptr) {
    access.why = "this program has no access to its volumes";
    return access;
  }
  auto locks = std::make_unique<TDiskVolumeLocks>(*io, VolumesOfDiskOf(*io, letter));
  std::uint32_t waitedMs = 0;
  std::string failed;
  const auto wait = [&run](std::uint32_t ms) { return RunWait(run, ms); };
  VolumeLock::Outcome outcome = locks->LockAll(kLockAttempts, wait, kLockRetryMs, waitedMs, failed);
  if (outcome == VolumeLock::Outcome::InUse && !run.Stopped()) {
    run.Log("Drive " + DriveName(letter) + " is in use by another program (" + failed + ").");
    if (!force.Agreed("check it", backupFolder)) {
      access.declined = true;
      return access;
    }
    run.Log("Drive " + DriveName(letter) + " is forced closed.");
    locks->DismountAll();
    outcome = locks->LockAll(1, wait, kLockRetryMs, waitedMs, failed);
  }
  if (outcome != VolumeLock::Outcome::Locked) {
    access.why = "the volume " + failed + " of its disk cannot be locked";
    return access;
  }
  if (waitedMs > 0)
    run.Log("Drive " + DriveName(letter) + " was in use by another program; it was free after " +
            std::to_string(waitedMs / 1000) + " s.");
  // Nothing may write to a volume, or answer from its cache, while the disk is probed.
  locks->DismountAll();
  access.locks = std::move(locks);
  return access;
}

}  // namespace sw
