// The main window: its description, start-up sequence, settings, activity
// log and status line, close handling, and the state every other subsystem
// is wired to. The window owns every long-lived object of the program.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/services.h"
#include "app/stage_progress.h"
#include "platform/taskbar.h"
#include "devices/U_USB.h"
#include "speedtest/speed_figures.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"
#include "toolkit/timer.h"

namespace sw {

// The settings key under HKEY_CURRENT_USER.
inline constexpr char kSettingsKey[] = "\\Software\\Quellmar\\Stickwise";
inline constexpr char kMainCaption[] = "Stickwise 2.0";
inline constexpr char kApplicationTitle[] = "Stickwise";
inline constexpr char kVersionText[] = "2.0.1.165";

// The stop request seen by the format engine's events; set by Cancel and by
// closing the window, cleared when the operation enters its busy state.
extern bool CancelRequested;

class TFmtChkDsk;
struct TCopySafeguards;
struct TCopyStatistics;
struct TFileOutcome;
// The format and check-disk engine, owned by the main window; set in
// FormCreate and cleared when the window releases it.
extern TFmtChkDsk* FormatEngine;

class TMainForm : public tk::TForm {
 public:
  explicit TMainForm(const AppServices& services);
  ~TMainForm() override;

  // ---- Activity log and status line
  void AddLogLine(const std::string& text);
  // Shows every line logged so far; the log feeds its control in chunks.
  void FlushLog();
  void ShowStatus(const std::string& text);
  void ClearStatus();
  void PrintLog();

  // ---- Settings
  void LoadSettings();
  void SaveSettings();

  // ---- Handlers of the description
  void btnCloseClick();
  void btnCancelClick();
  void btnStartClick();
  void dioRefreshClick();
  void cbDeviceChange();
  void FileSystemChange() {}
  void Image1Click();
  void lblCopyrightClick();
  void Timer1Timer();
  void Copy1Click();
  void Print1Click();
  void Save1Click() {}
  void Clear1Click();

  // The Cancel action, shared by Cancel and the Close question.
  void CancelOperation();
  // The one way to stop an operation, for Cancel, the Close button and the
  // title-bar close: asks the running stage's question first (StopQuestion,
  // or when closing the exit question) and then runs the Cancel action.
  // True when the operation was told to stop.
  bool RequestStop(bool closing);
  // Set by a stage that must ask before it stops (after the erase, where
  // the files may exist only in the backup); empty elsewhere.
  std::string StopQuestion;
  // The window was closed during an operation: it closes once the
  // operation has really stopped.
  bool CloseWhenStopped = false;

  // ---- Speed-up operation (fmtmain_start.cpp, speedup_operation.cpp)
  // True from Start's first step to its end; a second Start is ignored meanwhile.
  bool OperationRunning = false;
  // A re-listing fell due while the operation ran; it runs once when it ends.
  bool RelistingDue = false;

  // Controls of the description.
  tk::TPanel* Panel1 = nullptr;
  tk::TLabel* Label1 = nullptr;
  tk::TLabel* Label2 = nullptr;
  tk::TLabel* Label3 = nullptr;
  tk::TComboBox* cbDevice = nullptr;
  tk::TButton* dioRefresh = nullptr;
  tk::TComboBox* FileSystem = nullptr;
  tk::TEdit* VolumeLabel = nullptr;
  tk::TGroupBox* GroupBox1 = nullptr;
  tk::TCheckBox* OptQuickFmt = nullptr;
  tk::TCheckBox* OptCorrectErrors = nullptr;
  tk::TMemo* Log = nullptr;
  tk::TCheckBox* OptVerbose = nullptr;
  tk::TProgressBar* ProgressBar = nullptr;
  tk::TButton* btnStart = nullptr;
  tk::TButton* btnCancel = nullptr;
  tk::TButton* btnClose = nullptr;
  tk::TImage* Image1 = nullptr;
  tk::TLabel* lblCopyright = nullptr;
  tk::TLabel* lblBottomMsg = nullptr;
  tk::TTimer* Timer1 = nullptr;
  tk::TPopupMenu* PopupMenu1 = nullptr;

