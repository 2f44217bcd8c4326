#include "app/drive_backup.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "app/backup_history.h"
#include "app/backup_location.h"
#include "app/backup_marker.h"
#include "app/drive_copy.h"
#include "app/run_context.h"
#include "app/old_backup.h"
#include "app/restore_check.h"
#include "app/restore_fit.h"
#include "app/speedup_rules.h"
#include "copy/copy_listed.h"
#include "copy/copy_paths.h"
#include "copy/listing_changes.h"
#include "copy/look_check.h"
#include "copy/verified_copy.h"
#include "format/volume_capacity.h"
#include "platform/dialogs.h"
#include "platform/locale.h"
#include "platform/text.h"
#include "toolkit/application.h"

namespace sw {
namespace {

constexpr char kNoBackupFolder[] = "No backup folder was chosen. Nothing was erased.";
// Room the backup needs beyond its files, each rounded up to the backup
// volume's allocation unit: a unit per folder, and the note.
constexpr long long kSlackPerBackup = 16 * 1024 * 1024;
// The lines that stop the run name this many files, then how many more.
constexpr size_t kNamedFiles = 20;
// A drive that still differs from its backup after this many second passes
// keeps changing: the run stops before the erase.
constexpr int kSecondPasses = 2;

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

namespace {

// The default backup folder made for the dialog to offer; removed again
// unless kept, and only while it is still empty.
class TOfferedFolder {
 public:
  explicit TOfferedFolder(const std::string& folder) {
    if (!folder.empty() && !FolderExists(folder) &&
        SHCreateDirectoryExW(nullptr, Widen(folder).c_str(), nullptr) == ERROR_SUCCESS)
      made_ = folder;
  }
  ~TOfferedFolder() {
    if (!made_.empty()) RemoveDirectoryW(Widen(made_).c_str());  // fails, and keeps it, when not empty
  }
  TOfferedFolder(const TOfferedFolder&) = delete;
  TOfferedFolder& operator=(const TOfferedFolder&) = delete;
  void Keep() { made_.clear(); }

