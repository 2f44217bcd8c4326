#include "app/drive_backup.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "app/backup_location.h"
#include "app/backup_marker.h"
#include "app/fmtmain.h"
#include "app/old_backup.h"
#include "app/restore_check.h"
#include "app/restore_fit.h"
#include "app/speedup_rules.h"
#include "copy/copy_paths.h"
#include "format/volume_capacity.h"
#include "platform/dialogs.h"
#include "platform/locale.h"
#include "platform/text.h"
#include "toolkit/answering_run.h"
#include "toolkit/application.h"

namespace sw {
namespace {

constexpr char kNoBackupFolder[] = "No backup folder was chosen. Nothing was erased.";
// Room the backup needs beyond its files, each rounded up to the backup
// volume's allocation unit: a unit per folder, and the note.
constexpr long long kSlackPerBackup = 16 * 1024 * 1024;
// The lines that stop the run name this many files, then how many more.
constexpr size_t kNamedFiles = 20;

std::string LocalStamp(ILocale& locale, bool forName) {
  const LocalDateTime now = locale.Now();
  char text[32];
  std::snprintf(text, sizeof(text), forName ? "%04d-%02d-%02d %02d%02d%02d" : "%04d-%02d-%02d %02d:%02d:%02d",
                now.year, now.month, now.day, now.hour, now.minute, now.second);
  return text;
}

std::string FolderRefusalText(const std::string& folder, const std::string& why) {
  return "The backup folder " + folder + " cannot be used: " + why + ". Nothing was erased.";
}

long long RoundedUp(long long size, long long unit) { return (size + unit - 1) / unit * unit; }

// A volume's flush writes out whatever the system still holds for it, which
// on a slow stick takes seconds: the window keeps answering meanwhile.
bool FlushVolumeAnswering(const std::string& path) {
  bool flushed = false;
  tk::RunAnswering([&] { flushed = FlushVolumeOf(path); });
  return flushed;
}

std::int64_t TotalBytes(const std::vector<TCopiedFile>& files) {
  std::int64_t total = 0;
  for (const TCopiedFile& file : files) total += file.size;
  return total;
}

}  // namespace

std::vector<std::string> PathsNotBackedUp(const std::vector<TCopiedFile>& listed,
                                          const std::vector<TCopiedFile>& backedUp) {
  // Views of the backup's own paths: no second copy of a hundred thousand names.
  std::unordered_set<std::string_view> inBackup;
  inBackup.reserve(backedUp.size());
  for (const TCopiedFile& file : backedUp) inBackup.insert(file.relativePath);
  std::vector<std::string> missing;
  for (const TCopiedFile& file : listed)
    if (inBackup.count(file.relativePath) == 0) missing.push_back(file.relativePath);
  return missing;
}

long long BackupBytesNeeded(const std::vector<TCopiedFile>& files, size_t folders, long long cluster) {
  if (cluster <= 0) cluster = 4096;
  long long needed = kSlackPerBackup + static_cast<long long>(folders) * cluster;
  for (const TCopiedFile& file : files) needed += RoundedUp(file.size, cluster);
  return needed;
}

bool TDriveBackup::Make() {
  if (!ChooseFolder() || !ListDrive() || !HasRoom() || !PlanRestore()) return false;
  folder_ = form_.CopyTarget;
  started_ = LocalStamp(*form_.Services().locale, false);
  // The note goes in first: from now on this folder may hold the only copy.
  if (!WriteNote(false, false)) {
    folder_.clear();
    return Refuse("Cannot write into the backup folder " + form_.CopyTarget + ". Nothing was erased.");
  }
  TCopySafeguards safeguards;
  // The check before the erase must read what the disk holds: the volume is
  // flushed once before it, or, where it cannot be, each file as it is written.
  backupVolumeFlushes_ = FlushVolumeAnswering(folder_);
  safeguards.flush = !backupVolumeFlushes_;
  safeguards.copied = &backedUp_;
  backedUp_.reserve(listed_.size());
  safeguards.plannedFiles = static_cast<std::int32_t>(listed_.size());
  safeguards.onProgress = [this](std::int64_t bytes) { return form_.StagePiece(bytes); };
  form_.BeginStage("Backing up", static_cast<std::int64_t>(listed_.size()), TotalBytes(listed_));
  form_.CopyDriveContents(&safeguards);
  form_.EndStage(!CancelRequested);
  // Whatever the run reached is listed, so the note tells what the folder holds.
  WriteNote(false, true);
  if (CancelRequested) return false;  // the window was closed during the backup

  // Every path the listing found must be in the backup: a file that did not
  // reach it, or that another one took the place of, would be lost.
  std::vector<std::string> missing = PathsNotBackedUp(listed_, backedUp_);
  // The listing has served: the later stages check against the backup's own
  // list, and a long one holds megabytes.
  std::vector<TCopiedFile>().swap(listed_);
  for (std::string& path : missing) path = DriveRoot() + path;
  const std::int64_t notBackedUp =
      std::max<std::int64_t>(CopyStatistics.DroppedByError, static_cast<std::int64_t>(missing.size()));
  if (notBackedUp > 0) {
    LogPaths("Not in the backup: ", missing);
    return Refuse(std::to_string(notBackedUp) + " file(s) could not be backed up, so drive " + DriveName() +
                  " is not formatted. Nothing was erased.");
  }
  Log("Data backup completed.");
  Log("The backup is in " + folder_);
  return true;
}

bool TDriveBackup::ChooseFolder() {
  const std::string unreadable = "Drive " + DriveName() + " cannot be read, so it is not backed up or formatted. Nothing was erased.";
  if (!DriveReadable(DriveRoot())) return Refuse(unreadable);
  // The default folder is only where the dialog opens: nothing is made,
  // emptied or moved there until the user's choice is final.
  const std::string start = DefaultBackupFolder();
  for (;;) {
    const std::optional<std::string> chosen = form_.Services().dialogs->SelectFolder(form_.Handle(), start);
    if (!chosen) return Refuse(kNoBackupFolder);
    if (!DriveReadable(DriveRoot())) return Refuse(unreadable);
    if (const std::optional<std::string> why = BackupLocationRefusal(*chosen, DriveRoot())) {
      RefuseFolder(*chosen, *why);
      continue;
    }
    bool foreign = false;
    if (!MakeReady(*chosen, foreign)) {
      if (!foreign) return false;
      RefuseFolder(*chosen, "it already holds other files; choose an empty folder");
      continue;
    }
    if (!FolderExists(*chosen) &&
        SHCreateDirectoryExW(nullptr, Widen(*chosen).c_str(), nullptr) != ERROR_SUCCESS && !FolderExists(*chosen)) {
      RefuseFolder(*chosen, "it cannot be created");
      continue;
    }
    form_.CopySource = DriveRoot();
    form_.CopyTarget = *chosen;
    return true;
  }
}

bool TDriveBackup::MakeReady(const std::string& folder, bool& foreign) {
  const TOldBackupOutcome outcome = ClearOldBackup(folder, LocalStamp(*form_.Services().locale, true));
  foreign = outcome.foreign;
  if (foreign) return false;
  // What kept the earlier backup from being deleted is named first.
  for (const std::string& link : outcome.links)
    Log("The earlier backup in " + folder + " holds a link, which is not followed: " + link);
  for (const std::string& entry : outcome.outside)
    Log("The note of " + folder + " lists a file outside its folder: " + entry + "; it is ignored.");
  if (outcome.ours && !outcome.unrestored && !outcome.keptWhole)
    Log("The earlier backup in " + folder + " was deleted (" + FileCount(outcome.deleted) + ").");
  if (!outcome.keptIn.empty()) {
    const std::string files = " (" + FileCount(outcome.keptFiles) + ").";
    if (outcome.unrestored) {
      Log("An earlier backup that was not copied back is kept in " + outcome.keptIn + files);
      if (SameDriveLetter(outcome.drive.empty() ? 0 : outcome.drive[0], driveLetter_))
        keptUnrestored_.push_back({outcome.keptIn});
    } else if (outcome.keptWhole) {
      Log("Nothing of the earlier backup in " + folder + " was deleted; it is kept whole in " + outcome.keptIn + files);
    } else {
      Log("Files in " + folder + " that the earlier backup did not write, or that changed since, are kept in " +
          outcome.keptIn + files);
    }
  }
  if (!outcome.ready)
    return Refuse("The folder " + folder + " holds an earlier backup that could not be moved aside. Nothing was erased.");
  return true;
}

bool TDriveBackup::ListDrive() {
  // A listing of the whole drive first: what the backup must hold, and a
  // folder that cannot be read stops everything before anything is copied.
  std::vector<TSkippedFolder> skipped;
  TCopySafeguards listing;
  listing.copied = &listed_;
  listing.folders = &folders_;
  listing.skipped = &skipped;
  // What the listing finds is shown as it goes, and the window keeps answering.
  size_t counted = 0;
  auto countListed = [this, &counted] {
    for (; counted < listed_.size(); ++counted) form_.StageCounted(1, listed_[counted].size);
  };
  listing.onProgress = [this, &countListed](std::int64_t) {
    countListed();
    return form_.StagePiece(0);
  };
  const TCopyHost host{form_.Services().dialogs, form_.Services().locale, form_.Handle()};
  form_.BeginStage("Listing", -1, -1);
  CopyFolder(DriveRoot(), "", "*.*", ReplaceWhenNewer, true, false, true, false, false, nullptr, host,
             TNameRules::WholeDrive, &listing);
  countListed();
  form_.EndStage(false);
  if (CancelRequested) return false;
  if (CopyStatistics.DroppedByError > 0)
    return Refuse(std::to_string(CopyStatistics.DroppedByError) + " folder(s) of drive " + DriveName() +
                  " could not be read, so it is not formatted. Nothing was erased.");
  // What the copy leaves out on purpose is said before anything is erased.
  for (const TSkippedFolder& folder : skipped) {
    const std::string files = folder.files < 0 ? "its files cannot be listed"
                              : folder.files == 1 ? "1 file"
                                                  : Thousands(folder.files) + " files";
    if (folder.recycleBin)
      Log("The recycle bin of " + DriveName() + " (" + folder.path + ", " + files +
          ") is not backed up; the format empties it.");
    else
      Log("The folder System Volume Information of " + DriveName() + " (" + folder.path + ", " + files +
          ") is not backed up; Windows makes it again after the format.");
  }
  return true;
}

bool TDriveBackup::PlanRestore() {
  // The format keeps the partition: the new volume is as large as today's.
  const std::int64_t volumeBytes = drive::VolumeCapacity(form_.Services().deviceIo, driveLetter_);
  if (volumeBytes <= 0) return true;  // nothing to plan against; the restore check still guards the files
  RestoreContent content;
  content.files.reserve(listed_.size());
  for (const TCopiedFile& file : listed_) content.files.push_back({file.relativePath, static_cast<std::uint64_t>(file.size)});
  content.folders = folders_;
  const ClusterChoice choice =
      ChooseClusterSize(content, form_.FileSystem->ItemIndex(), static_cast<std::uint64_t>(volumeBytes));
  const std::string line = ClusterChoiceLine(choice, form_.Services().locale->DecimalSeparator());
  if (choice.clusterSize == 0) return Refuse(line + " Nothing was erased.");
  Log(line);
  plannedCluster_ = static_cast<int>(choice.clusterSize);
  return true;
}

bool TDriveBackup::HasRoom() {
  const long long needed =
      BackupBytesNeeded(listed_, folders_.size(), static_cast<long long>(ClusterBytesAt(form_.CopyTarget)));
  const std::optional<std::uint64_t> free = FreeBytesAt(form_.CopyTarget);
  if (!free || *free >= static_cast<std::uint64_t>(needed)) return true;
  return Refuse("The backup needs " + Thousands(needed) + " bytes, but the drive of " + form_.CopyTarget + " has " +
                Thousands(static_cast<long long>(*free)) + " bytes free. Nothing was erased.");
}

bool TDriveBackup::CheckBeforeErase() {
  Log("Checking the backup in " + folder_ + " again before the erase...");
  if (backupVolumeFlushes_) FlushVolumeAnswering(folder_);
  const TRestoreCheck check = CheckWithProgress("Checking the backup", folder_);
  if (check.stopped) return false;
  if (check.AllIdentical()) {
    Log("Backup checked: " + Thousands(check.files) + " files, " + Thousands(check.bytes) +
        " bytes, all as they were copied from drive " + DriveName() + ".");
    return true;
  }
  LogPaths("Missing from the backup: ", check.missing);
  LogPaths("Changed in the backup since it was copied: ", check.differing);
  return Refuse("The backup in " + folder_ + " no longer holds every file of drive " + DriveName() +
                " as it was copied, so the drive is not formatted. Nothing was erased.");
}

bool TDriveBackup::Restore() {
  Log("Data is being copied back to USB drive ...");
  form_.CopySource = folder_;
  form_.CopyTarget = DriveRoot();
  TCopySafeguards safeguards;
  // The check after the restore must read what the stick holds, as for the backup.
  const bool driveFlushes = FlushVolumeAnswering(DriveRoot());
  safeguards.flush = !driveFlushes;
  safeguards.skippedTopLevelFile = kBackupMarkerName;
  safeguards.plannedFiles = static_cast<std::int32_t>(backedUp_.size());
  safeguards.onProgress = [this](std::int64_t bytes) { return form_.StagePiece(bytes); };
  bool copied = true;
  form_.BeginStage("Copying back", static_cast<std::int64_t>(backedUp_.size()), TotalBytes(backedUp_));
  try {
    form_.CopyDriveContents(&safeguards);
  } catch (const std::exception& error) {
    Log(std::string("Error: ") + error.what());
    copied = false;
  }
  form_.EndStage(copied && !CancelRequested);
  Log("");
  Log("Copy operation completed.");
  if (!copied || CancelRequested) return false;

  if (driveFlushes) FlushVolumeAnswering(DriveRoot());
  const TRestoreCheck check = CheckWithProgress("Checking the copied files", DriveRoot());
  if (check.stopped) return false;
  for (const std::string& path : check.missing) Log("Missing after the restore: " + path);
  for (const std::string& path : check.differing) Log("Different from the backup: " + path);
  if (!check.AllIdentical()) {
    Log("Restore check failed: " + std::to_string(check.missing.size() + check.differing.size()) + " of " +
        Thousands(check.files) + " files are not as they were backed up.");
    return false;
  }
  Log("Restore verified: " + Thousands(check.files) + " files, " + Thousands(check.bytes) + " bytes, all identical.");
  WriteNote(true, true);
  return true;
}

TRestoreCheck TDriveBackup::CheckWithProgress(const std::string& stage, const std::string& root) {
  form_.BeginStage(stage, static_cast<std::int64_t>(backedUp_.size()), TotalBytes(backedUp_));
  const TRestoreCheck check = CheckCopiedFiles(backedUp_, root, nullptr, [this](std::int64_t bytes) {
    if (bytes == 0) form_.StageCounted(1, 0);  // a file is done
    return form_.StagePiece(bytes);
  });
  form_.EndStage(!check.stopped);
  return check;
}

void TDriveBackup::ReportKeptBackups() {
  for (const TKeptBackup& kept : keptUnrestored_) {
    const std::int64_t missing = FilesNotOnDrive(kept.folder, DriveRoot());
    Log("An earlier backup of drive " + DriveName() + " that was not copied back is kept in " + kept.folder + "; " +
        (missing == 1 ? "1 of its files is" : Thousands(missing) + " of its files are") + " not on the drive.");
  }
}

std::string TDriveBackup::StopQuestion() const {
  return "Stop copying the files back to drive " + DriveName() + "? The files not yet copied back stay in the backup folder " +
         folder_ + ".";
}

bool TDriveBackup::WriteNote(bool restored, bool withList) {
  TBackupMarker marker{DriveRoot(), started_, 0, 0, restored, {}};
  for (const TCopiedFile& file : withList ? backedUp_ : listed_) {
    ++marker.files;
    marker.bytes += file.size;
  }
  if (!withList) return WriteBackupMarker(folder_, marker);
  // The list is lent to the note rather than copied: with a hundred
  // thousand files a copy would cost megabytes just when the log is longest.
  marker.list = std::move(backedUp_);
  struct GiveBack {
    std::vector<TCopiedFile>& from;
    std::vector<TCopiedFile>& to;
    ~GiveBack() { to = std::move(from); }
  } giveBack{marker.list, backedUp_};
  return WriteBackupMarker(folder_, marker);
}

void TDriveBackup::LogPaths(const std::string& prefix, const std::vector<std::string>& paths) {
  for (size_t i = 0; i < paths.size() && i < kNamedFiles; ++i) Log(prefix + paths[i]);
  if (paths.size() > kNamedFiles) Log("... and " + Thousands(static_cast<long long>(paths.size() - kNamedFiles)) + " more");
}

bool TDriveBackup::Refuse(const std::string& text) {
  Log(text);
  form_.ClearStatus();
  return false;
}

void TDriveBackup::RefuseFolder(const std::string& folder, const std::string& why) {
  const std::string text = FolderRefusalText(folder, why);
  Log(text);
  form_.Services().dialogs->ShowMessage(form_.Handle(), tk::Application().Title, text, MessageIcon::Warning);
}

void TDriveBackup::Log(const std::string& text) { form_.AddLogLine(text); }

std::string TDriveBackup::Thousands(long long value) const {
  return FormatThousands(value, form_.Services().locale->ThousandSeparator());
}

std::string TDriveBackup::DriveRoot() const { return std::string(1, driveLetter_) + ":\\"; }

std::string TDriveBackup::DriveName() const { return AsciiUpper(std::string(1, driveLetter_)) + ":"; }

}  // namespace sw
