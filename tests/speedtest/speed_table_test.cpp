// The log texts of the measurement: the before/after table and the line
// for a measurement that did not run to the end.
#include <gtest/gtest.h>

#include "speedtest/speed_table.h"

namespace sw::testing {
namespace {

TSpeedFigures Measured(double write, double read, double smallWrite, double smallRead) {
  TSpeedFigures figures;
  figures.outcome = TSpeedOutcome::Completed;
  figures.sequentialWriteMBps = write;
  figures.sequentialReadMBps = read;
  figures.smallFilesWritePerSecond = smallWrite;
  figures.smallFilesReadPerSecond = smallRead;
  return figures;
}

TEST(SpeedTableTest, ColumnsAndChangeInPercent) {
  const std::vector<std::string> lines =
      SpeedTableLines('q', Measured(9.8, 31.0, 120, 410.4), Measured(14.1, 28.84, 170, 410.6));
  const std::vector<std::string> expected = {
      "Speed of Q:\\             before        after    change",
      "sequential write       9.8 MB/s    14.1 MB/s     +44 %",
      "sequential read       31.0 MB/s    28.8 MB/s      -7 %",
      "small files write        120 /s       170 /s     +42 %",
      "small files read         410 /s       411 /s       0 %",
  };
  EXPECT_EQ(lines, expected);
}

TEST(SpeedTableTest, PartThatDidNotRunReadsNotMeasuredWithoutChange) {
  TSpeedFigures after = Measured(14.1, 33.2, 170, 400);
  after.smallFilesWritePerSecond.reset();
  after.smallFilesReadPerSecond.reset();
  TSpeedFigures before;  // skipped: nothing measured
  const std::vector<std::string> lines = SpeedTableLines('Q', before, after, ",");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], "sequential write   not measured    14,1 MB/s");
  EXPECT_EQ(lines[3], "small files write  not measured not measured");
}

TEST(SpeedTableTest, OutcomeLineSaysWhyOrWhatItCost) {
  struct Case {
    TSpeedOutcome outcome;
    std::string reason;
    std::string line;
  };
  const Case cases[] = {
      {TSpeedOutcome::Completed, "", "Speed measurement of E: done in 12.3 s."},
      {TSpeedOutcome::Completed, "the small files were not measured: they need 33.0 MiB, only 20.0 MiB are free",
       "Speed measurement of E: done in 12.3 s; the small files were not measured: they need 33.0 MiB, only 20.0 "
       "MiB are free."},
      {TSpeedOutcome::Skipped, "only 2.5 MiB free on e:\\, at least 17.0 MiB are needed",
       "Speed measurement of E: skipped, only 2.5 MiB free on e:\\, at least 17.0 MiB are needed."},
      {TSpeedOutcome::Failed, "writing the test file failed: Disk full.",
       "Speed measurement of E: failed, writing the test file failed: Disk full."},
      {TSpeedOutcome::Cancelled, "cancelled by the user", "Speed measurement of E: cancelled."},
  };
  for (const Case& c : cases) {
    TSpeedFigures figures;
    figures.outcome = c.outcome;
    figures.reason = c.reason;
    figures.seconds = 12.34;
    EXPECT_EQ(SpeedOutcomeLine('e', figures), c.line);
  }
}

}  // namespace
}  // namespace sw::testing