 private:
  std::string made_;
};

}  // namespace

TDriveBackup::TDriveBackup(TRunContext& run)
    : run_(run), driveLetter_(run.Options().driveLetter), streamSeam_(run.Services().namedStreams) {}

bool TDriveBackup::Make() {
  // The drive is listed before the folder is chosen, so the dialog can say
  // how much room the backup needs.
  if (run_.Stopped()) return false;  // a stop asked for during the questions
  if (!DriveReadable(DriveRoot())) return Refuse(Unreadable());
  if (!ListDrive() || !ChooseFolder() || !ListStreams() || !HasRoom() || !PlanRestore(listing_.files) ||
      !StreamsKeptOrAgreed())
    return false;
  folder_ = chosen_;
  started_ = LocalStamp(*run_.Services().locale, false);
  // The note goes in first: from now on this folder may hold the only copy.
  if (!WriteNote(TBackupStage::BackingUp, false)) {
    folder_.clear();
    return Refuse("Cannot write into the backup folder " + chosen_ + ". Nothing was erased.");
  }
  // Remembered at once: a run that is killed from here on is found again at the next start.
  RememberBackupFolder(folder_);
  TCopySafeguards safeguards;
  // The check before the erase must read what the disk holds: the volume is
  // flushed once before it, or, where it cannot be, each file as it is written.
  backupVolumeFlushes_ = FlushVolumeOf(folder_);
  safeguards.flush = !backupVolumeFlushes_;
  safeguards.copied = &backedUp_;
  backedUp_.reserve(listing_.files.size());
  safeguards.plannedFiles = static_cast<std::int32_t>(listing_.files.size());
  safeguards.onProgress = [this](std::int64_t bytes) { return run_.StagePiece(bytes); };
  run_.BeginStage("Backing up", static_cast<std::int64_t>(listing_.files.size()), TotalBytes(listing_.files));
  const TCopyStatistics copied = CopyDriveContents(run_, DriveRoot(), folder_, &safeguards);
  run_.EndStage(!run_.Stopped());
  // Every path the listing found must be in the backup: a file that did not
  // reach it, or that another one took the place of, would be lost.
  std::vector<std::string> missing = PathsNotBackedUp(listing_.files, backedUp_);
  bool complete = !run_.Stopped() && missing.empty() && copied.DroppedByError == 0;
  // The streams go beside the data once every file is there.
  const bool streamsSaved = !complete || BackUpStreams(streams_);
  complete = complete && streamsSaved && !run_.Stopped();
  // Whatever the run reached is listed, so the note tells what the folder holds.
  WriteNote(complete ? TBackupStage::BackedUp : TBackupStage::BackingUp, true);
  if (run_.Stopped()) return false;  // Cancel, or the window was closed, during the backup

  // The listing has served: the later stages check against the backup's own
  // list, and a long one holds megabytes.
  std::vector<TCopiedFile>().swap(listing_.files);
  for (std::string& path : missing) path = DriveRoot() + path;
  const std::int64_t notBackedUp =
      std::max<std::int64_t>(copied.DroppedByError, static_cast<std::int64_t>(missing.size()));
  if (notBackedUp > 0) {
    LogPaths("Not in the backup: ", missing);
    return Refuse(std::to_string(notBackedUp) + " file(s) could not be backed up, so drive " + DriveName() +
                  " is not formatted. Nothing was erased.");
  }
  if (!streamsSaved)
    return Refuse("The named streams of drive " + DriveName() + " could not all be backed up, so it is not formatted. "
                  "Nothing was erased.");
  Log("Data backup completed.");
  Log("The backup is in " + folder_);
  return true;
}

std::string TDriveBackup::Unreadable() const {
  return "Drive " + DriveName() + " cannot be read, so it is not backed up or formatted. Nothing was erased.";
}

bool TDriveBackup::ChooseFolder() {
  const std::string unreadable = Unreadable();
  // The default folder is where the dialog opens. On a first run it does
  // not exist yet: it is made empty (an empty folder loses nothing), so
  // the dialog can offer it, and taken away again if another is chosen.
  // Nothing in it is emptied or moved until the user's choice is final.
  const std::string start = DefaultBackupFolder();
  TOfferedFolder offered(BackupLocationRefusal(start, DriveRoot()) ? std::string() : start);
  const std::string instruction = "Choose an empty folder for the backup of drive " + DriveName() + " (needs " +
                                  FormatSize(ListedBytes(), run_.DecimalSeparator()) + ").";
  for (;;) {
    const std::optional<std::string> chosen = run_.Services().dialogs->SelectFolder(nullptr, start, instruction);
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
    chosen_ = *chosen;
    if (SamePath(chosen_, start)) offered.Keep();
    return true;
  }
}

std::uint64_t TDriveBackup::ListedBytes() const {
  std::uint64_t bytes = 0;
  for (const TCopiedFile& file : listing_.files) bytes += static_cast<std::uint64_t>(file.size);
  return bytes;
}

bool TDriveBackup::MakeReady(const std::string& folder, bool& foreign) {
  const TOldBackupOutcome outcome = ClearOldBackup(folder, LocalStamp(*run_.Services().locale, true));
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
      // Still found at a later start under its new name.
      RememberBackupFolder(outcome.keptIn);
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
  if (!ListInto(listing_, "Listing")) return false;
  // What the copy leaves out on purpose is said before anything is erased.
  for (const TSkippedFolder& folder : listing_.skipped) {
    const std::string files = folder.files < 0 ? "its files cannot be listed" : FileCount(folder.files);
    if (folder.recycleBin)
      Log("The recycle bin of " + DriveName() + " (" + folder.path + ", " + files +
          ") is not backed up; the format empties it.");
    else
      Log("The folder System Volume Information of " + DriveName() + " (" + folder.path + ", " + files +
          ") is not backed up; Windows makes it again after the format.");
  }
  return listing_.links.empty() || GoOnWithoutLinks(listing_.links);
}

bool TDriveBackup::ListInto(TDriveListing& listing, const std::string& stage) {
  TCopySafeguards safeguards;
  safeguards.copied = &listing.files;
  safeguards.folders = &listing.folders;
  safeguards.skipped = &listing.skipped;
  safeguards.links = &listing.links;
  // What the listing finds is shown as it goes.
  size_t counted = 0;
  auto countListed = [this, &counted, &listing] {
    for (; counted < listing.files.size(); ++counted) run_.StageCounted(1, listing.files[counted].size);
  };
  safeguards.onProgress = [this, &countListed](std::int64_t) {
    countListed();
    return run_.StagePiece(0);
  };
  const TCopyHost host{run_.Services().dialogs, run_.Services().locale, nullptr};
  run_.BeginStage(stage, -1, -1);
  const TCopyStatistics listed =
      CopyFolder({.source = DriveRoot(), .listOnly = true, .host = host, .nameRules = TNameRules::WholeDrive,
                  .safeguards = &safeguards})
          .statistics;
  countListed();
  run_.EndStage(false);
  if (run_.Stopped()) return false;
  if (listed.DroppedByError > 0)
    return Refuse(std::to_string(listed.DroppedByError) + " folder(s) of drive " + DriveName() +
                  " could not be read, so it is not formatted. Nothing was erased.");
  return true;
}

bool TDriveBackup::GoOnWithoutLinks(const std::vector<std::string>& links) {
  std::vector<std::string> named;
  for (const std::string& link : links) named.push_back(DriveRoot() + link);
  LogPaths("A link, not backed up (what it points at is not on the drive): ", named);
  const std::string count = links.size() == 1 ? "a link" : Thousands(static_cast<long long>(links.size())) + " links";
  const std::string question = "Drive " + DriveName() + " holds " + count + " to files that are not on the drive (" +
                               named.front() + (links.size() > 1 ? ", ..." : "") +
                               "). They are not backed up, and the format removes the " +
                               (links.size() == 1 ? "link" : "links") + ". Go on without them?";
  if (run_.Ask("Warning", question, DefaultAnswer::No)) {
    Log("The run goes on without the files the links of drive " + DriveName() + " point at.");
    return true;
  }
  return Refuse("Drive " + DriveName() + " is not formatted, so that its links stay. Nothing was erased.");
}

bool TDriveBackup::HoldsStill() {
  std::vector<std::string> toBackUp;
  for (int pass = 0;; ++pass) {
    TDriveListing now;
    if (!ListInto(now, "Listing again")) return false;
    // A link that came after the first listing was never asked about.
    std::vector<std::string> newLinks;
    for (const std::string& link : now.links)
      if (std::find(listing_.links.begin(), listing_.links.end(), link) == listing_.links.end())
        newLinks.push_back(DriveRoot() + link);
    if (!newLinks.empty()) {
      LogPaths("A link made during the backup: ", newLinks);
      return Refuse("Drive " + DriveName() + " changed during the backup, so it is not formatted. Nothing was erased.");
    }
    if (!ChangedSinceBackup(now, toBackUp) || !StreamsChanged(now, toBackUp)) return false;
    if (toBackUp.empty()) {
      Log("Drive " + DriveName() + " was listed again and holds what the backup holds.");
      // Files backed up in a second pass must fit the new file system too,
      // and streams they brought along are asked about as the first ones were.
      return pass == 0 || (PlanRestore(backedUp_) && StreamsKeptOrAgreed());
    }
    if (pass == kSecondPasses) break;
    std::vector<std::string> named;
    for (const std::string& path : toBackUp) named.push_back(DriveRoot() + path);
    LogPaths("Changed on the drive since its backup, backed up again: ", named);
    if (!BackUpAgain(toBackUp)) return false;
  }
  if (toBackUp.size() == 1)
    return Refuse(DriveRoot() + toBackUp.front() + " changed during the backup. Nothing was erased.");
  std::vector<std::string> named;
  for (const std::string& path : toBackUp) named.push_back(DriveRoot() + path + " changed during the backup.");
  LogPaths("", named);
  return Refuse(Thousands(static_cast<long long>(toBackUp.size())) + " files of drive " + DriveName() +
                " kept changing during the backup, so it is not formatted. Nothing was erased.");
}

bool TDriveBackup::ChangedSinceBackup(const TDriveListing& now, std::vector<std::string>& toBackUp) {
  TListingChanges changes = CompareWithBackup(backedUp_, now.files);
  toBackUp = std::move(changes.added);
  toBackUp.insert(toBackUp.end(), changes.changed.begin(), changes.changed.end());
  // Only the content tells whether a file written within the doubt of its
  // copy changed; it is read from the stick's disk, past the cache.
  TStreamingCopier reader;
  reader.onPiece = [this](std::int64_t bytes) { return run_.StagePiece(bytes); };
  if (!changes.doubtful.empty()) {
    std::unordered_map<std::string_view, const TCopiedFile*> copies;
    for (const TCopiedFile& file : backedUp_) copies.emplace(file.relativePath, &file);
    std::int64_t bytes = 0;
    for (const std::string& path : changes.doubtful) bytes += copies.at(path)->size;
    run_.BeginStage("Comparing recent files", static_cast<std::int64_t>(changes.doubtful.size()), bytes);
    for (const std::string& path : changes.doubtful) {
      DWORD error = 0;
      const std::optional<TFileDigest> digest = reader.DigestFromDisk(LongPath(DriveRoot() + path), error);
      if (!digest && error == ERROR_CANCELLED) {
        run_.EndStage(false);
        return false;
      }
      const TCopiedFile& copy = *copies.at(path);
      if (!digest || digest->size != copy.size || digest->hash != copy.hash) toBackUp.push_back(path);
      run_.StageCounted(1, 0);
    }
    run_.EndStage(true);
  }
  // A file removed meanwhile stays in the backup and comes back with it:
  // nothing the backup holds is dropped. Each is named once.
  for (const std::string& path : changes.removed) {
    if (std::find(removedFromDrive_.begin(), removedFromDrive_.end(), path) != removedFromDrive_.end()) continue;
    Log(DriveRoot() + path + " was removed from the drive during the backup; the backup keeps it and copies it back.");
    removedFromDrive_.push_back(path);
  }
  // Folders made meanwhile, empty ones too, are made in the backup.
  for (const std::string& folder : now.folders) {
    if (std::find(listing_.folders.begin(), listing_.folders.end(), folder) != listing_.folders.end()) continue;
    const std::string inBackup = WithTrailingBackslash(folder_) + folder;
    if (!FolderExists(inBackup) && SHCreateDirectoryExW(nullptr, LongPath(inBackup).c_str(), nullptr) != ERROR_SUCCESS &&
        !FolderExists(inBackup))
      return Refuse("The folder " + DriveRoot() + folder + " was made during the backup and cannot be made in " +
                    folder_ + ". Nothing was erased.");
    listing_.folders.push_back(folder);
  }
  return true;
}

bool TDriveBackup::BackUpAgain(const std::vector<std::string>& paths) {
  // A name that differs only in case from another file the backup holds
  // for the drive would be written over it.
  std::unordered_map<std::string, std::string> keys;
  for (const TCopiedFile& file : backedUp_) keys.emplace(PathCaseKey(file.relativePath), file.relativePath);
  for (const std::string& path : paths) {
    const auto other = keys.find(PathCaseKey(path));
    if (other == keys.end() || other->second == path) continue;
    // A file renamed only in case: its old name is gone from the drive, and
    // the new copy takes its place in the backup.
    const auto removed = std::find(removedFromDrive_.begin(), removedFromDrive_.end(), other->second);
    if (removed != removedFromDrive_.end()) {
      std::erase_if(backedUp_, [&](const TCopiedFile& file) { return file.relativePath == other->second; });
      removedFromDrive_.erase(removed);
      continue;
    }
    Log("   Not copied " + DriveRoot() + path + ": " + other->second +
        " was already copied under the same name; the names differ only in case");
    return Refuse("Drive " + DriveName() + " changed during the backup, so it is not formatted. Nothing was erased.");
  }
  std::int64_t bytes = 0;
  run_.BeginStage("Backing up again", static_cast<std::int64_t>(paths.size()), -1);
  const TListedCopy copy = CopyListedFiles(DriveRoot(), folder_, paths, [this, &bytes](std::int64_t piece) {
    if (piece == 0) run_.StageCounted(1, 0);
    bytes += piece;
    return run_.StagePiece(piece);
  });
  run_.EndStage(!copy.stopped);
  if (copy.stopped) return false;
  for (const TListedCopyFailure& failure : copy.failed)
    Log("   Not copied " + DriveRoot() + failure.path + ": " + failure.reason);
  // What the second pass wrote replaces what the backup held for the same
  // paths, and is listed in the note before anything else can happen.
  std::unordered_map<std::string_view, size_t> at;
  for (size_t i = 0; i < backedUp_.size(); ++i) at.emplace(backedUp_[i].relativePath, i);
  std::vector<TCopiedFile> added;
  for (const TCopiedFile& file : copy.copied) {
    const auto found = at.find(file.relativePath);
    if (found != at.end()) backedUp_[found->second] = file;
    else added.push_back(file);
  }
  backedUp_.insert(backedUp_.end(), added.begin(), added.end());
  WriteNote(TBackupStage::BackedUp, true);
  if (!copy.failed.empty())
    return Refuse(FileCount(static_cast<long long>(copy.failed.size())) + " of drive " + DriveName() +
                  " could not be backed up again, so it is not formatted. Nothing was erased.");
  if (backupVolumeFlushes_) FlushVolumeOf(folder_);
  const TRestoreCheck check = CheckCopiedFiles(copy.copied, folder_, nullptr, [this](std::int64_t piece) {
    return run_.StagePiece(piece);
  });
  if (check.stopped) return false;
  if (check.AllIdentical()) return BackUpStreamsAgain(paths);
  LogPaths("Missing from the backup: ", check.missing);
  LogPaths("Changed in the backup since it was copied: ", check.differing);
  return Refuse("The backup in " + folder_ + " no longer holds every file of drive " + DriveName() +
                " as it was copied, so the drive is not formatted. Nothing was erased.");
}

bool TDriveBackup::PlanRestore(const std::vector<TCopiedFile>& files) {
  // The format keeps the partition: the new volume is as large as today's.
  const std::int64_t volumeBytes = drive::VolumeCapacity(run_.Services().deviceIo, driveLetter_);
  if (volumeBytes <= 0) return true;  // nothing to plan against; the restore check still guards the files
  RestoreContent content;
  content.files.reserve(files.size());
  for (const TCopiedFile& file : files) content.files.push_back({file.relativePath, static_cast<std::uint64_t>(file.size)});
  content.folders = listing_.folders;
  const ClusterChoice choice =
      ChooseClusterSize(content, run_.Options().fileSystem, static_cast<std::uint64_t>(volumeBytes));
  const std::string line = ClusterChoiceLine(choice, run_.DecimalSeparator());
  if (choice.clusterSize == 0) return Refuse(line + " Nothing was erased.");
  Log(line);
  plannedCluster_ = static_cast<int>(choice.clusterSize);
  return true;
}

bool TDriveBackup::HasRoom() {
  const long long cluster = std::max<long long>(static_cast<long long>(ClusterBytesAt(chosen_)), 4096);
  long long needed = BackupBytesNeeded(listing_.files, listing_.folders.size(), cluster);
  // Streams the backup keeps take room of their own beside their file's data.
  if (StreamsBackedUp())
    for (const TFileStreams& file : streams_)
      for (const TStreamCopy& stream : file.streams) needed += RoundedUp(stream.size, cluster);
  const std::optional<std::uint64_t> free = FreeBytesAt(chosen_);
  if (!free || *free >= static_cast<std::uint64_t>(needed)) return true;
  return Refuse("The backup needs " + Thousands(needed) + " bytes, but the drive of " + chosen_ + " has " +
                Thousands(static_cast<long long>(*free)) + " bytes free. Nothing was erased.");
}

bool TDriveBackup::CheckBeforeErase() {
  Log("Checking the backup in " + folder_ + " again before the erase...");
  if (backupVolumeFlushes_) FlushVolumeOf(folder_);
  const TRestoreCheck check = CheckWithProgress("Checking the backup", folder_);
  if (check.stopped) return false;
  const TStreamRun streams = CheckStreams(folder_);
  if (streams.stopped) return false;
  if (check.AllIdentical() && streams.AllIdentical()) {
    Log("Backup checked: " + Thousands(check.files) + " files, " + Thousands(check.bytes) +
        " bytes, all as they were copied from drive " + DriveName() + ".");
    if (streams.streams > 0)
      Log("Named streams checked: " + Thousands(streams.streams) + " of " + FileCount(static_cast<long long>(streams_.size())) +
          ", all as they were copied.");
    return true;
  }
  LogPaths("Missing from the backup: ", check.missing);
  LogPaths("Changed in the backup since it was copied: ", check.differing);
  LogPaths("Missing from the backup: ", streams.missing);
  LogPaths("Changed in the backup since it was copied: ", streams.differing);
  return Refuse("The backup in " + folder_ + " no longer holds every file of drive " + DriveName() +
                " as it was copied, so the drive is not formatted. Nothing was erased.");
}

bool TDriveBackup::MarkErased() {
  if (WriteNote(TBackupStage::Erased, true)) return true;
  return Refuse("Cannot write into the backup folder " + folder_ + ", so drive " + DriveName() +
                " is not formatted. Nothing was erased.");
}

bool TDriveBackup::Restore() {
  Log("Data is being copied back to USB drive ...");
  WriteNote(TBackupStage::Restoring, true);
  TCopySafeguards safeguards;
  // The check after the restore must read what the stick holds, as for the backup.
  const bool driveFlushes = FlushVolumeOf(DriveRoot());
  safeguards.flush = !driveFlushes;
  safeguards.skippedTopLevelFile = kBackupMarkerName;
  safeguards.plannedFiles = static_cast<std::int32_t>(backedUp_.size());
  safeguards.onProgress = [this](std::int64_t bytes) { return run_.StagePiece(bytes); };
  bool copied = true;
  run_.BeginStage("Copying back", static_cast<std::int64_t>(backedUp_.size()), TotalBytes(backedUp_));
  try {
    CopyDriveContents(run_, folder_, DriveRoot(), &safeguards);
  } catch (const std::exception& error) {
    Log(std::string("Error: ") + error.what());
    copied = false;
  }
  run_.EndStage(copied && !run_.Stopped());
  Log("");
  Log("Copy operation completed.");
  if (!copied || run_.Stopped()) return false;
  const bool streamsWritten = RestoreStreams();
  if (run_.Stopped()) return false;

  if (driveFlushes) FlushVolumeOf(DriveRoot());
  const TRestoreCheck check = CheckWithProgress("Checking the copied files", DriveRoot());
  if (check.stopped) return false;
  const TStreamRun streams = StreamsRestored() ? CheckStreams(DriveRoot()) : TStreamRun{};
  if (streams.stopped) return false;
  for (const std::string& path : check.missing) Log("Missing after the restore: " + path);
  for (const std::string& path : check.differing) Log("Different from the backup: " + path);
  for (const std::string& path : streams.missing) Log("Missing after the restore: " + path);
  for (const std::string& path : streams.differing) Log("Different from the backup: " + path);
  if (!check.AllIdentical()) {
    Log("Restore check failed: " + std::to_string(check.missing.size() + check.differing.size()) + " of " +
        Thousands(check.files) + " files are not as they were backed up.");
    return false;
  }
  if (!streamsWritten || !streams.AllIdentical()) {
    Log("Restore check failed: " + std::to_string(streams.missing.size() + streams.differing.size()) + " of " +
        Thousands(streams.streams) + " named streams are not as they were backed up.");
    return false;
  }
  std::vector<std::string> files;
  files.reserve(backedUp_.size());
  for (const TCopiedFile& file : backedUp_) files.push_back(file.relativePath);
  if (!LooksAsBackedUp(run_, folder_, DriveRoot(), files, listing_.folders)) return false;
  Log("Restore verified: " + Thousands(check.files) + " files, " + Thousands(check.bytes) + " bytes, all identical.");
  if (streams.streams > 0)
    Log("Named streams verified: " + Thousands(streams.streams) + " of " +
        FileCount(static_cast<long long>(streams_.size())) + ", all identical.");
  WriteNote(TBackupStage::Restored, true);
  return true;
}

bool LooksAsBackedUp(TRunContext& run, const std::string& backup, const std::string& root,
                     const std::vector<std::string>& files, const std::vector<std::string>& folders) {
  const std::vector<std::string> differing = LooksDiffering(backup, root, files, folders);
  for (size_t i = 0; i < differing.size() && i < 20; ++i)
    run.Log("Attributes or modified time not as backed up: " + differing[i]);
  if (differing.empty()) return true;
  run.Log("Restore check failed: " + run.Thousands(static_cast<long long>(differing.size())) +
          " files or folders do not have the attributes and times they were backed up with.");
  return false;
}

TRestoreCheck TDriveBackup::CheckWithProgress(const std::string& stage, const std::string& root) {
  run_.BeginStage(stage, static_cast<std::int64_t>(backedUp_.size()), TotalBytes(backedUp_));
  const TRestoreCheck check = CheckCopiedFiles(backedUp_, root, nullptr, [this](std::int64_t bytes) {
    if (bytes == 0) run_.StageCounted(1, 0);  // a file is done
    return run_.StagePiece(bytes);
  });
  run_.EndStage(!check.stopped);
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

bool TDriveBackup::WriteNote(TBackupStage stage, bool withList) {
  TBackupMarker marker{DriveRoot(), started_, 0, 0, stage == TBackupStage::Restored, {}, stage, run_.Options().stick};
  for (const TCopiedFile& file : withList ? backedUp_ : listing_.files) {
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
  run_.Status("");
  return false;
}

void TDriveBackup::RefuseFolder(const std::string& folder, const std::string& why) {
  const std::string text = FolderRefusalText(folder, why);
  Log(text);
  run_.Tell(tk::Application().Title, text, MessageIcon::Warning);
}

void TDriveBackup::Log(const std::string& text) { run_.Log(text); }

std::string TDriveBackup::FileCount(long long files) const {
  return files == 1 ? "1 file" : Thousands(files) + " files";
}

std::string TDriveBackup::Thousands(long long value) const {
  return run_.Thousands(value);
}

std::string TDriveBackup::DriveRoot() const { return std::string(1, driveLetter_) + ":\\"; }

std::string TDriveBackup::DriveName() const { return AsciiUpper(std::string(1, driveLetter_)) + ":"; }

}  // namespace sw
