#include "copy/copy_listed.h"

#include <windows.h>

#include "copy/copy_paths.h"
#include "copy/copy_times.h"
#include "copy/folder_listing.h"
#include "copy/verified_copy.h"
#include "platform/text.h"
#include "platform/win_error.h"

namespace sw {
namespace {

// Makes the folders of `relative` below `root` that are not there yet.
bool MakeFoldersOnTheWay(const std::string& root, const std::string& relative) {
  for (size_t end = relative.find('\\'); end != std::string::npos; end = relative.find('\\', end + 1)) {
    const std::string folder = root + relative.substr(0, end);
    if (!FolderExists(folder) && !CreateDirectoryW(LongPath(folder).c_str(), nullptr) && !FolderExists(folder))
      return false;
  }
  return true;
}

}  // namespace

TListedCopy CopyListedFiles(const std::string& sourceRoot, const std::string& targetRoot,
                            const std::vector<std::string>& paths,
                            const std::function<bool(std::int64_t bytes)>& onProgress) {
  const std::string source = WithTrailingBackslash(sourceRoot);
  const std::string target = WithTrailingBackslash(targetRoot);
  TStreamingCopier copier;
  copier.onPiece = onProgress;
  TRealFolders sourceFolders(source), targetFolders(target);
  TListedCopy run;
  for (const std::string& path : paths) {
    if (sourceFolders.LinkOnTheWayTo(path) || targetFolders.LinkOnTheWayTo(path)) {
      run.failed.push_back({path, "it lies behind a link"});
      continue;
    }
    // The file's own entry, as a listing of its exact name gives it.
    TFolderListing found = TFolderListing::OfPattern(LongPath(source + path));
    TFolderEntry entry;
    if (!found.Next(entry) || entry.IsFolder()) {
      run.failed.push_back({path, found.IsOpen() ? "it is a folder now" : SystemErrorText(found.OpenError())});
      continue;
    }
    if (!MakeFoldersOnTheWay(target, path)) {
      run.failed.push_back({path, "its folder cannot be made in " + target});
      continue;
    }
    // The backup's earlier copy may be read-only or hidden, which a
    // replacing create refuses.
    SetFileAttributesW(LongPath(target + path).c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::uint64_t copiedAt = SystemTimeNow();
    const TFileCopyResult result =
        copier.Copy(LongPath(source + path), LongPath(target + path), false, entry.found, true);
    if (result.failure == TCopyFailure::Stopped) {
      run.stopped = true;
      break;
    }
    if (result.failure != TCopyFailure::None) {
      run.failed.push_back({path, SystemErrorText(result.error)});
      continue;
    }
    run.copied.push_back({path, result.size, result.hash, FileTimeValue(entry.lastWrite), copiedAt, entry.attributes});
    if (onProgress && !onProgress(0)) {
      run.stopped = true;
      break;
    }
  }
  return run;
}

}  // namespace sw
