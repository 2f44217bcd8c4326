// How a run gets at a drive another program may hold or a switch may lock:
// whether the stick takes writes at all, the one question about forcing
// the drive closed (asked once a run; a Yes stands for the rest of it), and
// the locks of every volume of the stick's disk for the capacity check.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/run_context.h"
#include "format/disk_volumes.h"

namespace sw {

// True when the stick behind `letter` refuses writes: the disk says it is
// not writable (its switch, or flash gone read-only), or the volume is
// mounted read-only. `io` may be null: only the volume's flag is read.
bool DriveWriteProtected(IDeviceIo* io, char letter);

// The one question about forcing the drive closed. `doing` ends the
// question ("format it"); a Yes is remembered, so a later stage that meets
// the holder again dismounts without asking.
class TForceQuestion {
 public:
  explicit TForceQuestion(TRunContext& run) : run_(run) {}
  // `backupFolder`: where the files are kept, named in the question; empty: none.
  bool Agreed(const std::string& doing, const std::string& backupFolder);

 private:
  TRunContext& run_;
  bool agreed_ = false;
};

// Waits `milliseconds` on the run's clock; false when a stop came first.
bool RunWait(TRunContext& run, std::uint32_t milliseconds);

struct TDiskAccess {
  std::unique_ptr<TDiskVolumeLocks> locks;  // held while the disk is probed; null when not got
  bool declined = false;                    // the user would not force the drive closed
  std::string why;                          // why the locks were not got
};

// Locks and dismounts every volume of the stick's disk, waiting about five
// seconds for a holder to let go and then asking `force`.
TDiskAccess LockStickDisk(TRunContext& run, TForceQuestion& force, const std::string& backupFolder);

}  // namespace sw
