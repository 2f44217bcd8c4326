// The measurement on a folder mapped as a removable drive: what it measures,
// and that the drive holds exactly what it held before, however it ends.
#include "speed_drive_fixture.h"

#include <fstream>

namespace sw::testing {
namespace {

using DriveSpeedTest = SpeedDriveTest;

TEST_F(DriveSpeedTest, CompletedRunMeasuresEveryPartAndLeavesForeignFilesAlone) {
  const std::wstring keptFile = Widen(root) + L"kept.txt";
  { std::ofstream(keptFile.c_str()) << "the user's file"; }
  const std::vector<std::string> before = DriveContents();

  std::vector<int> progress;
  TSpeedTestCallbacks callbacks;
  callbacks.onProgress = [&](int percent) { progress.push_back(percent); };
  const TSpeedFigures figures = RunSpeedTest(system, root, callbacks, SmallPlan());

  EXPECT_EQ(figures.outcome, TSpeedOutcome::Completed) << figures.reason;
  EXPECT_TRUE(figures.reason.empty());
  EXPECT_EQ(figures.sequentialBytes, 4 * kMiB);
  EXPECT_EQ(figures.smallFiles, 12);
  for (const auto& figure : {figures.sequentialWriteMBps, figures.sequentialReadMBps,
                             figures.smallFilesWritePerSecond, figures.smallFilesReadPerSecond}) {
    ASSERT_TRUE(figure.has_value());
    EXPECT_GT(*figure, 0);
  }
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 100);
  EXPECT_EQ(DriveContents(), before);
  DeleteFileW(keptFile.c_str());
}

// A write fails at different points: the parts before it keep their
// figures, the rest have none, and no test file stays behind.
TEST_F(DriveSpeedTest, FailedWriteKeepsEarlierFiguresOnlyAndRemovesEveryFile) {
  struct Case {
    int failingWrite;
    bool sequentialMeasured;
  };
  for (const Case c : {Case{1, false}, Case{3, false}, Case{4 + 5, true}}) {  // 4 chunks, then small files
    const std::vector<std::string> before = DriveContents();
    ScriptedSpeedTestIo io(system);
    io.failingWrite = c.failingWrite;
    const TSpeedFigures figures = RunSpeedTest(io, root, {}, SmallPlan());

    EXPECT_EQ(figures.outcome, TSpeedOutcome::Failed) << "write " << c.failingWrite;
    EXPECT_NE(figures.reason.find("failed"), std::string::npos) << figures.reason;
    EXPECT_EQ(figures.sequentialWriteMBps.has_value(), c.sequentialMeasured);
    EXPECT_EQ(figures.sequentialReadMBps.has_value(), c.sequentialMeasured);
    EXPECT_FALSE(figures.smallFilesWritePerSecond.has_value());
    EXPECT_FALSE(figures.smallFilesReadPerSecond.has_value());
    EXPECT_EQ(DriveContents(), before) << "write " << c.failingWrite;
  }
}

TEST_F(DriveSpeedTest, CancelStopsBeforeTheNextWriteAndRemovesEveryFile) {
  for (int cancelAtCheck : {1, 3, 4 + 4 + 3}) {  // first chunk, mid-file, among the small files
    const std::vector<std::string> before = DriveContents();
    ScriptedSpeedTestIo io(system);
    int checks = 0;
    TSpeedTestCallbacks callbacks;
    callbacks.cancelRequested = [&] { return io.cancelled = ++checks >= cancelAtCheck; };
    const TSpeedFigures figures = RunSpeedTest(io, root, callbacks, SmallPlan());

    EXPECT_EQ(figures.outcome, TSpeedOutcome::Cancelled) << "check " << cancelAtCheck;
    EXPECT_EQ(io.writesAfterCancel, 0) << "check " << cancelAtCheck;
    EXPECT_FALSE(figures.smallFilesReadPerSecond.has_value());
    EXPECT_EQ(DriveContents(), before) << "check " << cancelAtCheck;
  }
}

TEST_F(DriveSpeedTest, TooLittleFreeSpaceSkipsWithTheReasonAndWritesNothing) {
  ScriptedSpeedTestIo io(system);
  io.freeBytes = 2 * kMiB + kMiB / 2;  // the plan needs 2 MiB and 1 MiB of room
  const std::vector<std::string> before = DriveContents();
  const TSpeedFigures figures = RunSpeedTest(io, root, {}, SmallPlan());

  EXPECT_EQ(figures.outcome, TSpeedOutcome::Skipped);
  EXPECT_EQ(figures.reason, "only 2.5 MiB free on " + root + ", at least 3.0 MiB are needed");
  EXPECT_FALSE(figures.sequentialWriteMBps.has_value());
  EXPECT_EQ(io.writes, 0);
  EXPECT_EQ(DriveContents(), before);
}

TEST_F(DriveSpeedTest, SmallerFreeSpaceShrinksTheFileAndSkipsSmallFilesThatWouldNotFit) {
  ScriptedSpeedTestIo io(system);
  io.freeBytes = 3 * kMiB + 100;
  io.bytesPerCluster = 1024 * 1024;  // each small file would take a whole MiB
  const TSpeedFigures figures = RunSpeedTest(io, root, {}, SmallPlan());

  EXPECT_EQ(figures.outcome, TSpeedOutcome::Completed);
  EXPECT_EQ(figures.sequentialBytes, 2 * kMiB);
  EXPECT_TRUE(figures.sequentialReadMBps.has_value());
  EXPECT_FALSE(figures.smallFilesWritePerSecond.has_value());
  EXPECT_NE(figures.reason.find("the small files were not measured"), std::string::npos) << figures.reason;
}

TEST_F(DriveSpeedTest, TestFileThatCannotBeRemovedIsReported) {
  ScriptedSpeedTestIo io(system);
  io.refuseRemoval = true;
  const TSpeedFigures figures = RunSpeedTest(io, root, {}, SmallPlan());
  EXPECT_NE(figures.reason.find("could not remove " + root + "stickwise-speed-test-"), std::string::npos)
      << figures.reason;
  io.refuseRemoval = false;
  for (const std::string& entry : DriveContents()) {  // the test's own clean-up
    if (entry.back() != '\\') system.RemoveFile(entry.substr(0, entry.rfind(' ')));
  }
  for (const std::string& entry : DriveContents()) system.RemoveFolder(entry);
}

}  // namespace
}  // namespace sw::testing
