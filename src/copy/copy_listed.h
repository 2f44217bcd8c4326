// A short second pass of the backup: copies named files of a drive into the
// backup once more (a file added or changed on the drive after the backup
// passed it), with the same streaming copy, hash and flush as the backup
// itself, replacing what the backup held for them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "copy/copied_file.h"

namespace sw {

struct TListedCopyFailure {
  std::string path;    // relative
  std::string reason;  // in words
};

struct TListedCopy {
  std::vector<TCopiedFile> copied;          // in the order of `paths`
  std::vector<TListedCopyFailure> failed;
  bool stopped = false;                     // onProgress asked to stop
};

// Copies each of `paths` (relative, files) from below `sourceRoot` to the
// same path below `targetRoot`, making the folders on the way. A file that
// is a link, or lies behind one, is not copied (a failure). `onProgress` is
// told every piece copied (its bytes) and each file done (0); false stops.
TListedCopy CopyListedFiles(const std::string& sourceRoot, const std::string& targetRoot,
                            const std::vector<std::string>& paths,
                            const std::function<bool(std::int64_t bytes)>& onProgress);

}  // namespace sw
