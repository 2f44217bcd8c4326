// The check after a restore: every file the backup took is read again from
// the drive and compared, by size and content hash, with what was backed up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "copy/copy_folder.h"

namespace sw {

struct TRestoreCheck {
  std::int64_t files = 0;  // files compared
  std::int64_t bytes = 0;
  std::vector<std::string> differing;  // full paths on the drive
  std::vector<std::string> missing;    // full paths on the drive
  bool AllIdentical() const { return differing.empty() && missing.empty(); }
};

TRestoreCheck CheckRestoredFiles(const std::vector<TCopiedFile>& backedUp, const std::string& driveRoot);

}  // namespace sw
