// What changed on a drive between its backup and a later listing of it: the
// files added, removed or changed by name, size, last-write time and
// attributes, and those whose listing looks the same but whose last write
// came so close to their copy that only their content can tell. Plain
// logic: the drive's listings come in as records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "copy/copied_file.h"

namespace sw {

// A last write this close to a file's copy, or later, may hide a change
// that the listing cannot show: FAT keeps write times to two seconds, so a
// same-size change within those two seconds reads as the same time. Twice
// that covers the rounding either way.
inline constexpr std::uint64_t kWriteTimeDoubt = 4ULL * 10'000'000ULL;

struct TListingChanges {
  std::vector<std::string> added;    // on the drive now, not in the backup
  std::vector<std::string> changed;  // in both, with another size, time or attributes
  std::vector<std::string> removed;  // in the backup, no longer on the drive
  std::vector<std::string> doubtful; // the same by the listing, but written within the doubt of their copy
  bool Any() const { return !added.empty() || !changed.empty() || !removed.empty(); }
};

// Compares `now` (a listing of the drive) with `backedUp` (what the backup
// copied, with each file's listing as the copy saw it). Paths compare
// exactly, as the backup's check does. Each list keeps the order of the
// listing it comes from.
TListingChanges CompareWithBackup(const std::vector<TCopiedFile>& backedUp, const std::vector<TCopiedFile>& now);

}  // namespace sw
