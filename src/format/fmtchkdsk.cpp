// The engine's two operations: checks of the request and of the drive, the
// library call, and the info lines around it.
#include "format/fmtchkdsk.h"

#include <windows.h>

#include <algorithm>

#include "format/drive_queries.h"
#include "format/volume_lock.h"
#include "platform/device_io.h"
#include "platform/format_library.h"
#include "platform/system_facts.h"
#include "platform/text.h"
#include "toolkit/answering_run.h"

namespace sw {

TFmtChkDsk* TFmtChkDsk::ActiveEngine = nullptr;
bool TFmtChkDsk::LibraryCallRunning = false;
unsigned long TFmtChkDsk::CallerThread = 0;

namespace {

// A total size of this many bytes or less means no usable volume.
constexpr int64_t kSmallestFormattedDrive = 100;

bool IsAllowedClusterSize(int32_t size) {
  switch (size) {
    case 512: case 1024: case 2048: case 4096: case 8192: case 16384: case 32768: case 65536:
      return true;
    default:
      return false;
  }
}

const char* FileSystemName(uint8_t index) {
  switch (index) {
    case 0: return "NTFS";
    case 1: return "FAT";
    case 2: return "FAT32";
    case 3: return "EXFAT";
    default: return nullptr;
  }
}

char FirstLetter(const std::string& root) { return root.empty() ? 0 : root[0]; }

// A program that has just opened the stick (a virus scan, a thumbnail) often
// lets go within seconds: the lock is asked for this often, this far apart,
// about five seconds in all, before the user is asked.
constexpr int kLockAttempts = 6;
constexpr uint32_t kLockRetryMs = 1000;

}  // namespace

// Marks a library call as running and points the callbacks at its engine.
class TFmtChkDsk::LibraryCall {
 public:
  LibraryCall(TFmtChkDsk& engine, const std::string& root) {
    if (LibraryCallRunning) throw FmtChkException("Format Engine Busy: " + root);
    LibraryCallRunning = true;
    ActiveEngine = &engine;
    CallerThread = GetCurrentThreadId();
  }
  ~LibraryCall() { LibraryCallRunning = false; }
  LibraryCall(const LibraryCall&) = delete;
  LibraryCall& operator=(const LibraryCall&) = delete;
};

TFmtChkDsk::TFmtChkDsk(tk::TComponent* owner, const FmtChkServices& services)
    : tk::TComponent(owner), services_(services) {}

TFmtChkDsk::~TFmtChkDsk() {
  // A callback must never reach a destroyed engine.
  if (ActiveEngine == this) ActiveEngine = nullptr;
}

bool TFmtChkDsk::LoadFmifs() {
  IFormatLibrary* library = services_.library;
  if (library == nullptr) return false;
  // Outside the NT family the library is not usable, and the attempt is not
  // recorded so that the next operation asks again.
  if (!library->LoadAttempted() && services_.system != nullptr && !services_.system->IsNtPlatform()) return false;
  return library->Load();
}

bool TFmtChkDsk::NotifyProgress(int percent) {
  bool cancel = false;
  if (onProgressEvent) onProgressEvent(percent, cancel);
  return cancel;
}

bool TFmtChkDsk::NotifyInfo(const std::string& info) {
  bool cancel = false;
  if (onInfoEvent) onInfoEvent(info, cancel);
  return cancel;
}

namespace {
// The engine's message for a root that names no drive, kept byte for byte
// as users and callers know it (written in two pieces, one message).
const std::string kNotADriveRoot = "Invalid Drive Speci" "fication: ";
}  // namespace

std::string TFmtChkDsk::ReadVolumeInfo(const std::string& root) {
  if (!drive::IsDriveRoot(root)) throw FmtChkException(kNotADriveRoot + root);
  auto volume = drive::ReadVolume(root[0]);
  if (!volume) throw FmtChkException("Drive Not Found: " + root);
  Info(root + " Volume Label: " + volume->label + ", File System: " + volume->fileSystem);
  return volume->fileSystem;
}

void TFmtChkDsk::InfoWaited(const std::string& root) {
  if (waitedForLockMs_ > 0)
    Info(root + " Drive Was In Use; Free After " + std::to_string(waitedForLockMs_ / 1000) + " s");
}

bool TFmtChkDsk::WaitForExclusiveOpen(const std::string& root) {
  if (services_.deviceIo == nullptr) throw FmtChkException("Drive In Use: " + root);
  const std::string path = "\\\\.\\" + root.substr(0, 1) + ":";
  auto exclusive = [&] { return services_.deviceIo->Open(path, DeviceOpenOptions{GENERIC_WRITE, 0}) != nullptr; };
  bool open = exclusive();
  // Only another program's handles are waited for; a volume that cannot be
  // opened for another reason is refused at once.
  if (!open && !MeansVolumeInUse(services_.deviceIo->LastError())) throw FmtChkException("Drive In Use: " + root);
  if (!open && onVolumeInUse) WaitWhileHeld([&] { return !(open = exclusive()); });
  if (open) {
    InfoWaited(root);
    return true;
  }
  if (!onVolumeInUse) throw FmtChkException("Drive In Use: " + root);
  if (!AgreedToForce(root, "Check")) return false;
  VolumeLock lock(*services_.deviceIo, root[0]);
  if (!lock.Dismount()) throw FmtChkException("Drive In Use: " + root);
  lock.Release();
  if (!exclusive()) throw FmtChkException("Drive In Use: " + root);
  return true;
}

void TFmtChkDsk::WaitWhileHeld(const std::function<bool()>& retryStillHeld) {
  for (int attempt = 1; attempt < kLockAttempts; ++attempt) {
    Wait(kLockRetryMs);
    waitedForLockMs_ += kLockRetryMs;
    if (!retryStillHeld()) return;
  }
}

bool TFmtChkDsk::AgreedToForce(const std::string& root, const std::string& operation) {
  Info(root + " Drive In Use by Another Program");
  if (!onVolumeInUse()) {
    declinedInUse_ = true;
    Info(root + " " + operation + " Not Attempted: Drive Left As It Is");
    return false;
  }
  Info(root + " Forcing the Drive Closed");
  return true;
}

void TFmtChkDsk::Wait(uint32_t milliseconds) {
  if (services_.wait) return services_.wait(milliseconds);
  // The engine runs on the run's worker: the window answers meanwhile.
  Sleep(milliseconds);
}

// The lock taken before the format (released before the library's call);
// null when the volume is formatted without it or the user declined to
// force it closed (declinedInUse_ says which).
// A volume that cannot be locked for a reason other than another program is
// formatted unlocked: the library takes its own lock and reports a volume
// in use itself. Our handle never stays open unlocked, or it would be the
// very handle that keeps the library from its lock.
std::unique_ptr<VolumeLock> TFmtChkDsk::LockVolume(const std::string& root) {
  if (services_.deviceIo == nullptr) throw FmtChkException("Drive In Use: " + root);
  auto lock = std::make_unique<VolumeLock>(*services_.deviceIo, root[0]);
  VolumeLock::Outcome outcome = lock->TryLock();
  // Without anyone to ask, a volume in use is refused at once, as before.
  if (outcome == VolumeLock::Outcome::InUse && onVolumeInUse)
    WaitWhileHeld([&] { return (outcome = lock->TryLock()) == VolumeLock::Outcome::InUse; });
  if (outcome == VolumeLock::Outcome::Locked) {
    InfoWaited(root);
    return lock;
  }
  if (outcome == VolumeLock::Outcome::Unlockable) return nullptr;
  if (outcome == VolumeLock::Outcome::Unopenable || !onVolumeInUse) throw FmtChkException("Drive In Use: " + root);

  if (!AgreedToForce(root, "Format")) return nullptr;
  // The dismount ends the other program's handles; the lock taken after it
  // shows the volume is free, and is let go right before the library takes
  // its own. Should it still be refused, the library meets the volume as it
  // is and says so itself.
  if (!lock->Dismount()) throw FmtChkException("Drive In Use: " + root);
  if (lock->TryLock() == VolumeLock::Outcome::Locked) return lock;
  return nullptr;
}

bool TFmtChkDsk::FormatDisk(std::string root, uint8_t mediaKind, uint8_t fileSystemIndex, std::string labelText,
                            bool quickFormat, int32_t clusterSize) {
  declinedInUse_ = false;
  volumeInUse_ = false;
  lastAnswer_ = TLibraryAnswer::None;
  waitedForLockMs_ = 0;
  if (!LoadFmifs() || !services_.library->HasFormatEx()) return false;
  root = AsciiUpper(root);
  labelText = AsciiUpper(labelText);

  uint32_t mediaCode;
  if (mediaKind == 0) {
    mediaCode = fmifs::kMediaDisk;
  } else if (mediaKind == 1) {
    mediaCode = fmifs::kMediaFloppy;
  } else {
    Info("Unknown Media Type: " + std::to_string(mediaKind));
    return false;
  }
  const char* fileSystem = FileSystemName(fileSystemIndex);
  if (fileSystem == nullptr) {
    Info("Unknown File System: " + std::to_string(fileSystemIndex));
    return false;
  }
  uint32_t cluster = IsAllowedClusterSize(clusterSize) ? static_cast<uint32_t>(clusterSize) : 0;
  succeeded_ = false;

  // Nothing but a whole volume is ever formatted, and never the system's
  // drive or the program's own.
  if (!drive::IsDriveRoot(root)) throw FmtChkException(kNotADriveRoot + root);
  if (drive::IsProtectedDrive(root[0])) throw FmtChkException("Cannot Format System or Program Drive: " + root);

  std::unique_ptr<VolumeLock> lock;
  if (drive::TotalBytes(FirstLetter(root)) > kSmallestFormattedDrive) {
    Info(root + " Checking Existing Drive Format");
    // A quick format keeps the old structures, so it is only allowed onto
    // the same file system.
    if (!drive::SameFileSystem(ReadVolumeInfo(root), fileSystem)) quickFormat = false;
    lock = LockVolume(root);
    if (declinedInUse_) return false;
  } else {
    Info(root + " Appears to be Unformatted or No Drive");
    quickFormat = false;
  }

  // The lock has done its work once the volume is dismounted and every
  // other handle is gone: the library locks the volume itself and would
  // find ours in its way.
  lock.reset();
  {
    LibraryCall call(*this, root);
    firstErrorLine_.clear();
    Info(root + " Starting to Format Drive");
    // The library blocks until it is done, with its own pauses between
    // callbacks. The run calls it from its worker, where it runs at once;
    // called from the window's thread it runs on a thread of its own.
    tk::RunAnswering(
        [&] { services_.library->FormatEx(root, mediaCode, fileSystem, labelText, quickFormat, cluster, &FormatCallback); });
  }

  if (!succeeded_) return false;
  Info(root + " Checking New Drive Format");
  ReadVolumeInfo(root);
  Info(root + " New Volume Space: " + std::to_string(drive::FreeBytes(root[0])));
  return true;
}

bool TFmtChkDsk::CheckDisk(std::string root, bool repair, bool verbose, bool onlyIfDirty, bool surfaceScan) {
  declinedInUse_ = false;
  volumeInUse_ = false;
  lastAnswer_ = TLibraryAnswer::None;
  waitedForLockMs_ = 0;
  if (!LoadFmifs()) return false;
  root = AsciiUpper(root);
  std::string fileSystem = ReadVolumeInfo(root);
  // A repair needs the volume to itself: another program's hold is waited
  // for, and ended only when the user agrees.
  if (repair && !WaitForExclusiveOpen(root)) return false;

  {
    LibraryCall call(*this, root);
    succeeded_ = false;
    fileSysProblem_ = false;
    freeSpaceAlloc_ = false;
    firstErrorLine_.clear();
    tk::RunAnswering(
        [&] { services_.library->Chkdsk(root, fileSystem, repair, verbose, onlyIfDirty, surfaceScan, &CheckDiskCallback); });
  }
  return fileSysProblem_ || succeeded_;
}

}  // namespace sw
