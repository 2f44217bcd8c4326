// The whole speed-up on its worker thread with a scripted host and no
// window: the stages in order, Cancel in each stage, a failed format and a
// question answered No. What the user sees of the run is only what reached
// the host.
#include <algorithm>

#include "app/backup_marker.h"
#include "app/run_worker.h"
#include "fakes/scripted_run_host.h"
#include "format/fmtchkdsk.h"
#include "start_fixture.h"
#include "toolkit/answering_run.h"

namespace sw::testing {
namespace {

class WorkerRunTest : public StartTest {
 protected:
  WorkerRunTest() : engine_(nullptr, FmtChkServices{&library, &system, &io, services.wait}) {
    FormatEngine = &engine_;
  }
  ~WorkerRunTest() override { FormatEngine = nullptr; }

  void SetUp() override {
    StartTest::SetUp();
    PutStickFiles();
    dialogs.folderAnswers = {BackupFolder()};
  }

  TRunOptions Options(bool scan) const {
    TRunOptions options;
    options.deviceCount = 1;
    options.deviceEntry = StickEntry();
    options.driveLetter = Letter();
    options.fileSystemName = "NTFS";
    options.label = "Generic";
    options.scan = scan;
    return options;
  }

  // Runs the speed-up on its own thread and waits for its end; this thread
  // handles what the fakes hand it meanwhile.
  void Run(bool scan) {
    {
      TRunWorker worker(host, stop, services, Options(scan));
      tk::HandleMessagesUntil([this] { return host.ended.load(); });
    }
    ASSERT_TRUE(host.end.has_value());
  }
  bool Logged(const std::string& line) const {
    return std::find(host.lines.begin(), host.lines.end(), line) != host.lines.end();
  }
  std::string KeptLine() const { return "The drive's files are kept in the backup folder " + BackupFolder(); }
  std::vector<std::string> Original() const { return {"a.txt", "docs\\b.txt"}; }

  fakes::ScriptedRunHost host{dialogs};
  TStopToken stop;

 private:
  TFmtChkDsk engine_;
};

TEST_F(WorkerRunTest, EveryStageRunsInOrderAndTheRunEndsOnce) {
  Answer({true, true});
  Run(true);
  // The files were written just now, within the doubt of their copy: they
  // are compared again by content before the erase.
  EXPECT_EQ(host.stages, (std::vector<std::string>{"Listing", "Backing up", "Checking the backup", "Listing again",
                                                   "Comparing recent files", "Copying back",
                                                   "Checking the copied files"}));
  const auto at = [&](const std::string& line) {
    return std::find(host.lines.begin(), host.lines.end(), line) - host.lines.begin();
  };
  EXPECT_LT(at("Data backup completed."), at("Starting check disk for " + DriveName()));
  EXPECT_LT(at("Disk scan completed."), at("Format USB drive..."));
  EXPECT_LT(at("Disk drive is formatted."), at("Data is being copied back to USB drive ..."));
  EXPECT_EQ(host.lines.back(), kSuccess);
  EXPECT_TRUE(host.end->succeeded);
  EXPECT_FALSE(host.end->failed);
  EXPECT_EQ(host.states.back(), TRunState::Ended);
  EXPECT_EQ(FilesBelow(Root()), Original());
}

TEST_F(WorkerRunTest, CancelInEachStageKeepsEveryFileAndErasesNothingBeforeTheFormat) {
  struct Case {
    const char* stage;    // a long stage's name, or the start of a log line
    bool formatStarted;   // the library was called
    bool erased;          // the stop comes after the format
  } cases[] = {
      {"Listing", false, false},
      {"Backing up", false, false},
      {"Starting check disk for", false, false},
      {"Checking the backup", false, false},
      {"Listing again", false, false},
      {"Comparing recent files", false, false},
      {"Starting format disk for", true, false},  // the library is told to stop at once
      {"Copying back", true, true},
      {"Checking the copied files", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    host.lines.clear();
    host.ended = false;
    dialogs.folderAnswers = {BackupFolder()};
    Answer({true, true});
    stop.Reset();
    const std::string at = c.stage;
    host.onStage = [&](const std::string& stage) {
      if (stage == at) stop.Request(TStopReason::Cancel);
    };
    host.onLog = [&](const std::string& line) {
      if (line.starts_with(at)) stop.Request(TStopReason::Cancel);
    };
    Run(true);
    EXPECT_FALSE(host.end->succeeded);
    EXPECT_FALSE(host.end->failed) << "a stop is not a failure";
    EXPECT_FALSE(Logged(kSuccess));
    EXPECT_EQ(!library.formatCalls.empty(), c.formatStarted);
    if (c.formatStarted) EXPECT_TRUE(Logged(KeptLine()));
    if (!c.erased) EXPECT_EQ(FilesBelow(Root()), Original());
    const std::vector<std::string> kept = FilesBelow(BackupFolder());
    for (const std::string& file : c.erased ? Original() : std::vector<std::string>{})
      EXPECT_NE(std::find(kept.begin(), kept.end(), file), kept.end()) << file;
    if (c.erased) EXPECT_FALSE(ReadBackupMarker(BackupFolder())->restored);
    library.formatCalls.clear();
    // The next case starts with no earlier backup to move aside.
    EmptyFolder(BackupFolder());
    EmptyFolder(Root());
    PutStickFiles();
  }
}

TEST_F(WorkerRunTest, AFailedFormatIsAFailureAndTheBackupIsNamed) {
  Answer({true, true});
  library.formatScripts = {{LibraryCommand::Done(false)}};
  Run(false);
  EXPECT_EQ(library.formatCalls.size(), 2u);  // 64 KiB, then 32 KiB
  EXPECT_TRUE(Logged("Format disk operation encountered an error."));
  EXPECT_TRUE(Logged(KeptLine()));
  EXPECT_TRUE(host.end->failed);
  EXPECT_EQ(FilesBelow(Root()), Original());
}

TEST_F(WorkerRunTest, NoToTheEraseQuestionEndsTheRunWithNothingTouched) {
  Answer({false});
  Run(false);
  EXPECT_EQ(Questions().size(), 1u);
  EXPECT_TRUE(host.stages.empty());
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_FALSE(host.end->succeeded);
  EXPECT_EQ(host.states, (std::vector<TRunState>{TRunState::Idle}));
  EXPECT_EQ(FilesBelow(Root()), Original());
}

}  // namespace
}  // namespace sw::testing
