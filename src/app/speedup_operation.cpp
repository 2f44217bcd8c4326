// The stages of the speed-up operation, in the order Start runs them.
#include "app/speedup_operation.h"

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "app/backup_location.h"
#include "app/backup_marker.h"
#include "app/fmtmain.h"
#include "app/label_rules.h"
#include "app/restore_check.h"
#include "app/speedup_rules.h"
#include "copy/copy_folder.h"
#include "copy/copy_paths.h"
#include "format/fmtchkdsk.h"
#include "platform/dialogs.h"
#include "platform/exceptions.h"
#include "platform/locale.h"
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
constexpr char kNoBackupFolder[] = "No backup folder was chosen. Nothing was erased.";
constexpr char kSuccess[] = "Your USB Drive is optimized for faster read and write access. Operations completed.";
// Room the backup needs beyond the files' own bytes: a cluster's worth per
// file on the backup's volume, and the folders and the note.
constexpr long long kSlackPerFile = 64 * 1024;
constexpr long long kSlackPerBackup = 16 * 1024 * 1024;
constexpr int kLargeCluster = 65536;
constexpr int kSmallerCluster = kLargeCluster / 2;

}  // namespace

void TSpeedUpOperation::Run() {
  // A stop request left from an earlier run or question must not end this one.
  CancelRequested = false;
  if (!Validate()) return;
  if (!Confirm()) return;
  const bool stopped = !EnterBusyState() || (form_.OptCorrectErrors->Checked() && (CheckDiskStage(), CancelRequested));
  // With the option checked the drive is measured right before the format
  // and again right after it, so the user sees what the format changed.
  measureSpeed_ = form_.OptMeasureSpeed() != nullptr && form_.OptMeasureSpeed()->Checked();
  if (!stopped && measureSpeed_) speedBefore_ = form_.MeasureDriveSpeed(driveLetter_);
  if (stopped || CancelRequested) {
    if (!backupFolder_.empty()) Log("The drive's files are kept in the backup folder " + backupFolder_);
    return;
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

  const std::string labelProblem = LabelProblem(Trim(form_.VolumeLabel->Text()), form_.FileSystem->ItemIndex());
  if (!labelProblem.empty())
    return Refuse("The volume label cannot be used with " + form_.FileSystem->Text() + ": " + labelProblem +
                  ". Nothing was changed.");

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
  if (FolderExists(form_.CopyTarget) && !ClearOldBackup(form_.CopyTarget)) return false;
  // A folder that cannot be made shows up when the copy runs into it.
  SHCreateDirectoryExW(nullptr, Widen(form_.CopyTarget).c_str(), nullptr);
  if (!ChooseBackupFolder()) return false;

  std::int32_t files = 0;
  long long bytes = 0;
  if (!PlanBackup(files, bytes)) return false;
  // The note goes in first: from now on this folder may hold the only copy.
  const TBackupMarker marker{DriveRoot(), Stamp(false), files, bytes, false};
  if (!WriteBackupMarker(form_.CopyTarget, marker))
    return Refuse("Cannot write into the backup folder " + form_.CopyTarget + ". Nothing was erased.");
  backupFolder_ = form_.CopyTarget;

  TCopySafeguards safeguards;
  safeguards.readBack = true;
  safeguards.copied = &backedUp_;
  safeguards.plannedFiles = files;
  form_.CopyDriveContents(&safeguards);
  if (CancelRequested) return false;  // the window was closed during the backup
  // A file that did not reach the backup would be lost by the format; so
  // would one the listing showed before and the copy then did not meet.
  const std::int32_t notBackedUp = std::max(CopyStatistics.DroppedByError, files - CopyStatistics.FilesCopied);
  if (notBackedUp > 0)
    return Refuse(std::to_string(notBackedUp) + " file(s) could not be backed up, so drive " + DriveName() +
                  " is not formatted. Nothing was erased.");
  Log("Data backup completed.");
  Log("The backup is in " + backupFolder_);
  return true;
}

bool TSpeedUpOperation::ChooseBackupFolder() {
  for (;;) {
    const std::optional<std::string> chosen =
        form_.Services().dialogs->SelectFolder(form_.Handle(), form_.CopyTarget);
    if (!chosen) return Refuse(kNoBackupFolder);
    if (const std::optional<std::string> why = BackupLocationRefusal(*chosen, DriveRoot())) {
      RefuseFolder(*chosen, *why);
      continue;
    }
    const TBackupFolderState state = InspectBackupFolder(*chosen);
    if (state == TBackupFolderState::ForeignFiles) {
      RefuseFolder(*chosen, "it already holds other files; choose an empty folder");
      continue;
    }
    if ((state == TBackupFolderState::RestoredBackup || state == TBackupFolderState::UnrestoredBackup) &&
        !ClearOldBackup(*chosen))
      return false;
    if (!FolderExists(*chosen) &&
        SHCreateDirectoryExW(nullptr, Widen(*chosen).c_str(), nullptr) != ERROR_SUCCESS && !FolderExists(*chosen)) {
      RefuseFolder(*chosen, "it cannot be created");
      continue;
    }
    form_.CopyTarget = *chosen;
    return true;
  }
}

bool TSpeedUpOperation::ClearOldBackup(const std::string& folder) {
  const TBackupFolderState state = InspectBackupFolder(folder);
  if (state == TBackupFolderState::Missing || state == TBackupFolderState::Empty) return true;
  if (state == TBackupFolderState::RestoredBackup) {
    TMainForm::DeleteFolderTree(folder);
    if (!FolderExists(folder)) return true;
    // Whatever could not be deleted stays, and with it the folder.
  }
  // Files that may exist nowhere else are never deleted: the folder moves aside.
  const std::string keptIn = KeepFolderAside(folder, Stamp(true));
  if (keptIn.empty())
    return Refuse("The folder " + folder + " holds an earlier backup that could not be moved aside. Nothing was erased.");
  Log(state == TBackupFolderState::RestoredBackup ? "An earlier backup that could not be deleted is kept in " + keptIn
                                                  : "An earlier backup that was not copied back is kept in " + keptIn);
  return true;
}

bool TSpeedUpOperation::PlanBackup(std::int32_t& files, long long& bytes) {
  // A listing of the whole drive first: what the backup must hold, and a
  // folder that cannot be read stops everything before anything is copied.
  TCopySafeguards listing;
  TCopyHost host{form_.Services().dialogs, form_.Services().locale, form_.Handle()};
  CopyFolder(DriveRoot(), "", "*.*", ReplaceWhenNewer, true, false, true, false, false, nullptr, host,
             TNameRules::WholeDrive, &listing);
  if (CopyStatistics.DroppedByError > 0)
    return Refuse(std::to_string(CopyStatistics.DroppedByError) + " folder(s) of drive " + DriveName() +
                  " could not be read, so it is not formatted. Nothing was erased.");
  files = CopyStatistics.FilesCopied;
  bytes = CopyStatistics.BytesCopied;
  const std::optional<std::uint64_t> free = FreeBytesAt(form_.CopyTarget);
  const long long needed = bytes + files * kSlackPerFile + kSlackPerBackup;
  const std::string separator = form_.Services().locale->ThousandSeparator();
  if (free && *free < static_cast<std::uint64_t>(needed))
    return Refuse("The backup needs " + FormatThousands(needed, separator) + " bytes, but the drive of " +
                  form_.CopyTarget + " has " + FormatThousands(static_cast<long long>(*free), separator) +
                  " bytes free. Nothing was erased.");
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
    // A drive pulled out during the format reports no failure of its own.
    if (!FormatFailed && !DriveReadable(DriveRoot())) {
      Log("Drive " + DriveName() + " cannot be read after the format.");
      FormatFailed = true;
    }
  } catch (const std::exception& error) {
    Log(std::string("Error: ") + error.what());
    FormatFailed = true;
  }
  Log("");
}

