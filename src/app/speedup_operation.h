// One run of the speed-up operation that Start begins: the checks of the
// chosen options against the drive, the erase and backup questions, the
// optional backup, the busy state, the check-disk and format stages, the
// restore and the completion lines. The run works on the drive letter it
// takes when it starts, whatever the device list does meanwhile.
#pragma once

#include <string>
#include <vector>

#include "copy/copy_folder.h"
#include "speedtest/speed_figures.h"

namespace sw {

class TMainForm;

class TSpeedUpOperation {
 public:
  explicit TSpeedUpOperation(TMainForm& form) : form_(form) {}
  TSpeedUpOperation(const TSpeedUpOperation&) = delete;
  TSpeedUpOperation& operator=(const TSpeedUpOperation&) = delete;

  // Runs every stage in order; a refusal, a No or a stop request ends it
  // early with the window in the state that stage left.
  void Run();

 private:
  bool Validate();
  bool Confirm();
  bool Backup();
  // Shows the folder dialog until the user picks a folder that may take the
  // backup (or cancels: false); the folder is then ready and empty.
  bool ChooseBackupFolder();
  // Makes an existing backup folder ready for a new backup: a restored
  // backup of ours is deleted, anything else is renamed aside and kept.
  // False (logged) when that could not be done.
  bool ClearOldBackup(const std::string& folder);
  // Counts the drive's files and checks that the backup folder has room.
  bool PlanBackup(std::int32_t& files, long long& bytes);
  bool EnterBusyState();
  void CheckDiskStage();
  void FormatStage();
  void RestoreAndComplete();
  // Copies the backup back and checks every file; false when anything of
  // the backup did not come back identical.
  bool RestoreAndVerify();

  // Logs the refusal, clears the status line; always false.
  bool Refuse(const std::string& text);
  // Refuses (logged) a backup folder that is, or lies on, the drive about to
  // be formatted, under any name.
  bool RefusedAsBackupFolder(const std::string& folder);
  // Logs and shows why a chosen folder cannot take the backup.
  void RefuseFolder(const std::string& folder, const std::string& why);
  static std::string FolderRefusalText(const std::string& folder, const std::string& why);
  // The local time as "yyyy-mm-dd hh:mm:ss", or with `forName` "yyyy-mm-dd hhmmss".
  std::string Stamp(bool forName) const;
  bool Ask(const std::string& title, const std::string& text);
  void Log(const std::string& text);
  std::string DriveRoot() const;   // the letter as taken, ":\"
  std::string DriveName() const;   // the upper-case letter and ":"

  TMainForm& form_;
  char driveLetter_ = 0;  // the operation's own copy of the selected drive letter
  bool BackupMade = false;
  bool FormatFailed = false;
  std::string backupFolder_;                // the folder the backup went to, once it holds one
  std::vector<TCopiedFile> backedUp_;       // every file of the backup, with its content hash
  bool measureSpeed_ = false;               // the speed is measured before and after the format
  TSpeedFigures speedBefore_;
};

}  // namespace sw
