// What one speed measurement of a drive found. Each figure is present only
// when its part ran to the end; a part that did not run has no number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sw {

enum class TSpeedOutcome {
  NotRun,     // no measurement was made
  Completed,  // it ran to the end; `reason` names any part skipped for lack of space
  Skipped,    // nothing was measured; `reason` says why
  Failed,     // a file operation failed; the parts before it keep their figures
  Cancelled,  // stopped at the user's request
};

struct TSpeedFigures {
  std::optional<double> sequentialWriteMBps;  // MB of 1,000,000 bytes per second
  std::optional<double> sequentialReadMBps;
  std::optional<double> smallFilesWritePerSecond;
  std::optional<double> smallFilesReadPerSecond;

  TSpeedOutcome outcome = TSpeedOutcome::NotRun;
  std::string reason;            // why a part or the whole measurement did not run
  uint64_t sequentialBytes = 0;  // size of the sequential test file
  int smallFiles = 0;            // number of small files written
  double seconds = 0;            // what the measurement itself took
};

}  // namespace sw
