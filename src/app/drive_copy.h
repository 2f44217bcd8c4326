// One run of the folder copy for the backup or the restore of a drive,
// with its log lines: a line per folder, a line per file (in a checked copy
// written once the file's outcome is known, so a file that failed is never
// logged as copied) and the summary of the counters.
#pragma once

#include <string>

#include "copy/copy_folder.h"

namespace sw {

class TRunContext;

// Copies `source` into `target` with every name, dots and all, except the
// recycle bins; `safeguards` (streamed, hashed and checked copies) for the
// backup and restore of a drive that is erased in between. Stops after the
// file under way once the run's stop is requested. Raises Exception when
// one folder lies inside the other, or a folder cannot be created.
TCopyStatistics CopyDriveContents(TRunContext& run, const std::string& source, const std::string& target,
                                  const TCopySafeguards* safeguards = nullptr);

}  // namespace sw
