// The check of a copy from the disk it was written to: every file a guarded
// copy recorded is read again below a root (the backup folder after the
// backup, the drive after the restore), with the system's file cache
// bypassed, and compared by size and content hash with what was recorded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "copy/copy_folder.h"

namespace sw {

class TStreamingCopier;

struct TRestoreCheck {
  std::int64_t files = 0;  // files compared
  std::int64_t bytes = 0;
  std::vector<std::string> differing;  // full paths below the root
  std::vector<std::string> missing;    // full paths below the root
  bool AllIdentical() const { return differing.empty() && missing.empty(); }
};

// Reads each of `expected` (paths relative to `root`) through `reader`'s
// DigestFromDisk; a reader of its own when `reader` is null.
TRestoreCheck CheckCopiedFiles(const std::vector<TCopiedFile>& expected, const std::string& root,
                               TStreamingCopier* reader = nullptr);

}  // namespace sw
