// The format engine's events for one stage of a run.
#pragma once

#include <algorithm>

#include "app/fmtmain.h"
#include "app/run_context.h"
#include "format/fmtchkdsk.h"

namespace sw {

// The format engine's events reach the run's host for one stage: its
// progress moves the bar, its texts go to the log, and both answer the
// library with the run's stop request. The in-use question the format
// sets goes with them.
class TEngineEvents {
 public:
  explicit TEngineEvents(TRunContext& run) {
    if (FormatEngine == nullptr) return;
    FormatEngine->onProgressEvent = [&run](int percent, bool& cancel) {
      run.Percent(std::clamp(percent, 0, 100));
      cancel = run.Stopped();
    };
    FormatEngine->onInfoEvent = [&run](std::string info, bool& cancel) {
      run.Log(info);
      cancel = run.Stopped();
    };
  }
  ~TEngineEvents() {
    if (FormatEngine == nullptr) return;
    FormatEngine->onProgressEvent = nullptr;
    FormatEngine->onInfoEvent = nullptr;
    FormatEngine->onVolumeInUse = nullptr;
  }
  TEngineEvents(const TEngineEvents&) = delete;
  TEngineEvents& operator=(const TEngineEvents&) = delete;
};

}  // namespace sw