  // ---- State held by the window
  std::vector<std::string> WmiDisks;      // hidden WMI disk records
  std::vector<std::string> ToolDriveMap;  // companion tool's drive map
  char SelectedDriveLetter = 0;           // 0 when none
  std::string MakerWebAddress;
  std::string CopySource, CopyTarget, LastCopyFolder;
  int CopyAbort = 0;

  // ---- Backup and restore (fmtmain_backup.cpp): one copy run from
  // CopySource to CopyTarget with its log lines and summary; `safeguards`
  // (streamed, hashed and checked copies) for the backup and restore of a
  // drive that is erased in between. Returns the run's counters.
  TCopyStatistics CopyDriveContents(const TCopySafeguards* safeguards = nullptr);
  // The copy's per-file handler: logs the folder and the file, lets window
  // messages run, and stops the run after this file once CopyAbort is set.
  // In a checked copy the file's line waits for its outcome (OnCopyFileDone),
  // so a file that failed is never logged as copied.
  bool OnCopyFile(const std::string& sourceFolder, const std::string& destinationFolder,
                  const std::string& fileName, long long size, bool& proceed);
  void OnCopyFileDone(const std::string& fileName, long long size, const TFileOutcome& outcome);
  // The log line of one copied file, with its size in thousands.
  std::string CopiedLine(const std::string& fileName, long long size);
  std::string CompanionToolOutput;        // captured at start-up

  // ---- Device list: a drive offered by the identification pass. The pass
  // sets the pending fields and calls AddPendingDevice, which turns them
  // into one entry of cbDevice and clears them.
  std::string PendingVendor, PendingProduct, PendingRevision, PendingDrivePath;
  long long PendingSize = 0;
  void AddPendingDevice();
  // Looks the device entry up in WmiDisks; outputs not found keep their values.
  void LookupSelectedDisk(const std::string& entry, int& DriveNumber, std::string& DeviceId, int& PartitionCount,
                          long long& SizeNumber, std::string& SizeUnit, std::string& SizeText);
  // The drive letter of a physical drive in form 0 (E:\), 1 (E:) or 2 (E).
  std::string DiskDriveLetter(const std::string& drivePath, int form);

  // ---- Progress of the run (fmtmain_progress.cpp): the bar, the status
  // line and the taskbar button. A long stage (listing, backup, its check,
  // restore, restore check) shows files and bytes done of those planned
  // (-1: unknown, the listing) and the time left.
  void BeginStage(const std::string& stage, std::int64_t files, std::int64_t bytes);
  // Counts files and bytes the stage has done, without showing them yet.
  void StageCounted(std::int64_t files, std::int64_t bytes);
  // Told every piece of the stage's work: counts its bytes, shows where the
  // stage stands a few times a second and lets window messages run. False
  // once a stop was requested: the stage ends at once.
  bool StagePiece(std::int64_t bytes);
  // The stage is over; the bar reads 100 when it did all it planned.
  void EndStage(bool complete);
  // The bar and the taskbar button at `percent`, for the stages that count
  // in percent (check disk, format, speed measurement).
  void ShowProgress(int percent);
  // The run is over: the taskbar button is cleared, or shows the failure,
  // and flashes when the window is behind others.
  void ShowRunEnded(bool failed);

  const AppServices& Services() const { return services_; }
  // False once start-up was cut short (no rights, or a start-up error).
  bool StartupCompleted() const { return startupCompleted_; }

  // ---- Speed measurement before and after the format (fmtmain_speed.cpp)
  // "Measure speed before and after", the fourth character of "Options".
  tk::TCheckBox* OptMeasureSpeed() const { return Find<tk::TCheckBox>("OptMeasureSpeed"); }
  // "Check the real capacity", the fifth character of "Options".
  tk::TCheckBox* OptCheckCapacity() const { return Find<tk::TCheckBox>("OptCheckCapacity"); }
  // Measures the drive of `letter`: moves the progress bar, lets window
  // messages run and stops at Cancel; logs a line when it starts and one
  // with its cost, or why it was skipped, failed or cancelled.
  TSpeedFigures MeasureDriveSpeed(char letter);
  // Logs the before/after table with the change in percent.
  void LogSpeedTable(char letter, const TSpeedFigures& before, const TSpeedFigures& after);

