#include "app/capacity_status.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "app/run_context.h"
#include "app/stage_progress.h"
#include "platform/locale.h"

namespace sw {

long long CapacitySecondsLeft(std::uint64_t elapsedMs, const TProbeProgress& progress) {
  if (elapsedMs < TStageProgress::kFirstEstimateMs || progress.secondsDone <= 0) return -1;
  const double share = std::max(0.0, progress.secondsPlanned - progress.secondsDone) / progress.secondsDone;
  return std::llround(static_cast<double>(elapsedMs) / 1000.0 * share);
}

std::string CapacityStatusText(const TProbeProgress& progress, long long secondsLeft, const std::string& thousands) {
  std::string text = "Checking the real capacity: " +
                     FormatThousands(static_cast<long long>(progress.blocksDone), thousands) + " of " +
                     FormatThousands(static_cast<long long>(progress.blocksPlanned), thousands) + " blocks";
  if (secondsLeft >= 0 && progress.percent < 100) text += ", " + TimeLeftText(secondsLeft);
  return text;
}

TCapacityStatus::TCapacityStatus(TRunContext& run) : run_(run), startMs_(GetTickCount64()) {}

void TCapacityStatus::Show(const TProbeProgress& progress) {
  const std::uint64_t now = GetTickCount64();
  if (progress.percent < 100 && now - shownMs_ < 200) return;
  shownMs_ = now;
  run_.Percent(progress.percent);
  // A stop hides the figures, as in the other stages.
  if (run_.Stopped()) return;
  const std::string thousands = run_.Services().locale != nullptr ? run_.Services().locale->ThousandSeparator() : ",";
  run_.Status(CapacityStatusText(progress, CapacitySecondsLeft(now - startMs_, progress), thousands));
}

}  // namespace sw
