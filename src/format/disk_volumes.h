// Every volume of the disk behind a drive letter, found by volume name so
// that a partition without a letter is not missed, and locked together: a
// raw write to the disk must not land under a file system that is still
// mounted, nor be read back through its cache.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "format/volume_lock.h"

namespace sw {

// The device paths of the volumes on the disk that holds the volume of
// `letter` ("\\?\Volume{...}"); the letter's own path when the disk's
// volumes cannot be told.
std::vector<std::string> VolumesOfDiskOf(IDeviceIo& io, char letter);

class TDiskVolumeLocks {
 public:
  TDiskVolumeLocks(IDeviceIo& io, const std::vector<std::string>& paths);

  // Locks every volume not locked yet. While another program holds one,
  // tries again `attempts` times, `wait` apart (`wait` says false to stop
  // early); `waitedMs` adds up the time waited. The first outcome that is
  // not Locked, with the path it came from in `failedPath`.
  VolumeLock::Outcome LockAll(int attempts, const std::function<bool(std::uint32_t)>& wait, std::uint32_t retryMs,
                              std::uint32_t& waitedMs, std::string& failedPath);
  // Dismounts every volume: other programs' handles end, and nothing stays
  // cached. False when one refused.
  bool DismountAll();
  size_t Count() const { return locks_.size(); }

 private:
  std::vector<std::unique_ptr<VolumeLock>> locks_;
};

}  // namespace sw
