#include "app/resume_restore.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "app/backup_history.h"
#include "app/backup_location.h"
#include "app/backup_tree.h"
#include "app/drive_backup.h"
#include "app/note_paths.h"
#include "app/restore_check.h"
#include "app/unfinished_restore.h"
#include "copy/content_hash.h"
#include "copy/copy_listed.h"
#include "copy/copy_paths.h"
#include "copy/copy_times.h"
#include "copy/folder_look.h"
#include "copy/look_check.h"
#include "copy/verified_copy.h"
#include "platform/handles.h"
#include "platform/locale.h"
#include "platform/text.h"

namespace sw {
namespace {

// FAT keeps a file's last write to two seconds: a copy may read up to that
// much later than its source without being written since.
constexpr std::uint64_t kTimeDoubt = 2ull * 10000000;
// The lines that name files name this many, then how many more.
constexpr size_t kNamedFiles = 20;

// The hash of the first `bytes` bytes of `path`; nothing when they cannot be read.
std::optional<std::uint64_t> PrefixHash(const std::string& path, std::int64_t bytes) {
  UniqueHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return std::nullopt;
  TContentHash hash;
  std::vector<unsigned char> buffer(256 * 1024);
  while (bytes > 0) {
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::int64_t>(bytes, static_cast<std::int64_t>(buffer.size())));
    if (!ReadFile(file.Get(), buffer.data(), want, &read, nullptr) || read == 0) return std::nullopt;
    hash.Update(buffer.data(), read);
    bytes -= read;
  }
  return hash.Value();
}

// Gives `target` the attributes and times of `source` where they differ.
bool MatchFileLook(const std::string& source, const std::string& target) {
  constexpr DWORD kLook = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  // Already as the check after the copy-back wants it.
  if (SameLook(source, target)) return true;
  WIN32_FILE_ATTRIBUTE_DATA from{};
  if (!GetFileAttributesExW(LongPath(source).c_str(), GetFileExInfoStandard, &from)) return false;
  // A read-only file takes no new times.
  SetFileAttributesW(LongPath(target).c_str(), FILE_ATTRIBUTE_NORMAL);
  bool done = false;
  {
    UniqueHandle file(CreateFileW(LongPath(target).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    done = file && SetFileTime(file.Get(), &from.ftCreationTime, nullptr, &from.ftLastWriteTime);
  }
  const DWORD attributes = from.dwFileAttributes & (kLook | FILE_ATTRIBUTE_ARCHIVE);
  return SetFileAttributesW(LongPath(target).c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL) && done;
}

std::uint64_t LastWriteOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data)) return 0;
  return FileTimeValue(data.ftLastWriteTime);
}

// "2026-12-08 10:45:12" in the user's short date and time; as written when it does not read so.
std::string SavedOn(ILocale& locale, const std::string& started) {
  LocalDateTime when;
  if (std::sscanf(started.c_str(), "%d-%d-%d %d:%d:%d", &when.year, &when.month, &when.day, &when.hour, &when.minute,
                  &when.second) != 6)
    return started;
  return locale.FormatShortDate(when) + " " + locale.FormatShortTime(when);
}

}  // namespace

TStickFileState StickFileState(const TStickFileFacts& facts) {
  if (!facts.onStick) return TStickFileState::Missing;
  if (facts.stickSize == facts.backupSize && facts.stickHash == facts.backupHash) return TStickFileState::Same;
  // Nothing is lost by replacing a file that holds only the start of the backup's copy.
  if (facts.stickSize < facts.backupSize && facts.stickHash == facts.prefixHash) return TStickFileState::CutShort;
  if (!facts.sureOfStick || facts.stickWritten > facts.backupWritten + kTimeDoubt) return TStickFileState::ChangedSince;
  return TStickFileState::Stale;
}

TResumeRestore::TResumeRestore(TRunContext& run) : run_(run), folder_(run.Options().resumeFolder) {}

void TResumeRestore::Run() {
  std::optional<TBackupMarker> note = ReadBackupMarker(folder_);
  // Finished or changed since the window looked: nothing to offer.
  if (!note || !note->RestoreUnfinished() || note->list.empty()) {
    declined_ = true;
    return;
  }
  note_ = std::move(*note);
  run_.State(TRunState::Asking);
  if (!Offer()) {
    declined_ = true;
    run_.State(TRunState::Idle);
    return;
  }
  run_.State(TRunState::Running);
  TStopQuestion ask(run_, "Stop copying the files back to drive " + DriveName() +
                              "? The files not yet copied back stay in the backup folder " + folder_ + ".");
  Log("Copying the unfinished restore from " + folder_ + " back to drive " + DriveName() + " ...");
  if (!DriveReadable(DriveRoot())) {
    Log("Drive " + DriveName() + " cannot be read, so nothing was copied back.");
    return Finish(false);
  }
  note_.stage = TBackupStage::Restoring;
  WriteBackupMarker(folder_, note_);
  std::vector<std::string> toCopy;
  if (!Compare(toCopy) || !CopyBack(toCopy)) return Finish(false);
  RestoreFolders();
  Finish(Check());
}

