// One run of the speed-up operation that Start begins, from its first
// check to its end line, on the run's worker thread: the checks of the
// chosen options against the drive, the erase and backup questions, the
// optional backup, the busy state, the check-disk stage, the capacity
// check, the speed before, the check of the backup right before the erase,
// the format stage, the speed after, the restore and the completion lines.
// It works on the options taken when Start was pressed, whatever the
// window's controls and the device list do meanwhile, and shows itself
// only through the run's host.
#pragma once

#include <memory>
#include <string>

#include "app/drive_backup.h"
#include "app/format_plan.h"
#include "app/run_context.h"
#include "app/volume_access.h"
#include "speedtest/speed_figures.h"

namespace sw {

class TSpeedUpOperation {
 public:
  explicit TSpeedUpOperation(TRunContext& run) : run_(run) {}
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
  void EnterBusyState();
  // False when the run must stop before the erase: the user would not
  // force the drive closed.
  bool CheckDiskStage();
  // The real-capacity check; false when the run must stop before the erase
  // (a counterfeit stick, logged and shown, or a stop request).
  bool CapacityStage();
  // Logs where the drive's files are when the run stops before the erase.
  void StoppedBeforeErase();
  // The run ends before the erase: the window returns to idle.
  void EndUnformatted();
  void FormatStage();
  // The run ends before the erase, saying where the files are kept.
  void EndKeepingFiles();
  // Logs why a check the user asked for cannot run and asks whether to go
  // on `without` it; No (the default) logs that the run stops.
  bool GoOnWithout(const std::string& why, const std::string& without);
  std::string BackupFolder() const;  // empty without a backup
  void RestoreAndComplete();

  // Logs the refusal, clears the status line; always false.
  bool Refuse(const std::string& text);
  bool Ask(const std::string& title, const std::string& text) const;
  bool Stopped() const { return run_.Stopped(); }
  void Log(const std::string& text);
  std::string DriveRoot() const;   // the letter as taken, ":\"
  std::string DriveName() const;   // the upper-case letter and ":"

  TRunContext& run_;
  const TRunOptions& options_ = run_.Options();
  const char driveLetter_ = options_.driveLetter;
  bool FormatFailed = false;
  std::unique_ptr<TDriveBackup> backup_;    // once the user asked for a backup
  TFormatPlan formatPlan_;                  // the allocation units the format library allows here
  TForceQuestion force_{run_};              // asked once: may a holder of the drive be forced closed
  bool measureSpeed_ = false;               // the speed is measured before and after the format
  TSpeedFigures speedBefore_;
  bool succeeded_ = false;
};

}  // namespace sw
