#include "app/restore_check.h"

#include <optional>

#include "copy/copy_paths.h"
#include "copy/verified_copy.h"

namespace sw {

TRestoreCheck CheckCopiedFiles(const std::vector<TCopiedFile>& expected, const std::string& root,
                               TStreamingCopier* reader, const std::function<bool(std::int64_t bytes)>& onProgress) {
  std::optional<TStreamingCopier> ownReader;
  if (reader == nullptr) reader = &ownReader.emplace();
  reader->onPiece = onProgress;
  TRestoreCheck check;
  const std::string folder = WithTrailingBackslash(root);
  // A file read through a link is not the one that was written there.
  TRealFolders realFolders(folder);
  for (const TCopiedFile& file : expected) {
    const std::string path = folder + file.relativePath;
    ++check.files;
    check.bytes += file.size;
    DWORD error = 0;
    const bool linked = realFolders.LinkOnTheWayTo(file.relativePath);
    const std::optional<TFileDigest> digest =
        linked ? std::nullopt : reader->DigestFromDisk(LongPath(path), error);
    if (!digest && error == ERROR_CANCELLED) {
      check.stopped = true;
      break;
    }
    if (linked) {
      check.differing.push_back(path);
    } else if (!digest) {
      (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? check.missing : check.differing)
          .push_back(path);
    } else if (digest->size != file.size || digest->hash != file.hash) {
      check.differing.push_back(path);
    }
    // Told once each file is done; a stop between files ends the check.
    if (onProgress && !onProgress(0) && &file != &expected.back()) {
      check.stopped = true;
      break;
    }
  }
  return check;
}

}  // namespace sw