bool TResumeRestore::Offer() {
  TUnfinishedRestore found{folder_, note_, run_.Options().stick, run_.Options().resumeMatch};
  found.attached.letter = run_.Options().driveLetter;
  const std::string question = UnfinishedRestoreQuestion(
      found, run_.Thousands(static_cast<long long>(note_.list.size())),
      FormatSize(static_cast<std::uint64_t>(std::max<std::int64_t>(note_.bytes, 0)), run_.DecimalSeparator()),
      SavedOn(*run_.Services().locale, note_.started));
  if (run_.Ask("Confirmation", question)) return true;
  if (!run_.Ask("Confirmation", "Ask again about the backup in " + folder_ +
                                    " at the next start? No: don't ask again for this backup.")) {
    StopOfferingBackup(folder_, note_.started);
    Log("The unfinished restore from " + folder_ + " is not offered again; its files stay there.");
  } else {
    Log("The files of drive " + DriveName() + " that were not copied back stay in the backup folder " + folder_);
  }
  return false;
}

bool TResumeRestore::Compare(std::vector<std::string>& toCopy) {
  const bool sure = run_.Options().resumeMatch == TStickMatch::Identity;
  const std::string backup = WithTrailingBackslash(folder_);
  TStreamingCopier reader;
  reader.onPiece = [this](std::int64_t bytes) { return run_.StagePiece(bytes); };
  TRealFolders stickFolders(DriveRoot());
  std::vector<std::string> changed, unsafe;
  std::int64_t bytes = 0;
  for (const TCopiedFile& file : note_.list) bytes += file.size;
  run_.BeginStage("Comparing with the backup", static_cast<std::int64_t>(note_.list.size()), bytes);
  for (const TCopiedFile& file : note_.list) {
    run_.StageCounted(1, 0);
    // An entry someone edited to lead elsewhere, or a path through a link, is never written.
    if (!NoteEntryStaysInside(file.relativePath) || stickFolders.LinkOnTheWayTo(file.relativePath)) {
      unsafe.push_back(DriveRoot() + file.relativePath);
      continue;
    }
    const std::string onStick = DriveRoot() + file.relativePath;
    TStickFileFacts facts;
    facts.backupSize = file.size;
    facts.backupHash = file.hash;
    facts.sureOfStick = sure;
    facts.onStick = PathExists(onStick);
    if (facts.onStick) {
      DWORD error = 0;
      const std::optional<TFileDigest> digest = reader.DigestFromDisk(LongPath(onStick), error);
      if (!digest && error == ERROR_CANCELLED) {
        run_.EndStage(false);
        return false;
      }
      // A file that cannot be read is taken as the user's own.
      if (!digest) facts.sureOfStick = false;
      facts.stickSize = digest ? digest->size : -1;
      facts.stickHash = digest ? digest->hash : 0;
      if (digest && digest->size < file.size)
        facts.prefixHash = PrefixHash(backup + file.relativePath, digest->size).value_or(~facts.stickHash);
      else
        facts.prefixHash = ~facts.stickHash;
      facts.stickWritten = LastWriteOf(onStick);
      facts.backupWritten = LastWriteOf(backup + file.relativePath);
    }
    switch (StickFileState(facts)) {
      case TStickFileState::Same:
        // A copy killed after its content but before its attributes and times.
        if (!MatchFileLook(backup + file.relativePath, onStick))
          Log("The attributes or times of " + onStick + " could not be set.");
        break;
      case TStickFileState::Missing:
      case TStickFileState::CutShort:
      case TStickFileState::Stale: toCopy.push_back(file.relativePath); break;
      case TStickFileState::ChangedSince: changed.push_back(file.relativePath); break;
    }
  }
  run_.EndStage(true);
  for (size_t i = 0; i < unsafe.size() && i < kNamedFiles; ++i)
    Log("Not copied back, it lies behind a link or outside the backup: " + unsafe[i]);
  if (changed.empty()) return !run_.Stopped();
  for (size_t i = 0; i < changed.size() && i < kNamedFiles; ++i)
    Log("Differs from the backup and may have been changed on the stick: " + DriveRoot() + changed[i]);
  const std::string count = changed.size() == 1 ? "1 file" : run_.Thousands(static_cast<long long>(changed.size())) + " files";
  const std::string question = count + " on drive " + DriveName() + " differ from the backup" +
                               (sure ? " and were changed after it was made" : "") + ", such as " + DriveRoot() +
                               changed.front() + ". Replace them with the files of the backup? No keeps them as they are.";
  if (run_.Ask("Warning", question, DefaultAnswer::No)) {
    toCopy.insert(toCopy.end(), changed.begin(), changed.end());
  } else {
    Log("Kept as they are on drive " + DriveName() + ": " + count + " that differ from the backup.");
  }
  return !run_.Stopped();
}

