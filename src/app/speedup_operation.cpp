// The stages of the speed-up operation, in the order Start runs them.
#include "app/speedup_operation.h"

#include <windows.h>

#include <random>

#include <algorithm>

#include "app/backup_location.h"
#include "app/fmtmain.h"
#include "app/label_rules.h"
#include "app/restore_fit.h"
#include "app/speed_stage.h"
#include "app/speedup_rules.h"
#include "capacity/capacity_probe.h"
#include "format/fmtchkdsk.h"
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
constexpr int kLargeCluster = 65536;
constexpr int kSmallerCluster = kLargeCluster / 2;

// A tag no earlier run left on the disk: the probe's blocks carry it.
std::uint64_t RandomTag() {
  std::random_device source;
  return (static_cast<std::uint64_t>(source()) << 32) ^ source();
}

// The format engine's events reach the run's host for one stage: its
// progress moves the bar, its texts go to the log, and both answer the
// library with the run's stop request. The in-use question the format
// sets goes with them.
class TEngineEvents {
 public:
  explicit TEngineEvents(TRunContext& run) {
    if (FormatEngine == nullptr) return;
    FormatEngine->onProgressEvent = [&run](int percent, bool& cancel) {
      run.Percent(std::clamp(percent, 0, 100));
      cancel = run.Stopped();
    };
    FormatEngine->onInfoEvent = [&run](std::string info, bool& cancel) {
      run.Log(info);
      cancel = run.Stopped();
    };
  }
  ~TEngineEvents() {
    if (FormatEngine == nullptr) return;
    FormatEngine->onProgressEvent = nullptr;
    FormatEngine->onInfoEvent = nullptr;
    FormatEngine->onVolumeInUse = nullptr;
  }
  TEngineEvents(const TEngineEvents&) = delete;
  TEngineEvents& operator=(const TEngineEvents&) = delete;
};

}  // namespace

void TSpeedUpOperation::Run() {
  if (!Validate()) return;
  // The listing and the backup show the bar and Cancel; a run that ends
  // here puts the window back as it was.
  if (!Confirm()) return EndUnformatted();
  EnterBusyState();
  if (Stopped()) return StoppedBeforeErase();
  if (options_.scan) {
    CheckDiskStage();
    if (Stopped()) return StoppedBeforeErase();
  }
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

void TSpeedUpOperation::CheckDiskStage() {
  run_.Status(kScanning);
  run_.State(TRunState::Running);
  try {
    if (FormatEngine == nullptr) throw Exception("The format engine is not available.");
    TEngineEvents events(run_);
    run_.Percent(0);
    Log("Starting check disk for " + DriveName());
    // Verbose follows the log's visibility, which is always shown.
    if (!FormatEngine->CheckDisk(DriveRoot(), true, true, true, options_.scan)) Log("Check disk operation failed!");
    run_.Percent(0);
    if (FormatEngine->FileSysProblem()) Log("*** Check disk found problems with " + DriveName());
  } catch (const std::exception& error) {
    Log(std::string("Error: ") + error.what());
  }
  Log("Disk scan completed.");
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
  if (!device) {
    Log("The real capacity of drive " + DriveName() + " could not be checked: " + why + ".");
    return true;
  }
  TProbeOptions options;
  options.runTag = RandomTag();
  options.stopRequested = [this] { return Stopped(); };
  options.onProgress = [this](int percent) { run_.Percent(percent); };
  const TProbeResult result = ProbeCapacity(*device, options);
  device.reset();  // the disk's volumes are let go
  run_.Percent(0);
  const std::string decimal = run_.DecimalSeparator();
  if (!result.notPutBack.empty())
    Log(std::to_string(result.notPutBack.size()) + " block(s) of drive " + DriveName() +
        " that the check wrote could not be put back" +
        (backup_ && !backup_->Folder().empty() ? "; the backup in " + backup_->Folder() + " holds the drive's files."
                                               : "."));
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
  Log("The real capacity of drive " + DriveName() + " could not be checked: " + result.problem + ".");
  return !Stopped();
}

void TSpeedUpOperation::FormatStage() {
  // From here on the stick may hold less than the backup: a later start must know.
  if (backup_ && !backup_->MarkErased()) {
    FormatFailed = true;
    return;
  }
  Log("Format USB drive...");
  const auto mediaKind = static_cast<uint8_t>(MediaKindOf(driveLetter_));
  // The files planned onto the new file system may need the smaller unit
  // from the start; the second try then has nothing smaller to offer.
  const int firstCluster = backup_ ? backup_->PlannedClusterSize() : kLargeCluster;
  try {
    if (FormatEngine == nullptr) throw Exception("The format engine is not available.");
    TEngineEvents events(run_);
    // A volume another program holds is closed by force only when the user agrees.
    FormatEngine->onVolumeInUse = [this] { return Ask("Warning", InUseQuestion()); };
    run_.Percent(0);
    Log("Starting format disk for " + DriveName());
    const auto fileSystem = static_cast<uint8_t>(options_.fileSystem);
    if (!FormatEngine->FormatDisk(DriveRoot(), mediaKind, fileSystem, options_.label, options_.quickFormat,
                                  firstCluster)) {
      FormatFailed = true;
      if (FormatEngine->DeclinedInUse()) {
        Log("Drive " + DriveName() + " stays in use by another program, so it is not formatted. Nothing was erased.");
      } else if (FormatEngine->VolumeInUse()) {
        // A smaller allocation unit cannot help a volume in use.
        Log("Drive " + DriveName() + " is in use by another program, so the format could not start.");
      } else if (firstCluster != kLargeCluster) {
        Log("Format disk operation encountered an error.");
      } else {
        Log("Format disk program initializing...");
        FormatFailed = !FormatEngine->FormatDisk(DriveRoot(), mediaKind, fileSystem, options_.label,
                                                 options_.quickFormat, kSmallerCluster);
        if (FormatFailed) Log("Format disk operation encountered an error.");
      }
    }
    run_.Percent(0);
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

std::string TSpeedUpOperation::InUseQuestion() const {
  std::string text = "Drive " + DriveName() +
                     " is in use by another program. Force it closed and format it?\r\n\r\n"
                     "Programs that still have a file of it open lose what they have not saved";
  if (backup_ && !backup_->Folder().empty())
    return text + "; the backup in " + backup_->Folder() + " holds the files as they were backed up.";
  return text + ".";
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
