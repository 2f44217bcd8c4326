#include "app/old_backup.h"

#include <windows.h>

#include <optional>

#include "app/backup_marker.h"
#include "app/backup_tree.h"
#include "app/note_paths.h"
#include "copy/copy_paths.h"
#include "copy/verified_copy.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace sw {
namespace {

constexpr DWORD kProtection = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;

bool IsPlainFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool IsPlainFileAt(const std::string& path) { return IsPlainFile(GetFileAttributesW(LongPath(path).c_str())); }

// A file opened to be deleted, the link itself where it is one: while it
// is open nobody else can write, rename or delete it, so the file deleted
// is the file that was looked at.
struct TOpenedFile {
  UniqueHandle handle;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
};

TOpenedFile OpenForDeleting(const std::string& path, DWORD access) {
  TOpenedFile file;
  file.handle.Reset(CreateFileW(LongPath(path).c_str(), access | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (file.handle && GetFileInformationByHandle(file.handle.Get(), &info)) file.attributes = info.dwFileAttributes;
  return file;
}

// Deletes an opened plain file (it goes when its handle closes); the
// read-only and system attributes that would keep it are cleared first and
// put back when it cannot go.
bool DeleteOpened(const TOpenedFile& file) {
  if (!file.handle || !IsPlainFile(file.attributes)) return false;
  FILE_BASIC_INFO basic{};  // times of 0 stay as they are
  const bool protectedFile = (file.attributes & kProtection) != 0;
  if (protectedFile) {
    const DWORD cleared = file.attributes & ~kProtection;
    basic.FileAttributes = cleared != 0 ? cleared : FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(file.handle.Get(), FileBasicInfo, &basic, sizeof(basic))) return false;
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (SetFileInformationByHandle(file.handle.Get(), FileDispositionInfo, &disposition, sizeof(disposition)))
    return true;
  if (protectedFile) {
    basic.FileAttributes = file.attributes;
    SetFileInformationByHandle(file.handle.Get(), FileBasicInfo, &basic, sizeof(basic));
  }
  return false;
}

// Deletes the plain file at `path` when it still reads as `listed`.
bool DeleteIfUnchanged(const std::string& path, const TCopiedFile& listed, TStreamingCopier& reader) {
  const TOpenedFile file = OpenForDeleting(path, GENERIC_READ);
  if (!file.handle || !IsPlainFile(file.attributes)) return false;
  // Read through its path while the handle holds the file still.
  DWORD error = 0;
  const std::optional<TFileDigest> digest = reader.Digest(LongPath(path), error);
  if (!digest || digest->size != listed.size || digest->hash != listed.hash) return false;
  return DeleteOpened(file);
}

// Deletes each listed file that lies inside the folder, is reached through
// real folders only and still reads as the note recorded it; the links met
// on the way go to `links`.
std::int64_t DeleteListedFiles(const std::string& folder, const TBackupMarker& marker,
                               std::vector<std::string>& links) {
  const std::string base = WithTrailingBackslash(folder);
  TStreamingCopier reader;
  TRealFolders realFolders(folder);
  std::int64_t deleted = 0;
  for (const TCopiedFile& file : marker.list) {
    if (!NoteEntryStaysInside(file.relativePath) || !realFolders.OnTheWayTo(file.relativePath)) continue;
    if (DeleteIfUnchanged(base + file.relativePath, file, reader)) ++deleted;
  }
  links.insert(links.end(), realFolders.Links().begin(), realFolders.Links().end());
  return deleted;
}

// Removes the real folders below `folder` that are empty now, deepest
// first; a folder that still holds anything (a link too) stays.
void RemoveEmptyFolders(const std::string& folder) {
  const std::string base = WithTrailingBackslash(folder);
  WalkTree(folder, {.onFolder = [&base](const std::string& path) {
    if (RemoveDirectoryW(LongPath(base + path).c_str())) return;
    // A read-only folder that is empty may still go.
    ClearProtectionAttributes(base + path);
    RemoveDirectoryW(LongPath(base + path).c_str());
  }});
}

std::int64_t CountFiles(const std::string& folder) {
  std::int64_t files = 0;
  WalkTree(folder, {.onFile = [&files](const std::string& path) { files += path != kBackupMarkerName; }});
  return files;
}

bool IsEmptyFolder(const std::string& folder) {
  const TBackupFolderState state = InspectBackupFolder(folder);
  return state == TBackupFolderState::Empty || state == TBackupFolderState::Missing;
}

// What makes a backup's folder hold more than the backup wrote: links in
// it (the folder itself included), and entries of its note outside it.
void FindWhatIsNotOurs(const std::string& folder, const std::optional<TBackupMarker>& marker,
                       TOldBackupOutcome& outcome) {
  if (IsLinkAt(folder)) {
    outcome.links.push_back(folder);
  } else {
    const std::string base = WithTrailingBackslash(folder);
    WalkTree(folder, {.onLink = [&](const std::string& path) { outcome.links.push_back(base + path); }});
  }
  if (!marker) return;
  for (const TCopiedFile& file : marker->list)
    if (!NoteEntryStaysInside(file.relativePath)) outcome.outside.push_back(file.relativePath);
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
  FindWhatIsNotOurs(folder, marker, outcome);
  // A note that lists a place outside its folder, or a folder that leads
  // elsewhere through a link, is not trusted for deleting anything.
  const bool trusted = marker && outcome.links.empty() && outcome.outside.empty();
  if (state == TBackupFolderState::RestoredBackup && trusted) {
    outcome.deleted = DeleteListedFiles(folder, *marker, outcome.links);
    RemoveEmptyFolders(folder);
    // The note goes with the files it describes; what is left is not a
    // backup of ours any more.
    DeleteOpened(OpenForDeleting(WithTrailingBackslash(folder) + kBackupMarkerName, 0));
    if (IsEmptyFolder(folder)) {
      outcome.ready = true;
      return outcome;
    }
  } else if (state == TBackupFolderState::RestoredBackup) {
    outcome.keptWhole = true;
  } else {
    outcome.unrestored = true;
  }
  outcome.keptFiles = CountFiles(folder);
  outcome.keptIn = KeepFolderAside(folder, stamp);
  outcome.ready = !outcome.keptIn.empty();
  return outcome;
}

std::int64_t FilesNotOnDrive(const std::string& folder, const std::string& driveRoot) {
  const std::string base = WithTrailingBackslash(folder);
  const std::string drive = WithTrailingBackslash(driveRoot);
  TStreamingCopier reader;
  TRealFolders inBackup(folder);
  TRealFolders onDrive(driveRoot);
  // The drive's file as its disk holds it, reached through real folders only.
  auto onDriveAs = [&](const std::string& path, const TFileDigest& expected) {
    if (!onDrive.OnTheWayTo(path) || !IsPlainFileAt(drive + path)) return false;
    DWORD error = 0;
    const std::optional<TFileDigest> digest = reader.DigestFromDisk(LongPath(drive + path), error);
    return digest && digest->size == expected.size && digest->hash == expected.hash;
  };
  std::int64_t missing = 0;
  const std::optional<TBackupMarker> marker = ReadBackupMarker(folder);
  if (marker && !marker->list.empty()) {
    for (const TCopiedFile& file : marker->list) {
      // A listed file no longer in the backup is not one of its files.
      if (!NoteEntryStaysInside(file.relativePath) || !inBackup.OnTheWayTo(file.relativePath) ||
          !IsPlainFileAt(base + file.relativePath))
        continue;
      if (!onDriveAs(file.relativePath, {file.size, file.hash})) ++missing;
    }
    return missing;
  }
  // A backup stopped before its list was written: each of its files is read
  // and compared with the drive's; one that cannot be read counts as missing.
  WalkTree(folder, {.onFile = [&](const std::string& path) {
    if (path == kBackupMarkerName) return;
    DWORD error = 0;
    const std::optional<TFileDigest> backedUp = reader.DigestFromDisk(LongPath(base + path), error);
    if (!backedUp || !onDriveAs(path, *backedUp)) ++missing;
  }});
  return missing;
}

}  // namespace sw
