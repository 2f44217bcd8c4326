// The main window's format and check-disk engine: created in FormCreate,
// reachable through FormatEngine, its events wired to the progress bar and
// the log, released when the window is destroyed.
#include <algorithm>

#include "app/fmtmain.h"
#include "format/fmtchkdsk.h"
#include "toolkit/application.h"

namespace sw {

TFmtChkDsk* FormatEngine = nullptr;

void TMainForm::CreateFormatEngine() {
  // The window owns the engine and frees it with itself at the latest.
  auto* engine = new TFmtChkDsk(
      this, FmtChkServices{services_.formatLibrary, services_.system, services_.deviceIo, services_.wait});
  engine->onProgressEvent = [this](int percent, bool& cancel) { OnFormatProgress(percent, cancel); };
  engine->onInfoEvent = [this](std::string info, bool& cancel) { OnFormatInfo(std::move(info), cancel); };
  FormatEngine = engine;
}

void TMainForm::ReleaseFormatEngine() {
  // Only the engine this window created; another window's stays.
  if (FormatEngine == nullptr || FormatEngine->Owner() != this) return;
  delete FormatEngine;
  FormatEngine = nullptr;
}

void TMainForm::OnFormatProgress(int Percent, bool& Cancel) {
  ShowProgress(std::clamp(Percent, 0, 100));
  tk::Application().ProcessMessages();
  Cancel = CancelRequested;
}

void TMainForm::OnFormatInfo(std::string Info, bool& Cancel) {
  AddLogLine(Info);
  tk::Application().ProcessMessages();
  Cancel = CancelRequested;
}

}  // namespace sw