bool TResumeRestore::CopyBack(const std::vector<std::string>& toCopy) {
  if (toCopy.empty()) {
    Log("Every file of the backup is on drive " + DriveName() + " already.");
    return true;
  }
  std::int64_t bytes = 0;
  run_.BeginStage("Copying back", static_cast<std::int64_t>(toCopy.size()), -1);
  const TListedCopy copy = CopyListedFiles(folder_, DriveRoot(), toCopy, [this, &bytes](std::int64_t piece) {
    if (piece == 0) run_.StageCounted(1, 0);
    bytes += piece;
    return run_.StagePiece(piece);
  });
  run_.EndStage(!copy.stopped);
  for (const TListedCopyFailure& failure : copy.failed)
    Log("   Not copied " + DriveRoot() + failure.path + ": " + failure.reason);
  Log("Copied back: " + run_.Thousands(static_cast<long long>(copy.copied.size())) + " files, " + run_.Thousands(bytes) +
      " bytes.");
  return !copy.stopped && !run_.Stopped();
}

void TResumeRestore::RestoreFolders() {
  const std::string backup = WithTrailingBackslash(folder_);
  // WalkTree tells a folder after everything in it: the deepest come first.
  WalkTree(folder_, {.onFolder = [&](const std::string& path) {
    const std::optional<TFolderLook> look = ReadFolderLook(backup + path);
    const std::string onStick = DriveRoot() + path;
    if (!look || IsLinkAt(onStick)) return;
    folders_.push_back(path);
    if (!FolderExists(onStick)) CreateDirectoryW(LongPath(onStick).c_str(), nullptr);
    if (FolderExists(onStick) && !ApplyFolderLook(onStick, *look))
      Log("The attributes or times of the folder " + onStick + " could not be set.");
  }});
}

bool TResumeRestore::Check() {
  FlushVolumeOf(DriveRoot());
  std::int64_t bytes = 0;
  for (const TCopiedFile& file : note_.list) bytes += file.size;
  run_.BeginStage("Checking the copied files", static_cast<std::int64_t>(note_.list.size()), bytes);
  const TRestoreCheck check = CheckCopiedFiles(note_.list, DriveRoot(), nullptr, [this](std::int64_t piece) {
    if (piece == 0) run_.StageCounted(1, 0);
    return run_.StagePiece(piece);
  });
  run_.EndStage(!check.stopped);
  if (check.stopped) return false;
  for (size_t i = 0; i < check.missing.size() && i < kNamedFiles; ++i) Log("Missing after the restore: " + check.missing[i]);
  for (size_t i = 0; i < check.differing.size() && i < kNamedFiles; ++i)
    Log("Different from the backup: " + check.differing[i]);
  if (!check.AllIdentical()) {
    Log("Restore check failed: " + std::to_string(check.missing.size() + check.differing.size()) + " of " +
        run_.Thousands(check.files) + " files are not as they were backed up.");
    return false;
  }
  std::vector<std::string> files;
  files.reserve(note_.list.size());
  for (const TCopiedFile& file : note_.list) files.push_back(file.relativePath);
  if (!LooksAsBackedUp(run_, folder_, DriveRoot(), files, folders_)) return false;
  Log("Restore verified: " + run_.Thousands(check.files) + " files, " + run_.Thousands(check.bytes) +
      " bytes, all identical.");
  return true;
}

void TResumeRestore::Finish(bool succeeded) {
  if (succeeded) {
    note_.stage = TBackupStage::Restored;
    note_.restored = true;
    WriteBackupMarker(folder_, note_);
    Log("The files of drive " + DriveName() + " are back. The backup stays in " + folder_);
  } else {
    Log("The files were not all copied back to drive " + DriveName() + ".");
    Log("The drive's files are kept in the backup folder " + folder_);
  }
  succeeded_ = succeeded && !run_.Stopped();
  if (run_.Stopped()) return;  // Cancel has set the window's state
  run_.Status("");
  run_.State(TRunState::Ended);
}

std::string TResumeRestore::DriveRoot() const { return std::string(1, run_.Options().driveLetter) + ":\\"; }

std::string TResumeRestore::DriveName() const {
  return AsciiUpper(std::string(1, run_.Options().driveLetter)) + ":";
}

}  // namespace sw
