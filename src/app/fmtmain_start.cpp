// The Start button: one speed-up operation at a time, and a re-listing that
// fell due while it ran (device events, Refresh Devices) runs once it ends,
// so no probe opens the drives while the format library holds the volume.
#include <exception>

#include "app/fmtmain.h"
#include "app/speedup_operation.h"
#include "toolkit/application.h"

namespace sw {

void TMainForm::btnStartClick() {
  // From the first question to the end the window is guarded: a Start that
  // arrives meanwhile (a click queued before the button went grey) is ignored.
  if (OperationRunning) return;
  OperationRunning = true;
  btnStart->SetEnabled(false);

  std::exception_ptr failure;
  bool succeeded = false;
  try {
    TSpeedUpOperation operation(*this);
    operation.Run();
    succeeded = operation.Succeeded();
  } catch (...) {
    failure = std::current_exception();  // shown by the caller's handler once the window is released
  }
  FlushLog();
  ShowRunEnded(!succeeded && !CancelRequested);

  OperationRunning = false;
  if (btnStart->Visible()) btnStart->SetEnabled(true);
  if (CloseWhenStopped) {
    // The window was closed during the operation, which has now stopped.
    CloseWhenStopped = false;
    Close();
  }
  RunDueRelisting();
  if (failure) std::rethrow_exception(failure);
}

void TMainForm::RunDueRelisting() {
  if (!RelistingDue) return;
  RelistingDue = false;
  if (tk::Application().Terminated()) return;  // the window was closed during the operation
  // Its own errors go to the default handler, as they would from Timer1.
  tk::Guarded([this] { RelistDevices(); });
}

}  // namespace sw
