// The check of a copy from the disk it was written to: every file a guarded
// copy recorded is read again below a root (the backup folder after the
// backup, the drive after the restore), with the system's file cache
// bypassed, and compared by size and content hash with what was recorded.
// A file that lies behind a link below the root, or is one, differs: the
// check never reads through a link.
#pragma once

#include <cstdint>
#include <functional>
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
  bool stopped = false;                // onProgress stopped the check before its end
  bool AllIdentical() const { return !stopped && differing.empty() && missing.empty(); }
};

// Reads each of `expected` (paths relative to `root`) through `reader`'s
// DigestFromDisk; a reader of its own when `reader` is null. `onProgress`
// is told every piece read (its bytes) and every file done (0); false
// stops the check, which then is not all identical.
TRestoreCheck CheckCopiedFiles(const std::vector<TCopiedFile>& expected, const std::string& root,
                               TStreamingCopier* reader = nullptr,
                               const std::function<bool(std::int64_t bytes)>& onProgress = {});

}  // namespace sw