 protected:
  void FormCreate() override;
  // A close while an operation runs is that stage's Cancel; the window
  // stays until the operation has stopped.
  bool FormCloseQuery() override;
  void FormClose() override;
  std::function<void()> EventHandler(const std::string& name) override;

 private:
  void FormDestroy();
  void BindControls();
  void StartupSequence();
  bool CheckAdministrator();

  // ---- Start-up steps completed by the subsystems that build them.
  void CreateDeviceListener();     // device-change listener, both events enable Timer1
  void CreateFormatEngine();       // format and check-disk engine with its two events
  void ReleaseDeviceListener();
  // The listener's two events: a volume came or went, re-list once Timer1 is due.
  void UsbVolumeArrived(TUsbClass* sender, const std::string& usbDeviceDesc, const std::string& storageDeviceDesc,
                        const std::string& friendlyName, const std::string& driveLetter);
  void UsbVolumeRemoved(TUsbClass* sender, const std::string& usbDeviceDesc, const std::string& storageDeviceDesc,
                        const std::string& friendlyName, const std::string& driveLetter);
  std::unique_ptr<TUsbClass> DeviceListener;  // the device-change listener, from step 2 to FormDestroy
  void ReleaseFormatEngine();
  // The engine's two events: progress moves the bar, texts go to the log;
  // both let window messages run and answer Cancel with CancelRequested.
  void OnFormatProgress(int Percent, bool& Cancel);
  void OnFormatInfo(std::string Info, bool& Cancel);
  void RunCompanionTool();         // fills CompanionToolOutput
  void BuildToolDriveMap();        // fills ToolDriveMap from CompanionToolOutput
  void RefreshDeviceList();        // fills cbDevice
  void IdentifyDrivesIntoDeviceList();  // drive identification pass, offers drives via AddPendingDevice
  void ListWmiDisks();             // fills WmiDisks and logs each disk
  void ApplySelectedDevice();      // the device list's cbDeviceChange
  void SwitchOffDriveIdDiagnostics();
  // The re-listing sequence: RefreshDeviceList, ListWmiDisks, cbDeviceChange.
  void RelistDevices();
  // Runs the re-listing that fell due during the operation, once.
  void RunDueRelisting();

  // The boxes go through a wrapper that pauses the taskbar button meanwhile.
  void InstallPausingDialogs();
  void ShowTaskbarState(TaskbarState state);
  void ShowStageNow();

  AppServices services_;
  std::unique_ptr<IDialogs> pausingDialogs_;  // services_.dialogs while a taskbar is there
  TStageProgress stage_;
  bool stageActive_ = false;
  unsigned long long stageShownMs_ = 0;  // when the stage's figures were last shown
  TaskbarState taskbarState_ = TaskbarState::None;
  bool startupCompleted_ = false;
  bool fileLinesAfterCopy_ = false;  // the running copy logs each file once it is done
};

// Sets the form's stop question for as long as it lives.
class TStopQuestion {
 public:
  TStopQuestion(TMainForm& form, std::string question) : form_(form), previous_(std::move(form.StopQuestion)) {
    form_.StopQuestion = std::move(question);
  }
  ~TStopQuestion() { form_.StopQuestion = std::move(previous_); }
  TStopQuestion(const TStopQuestion&) = delete;
  TStopQuestion& operator=(const TStopQuestion&) = delete;

 private:
  TMainForm& form_;
  std::string previous_;
};

// The window description of the main window.
const tk::FormDescription& MainFormDescription();

// The copyright caption with every "2021" replaced by `year` from 2022 on.
std::string CopyrightCaptionForYear(const std::string& caption, int year);
// The About box text for the given current year.
std::string AboutText(int year);

}  // namespace sw
