// The stages of the speed-up operation, in the order Start runs them.
#include "app/speedup_operation.h"

#include <windows.h>

#include <algorithm>
#include <random>

#include "app/backup_location.h"
#include "app/capacity_journal.h"
#include "app/capacity_status.h"
#include "app/engine_events.h"
#include "app/fmtmain.h"
#include "app/label_rules.h"
#include "app/restore_fit.h"
#include "app/speed_stage.h"
#include "app/speedup_rules.h"
#include "app/volume_access.h"
#include "capacity/capacity_probe.h"
#include "format/fmtchkdsk.h"
#include "format/volume_capacity.h"
#include "platform/dialogs.h"
#include "platform/exceptions.h"
#include "platform/locale.h"
#include "platform/raw_disks.h"
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
constexpr char kSuccess[] = "Your USB Drive is optimized for faster read and write access. Operations completed.";

// A tag no earlier run left on the disk: the probe's blocks carry it.
std::uint64_t RandomTag() {
  std::random_device source;
  return (static_cast<std::uint64_t>(source()) << 32) ^ source();
}

}  // namespace

void TSpeedUpOperation::Run() {
  // Blocks an interrupted capacity check left changed go back before anything reads the stick.
  RecoverCapacityJournals(run_);
  if (!Validate()) return;
  // The listing and the backup show the bar and Cancel; a run that ends
  // here puts the window back as it was.
  if (!Confirm()) return EndUnformatted();
  EnterBusyState();
  if (Stopped()) return StoppedBeforeErase();
  if (options_.scan && !CheckDiskStage()) return Stopped() ? StoppedBeforeErase() : EndKeepingFiles();
  if (Stopped()) return StoppedBeforeErase();
  // A stick that holds less than it reports would lose the files copied back.
  if (options_.checkCapacity && !CapacityStage()) return Stopped() ? StoppedBeforeErase() : EndUnformatted();
  // With the option checked the drive is measured right before the format
  // and again right after it, so the user sees what the format changed.
  measureSpeed_ = options_.measureSpeed;
  if (measureSpeed_) speedBefore_ = MeasureDriveSpeed(run_, driveLetter_);
  if (Stopped()) return StoppedBeforeErase();
  // Nothing is erased until the whole backup has been read again from its disk.
  if (backup_ && !backup_->CheckBeforeErase()) return Stopped() ? StoppedBeforeErase() : EndUnformatted();
  // What was saved to the drive while the backup ran is backed up too, or
  // nothing is erased.
  if (backup_ && !backup_->HoldsStill()) return Stopped() ? StoppedBeforeErase() : EndUnformatted();
  FormatStage();
  RestoreAndComplete();
}

void TSpeedUpOperation::StoppedBeforeErase() {
  if (backup_ && !backup_->Folder().empty()) Log("The drive's files are kept in the backup folder " + backup_->Folder());
}

void TSpeedUpOperation::EndKeepingFiles() {
  StoppedBeforeErase();
  EndUnformatted();
}

bool TSpeedUpOperation::GoOnWithout(const std::string& why, const std::string& without) {
  Log(why);
  if (run_.Ask("Warning", why + "\r\n\r\nGo on " + without + "? Nothing has been erased yet.", DefaultAnswer::No))
    return true;
  Log("Stopped before the erase: nothing was erased.");
  return false;
}

std::string TSpeedUpOperation::BackupFolder() const { return backup_ ? backup_->Folder() : std::string(); }

void TSpeedUpOperation::EndUnformatted() {
  run_.Status("");
  run_.State(TRunState::Idle);
}

bool TSpeedUpOperation::Validate() {
  if (options_.deviceCount == 0) return Refuse(kNoDevice);
  if (options_.label.empty()) return Refuse(kNoLabel);
  if (driveLetter_ == 0) return Refuse(kNoDriveLetter);
  if (SameDriveLetter(driveLetter_, SystemDriveLetter()))
    return Refuse("Drive " + DriveName() + " holds the running system and is never formatted. Nothing was changed.");
  if (SameDriveLetter(driveLetter_, ProgramDriveLetter()))
    return Refuse("Drive " + DriveName() + " holds this program and is never formatted. Nothing was changed.");

  const std::string labelProblem = LabelProblem(options_.label, options_.fileSystem);
  if (!labelProblem.empty())
    return Refuse("The volume label cannot be used with " + options_.fileSystemName + ": " + labelProblem +
                  ". Nothing was changed.");

  const int fileSystem = options_.fileSystem;
  if (FatSizeRefused(fileSystem, options_.sizeNumber, options_.sizeUnit)) return Refuse(kFatTooLarge);
  // A stick that refuses writes would fail at the format, after the backup.
  if (DriveWriteProtected(run_.Services().deviceIo, driveLetter_))
    return Refuse("Drive " + DriveName() + " is write-protected: its lock switch is on, or the stick refuses "
                  "every write (flash at the end of its life turns read-only), so it cannot be formatted. "
                  "Nothing was changed.");
  // What the format library would refuse is refused now, while nothing is changed.
  const std::int64_t volumeBytes = drive::VolumeCapacity(run_.Services().deviceIo, driveLetter_);
  if (volumeBytes > 0) {
    formatPlan_ = PlanFormat(fileSystem, options_.fileSystemName, static_cast<std::uint64_t>(volumeBytes),
                             DriveName(), run_.DecimalSeparator());
    if (!formatPlan_.refusal.empty()) return Refuse(formatPlan_.refusal + " Nothing was changed.");
  }
  if (Fat32SizeWarned(fileSystem, options_.sizeNumber, options_.sizeUnit)) {
    if (!Ask("Warning", kFat32Question)) return false;  // the status line stays as it is
    run_.Status("");
  }
  return true;
}

