// One run of the speed-up operation that Start begins: the checks of the
// chosen options against the drive, the erase and backup questions, the
// optional backup, the busy state, the check-disk stage, the check of the
// backup right before the erase, the format stage, the restore and the
// completion lines. The run works on the drive letter it
// takes when it starts, whatever the device list does meanwhile.
#pragma once

#include <memory>
#include <string>

#include "app/drive_backup.h"
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
  // The run reached its end with the files back and checked.
  bool Succeeded() const { return succeeded_; }

 private:
  bool Validate();
  bool Confirm();
  bool EnterBusyState();
  void CheckDiskStage();
  // The real-capacity check; false when the run must stop before the erase
  // (a counterfeit stick, logged and shown, or a stop request).
  bool CapacityStage();
  // Logs where the drive's files are when the run stops before the erase.
  void StoppedBeforeErase();
  // The backup no longer matches the drive: nothing is erased, the window
  // returns to idle.
  void EndUnformatted();
  void FormatStage();
  // The question when another program holds the drive at the format.
  std::string InUseQuestion() const;
  void RestoreAndComplete();

  // Logs the refusal, clears the status line; always false.
  bool Refuse(const std::string& text);
  bool Ask(const std::string& title, const std::string& text);
  void Log(const std::string& text);
  std::string DriveRoot() const;   // the letter as taken, ":\"
  std::string DriveName() const;   // the upper-case letter and ":"

  TMainForm& form_;
  char driveLetter_ = 0;  // the operation's own copy of the selected drive letter
  bool FormatFailed = false;
  std::unique_ptr<TDriveBackup> backup_;    // once the user asked for a backup
  bool measureSpeed_ = false;               // the speed is measured before and after the format
  TSpeedFigures speedBefore_;
  bool succeeded_ = false;
};

}  // namespace sw
