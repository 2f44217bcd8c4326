// The capacity check's status line: the blocks done of those planned, and
// the time left once the check has run three seconds, scaled from the time
// spent by the share of its modelled cost still ahead.
#include <gtest/gtest.h>

#include "app/capacity_status.h"

namespace sw {
namespace {

struct StatusCase {
  std::uint64_t elapsedMs;
  TProbeProgress progress;
  const char* text;
};

TEST(CapacityStatusTest, CountsBlocksAndEstimatesTheTimeLeft) {
  const StatusCase cases[] = {
      {1000, {.blocksDone = 10, .blocksPlanned = 1900, .secondsDone = 1, .secondsPlanned = 60},
       "Checking the real capacity: 10 of 1.900 blocks"},
      {20000, {.blocksDone = 640, .blocksPlanned = 1900, .secondsDone = 20, .secondsPlanned = 60},
       "Checking the real capacity: 640 of 1.900 blocks, about 40 s left"},
      {10000, {.blocksDone = 400, .blocksPlanned = 1900, .secondsDone = 5, .secondsPlanned = 65},
       "Checking the real capacity: 400 of 1.900 blocks, about 2 min left"},
      {30000, {.blocksDone = 0, .blocksPlanned = 50, .secondsDone = 0, .secondsPlanned = 1},
       "Checking the real capacity: 0 of 50 blocks"},
      {90000, {.blocksDone = 1900, .blocksPlanned = 1900, .secondsDone = 60, .secondsPlanned = 60, .percent = 100},
       "Checking the real capacity: 1.900 of 1.900 blocks"},
  };
  for (const StatusCase& c : cases)
    EXPECT_EQ(CapacityStatusText(c.progress, CapacitySecondsLeft(c.elapsedMs, c.progress), "."), c.text);
}

}  // namespace
}  // namespace sw
