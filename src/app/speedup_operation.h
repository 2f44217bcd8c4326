// One run of the speed-up operation that Start begins: the checks of the
// chosen options against the drive, the erase and backup questions, the
// optional backup, the busy state, the check-disk and format stages, the
// restore and the completion lines. The run works on the drive letter it
// takes when it starts, whatever the device list does meanwhile.
#pragma once

#include <string>

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
  bool EnterBusyState();
  void CheckDiskStage();
  void FormatStage();
  void RestoreAndComplete();

  // Logs the refusal, clears the status line; always false.
  bool Refuse(const std::string& text);
  // Refuses a backup folder that lies on the drive about to be formatted.
  bool RefusedAsBackupFolder(const std::string& folder);
  bool Ask(const std::string& title, const std::string& text);
  void Log(const std::string& text);
  std::string DriveRoot() const;   // the letter as taken, ":\"
  std::string DriveName() const;   // the upper-case letter and ":"

  TMainForm& form_;
  char driveLetter_ = 0;  // the operation's own copy of the selected drive letter
  bool BackupMade = false;
  bool FormatFailed = false;
};

}  // namespace sw
