#include "app/restore_check.h"

#include "copy/copy_paths.h"
#include "copy/verified_copy.h"

namespace sw {

TRestoreCheck CheckRestoredFiles(const std::vector<TCopiedFile>& backedUp, const std::string& driveRoot) {
  TRestoreCheck check;
  TStreamingCopier reader;
  const std::string root = WithTrailingBackslash(driveRoot);
  for (const TCopiedFile& file : backedUp) {
    const std::string path = root + file.relativePath;
    ++check.files;
    check.bytes += file.size;
    DWORD error = 0;
    const std::optional<TFileDigest> digest = reader.Digest(LongPath(path), error);
    if (!digest) {
      (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? check.missing : check.differing)
          .push_back(path);
    } else if (digest->size != file.size || digest->hash != file.hash) {
      check.differing.push_back(path);
    }
  }
  return check;
}

}  // namespace sw
