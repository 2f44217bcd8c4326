// The main window: its description, start-up sequence, settings, activity
// log and status line, close handling, and the state every other subsystem
// is wired to. The window owns every long-lived object of the program.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/run_host.h"
#include "app/run_options.h"
#include "app/services.h"
#include "app/stick_identity.h"
#include "app/stop_token.h"
#include "platform/taskbar.h"
#include "devices/U_USB.h"
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

class TFmtChkDsk;
class TRunWorker;
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

  // The Cancel action, shared by Cancel and the Close question: the run's
  // stop token is set and the window shows the run stopping.
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

  // ---- Speed-up operation (fmtmain_start.cpp; the run itself in
  // speedup_operation.cpp, on a worker thread of its own)
  // True from Start's first step to its end; a second Start is ignored meanwhile.
  bool OperationRunning = false;
  // The run's one stop request: Cancel, closing the window, a fatal error.
  TStopToken& RunStop() { return stop_; }
  // The options as Start takes them for the run.
  TRunOptions TakeRunOptions();
  // ---- What the run's host posts to the window (window_run_host.cpp)
  void SetRunState(TRunState state);
  TRunState RunState() const { return runState_; }
  // A long stage's figures: the bar, the status line with files, bytes and
  // the time left, and the taskbar button.
  void ShowStage(const TStageReport& report);
  // The run has ended: its worker is gone, the window is ready for the next.
  void RunEnded(const TRunEnd& end);
  // Handles the window's messages until the run under way has ended; at
  // once when none is.
  void WaitForRunEnd();
  // Looks for a backup whose restore did not finish and whose stick is
  // attached, and offers to copy it back on a worker (resume_restore.cpp).
  // `atStart`: the start-up also names unfinished restores of sticks that
  // are not attached. Nothing when a run is under way.
  void OfferUnfinishedRestore(bool atStart);
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

  std::string CompanionToolOutput;        // captured at start-up

  // ---- Device list: a drive offered by the identification pass. The pass
  // sets the pending fields and calls AddPendingDevice, which turns them
  // into one entry of cbDevice and clears them.
  std::string PendingVendor, PendingProduct, PendingRevision, PendingDrivePath, PendingSerial;
  long long PendingSize = 0;
  // What is known of each entry of cbDevice, in the same order.
  std::vector<TStickIdentity> DeviceIdentities;
  void AddPendingDevice();
  // Looks the device entry up in WmiDisks; outputs not found keep their values.
  void LookupSelectedDisk(const std::string& entry, int& DriveNumber, std::string& DeviceId, int& PartitionCount,
                          long long& SizeNumber, std::string& SizeUnit, std::string& SizeText);
  // The drive letter of a physical drive in form 0 (E:\), 1 (E:) or 2 (E).
  std::string DiskDriveLetter(const std::string& drivePath, int form);

  // ---- Progress of the run (fmtmain_progress.cpp): the bar and the
  // taskbar button at `percent`.
  void ShowProgress(int percent);
  // The run is over: the taskbar button is cleared, or shows the failure,
  // and flashes when the window is behind others.
  void ShowRunEnded(bool failed);

  const AppServices& Services() const { return services_; }
  // False once start-up was cut short (no rights, or a start-up error).
  bool StartupCompleted() const { return startupCompleted_; }

  // ---- Options the description adds after the first ones
  // "Measure speed before and after", the fourth character of "Options".
  tk::TCheckBox* OptMeasureSpeed() const { return Find<tk::TCheckBox>("OptMeasureSpeed"); }
  // "Check the real capacity", the fifth character of "Options".
  tk::TCheckBox* OptCheckCapacity() const { return Find<tk::TCheckBox>("OptCheckCapacity"); }

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
  void CreateFormatEngine();       // format and check-disk engine; the run sets its events
  void ReleaseDeviceListener();
  // The listener's two events: a volume came or went, re-list once Timer1 is due.
  void UsbVolumeArrived(TUsbClass* sender, const std::string& usbDeviceDesc, const std::string& storageDeviceDesc,
                        const std::string& friendlyName, const std::string& driveLetter);
  void UsbVolumeRemoved(TUsbClass* sender, const std::string& usbDeviceDesc, const std::string& storageDeviceDesc,
                        const std::string& friendlyName, const std::string& driveLetter);
  std::unique_ptr<TUsbClass> DeviceListener;  // the device-change listener, from step 2 to FormDestroy
  void ReleaseFormatEngine();
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

  AppServices services_;
  std::unique_ptr<IDialogs> pausingDialogs_;  // services_.dialogs while a taskbar is there
  TStopToken stop_;
  TRunState runState_ = TRunState::Idle;
  std::unique_ptr<IRunHost> runHost_;
  std::unique_ptr<TRunWorker> worker_;
  TaskbarState taskbarState_ = TaskbarState::None;
  // Unfinished restores offered in this session ("folder*started"): each is
  // offered once until the next start or until its stick is plugged in again.
  std::vector<std::string> offered_;
  bool resumeRunning_ = false;
  bool startupCompleted_ = false;
};

// The window description of the main window.
const tk::FormDescription& MainFormDescription();

// The copyright caption with every "2021" replaced by `year` from 2022 on.
std::string CopyrightCaptionForYear(const std::string& caption, int year);
// The About box text for the given current year.
std::string AboutText(int year);

}  // namespace sw