bool TSpeedUpOperation::Confirm() {
  const std::string letter(1, driveLetter_);
  if (!Ask("Warning", "To speed up USB drive, all data on drive " + letter +
                          ":\\ will be erased. Do you want to continue?")) {
    run_.Status("");
    return false;
  }
  if (Ask("Confirmation", "Do you want to back up data on drive " + letter + ":\\ to a folder? ")) {
    backup_ = std::make_unique<TDriveBackup>(run_);
    if (!backup_->Make()) return false;
  }
  // Closing the window while a question was open or the backup ran ends
  // the operation here, before anything is formatted.
  return !Stopped();
}

void TSpeedUpOperation::EnterBusyState() { run_.State(TRunState::Running); }

bool TSpeedUpOperation::CheckDiskStage() {
  run_.Status(kScanning);
  run_.State(TRunState::Running);
  try {
    if (FormatEngine == nullptr) throw Exception("The format engine is not available.");
    TEngineEvents events(run_);
    FormatEngine->onVolumeInUse = [this] { return force_.Agreed("check it", BackupFolder()); };
    run_.Percent(0);
    Log("Starting check disk for " + DriveName());
    // Verbose follows the log's visibility, which is always shown.
    if (!FormatEngine->CheckDisk(DriveRoot(), true, true, true, options_.scan)) {
      Log("Check disk operation failed!");
      // The holder the user would not force closed would meet the format too.
      if (FormatEngine->DeclinedInUse()) {
        Log("Drive " + DriveName() + " stays in use by another program, so it is not checked. Nothing was erased.");
        return false;
      }
    }
    run_.Percent(0);
    if (FormatEngine->FileSysProblem()) Log("*** Check disk found problems with " + DriveName());
  } catch (const std::exception& error) {
    Log(std::string("Error: ") + error.what());
  }
  // A check that failed is logged and the format still runs: the files are
  // in the verified backup, and the format makes a new file system.
  Log("Disk scan completed.");
  return true;
}

