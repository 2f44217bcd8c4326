#include "app/old_backup.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "app/backup_marker.h"
#include "app/fmtmain.h"
#include "copy/copy_paths.h"
#include "copy/verified_copy.h"
#include "platform/text.h"
#include "toolkit/application.h"

namespace sw {
namespace {

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// A listed path that is absolute or climbs out of the folder was not written by us.
bool StaysInside(const std::string& relative) {
  if (relative.empty() || relative.front() == '\\' || relative.find_first_of(":/") != std::string::npos) return false;
  size_t start = 0;
  for (;;) {
    const size_t end = relative.find('\\', start);
    const std::string step = relative.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (step.empty() || step == "." || step == "..") return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

// Calls `onFile` with the path below `base` of every file, and `onFolder`
// with every real folder after its contents; links are neither followed
// nor reported as folders.
void WalkTree(const std::string& base, const std::string& relative,
              const std::function<void(const std::string&)>& onFile,
              const std::function<void(const std::string&)>& onFolder) {
  WIN32_FIND_DATAW entry{};
  UniqueFind listing(FindFirstFileExW((LongPath(WithTrailingBackslash(base) + relative) + L"*").c_str(),
                                      FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0));
  if (!listing) return;
  do {
    const std::string name = Narrow(entry.cFileName);
    if (name == "." || name == "..") continue;
    const std::string path = relative + name;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || IsLink(entry.dwFileAttributes)) {
      if (onFile) onFile(path);
      continue;
    }
    WalkTree(base, path + "\\", onFile, onFolder);
    if (onFolder) onFolder(path);
  } while (FindNextFileW(listing.Get(), &entry));
}

std::int64_t CountFiles(const std::string& folder) {
  std::int64_t files = 0;
  WalkTree(folder, "", [&files](const std::string& path) { files += path != kBackupMarkerName; }, nullptr);
  return files;
}

// Deletes each listed file that still reads as the note recorded it.
std::int64_t DeleteListedFiles(const std::string& folder, const TBackupMarker& marker) {
  const std::string base = WithTrailingBackslash(folder);
  TStreamingCopier reader;
  // Reading a large earlier backup takes a while: the window keeps answering.
  reader.onPiece = [](std::int64_t) {
    tk::Application().KeepAnswering();
    return true;
  };
  std::int64_t deleted = 0;
  for (const TCopiedFile& file : marker.list) {
    tk::Application().KeepAnswering();
    if (!StaysInside(file.relativePath)) continue;
    const std::string path = base + file.relativePath;
    const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || IsLink(attributes))
      continue;
    DWORD error = 0;
    const std::optional<TFileDigest> digest = reader.Digest(LongPath(path), error);
    if (!digest || digest->size != file.size || digest->hash != file.hash) continue;
    TMainForm::ClearProtectionAttributes(path);
    if (DeleteFileW(LongPath(path).c_str())) ++deleted;
  }
  return deleted;
}

// Removes the folders below `folder` that are empty now, deepest first; a
// folder that still holds anything stays.
void RemoveEmptyFolders(const std::string& folder) {
  const std::string base = WithTrailingBackslash(folder);
  WalkTree(folder, "", nullptr, [&base](const std::string& path) {
    if (RemoveDirectoryW(LongPath(base + path).c_str())) return;
    // A read-only folder that is empty may still go.
    TMainForm::ClearProtectionAttributes(base + path);
    RemoveDirectoryW(LongPath(base + path).c_str());
  });
}

bool IsEmptyFolder(const std::string& folder) {
  const TBackupFolderState state = InspectBackupFolder(folder);
  return state == TBackupFolderState::Empty || state == TBackupFolderState::Missing;
}

}  // namespace

TOldBackupOutcome ClearOldBackup(const std::string& folder, const std::string& stamp) {
  TOldBackupOutcome outcome;
  const TBackupFolderState state = InspectBackupFolder(folder);
  if (state == TBackupFolderState::Missing || state == TBackupFolderState::Empty) {
    outcome.ready = true;
    return outcome;
  }
  if (state == TBackupFolderState::ForeignFiles) {
    outcome.foreign = true;
    return outcome;
  }
  outcome.ours = true;
  const std::optional<TBackupMarker> marker = ReadBackupMarker(folder);
  outcome.drive = marker ? marker->drive : std::string();
  if (state == TBackupFolderState::RestoredBackup) {
    outcome.deleted = DeleteListedFiles(folder, *marker);
    RemoveEmptyFolders(folder);
    // The note goes with the files it describes; what is left is not a
    // backup of ours any more.
    const std::string note = WithTrailingBackslash(folder) + kBackupMarkerName;
    TMainForm::ClearProtectionAttributes(note);
    DeleteFileW(LongPath(note).c_str());
    if (IsEmptyFolder(folder)) {
      outcome.ready = true;
      return outcome;
    }
  } else {
    outcome.unrestored = true;
  }
  outcome.keptFiles = CountFiles(folder);
  outcome.keptIn = KeepFolderAside(folder, stamp);
  outcome.ready = !outcome.keptIn.empty();
  return outcome;
}

std::int64_t FilesNotOnDrive(const std::string& folder, const std::string& driveRoot) {
  const std::string drive = WithTrailingBackslash(driveRoot);
  std::int64_t missing = 0;
  WalkTree(folder, "", [&](const std::string& path) {
    if (path != kBackupMarkerName && GetFileAttributesW(LongPath(drive + path).c_str()) == INVALID_FILE_ATTRIBUTES)
      ++missing;
  }, nullptr);
  return missing;
}

}  // namespace sw
