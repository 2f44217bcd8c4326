#include "app/speed_stage.h"

#include "app/run_context.h"
#include "platform/text.h"
#include "speedtest/drive_speed_test.h"
#include "speedtest/speed_table.h"

namespace sw {

TSpeedFigures MeasureDriveSpeed(TRunContext& run, char letter) {
  const std::string root = std::string(1, letter) + ":\\";
  run.Log("Measuring the speed of drive " + AsciiUpper(std::string(1, letter)) + ":...");
  TSpeedFigures figures;
  if (run.Services().speedTestIo == nullptr) {
    figures.outcome = TSpeedOutcome::Skipped;
    figures.reason = "this program has no speed measurement";
  } else {
    TSpeedTestCallbacks callbacks;
    callbacks.onProgress = [&run](int percent) { run.Percent(percent); };
    // Asked before every MiB and every small file.
    callbacks.cancelRequested = [&run] { return run.Stopped(); };
    run.Percent(0);
    figures = RunSpeedTest(*run.Services().speedTestIo, root, callbacks);
    run.Percent(0);
  }
  run.Log(SpeedOutcomeLine(letter, figures, run.DecimalSeparator()));
  return figures;
}

void LogSpeedTable(TRunContext& run, char letter, const TSpeedFigures& before, const TSpeedFigures& after) {
  for (const std::string& line : SpeedTableLines(letter, before, after, run.DecimalSeparator())) run.Log(line);
}

}  // namespace sw