bool TSpeedUpOperation::CapacityStage() {
  const std::string checking = "Checking the real capacity of drive " + DriveName() + "...";
  Log(checking);
  // The status line says so for the check's minute, then shows again what it showed before.
  struct TStatusBack {
    TRunContext& run;
    std::string before = run.LastStatus();
    ~TStatusBack() { run.Status(before); }
  } statusBack{run_};
  run_.Status(checking);
  std::string why = "this program has no access to whole disks";
  IRawDisks* disks = run_.Services().rawDisks;
  std::unique_ptr<IBlockDevice> device = disks != nullptr ? disks->OpenDiskOf(driveLetter_, why) : nullptr;
  // The probe writes only while every volume of the disk is locked.
  TDiskAccess access;
  if (device) {
    access = LockStickDisk(run_, force_, BackupFolder());
    if (access.declined) {
      Log("Drive " + DriveName() + " stays in use by another program, so its real capacity is not checked. "
          "Nothing was erased.");
      StoppedBeforeErase();
      return false;
    }
    if (Stopped()) return false;
    if (!access.locks) {
      why = access.why;
      device.reset();
    }
  }
  if (!device) {
    if (GoOnWithout("The real capacity of drive " + DriveName() + " could not be checked: " + why + ".",
                    "without the check"))
      return true;
    StoppedBeforeErase();
    return false;
  }
  // Every block the check changes is in the journal, flushed, before it is written.
  std::string journalWhy;
  const std::string folder = backup_ && !backup_->Folder().empty() ? backup_->Folder() : JournalFolderWithoutBackup();
  std::unique_ptr<TCapacityJournalFile> journal = TCapacityJournalFile::Create(folder, *device, journalWhy);
  if (!journal) {
    if (GoOnWithout("The real capacity of drive " + DriveName() + " could not be checked: its journal " +
                        journalWhy + ".",
                    "without the check"))
      return true;
    StoppedBeforeErase();
    return false;
  }
  TCapacityStatus status(run_);
  TProbeOptions options;
  options.runTag = RandomTag();
  options.stopRequested = [this] { return Stopped(); };
  options.onProgress = [&status](const TProbeProgress& progress) { status.Show(progress); };
  options.journal = [&journal](const std::vector<TSavedBlockView>& blocks, std::string& why) {
    return journal->Append(blocks, why);
  };
  const TProbeResult result = ProbeCapacity(*device, options);
  device.reset();
  access.locks.reset();  // the disk's volumes are let go
  run_.Percent(0);
  if (!result.notPutBack.empty()) {
    // The stick is not as it was: nothing goes on, and the journal waits for the next start.
    Log(std::to_string(result.notPutBack.size()) + " block(s) of drive " + DriveName() +
        " that the check wrote could not be put back; its journal " + journal->Path() +
        " keeps them and the next start puts them back. Nothing was erased." +
        (backup_ && !backup_->Folder().empty() ? " The drive's files are kept in the backup folder " + backup_->Folder()
                                               : std::string()));
    return false;
  }
  if (!journal->Remove()) Log("The capacity check's journal " + journal->Path() + " could not be deleted.");
  const std::string decimal = run_.DecimalSeparator();
  switch (result.verdict) {
    case TProbeVerdict::Genuine:
      Log("Drive " + DriveName() + " holds the " + FormatSize(result.claimedBytes, decimal) + " it reports.");
      return true;
    case TProbeVerdict::Counterfeit: {
      const std::string real = FormatSize(result.realBytes, decimal);
      std::string text = "Drive " + DriveName() + " reports " + FormatSize(result.claimedBytes, decimal) +
                         " but holds only " + real + ": it is counterfeit, and files written past " + real +
                         " would be lost. Nothing was erased.";
      Log(text);
      if (backup_ && !backup_->Folder().empty()) {
        const std::string kept = "The drive's files are kept in the backup folder " + backup_->Folder();
        Log(kept);
        text += "\r\n\r\n" + kept;
      }
      run_.Tell(tk::Application().Title, text, MessageIcon::Warning);
      return false;
    }
    case TProbeVerdict::Cancelled:
      return false;
    case TProbeVerdict::Failed:
      break;
  }
  if (Stopped()) return false;
  if (GoOnWithout("The real capacity of drive " + DriveName() + " could not be checked: " + result.problem + ".",
                  "without the check"))
    return true;
  StoppedBeforeErase();
  return false;
}

void TSpeedUpOperation::RestoreAndComplete() {
  bool restored = true;
  if (!FormatFailed) {
    Log("Disk drive is formatted.");
    Log("");
    // From here on the drive's files may exist only in the backup: a stop
    // asks first, and says where the files stay.
    TStopQuestion ask(run_, backup_ ? backup_->StopQuestion() : std::string());
    if (measureSpeed_) LogSpeedTable(run_, driveLetter_, speedBefore_, MeasureDriveSpeed(run_, driveLetter_));
    // A Cancel during that measurement stops the operation before the restore.
    if (backup_) restored = !Stopped() && backup_->Restore();
  }
  const bool succeeded = !FormatFailed && restored && !Stopped();
  if (backup_ && !backup_->Folder().empty()) {
    if (succeeded) {
      Log("The backup stays in " + backup_->Folder());
    } else {
      if (!FormatFailed && !Stopped()) Log("The files were not all copied back to drive " + DriveName() + ".");
      Log("The drive's files are kept in the backup folder " + backup_->Folder());
    }
  }
  if (Stopped()) return;  // Cancel has already set the window's state
  if (succeeded && backup_) backup_->ReportKeptBackups();
  Log("");
  succeeded_ = succeeded;
  if (succeeded) Log(kSuccess);
  else if (restored == false) Log("The speed-up of drive " + DriveName() + " failed.");
  run_.Status("");
  run_.State(TRunState::Ended);
}

bool TSpeedUpOperation::Refuse(const std::string& text) {
  Log(text);
  run_.Status("");
  return false;
}

bool TSpeedUpOperation::Ask(const std::string& title, const std::string& text) const { return run_.Ask(title, text); }

void TSpeedUpOperation::Log(const std::string& text) { run_.Log(text); }

std::string TSpeedUpOperation::DriveRoot() const { return std::string(1, driveLetter_) + ":\\"; }

std::string TSpeedUpOperation::DriveName() const { return AsciiUpper(std::string(1, driveLetter_)) + ":"; }

}  // namespace sw
