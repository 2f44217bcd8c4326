// The life of one backup of the drive that the speed-up operation erases:
// the folder the user chooses and its checks, the earlier backup found in
// it, the listing that says what the backup must hold and whether it has
// room, the note, the checked copy, the check of the whole backup again
// right before the erase, the copy back and the check of the drive after
// it. Every step that finds something wrong logs it and answers false, and
// then nothing is erased (before the format) or the backup is kept (after).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/backup_marker.h"
#include "app/restore_check.h"
#include "copy/copy_folder.h"
#include "copy/stream_copy.h"

namespace sw {

class TRunContext;
class INamedStreams;

// The paths of `listed` that `backedUp` does not hold, compared exactly:
// two names that differ only in case are two files, and a backup that holds
// one of them has not saved the other.
std::vector<std::string> PathsNotBackedUp(const std::vector<TCopiedFile>& listed,
                                          const std::vector<TCopiedFile>& backedUp);
// The room a backup of `files` in `folders` folders takes on a volume whose
// allocation unit is `cluster` bytes: each file rounded up to it, one unit
// per folder, and some slack for the note.
long long BackupBytesNeeded(const std::vector<TCopiedFile>& files, size_t folders, long long cluster);
// The question before the erase when `files` files carry named streams that
// `keeper` (a file system, or the backup folder's drive) cannot keep, naming
// `firstFiles`; `internetMark` when the mark of a download is among them.
std::string StreamLossQuestion(long long files, const std::vector<std::string>& firstFiles, const std::string& keeper,
                               bool internetMark, const std::string& thousands);

// After a copy back: whether every file and folder below `root` has the
// attributes and modified time of its copy below `backup`; the ones that
// do not are logged. Content is checked apart from this.
bool LooksAsBackedUp(TRunContext& run, const std::string& backup, const std::string& root,
                     const std::vector<std::string>& files, const std::vector<std::string>& folders);

class TDriveBackup {
 public:
  explicit TDriveBackup(TRunContext& run);
  TDriveBackup(const TDriveBackup&) = delete;
  TDriveBackup& operator=(const TDriveBackup&) = delete;

  // Chooses the folder, lists the drive and copies it; true only when every
  // file the listing found is in the backup. The folder, once chosen, holds
  // the note from before the first file is copied.
  bool Make();
  // Reads the whole backup again from its disk and compares every file with
  // what was read from the drive; true only when all are identical.
  bool CheckBeforeErase();
  // Right before the format: lists the drive again and compares it with
  // what the backup copied. What was added or changed meanwhile is backed
  // up too, in a short second pass, and compared again; true once the
  // drive matches the backup, false (logged, nothing erased) when it cannot
  // be read, keeps changing, or a second pass fails.
  bool HoldsStill();
  // Notes that the erase begins; false (logged, nothing erased) when the
  // note cannot be written, since a later start would not know the stick
  // holds less than the backup.
  bool MarkErased();
  // Copies the backup back onto the formatted drive and checks every file
  // there; true only when all came back identical (the note then says so).
  bool Restore();
  // The lines that tell of earlier backups of this drive that were kept
  // aside unrestored during this run, with their files not on the drive.
  void ReportKeptBackups();

  // The folder that holds the backup; empty until the copy into it began.
  const std::string& Folder() const { return folder_; }
  // The question a stop after the erase asks first.
  std::string StopQuestion() const;
  // The allocation unit the format tries first: 65536, or 32768 when the
  // files would not fit on the new file system with 65536.
  int PlannedClusterSize() const { return plannedCluster_; }

 private:
  // What one listing of the whole drive found.
  struct TDriveListing {
    std::vector<TCopiedFile> files;
    std::vector<std::string> folders;       // relative, ending in "\"
    std::vector<TSkippedFolder> skipped;    // left out on purpose
    std::vector<std::string> links;         // never followed nor copied
  };

