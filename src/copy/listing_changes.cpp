#include "copy/listing_changes.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace sw {

TListingChanges CompareWithBackup(const std::vector<TCopiedFile>& backedUp, const std::vector<TCopiedFile>& now) {
  // Views of the backup's own paths: no second copy of a hundred thousand names.
  std::unordered_map<std::string_view, const TCopiedFile*> inBackup;
  inBackup.reserve(backedUp.size());
  for (const TCopiedFile& file : backedUp) inBackup.emplace(file.relativePath, &file);
  std::unordered_set<std::string_view> onDrive;
  onDrive.reserve(now.size());
  TListingChanges changes;
  for (const TCopiedFile& file : now) {
    onDrive.insert(file.relativePath);
    const auto found = inBackup.find(file.relativePath);
    if (found == inBackup.end()) {
      changes.added.push_back(file.relativePath);
      continue;
    }
    const TCopiedFile& copy = *found->second;
    if (copy.size != file.size || copy.lastWrite != file.lastWrite || copy.attributes != file.attributes)
      changes.changed.push_back(file.relativePath);
    else if (file.lastWrite + kWriteTimeDoubt >= copy.copiedAt)
      changes.doubtful.push_back(file.relativePath);
  }
  for (const TCopiedFile& file : backedUp)
    if (onDrive.count(file.relativePath) == 0) changes.removed.push_back(file.relativePath);
  return changes;
}

}  // namespace sw
