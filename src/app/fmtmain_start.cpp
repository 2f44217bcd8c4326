// The Start button: the options are taken, one worker thread runs the
// speed-up, and the window only shows it. A re-listing that fell due while
// it ran (device events, Refresh Devices) runs once it ends, so no probe
// opens the drives while the format library holds the volume.
#include <windows.h>

#include "app/fmtmain.h"
#include "app/run_states.h"
#include "app/run_worker.h"
#include "app/speedup_rules.h"
#include "app/window_run_host.h"
#include "platform/exceptions.h"
#include "platform/text.h"
#include "toolkit/answering_run.h"
#include "toolkit/application.h"

namespace sw {

TRunOptions TMainForm::TakeRunOptions() {
  TRunOptions options;
  options.deviceCount = cbDevice->Count();
  options.deviceEntry = cbDevice->Text();
  options.driveLetter = OperationDriveLetter(options.deviceEntry, SelectedDriveLetter);
  options.fileSystem = FileSystem->ItemIndex();
  options.fileSystemName = FileSystem->Text();
  options.label = Trim(VolumeLabel->Text());
  options.quickFormat = OptQuickFmt->Checked();
  options.scan = OptCorrectErrors->Checked();
  options.measureSpeed = OptMeasureSpeed() != nullptr && OptMeasureSpeed()->Checked();
  options.checkCapacity = OptCheckCapacity() != nullptr && OptCheckCapacity()->Checked();
  int driveNumber = 0, partitionCount = 0;
  std::string deviceId, sizeText;
  LookupSelectedDisk(options.deviceEntry, driveNumber, deviceId, partitionCount, options.sizeNumber, options.sizeUnit,
                     sizeText);
  const int index = cbDevice->ItemIndex();
  if (index >= 0 && static_cast<size_t>(index) < DeviceIdentities.size()) options.stick = DeviceIdentities[index];
  // The letter the run works on is the one the note keeps.
  options.stick.letter = options.driveLetter == 0 ? 0 : AsciiUpper(std::string(1, options.driveLetter))[0];
  return options;
}

void TMainForm::btnStartClick() {
  // From the first question to the end the window is guarded: a Start that
  // arrives meanwhile (a click queued before the button went grey) is ignored.
  if (OperationRunning) return;
  OperationRunning = true;
  StopQuestion.clear();
  stop_.Reset();
  SetRunState(TRunState::Asking);
  runHost_ = MakeWindowRunHost(*this);
  worker_ = std::make_unique<TRunWorker>(*runHost_, stop_, services_, TakeRunOptions());
}

void TMainForm::RunEnded(const TRunEnd& end) {
  worker_.reset();  // its last act was to post this end
  runHost_.reset();
  FlushLog();
  StopQuestion.clear();
  // A run that ended before its bar or after a stop leaves the window idle.
  if (runState_ == TRunState::Asking || runState_ == TRunState::Stopping) SetRunState(TRunState::Idle);
  else if (runState_ == TRunState::Running) SetRunState(TRunState::Ended);
  ShowRunEnded(end.failed);
  OperationRunning = false;
  if (CloseWhenStopped) {
    // The window was closed during the operation, which has now stopped.
    CloseWhenStopped = false;
    Close();
  }
  RunDueRelisting();
  if (!end.error.empty()) tk::Application().HandleException(Exception(end.error));
  // An unfinished restore offered and ended: another may wait.
  if (resumeRunning_) {
    resumeRunning_ = false;
    OfferUnfinishedRestore(false);
  }
}

void TMainForm::WaitForRunEnd() {
  tk::HandleMessagesUntil([this] { return !OperationRunning || !worker_; });
}

void TMainForm::SetRunState(TRunState state) {
  // A stop wins over the stage that still winds down.
  if (runState_ == TRunState::Stopping && state == TRunState::Running) return;
  runState_ = state;
  ApplyRunState(*this, state);
}

void TMainForm::RunDueRelisting() {
  if (!RelistingDue) return;
  RelistingDue = false;
  if (tk::Application().Terminated()) return;  // the window was closed during the operation
  // Its own errors go to the default handler, as they would from Timer1.
  tk::Guarded([this] { RelistDevices(); });
}

}  // namespace sw
