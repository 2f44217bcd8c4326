// Where the real-capacity check stands, on the status line and the bar:
// "Checking the real capacity: 640 of 1,900 blocks, about 40 s left". The
// time left scales the time spent so far by the share of the check's
// modelled cost still ahead, once three seconds have passed.
#pragma once

#include <cstdint>
#include <string>

#include "capacity/capacity_probe.h"

namespace sw {

class TRunContext;

// Seconds left, or -1 while there is no estimate yet.
long long CapacitySecondsLeft(std::uint64_t elapsedMs, const TProbeProgress& progress);
std::string CapacityStatusText(const TProbeProgress& progress, long long secondsLeft, const std::string& thousands);

class TCapacityStatus {
 public:
  explicit TCapacityStatus(TRunContext& run);
  // Shows the figures at most five times a second, and the last one always.
  void Show(const TProbeProgress& progress);

 private:
  TRunContext& run_;
  std::uint64_t startMs_, shownMs_ = 0;
};

}  // namespace sw
