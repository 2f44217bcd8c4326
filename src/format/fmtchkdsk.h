// TFmtChkDsk: the one component through which the program formats a volume
// and checks it for file-system errors. It does no file-system work itself:
// it calls the system's format library synchronously and turns the library's
// callback commands into progress and text events, each with a Cancel answer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/exceptions.h"
#include "toolkit/component.h"

namespace sw {

class IFormatLibrary;
class ISystemFacts;
class IDeviceIo;
class VolumeLock;

// A drive the engine cannot work on: a root that names no drive, a missing drive,
// drive in use (or one that must never be formatted).
class FmtChkException : public Exception {
 public:
  using Exception::Exception;
};

// Progress in percent; the handler sets Cancel to ask the library to stop.
using TProgressEvent = std::function<void(int Percent, bool& Cancel)>;
// A line of information text; the handler sets Cancel to ask the library to stop.
using TInfoEvent = std::function<void(std::string Info, bool& Cancel)>;

// The refusal a library call answered with, the last one when several came.
enum class TLibraryAnswer {
  None,
  InsufficientRights,
  FsNotSupported,  // also what a write-protected medium answers
  VolumeInUse,
  QuickFormatNotAllowed,
  IoError,
  BadLabel,
  ClusterSizeTooSmall,
  ClusterSizeTooBig,
  VolumeTooSmall,
  VolumeTooBig,
  NoMediaInDrive,
  DeviceNotReady,
};

// The answer in words, as the log names it: "volume too big".
const char* LibraryAnswerName(TLibraryAnswer answer);

// Asked when another program holds the volume about to be formatted; true
// lets the engine force the volume closed (its open files are lost to that
// program), false leaves the drive untouched.
using TVolumeInUseEvent = std::function<bool()>;

// What the engine works through. A missing library makes every operation
// answer false; a missing device service makes the volume lock and the
// exclusive-open test fail.
struct FmtChkServices {
  IFormatLibrary* library = nullptr;
  ISystemFacts* system = nullptr;  // none: taken as the NT family
  IDeviceIo* deviceIo = nullptr;
  // Waits between two attempts to lock the volume; none: sleeps that long
  // (the engine works on the run's thread, the window answers meanwhile).
  std::function<void(uint32_t milliseconds)> wait;
};

class TFmtChkDsk : public tk::TComponent {
 public:
  TFmtChkDsk(tk::TComponent* owner, const FmtChkServices& services);
  ~TFmtChkDsk() override;

  TProgressEvent onProgressEvent;
  TInfoEvent onInfoEvent;
  // Without a handler a volume held by another program ends FormatDisk with
  // FmtChkException "Drive In Use", as a failed exclusive open always did.
  TVolumeInUseEvent onVolumeInUse;

  // Formats the volume of `root` (E:\). mediaKind 0 a disk, 1 a floppy;
  // fileSystemIndex 0 NTFS, 1 FAT, 2 FAT32, 3 EXFAT. True only when the
  // library reported successful completion. An existing volume is locked
  // first and let go right before the library's call (which locks it
  // itself); when another program holds it, onVolumeInUse decides whether
  // it is dismounted.
  bool FormatDisk(std::string root, uint8_t mediaKind, uint8_t fileSystemIndex, std::string labelText,
                  bool quickFormat, int32_t clusterSize);
  // Checks the volume of `root`; true when the check output named a
  // file-system problem or the library reported successful completion.
  bool CheckDisk(std::string root, bool repair, bool verbose, bool onlyIfDirty, bool surfaceScan);

  // Valid after FormatDisk or CheckDisk until the next one. The user
  // declined to force the volume closed: nothing was formatted or checked,
  // and another cluster size would meet the same program.
  bool DeclinedInUse() const { return declinedInUse_; }
  // Valid after FormatDisk or CheckDisk until the next operation: the
  // library itself found the volume in use, so a retry would too.
  bool VolumeInUse() const { return volumeInUse_; }
  // Valid after FormatDisk or CheckDisk until the next operation.
  TLibraryAnswer LastAnswer() const { return lastAnswer_; }
  // Valid after a lock of the volume: how long another program held it
  // before it was let go (0 when it was free at the first try).
  uint32_t WaitedForLockMs() const { return waitedForLockMs_; }

  // Valid after CheckDisk until the next check.
  bool FileSysProblem() const { return fileSysProblem_; }
  bool FreeSpaceAlloc() const { return freeSpaceAlloc_; }
  const std::string& FirstErrorLine() const { return firstErrorLine_; }

  // The library's callback entries. The library gives them no context, so
  // they find their engine through the engine of the running library call;
  // with none they answer "go on". No exception ever leaves them.
  static uint8_t __stdcall FormatCallback(uint32_t command, uint32_t subAction, void* actionInfo);
  static uint8_t __stdcall CheckDiskCallback(uint32_t command, uint32_t subAction, void* actionInfo);

 private:
  enum class Operation { Format, Check };

  bool LoadFmifs();
  std::string ReadVolumeInfo(const std::string& root);
  // Opens the volume without sharing, trying for about five seconds while
  // another program has it open, then asks onVolumeInUse; false when the
  // user declined to force it closed (declinedInUse_ is set).
  bool WaitForExclusiveOpen(const std::string& root);
  void InfoWaited(const std::string& root);
  // Tries again a second apart, about five seconds in all, while
  // `retryStillHeld` (one more try) says another program holds the volume.
  void WaitWhileHeld(const std::function<bool()>& retryStillHeld);
  // Asks onVolumeInUse; false (declinedInUse_ set) when the user keeps the
  // volume as it is. `operation` names what is then not attempted.
  bool AgreedToForce(const std::string& root, const std::string& operation);
  std::unique_ptr<VolumeLock> LockVolume(const std::string& root);
  void Wait(uint32_t milliseconds);
  bool NotifyProgress(int percent);
  bool NotifyInfo(const std::string& info);
  void Info(const std::string& info) { NotifyInfo(info); }  // the Cancel answer is not used
  uint8_t OnCallback(Operation operation, uint32_t command, const void* actionInfo);
  // Hands a callback to the engine on the thread that called it; the answer for the library.
  static uint8_t OnCallerThread(Operation operation, uint32_t command, const void* actionInfo);
  void ScanCheckOutput(const std::string& text);

  // The engine of the running (or last) library call, which the callbacks
  // report to; cleared when that engine is destroyed.
  static TFmtChkDsk* ActiveEngine;
  // Set while a library call runs: the callbacks' single engine reference
  // allows only one at a time in the process.
  static bool LibraryCallRunning;
  // The thread that made the running library call.
  static unsigned long CallerThread;
  class LibraryCall;

  FmtChkServices services_;
  bool succeeded_ = false;
  bool declinedInUse_ = false;
  bool volumeInUse_ = false;
  TLibraryAnswer lastAnswer_ = TLibraryAnswer::None;
  uint32_t waitedForLockMs_ = 0;
  bool fileSysProblem_ = false;
  bool freeSpaceAlloc_ = false;
  std::string firstErrorLine_;
};

}  // namespace sw
