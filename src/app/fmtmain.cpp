// The main window's life: building it, the start-up sequence, closing it
// and releasing what it owns.
#include "app/fmtmain.h"

#include <shellapi.h>

#include <map>

#include "app/run_worker.h"
#include "platform/dialogs.h"
#include "platform/locale.h"
#include "platform/system_facts.h"
#include "platform/text.h"
#include "toolkit/answering_run.h"
#include "toolkit/application.h"

namespace sw {

namespace {

constexpr char kPermissionDenied[] =
    "Permission denied.\r\nThe administrator privilege is required to run this program.\r\n"
    "Right-click the icon of this program, and choose 'Run As Administrator'.";

// The maker's web page, kept in pieces so the address is assembled at start-up.
std::string AssembleMakerWebAddress() {
  const char* pieces[] = {"https://", "www.", "quellmar", ".example", "/stickwise"};
  std::string address;
  for (const char* piece : pieces) address += piece;
  return address;
}

}  // namespace

std::string CopyrightCaptionForYear(const std::string& caption, int year) {
  if (year <= 2021) return caption;
  return ReplaceAll(caption, "2021", std::to_string(year));
}

std::string AboutText(int year) {
  return std::string(kApplicationTitle) + "\r\nVersion " + kVersionText + "\r\n" +
         CopyrightCaptionForYear("Copyright \xC2\xA9 2021 Quellmar Software", year);
}

TMainForm::TMainForm(const AppServices& services) : tk::TForm(nullptr), services_(services) {
  // The run's worker hands its calls to the thread that builds the window.
  tk::BindWindowThread();
  InstallPausingDialogs();
  Build(MainFormDescription());
}

TMainForm::~TMainForm() {
  // A run still under way (the program ends some other way) stops first:
  // its worker reaches the window until its end.
  if (OperationRunning) {
    stop_.Request(TStopReason::Close);
    WaitForRunEnd();
  }
  FormDestroy();
}

void TMainForm::BindControls() {
  Panel1 = Find<tk::TPanel>("Panel1");
  Label1 = Find<tk::TLabel>("Label1");
  Label2 = Find<tk::TLabel>("Label2");
  Label3 = Find<tk::TLabel>("Label3");
  cbDevice = Find<tk::TComboBox>("cbDevice");
  dioRefresh = Find<tk::TButton>("dioRefresh");
  FileSystem = Find<tk::TComboBox>("FileSystem");
  VolumeLabel = Find<tk::TEdit>("VolumeLabel");
  GroupBox1 = Find<tk::TGroupBox>("GroupBox1");
  OptQuickFmt = Find<tk::TCheckBox>("OptQuickFmt");
  OptCorrectErrors = Find<tk::TCheckBox>("OptCorrectErrors");
  Log = Find<tk::TMemo>("Log");
  OptVerbose = Find<tk::TCheckBox>("OptVerbose");
  ProgressBar = Find<tk::TProgressBar>("ProgressBar");
  btnStart = Find<tk::TButton>("btnStart");
  btnCancel = Find<tk::TButton>("btnCancel");
  btnClose = Find<tk::TButton>("btnClose");
  Image1 = Find<tk::TImage>("Image1");
  lblCopyright = Find<tk::TLabel>("lblCopyright");
  lblBottomMsg = Find<tk::TLabel>("lblBottomMsg");
  Timer1 = Find<tk::TTimer>("Timer1");
  PopupMenu1 = Find<tk::TPopupMenu>("PopupMenu1");
}

std::function<void()> TMainForm::EventHandler(const std::string& name) {
  using Handler = void (TMainForm::*)();
  static const std::map<std::string, Handler> handlers = {
      {"cbDeviceChange", &TMainForm::cbDeviceChange},   {"dioRefreshClick", &TMainForm::dioRefreshClick},
      {"FileSystemChange", &TMainForm::FileSystemChange}, {"btnStartClick", &TMainForm::btnStartClick},
      {"btnCancelClick", &TMainForm::btnCancelClick},   {"btnCloseClick", &TMainForm::btnCloseClick},
      {"Image1Click", &TMainForm::Image1Click},         {"lblCopyrightClick", &TMainForm::lblCopyrightClick},
      {"Timer1Timer", &TMainForm::Timer1Timer},         {"Copy1Click", &TMainForm::Copy1Click},
      {"Print1Click", &TMainForm::Print1Click},         {"Save1Click", &TMainForm::Save1Click},
      {"Clear1Click", &TMainForm::Clear1Click},
  };
  auto found = handlers.find(name);
  if (found == handlers.end()) return {};
  Handler handler = found->second;
  return [this, handler] { (this->*handler)(); };
}

void TMainForm::FormCreate() {
  BindControls();
  // An error in a start-up step ends the sequence there: the default
  // handler shows it and the window is shown with the steps done so far.
  tk::Guarded([this] { StartupSequence(); });
}

void TMainForm::StartupSequence() {
  // A copy refused by the single-instance guard ends as soon as the loop
  // starts: it runs none of the steps, so it never opens the drives while
  // the running copy may be formatting one.
  if (tk::Application().Terminated()) return;
  // Step 1, lenient null conversion, is a property of the WMI reads: a null
  // property reads as an empty text or zero there.
  CreateDeviceListener();  // step 2
  CreateFormatEngine();    // step 3
  WmiDisks.clear();        // step 4
  if (!CheckAdministrator()) return;  // step 5
  SwitchOffDriveIdDiagnostics();      // step 6
  RunCompanionTool();                 // step 7
  ToolDriveMap.clear();               // step 8
  BuildToolDriveMap();
  RefreshDeviceList();                // step 9
  Log->Clear();                       // step 10
  ListWmiDisks();                     // step 11
  AddLogLine("");                     // step 12
  AddLogLine(CompanionToolOutput);
  LoadSettings();                     // step 13
  FileSystemChange();                 // step 14
  cbDeviceChange();                   // step 15
  int year = services_.locale->Now().year;  // step 16
  if (year > 2021) lblCopyright->SetCaption(CopyrightCaptionForYear(lblCopyright->Caption(), year));
  MakerWebAddress = AssembleMakerWebAddress();  // step 17
  startupCompleted_ = true;
  // A run killed after the erase left files only in its backup: offered first.
  OfferUnfinishedRestore(true);
}

bool TMainForm::CheckAdministrator() {
  if (services_.system->IsAdministrator()) return true;
  services_.dialogs->ShowMessage(nullptr, kMainCaption, kPermissionDenied, MessageIcon::Error);
  // The window is never shown and nothing is saved.
  tk::Application().ShowMainForm = false;
  tk::Application().Terminate();
  services_.system->EndProcess(0);
  return false;
}

void TMainForm::btnCloseClick() {
  // The question stands from Start's first step on, the backup included:
  // Yes stops the backup after the current file and nothing is formatted.
  if (OperationRunning || !btnStart->Visible()) {
    if (!RequestStop(true)) return;
    // The window stays, visible, until the stopped stage has wound down.
    if (OperationRunning) {
      CloseWhenStopped = true;
      return;
    }
  }
  Close();
}

bool TMainForm::FormCloseQuery() {
  if (!OperationRunning) return true;
  if (!CloseWhenStopped && RequestStop(true)) CloseWhenStopped = true;
  return false;
}

bool TMainForm::RequestStop(bool closing) {
  // A second request while the stage winds down needs no second question.
  if (OperationRunning && stop_.Requested()) return true;
  const std::string question =
      !StopQuestion.empty() ? StopQuestion : closing ? "USB disk drive is being formatted. Do you want to exit?" : "";
  const bool running = OperationRunning;
  if (!question.empty() && !services_.dialogs->AskYesNo(Handle(), "Warning", question)) return false;
  // The run goes on while the question is open: when it has ended
  // meanwhile, nothing is left to stop.
  if (running && !OperationRunning) return true;
  CancelOperation();
  return true;
}

void TMainForm::FormClose() {
  stop_.Request(TStopReason::Close);
  SaveSettings();
}

void TMainForm::FormDestroy() {
  ReleaseFormatEngine();
  ReleaseDeviceListener();
  WmiDisks.clear();
  ToolDriveMap.clear();
}

void TMainForm::btnCancelClick() { RequestStop(false); }

void TMainForm::CancelOperation() {
  stop_.Request(TStopReason::Cancel);
  ClearStatus();
  // While the stopped stage winds down Start stays grey; it is enabled
  // when the operation has ended.
  SetRunState(OperationRunning ? TRunState::Stopping : TRunState::Idle);
  AddLogLine("Cancelled by User");
}

void TMainForm::Image1Click() {
  services_.dialogs->ShowMessage(Handle(), "About", AboutText(services_.locale->Now().year), MessageIcon::None);
}

void TMainForm::lblCopyrightClick() {
  // A failure to open the page is not reported.
  ShellExecuteW(Handle(), L"open", Widen(MakerWebAddress).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TMainForm::dioRefreshClick() {
  // During the speed-up operation the identification probes must not open
  // the drives: the re-listing waits until the operation ends.
  if (OperationRunning) {
    RelistingDue = true;
    return;
  }
  RelistDevices();
}

void TMainForm::RelistDevices() {
  RefreshDeviceList();
  ListWmiDisks();
  cbDeviceChange();
}

void TMainForm::Timer1Timer() {
  Timer1->SetEnabled(false);
  dioRefreshClick();
  // A stick plugged in may be one whose restore did not finish.
  OfferUnfinishedRestore(false);
}

void TMainForm::cbDeviceChange() { ApplySelectedDevice(); }

}  // namespace sw