void TSpeedUpOperation::RestoreAndComplete() {
  bool restored = true;
  if (!FormatFailed) {
    Log("Disk drive is formatted.");
    Log("");
    if (measureSpeed_) form_.LogSpeedTable(driveLetter_, speedBefore_, form_.MeasureDriveSpeed(driveLetter_));
    // A Cancel during that measurement stops the operation before the restore.
    if (BackupMade) restored = !CancelRequested && RestoreAndVerify();
  }
  const bool succeeded = !FormatFailed && restored && !CancelRequested;
  if (!backupFolder_.empty()) {
    if (succeeded) {
      Log("The backup stays in " + backupFolder_);
    } else {
      if (!FormatFailed && !CancelRequested) Log("The files were not all copied back to drive " + DriveName() + ".");
      Log("The drive's files are kept in the backup folder " + backupFolder_);
    }
  }
  if (CancelRequested) return;  // Cancel has already set the window's state
  Log("");
  if (succeeded) Log(kSuccess);
  else if (restored == false) Log("The speed-up of drive " + DriveName() + " failed.");
  form_.btnCancel->SetVisible(false);
  form_.btnStart->SetVisible(true);
  form_.btnStart->SetEnabled(true);
  form_.ClearStatus();
}

bool TSpeedUpOperation::RestoreAndVerify() {
  Log("Data is being copied back to USB drive ...");
  form_.CopySource = form_.CopyTarget;
  form_.CopyTarget = DriveRoot();
  TCopySafeguards safeguards;
  safeguards.skippedTopLevelFile = kBackupMarkerName;
  safeguards.plannedFiles = static_cast<std::int32_t>(backedUp_.size());
  bool copied = true;
  try {
    form_.CopyDriveContents(&safeguards);
  } catch (const std::exception& error) {
    Log(std::string("Error: ") + error.what());
    copied = false;
  }
  Log("");
  Log("Copy operation completed.");
  if (!copied || CancelRequested) return false;

  const TRestoreCheck check = CheckRestoredFiles(backedUp_, DriveRoot());
  for (const std::string& path : check.missing) Log("Missing after the restore: " + path);
  for (const std::string& path : check.differing) Log("Different from the backup: " + path);
  const std::string separator = form_.Services().locale->ThousandSeparator();
  if (!check.AllIdentical()) {
    Log("Restore check failed: " + std::to_string(check.missing.size() + check.differing.size()) + " of " +
        FormatThousands(check.files, separator) + " files are not as they were backed up.");
    return false;
  }
  Log("Restore verified: " + FormatThousands(check.files, separator) + " files, " +
      FormatThousands(check.bytes, separator) + " bytes, all identical.");
  if (!backupFolder_.empty()) {
    std::optional<TBackupMarker> marker = ReadBackupMarker(backupFolder_);
    if (marker) {
      marker->restored = true;
      WriteBackupMarker(backupFolder_, *marker);
    }
  }
  return true;
}

