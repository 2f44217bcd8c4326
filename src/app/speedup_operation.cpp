// The stages of the speed-up operation, in the order Start runs them.
#include "app/speedup_operation.h"

#include <shlobj.h>
#include <windows.h>

#include <optional>

#include "app/fmtmain.h"
#include "app/speedup_rules.h"
#include "copy/copy_folder.h"
#include "copy/copy_paths.h"
#include "format/fmtchkdsk.h"
#include "platform/dialogs.h"
#include "platform/exceptions.h"
#include "platform/text.h"
#include "toolkit/application.h"

namespace sw {
namespace {

constexpr char kNoDevice[] = "No USB flash drive, USB thumb drive, or USB stick is detected.";
constexpr char kNoLabel[] = "A volume label is required to speed up a USB drive.";
constexpr char kNoDriveLetter[] =
    "The selected device has no drive letter, so it cannot be formatted. Nothing was changed.";
constexpr char kFatTooLarge[] =
    "FAT file systme does not support USB storage device larger than 2GB.\r\nPlease choose another file system.";
constexpr char kFat32Question[] =
    "FAT32 file system has a file size limit of 4GB. You cannot store a file larger than that in one piece. "
    "Do you want to continue?";
constexpr char kScanning[] = "Scanning USB drive for errors...";
constexpr int kLargeCluster = 65536;
constexpr int kSmallerCluster = kLargeCluster / 2;

}  // namespace

void TSpeedUpOperation::Run() {
  // A stop request left from an earlier run or question must not end this one.
  CancelRequested = false;
  if (!Validate()) return;
  if (!Confirm()) return;
  if (!EnterBusyState()) return;
  if (form_.OptCorrectErrors->Checked()) {
    CheckDiskStage();
    if (CancelRequested) return;
  }
  FormatStage();
  RestoreAndComplete();
}

bool TSpeedUpOperation::Validate() {
  if (form_.cbDevice->Count() == 0) return Refuse(kNoDevice);
  if (Trim(form_.VolumeLabel->Text()).empty()) return Refuse(kNoLabel);

  const std::string entry = form_.cbDevice->Text();
  driveLetter_ = OperationDriveLetter(entry, form_.SelectedDriveLetter);
  if (driveLetter_ == 0) return Refuse(kNoDriveLetter);
  if (SameDriveLetter(driveLetter_, SystemDriveLetter()))
    return Refuse("Drive " + DriveName() + " holds the running system and is never formatted. Nothing was changed.");
  if (SameDriveLetter(driveLetter_, ProgramDriveLetter()))
    return Refuse("Drive " + DriveName() + " holds this program and is never formatted. Nothing was changed.");

  int driveNumber = 0, partitionCount = 0;
  std::string deviceId, sizeText, sizeUnit;
  long long sizeNumber = 0;
  form_.LookupSelectedDisk(entry, driveNumber, deviceId, partitionCount, sizeNumber, sizeUnit, sizeText);

  const int fileSystem = form_.FileSystem->ItemIndex();
  if (FatSizeRefused(fileSystem, sizeNumber, sizeUnit)) return Refuse(kFatTooLarge);
  if (Fat32SizeWarned(fileSystem, sizeNumber, sizeUnit)) {
    if (!Ask("Warning", kFat32Question)) return false;  // the status line stays as it is
    form_.ClearStatus();
  }
  return true;
}

bool TSpeedUpOperation::Confirm() {
  const std::string letter(1, driveLetter_);
  if (!Ask("Warning", "To speed up USB drive, all data on drive " + letter +
                          ":\\ will be erased. Do you want to continue?")) {
    form_.ClearStatus();
    return false;
  }
  if (Ask("Confirmation", "Do you want to back up data on drive " + letter + ":\\ to a folder? ")) {
    if (!Backup()) return false;
  }
  // Closing the window while a question was open or the backup ran ends
  // the operation here, before anything is formatted.
  return !CancelRequested;
}

bool TSpeedUpOperation::Backup() {
  BackupMade = true;
  form_.CopySource = DriveRoot();
  form_.CopyTarget = DefaultBackupFolder();
  if (RefusedAsBackupFolder(form_.CopyTarget)) return false;
  if (FolderExists(form_.CopyTarget)) TMainForm::DeleteFolderTree(form_.CopyTarget);
  // A folder that cannot be made shows up when the copy runs into it.
  SHCreateDirectoryExW(nullptr, Widen(form_.CopyTarget).c_str(), nullptr);

  const std::optional<std::string> chosen = form_.Services().dialogs->SelectFolder(form_.Handle(), form_.CopyTarget);
  if (!chosen) return true;  // nothing copied; the restore reads the empty backup folder
  if (RefusedAsBackupFolder(*chosen)) return false;
  form_.CopyTarget = *chosen;
  form_.CopyDriveContents();
  if (CancelRequested) return false;  // the window was closed during the backup
  // A file that did not reach the backup would be lost by the format.
  if (CopyStatistics.DroppedByError > 0)
    return Refuse(std::to_string(CopyStatistics.DroppedByError) + " file(s) could not be backed up, so drive " +
                  DriveName() + " is not formatted. Nothing was erased.");
  Log("Data backup completed.");
  return true;
}

bool TSpeedUpOperation::EnterBusyState() {
  form_.ProgressBar->SetVisible(true);
  form_.lblCopyright->SetVisible(false);
  CancelRequested = false;
  form_.btnStart->SetEnabled(false);
  form_.btnStart->SetVisible(false);
  form_.btnCancel->SetVisible(true);
  tk::Application().ProcessMessages();
  return !CancelRequested;
}

void TSpeedUpOperation::CheckDiskStage() {
  form_.ShowStatus(kScanning);
  form_.ProgressBar->SetVisible(true);
  form_.lblCopyright->SetVisible(false);
  CancelRequested = false;
  try {
    if (FormatEngine == nullptr) throw Exception("The format engine is not available.");
    form_.ProgressBar->SetPosition(0);
    Log("Starting check disk for " + DriveName());
    // Verbose follows the log's visibility, which is always shown.
    if (!FormatEngine->CheckDisk(DriveRoot(), true, true, true, form_.OptCorrectErrors->Checked()))
      Log("Check disk operation failed!");
    form_.ProgressBar->SetPosition(0);
    if (FormatEngine->FileSysProblem()) Log("*** Check disk found problems with " + DriveName());
  } catch (const std::exception& error) {
    Log(std::string("Error: ") + error.what());
  }
  Log("Disk scan completed.");
}

void TSpeedUpOperation::FormatStage() {
  Log("Format USB drive...");
  const auto mediaKind = static_cast<uint8_t>(MediaKindOf(driveLetter_));
  try {
    if (FormatEngine == nullptr) throw Exception("The format engine is not available.");
    form_.ProgressBar->SetPosition(0);
    Log("Starting format disk for " + DriveName());
    if (!FormatEngine->FormatDisk(DriveRoot(), mediaKind, static_cast<uint8_t>(form_.FileSystem->ItemIndex()),
                                  Trim(form_.VolumeLabel->Text()), form_.OptQuickFmt->Checked(), kLargeCluster)) {
      Log("Format disk program initializing...");
      // The options are read again: the user may have changed them meanwhile.
      if (!FormatEngine->FormatDisk(DriveRoot(), mediaKind, static_cast<uint8_t>(form_.FileSystem->ItemIndex()),
                                    Trim(form_.VolumeLabel->Text()), form_.OptQuickFmt->Checked(),
                                    kSmallerCluster)) {
        Log("Format disk operation encountered an error.");
        FormatFailed = true;
      }
    }
    form_.ProgressBar->SetPosition(0);
  } catch (const std::exception& error) {
    Log(std::string("Error: ") + error.what());
    FormatFailed = true;
  }
  Log("");
}

void TSpeedUpOperation::RestoreAndComplete() {
  if (!FormatFailed) {
    Log("Disk drive is formatted.");
    Log("");
    if (BackupMade) {
      Log("Data is being copied back to USB drive ...");
      form_.CopySource = form_.CopyTarget;
      form_.CopyTarget = DriveRoot();
      form_.CopyDriveContents();
      Log("");
      Log("Copy operation completed.");
    }
  }
  if (CancelRequested) return;  // Cancel has already set the window's state
  Log("");
  if (!FormatFailed) Log("Your USB Drive is optimized for faster read and write access. Operations completed.");
  form_.btnCancel->SetVisible(false);
  form_.btnStart->SetVisible(true);
  form_.btnStart->SetEnabled(true);
  form_.ClearStatus();
}

bool TSpeedUpOperation::Refuse(const std::string& text) {
  Log(text);
  form_.ClearStatus();
  return false;
}

bool TSpeedUpOperation::RefusedAsBackupFolder(const std::string& folder) {
  if (!SameDriveLetter(DriveLetterOfPath(folder), driveLetter_)) return false;
  return Refuse("The backup folder " + folder + " lies on drive " + DriveName() +
                ", which is about to be formatted. Nothing was erased; choose a folder on another drive.");
}

bool TSpeedUpOperation::Ask(const std::string& title, const std::string& text) {
  return form_.Services().dialogs->AskYesNo(form_.Handle(), title, text);
}

void TSpeedUpOperation::Log(const std::string& text) { form_.AddLogLine(text); }

std::string TSpeedUpOperation::DriveRoot() const { return std::string(1, driveLetter_) + ":\\"; }

std::string TSpeedUpOperation::DriveName() const { return AsciiUpper(std::string(1, driveLetter_)) + ":"; }

}  // namespace sw
