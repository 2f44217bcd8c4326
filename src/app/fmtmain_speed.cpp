// The main window's side of the speed measurement: runs it on a drive with
// the progress bar and Cancel of the running operation, and writes its
// results to the log.
#include "app/fmtmain.h"
#include "platform/locale.h"
#include "platform/text.h"
#include "speedtest/drive_speed_test.h"
#include "speedtest/speed_table.h"
#include "toolkit/application.h"

namespace sw {

TSpeedFigures TMainForm::MeasureDriveSpeed(char letter) {
  const std::string root = std::string(1, letter) + ":\\";
  const std::string decimalSeparator = services_.locale != nullptr ? services_.locale->DecimalSeparator() : ".";
  AddLogLine("Measuring the speed of drive " + AsciiUpper(std::string(1, letter)) + ":...");
  TSpeedFigures figures;
  if (services_.speedTestIo == nullptr) {
    figures.outcome = TSpeedOutcome::Skipped;
    figures.reason = "this program has no speed measurement";
  } else {
    TSpeedTestCallbacks callbacks;
    callbacks.onProgress = [this](int percent) { ShowProgress(percent); };
    // Asked before every MiB and every small file: Cancel and Close get
    // their turn at least that often.
    callbacks.cancelRequested = [] {
      tk::Application().KeepAnswering();
      return CancelRequested;
    };
    ProgressBar->SetPosition(0);
    figures = RunSpeedTest(*services_.speedTestIo, root, callbacks);
    ProgressBar->SetPosition(0);
  }
  AddLogLine(SpeedOutcomeLine(letter, figures, decimalSeparator));
  return figures;
}

void TMainForm::LogSpeedTable(char letter, const TSpeedFigures& before, const TSpeedFigures& after) {
  const std::string decimalSeparator = services_.locale != nullptr ? services_.locale->DecimalSeparator() : ".";
  for (const std::string& line : SpeedTableLines(letter, before, after, decimalSeparator)) AddLogLine(line);
}

}  // namespace sw