  bool ChooseFolder();
  // What the listed files hold, in bytes.
  std::uint64_t ListedBytes() const;
  std::string Unreadable() const;  // the refusal for a drive that cannot be read
  // Makes a folder of ours ready for the backup; false (logged) when it
  // could not be; `foreign` when it holds other files and was left alone.
  bool MakeReady(const std::string& folder, bool& foreign);
  bool ListDrive();
  // Lists the whole drive as the stage `stage` into `listing`; false (logged)
  // when a folder could not be read or the run was stopped.
  bool ListInto(TDriveListing& listing, const std::string& stage);
  // The drive's links are named; the user decides whether the run goes on
  // without what they point at (the default is to stop).
  bool GoOnWithoutLinks(const std::vector<std::string>& links);
  // One comparison of the drive with the backup: the paths to back up
  // again (added, changed, or rewritten within the write-time doubt); new
  // folders are made in the backup at once. False when it cannot be done.
  bool ChangedSinceBackup(const TDriveListing& now, std::vector<std::string>& toBackUp);
  // Backs `paths` up once more and checks them from the backup's disk.
  bool BackUpAgain(const std::vector<std::string>& paths);
  // Lays `files` out on the file system the format will make; false
  // (logged, with the first file or the shortfall) when they do not fit.
  bool PlanRestore(const std::vector<TCopiedFile>& files);
  bool HasRoom();

  // ---- Named streams (drive_backup_streams.cpp). Kept with their file
  // when both the backup folder's drive and the new file system keep them.
  // Lists the streams of the listed files where the drive keeps any; false
  // (logged, nothing erased) when they cannot be listed.
  bool ListStreams();
  // Where the streams found cannot be kept, says so and asks; false
  // (logged, nothing erased) on No. Asked once a run.
  bool StreamsKeptOrAgreed();
  // Copies the streams of `files` from the drive into the backup,
  // recording their hashes; false (logged) when any could not be copied.
  bool BackUpStreams(std::vector<TFileStreams>& files);
  // Backs up again the streams of `paths`, which the second pass copied, and
  // checks them in the backup; false (logged).
  bool BackUpStreamsAgain(const std::vector<std::string>& paths);
  // Adds to `toBackUp` the files of `now` whose streams differ from the
  // backup's; false (logged) when they cannot be listed.
  bool StreamsChanged(const TDriveListing& now, std::vector<std::string>& toBackUp);
  // Checks the backed-up streams below `root`: the backup, or the drive
  // after the restore; an empty run when there is nothing to check.
  TStreamRun CheckStreams(const std::string& root);
  // Writes the streams back onto the restored files; false (logged).
  bool RestoreStreams();
  bool StreamsBackedUp() const { return streamSeam_ != nullptr && backupKeepsStreams_ && !streams_.empty(); }
  bool StreamsRestored() const;
  bool WriteNote(TBackupStage stage, bool withList);
  // Checks the backed-up files below `root` as the stage `stage`, with its progress.
  TRestoreCheck CheckWithProgress(const std::string& stage, const std::string& root);
  // Logs each path (the first 20, then how many more) after `prefix`.
  void LogPaths(const std::string& prefix, const std::vector<std::string>& paths);
  bool Refuse(const std::string& text);
  void RefuseFolder(const std::string& folder, const std::string& why);
  void Log(const std::string& text);
  std::string Thousands(long long value) const;
  std::string FileCount(long long files) const;  // "1 file", "2 files"
  std::string DriveRoot() const;
  std::string DriveName() const;

  struct TKeptBackup {
    std::string folder;
  };

  TRunContext& run_;
  const char driveLetter_;
  std::string folder_;
  std::string chosen_;                  // the folder the user chose, before the copy into it began
  std::string started_;
  TDriveListing listing_;               // what the drive held when it was listed (its files until the backup is made)
  std::vector<std::string> removedFromDrive_;  // backed-up files later removed from the drive: the backup keeps them
  std::vector<TCopiedFile> backedUp_;   // every file of the backup, with its content hash
  std::vector<TKeptBackup> keptUnrestored_;
  bool backupVolumeFlushes_ = false;
  INamedStreams* const streamSeam_;     // none: streams are not looked at
  bool backupKeepsStreams_ = false;     // the backup folder's drive keeps named streams
  bool streamLossAgreed_ = false;       // the user agreed to lose the streams the new file system cannot keep
  std::vector<TFileStreams> streams_;   // the files that carry streams, with their hashes once backed up
  int plannedCluster_ = 65536;    // the backup's volume is flushed whole, not file by file
};

}  // namespace sw