bool TSpeedUpOperation::Refuse(const std::string& text) {
  Log(text);
  form_.ClearStatus();
  return false;
}

bool TSpeedUpOperation::RefusedAsBackupFolder(const std::string& folder) {
  const std::optional<std::string> why = BackupLocationRefusal(folder, DriveRoot());
  return why && !Refuse(FolderRefusalText(folder, *why));
}

std::string TSpeedUpOperation::FolderRefusalText(const std::string& folder, const std::string& why) {
  return "The backup folder " + folder + " cannot be used: " + why + ". Nothing was erased.";
}

bool TSpeedUpOperation::Ask(const std::string& title, const std::string& text) {
  return form_.Services().dialogs->AskYesNo(form_.Handle(), title, text);
}

void TSpeedUpOperation::Log(const std::string& text) { form_.AddLogLine(text); }

void TSpeedUpOperation::RefuseFolder(const std::string& folder, const std::string& why) {
  const std::string text = FolderRefusalText(folder, why);
  Log(text);
  form_.Services().dialogs->ShowMessage(form_.Handle(), tk::Application().Title, text, MessageIcon::Warning);
}

std::string TSpeedUpOperation::Stamp(bool forName) const {
  const LocalDateTime now = form_.Services().locale->Now();
  char text[32];
  std::snprintf(text, sizeof(text), forName ? "%04d-%02d-%02d %02d%02d%02d" : "%04d-%02d-%02d %02d:%02d:%02d",
                now.year, now.month, now.day, now.hour, now.minute, now.second);
  return text;
}

std::string TSpeedUpOperation::DriveRoot() const { return std::string(1, driveLetter_) + ":\\"; }

std::string TSpeedUpOperation::DriveName() const { return AsciiUpper(std::string(1, driveLetter_)) + ":"; }

}  // namespace sw
