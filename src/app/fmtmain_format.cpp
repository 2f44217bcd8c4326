// The main window's format and check-disk engine: created in FormCreate,
// reachable through FormatEngine, released when the window is destroyed.
// The run that uses it sets its events for the stage it runs.
#include "app/fmtmain.h"
#include "format/fmtchkdsk.h"

namespace sw {

TFmtChkDsk* FormatEngine = nullptr;

void TMainForm::CreateFormatEngine() {
  // The window owns the engine and frees it with itself at the latest.
  auto* engine = new TFmtChkDsk(
      this, FmtChkServices{services_.formatLibrary, services_.system, services_.deviceIo, services_.wait});
  FormatEngine = engine;
}

void TMainForm::ReleaseFormatEngine() {
  // Only the engine this window created; another window's stays.
  if (FormatEngine == nullptr || FormatEngine->Owner() != this) return;
  delete FormatEngine;
  FormatEngine = nullptr;
}

}  // namespace sw
