// The testbed's stick speeds: read from the machine file, and the measured
// figures follow the throttle before and after a format within 25 %.
#include "speed_drive_fixture.h"
#include "testbed/machine.h"
#include "testbed/throttled_speed_test_io.h"

namespace sw::testing {
namespace {

using testbed::SpeedThrottle;

TEST(ThrottleKeysTest, BeforeAndAfterAreReadSeparatelyAndCheckedForRange) {
  const testbed::ParseResult parsed = testbed::ParseMachine(
      "[drive]\nletter = Q\nfolder = stick\nsize = 1000\n"
      "write-ms-per-mib-before = 40\nread-ms-per-mib-before = 20\n"
      "write-ms-per-file-before = 9\nread-ms-per-file-before = 3\n"
      "write-ms-per-mib-after = 10\nread-ms-per-file-after = 1\n",
      "C:\\demo");
  ASSERT_TRUE(parsed.errors.empty()) << parsed.errors.front();
  const testbed::SimulatedDrive& drive = parsed.machine.drives.at(0);
  EXPECT_EQ(drive.speedBefore.writeMsPerMib, 40);
  EXPECT_EQ(drive.speedBefore.readMsPerMib, 20);
  EXPECT_EQ(drive.speedBefore.writeMsPerFile, 9);
  EXPECT_EQ(drive.speedBefore.readMsPerFile, 3);
  EXPECT_EQ(drive.speedAfter.writeMsPerMib, 10);
  EXPECT_EQ(drive.speedAfter.readMsPerMib, 0);
  EXPECT_EQ(drive.speedAfter.readMsPerFile, 1);
  EXPECT_FALSE(drive.formatted);

  const testbed::ParseResult bad = testbed::ParseMachine(
      "[drive]\nletter = Q\nfolder = stick\nsize = 1000\nread-ms-per-mib-after = -1\n", "C:\\demo");
  ASSERT_EQ(bad.errors.size(), 1u);
  EXPECT_EQ(bad.errors[0], "line 5: read-ms-per-mib-after must be 0 to 10000");
}

using ThrottleTest = SpeedDriveTest;

TEST_F(ThrottleTest, MeasuredSpeedsFollowTheThrottleBeforeAndAfterTheFormat) {
  testbed::Machine machine;
  machine.drives.emplace_back();
  testbed::SimulatedDrive& drive = machine.drives.back();
  drive.letter = drive_->Letter();
  drive.speedBefore = {40, 20, 25, 10};
  drive.speedAfter = {20, 10, 12, 5};
  testbed::ThrottledSpeedTestIo io(machine, system);

  TSpeedTestPlan plan = SmallPlan();
  plan.largestFileBytes = 8 * kMiB;
  plan.smallFileCount = 16;
  const double smallFileMib = plan.smallFileBytes / double(kMiB);
  for (bool formatted : {false, true}) {
    drive.formatted = formatted;
    const SpeedThrottle& t = formatted ? drive.speedAfter : drive.speedBefore;
    const TSpeedFigures figures = RunSpeedTest(io, root, {}, plan);
    ASSERT_EQ(figures.outcome, TSpeedOutcome::Completed) << figures.reason;

    struct Expected {
      const char* part;
      std::optional<double> measured;
      double throttled;
    };
    const Expected expected[] = {
        {"sequential write", figures.sequentialWriteMBps, kMiB / 1e6 / (t.writeMsPerMib / 1000.0)},
        {"sequential read", figures.sequentialReadMBps, kMiB / 1e6 / (t.readMsPerMib / 1000.0)},
        {"small files write", figures.smallFilesWritePerSecond,
         1000.0 / (t.writeMsPerFile + t.writeMsPerMib * smallFileMib)},
        {"small files read", figures.smallFilesReadPerSecond,
         1000.0 / (t.readMsPerFile + t.readMsPerMib * smallFileMib)},
    };
    for (const Expected& e : expected) {
      ASSERT_TRUE(e.measured.has_value()) << e.part;
      std::printf("%s %s: measured %.1f, throttle %.1f\n", formatted ? "after" : "before", e.part, *e.measured,
                  e.throttled);
      EXPECT_GT(*e.measured, e.throttled * 0.75) << e.part << (formatted ? " after" : " before");
      EXPECT_LT(*e.measured, e.throttled * 1.25) << e.part << (formatted ? " after" : " before");
    }
  }
}

}  // namespace
}  // namespace sw::testing
