// Stopping the operation: Cancel in each stage, closing the window during
// the backup, a second Start while one runs, and errors in each stage.
#include "start_fixture.h"

#include "app/backup_marker.h"
#include "platform/text.h"
#include "toolkit/application.h"

namespace sw::testing {
namespace {

class StopTest : public StartTest {
 protected:
  void Prepare(bool scan) {
    PrepareWindow(0, scan);
    PutStickFiles();
  }
  static void Click(tk::TButton* button) { PostMessageW(button->Handle(), BM_CLICK, 0, 0); }
  static std::vector<std::string> Summary(int files, int bytes) {
    return {std::to_string(files) + " files copied matching mask *.*",
            "Total bytes in these files is " + std::to_string(bytes), "0 files dropped by copy error",
            "0 files dropped by user exit", "0 duplicate files not copied", "0 duplicate files overwritten"};
  }
  std::string Upper(const std::string& text) const { return AsciiUpper(text); }
};

TEST_F(StopTest, CancelDuringTheCheckStopsItAndEndsBeforeTheFormat) {
  Prepare(true);
  Answer({true, false});
  library.checkScripts = {{LibraryCommand::Percent(10), LibraryCommand::Percent(20), LibraryCommand::Done(true)}};
  library.beforeCommand = [this](size_t index) {
    if (index == 1 && library.formatCalls.empty()) Click(form->btnCancel);
  };
  PressStart();
  ExpectLines(RunLog(), {"Starting check disk for " + DriveName(), VolumeLine(), "Cancelled by User",
                         "Check Disk: Unable to Finish", "Check disk operation failed!", "Disk scan completed."});
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_EQ(FilesBelow(Root()), (std::vector<std::string>{"a.txt", "docs\\b.txt"}));
  ExpectCancelledState();
}

TEST_F(StopTest, CancelDuringTheFormatStillMakesTheSecondAttemptWhichStopsAtOnce) {
  Prepare(false);
  Answer({true, false});
  library.formatScripts = {{LibraryCommand::Percent(10), LibraryCommand::Percent(20), LibraryCommand::Done(true)}};
  library.beforeCommand = [this](size_t index) {
    if (index == 1 && library.formatCalls.size() == 1) Click(form->btnCancel);
  };
  PressStart();
  const std::string root = Upper(Root());
  ExpectLines(RunLog(), {"Format USB drive...", "Starting format disk for " + DriveName(),
                         root + " Checking Existing Drive Format", VolumeLine(), root + " Starting to Format Drive",
                         "Cancelled by User", "Format Disk: Unable to Finish", "Format disk program initializing...",
                         root + " Checking Existing Drive Format", VolumeLine(), root + " Starting to Format Drive",
                         "Format Disk: Unable to Finish", "Format disk operation encountered an error.", ""});
  ASSERT_EQ(library.formatCalls.size(), 2u);
  EXPECT_EQ(library.formatCalls[1].clusterSize, 32768u);
  // Answers: go on, stop, then the second attempt's first command is stopped.
  // Answers: go on, stop, stop for the winding down; the second attempt is
  // stopped at its first command.
  EXPECT_EQ(library.answers, (std::vector<uint8_t>{1, 0, 0, 0, 0}));
  ExpectCancelledState();
}

TEST_F(StopTest, CancelDuringTheRestoreAsksThenStopsBeforeTheNextFile) {
  Prepare(false);
  PutFile(Root() + "more\\c.txt", "more data");
  Answer({true, true, true});
  dialogs.folderAnswers = {BackupFolder()};
  // Cancel is pressed as the restore logs its first file; the window asks
  // at once, and the copy stops before its next file.
  bool clicked = false;
  locale.onThousands = [&] {
    const auto lines = form->Log->Lines();
    if (clicked || lines.empty() || lines.back() != "Folder " + BackupFolder() + "\\") return;
    clicked = true;
    Click(form->btnCancel);
  };
  PressStart();
  std::vector<std::string> log = RunLog();
  auto restore = std::find(log.begin(), log.end(), "Data is being copied back to USB drive ...");
  ASSERT_NE(restore, log.end());
  std::vector<std::string> expected{"Data is being copied back to USB drive ...",
                                    "Folder " + BackupFolder() + "\\", "Cancelled by User",
                                    "   Copied a.txt, size: 5 bytes"};
  const auto summary = Summary(1, 5);
  expected.insert(expected.end(), summary.begin(), summary.end());
  expected.insert(expected.end(), {"", "Copy operation completed.",
                                    "The drive's files are kept in the backup folder " + BackupFolder()});
  ExpectLines({restore, log.end()}, expected);
  EXPECT_EQ(Questions().back(), "Stop copying the files back to drive " + Upper(DriveName()) +
                                    "? The files not yet copied back stay in the backup folder " + BackupFolder() + ".");
  EXPECT_EQ(FilesBelow(Root()), (std::vector<std::string>{"a.txt"}));
  EXPECT_EQ(FilesBelow(BackupFolder()),
            (std::vector<std::string>{"a.txt", "docs\\b.txt", "more\\c.txt", kBackupMarkerName}));
  EXPECT_FALSE(ReadBackupMarker(BackupFolder())->restored);
  ExpectCancelledState();
}

TEST_F(StopTest, ClosingDuringTheBackupAsksAndYesStopsItWithoutFormatting) {
  Prepare(false);
  Answer({true, true, true});
  dialogs.folderAnswers = {BackupFolder()};
  int asked = 0;
  dialogs.whileAsking = [&] {
    if (++asked != 2) return;
    // While the backup question is open, Start is already guarded.
    EXPECT_FALSE(form->btnStart->Enabled());
    Click(form->btnClose);  // handled when the copy lets messages run
  };
  // The window stays (its close saves the settings) until the copy has stopped.
  bool closedEarly = false;
  locale.onThousands = [&] { closedEarly = closedEarly || SettingsKeyExists(); };
  PressStart();
  EXPECT_FALSE(closedEarly);
  EXPECT_TRUE(SettingsKeyExists());
  ASSERT_EQ(Questions().size(), 3u);
  EXPECT_EQ(Questions()[2], "USB disk drive is being formatted. Do you want to exit?");
  EXPECT_EQ(dialogs.shown.back().kind, "yesno");
  EXPECT_EQ(dialogs.shown.back().title, "Warning");
  // The close is seen as the drive's listing begins: nothing is copied.
  ExpectLines(RunLog(), {"Cancelled by User"});
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_EQ(FilesBelow(Root()), (std::vector<std::string>{"a.txt", "docs\\b.txt"}));
  EXPECT_FALSE(form->OperationRunning);
}

TEST_F(StopTest, ClosingDuringTheBackupAndAnsweringNoLetsTheOperationFinish) {
  Prepare(false);
  Answer({true, true, false});
  dialogs.folderAnswers = {BackupFolder()};
  int asked = 0;
  dialogs.whileAsking = [&] {
    if (++asked == 2) Click(form->btnClose);
  };
  PressStart();
  EXPECT_EQ(Questions().size(), 3u);
  EXPECT_TRUE(RunLogHas("Data backup completed."));
  EXPECT_TRUE(RunLogHas("Your USB Drive is optimized for faster read and write access. Operations completed."));
  EXPECT_EQ(FilesBelow(Root()), (std::vector<std::string>{"a.txt", "docs\\b.txt"}));
  ExpectCompletedState();
}

TEST_F(StopTest, ASecondStartWhileTheOperationRunsIsIgnored) {
  Prepare(true);
  Answer({true, true});
  dialogs.folderAnswers = {BackupFolder()};
  int asked = 0;
  dialogs.whileAsking = [&] {
    if (++asked == 2) Click(form->btnStart);  // queued during the backup question
  };
  library.beforeCommand = [this](size_t index) {
    if (index == 0) form->btnStartClick();  // pressed again during each stage
  };
  PressStart();
  EXPECT_EQ(Questions().size(), 2u);
  EXPECT_EQ(library.checkCalls.size(), 1u);
  EXPECT_EQ(library.formatCalls.size(), 1u);
  const auto log = RunLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Data backup completed."), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "Your USB Drive is optimized for faster read and write access. Operations completed."),
            1);
  ExpectCompletedState();
}

TEST_F(StopTest, AnEngineErrorInTheCheckIsLoggedAndTheFormatStillRuns) {
  Prepare(true);
  Answer({true, false, true});  // Yes, force the drive closed: it cannot be
  io.openErrors[std::string("\\\\.\\") + Letter() + ":"] = ERROR_SHARING_VIOLATION;
  PressStart();
  const std::string inUse = "Error: Drive In Use: " + Upper(Root());
  // The one Yes stands for the check and for the format.
  ExpectLines(RunLog(), {"Starting check disk for " + DriveName(), VolumeLine(),
                         Upper(Root()) + " Drive In Use by Another Program", Upper(Root()) + " Forcing the Drive Closed",
                         inUse, "Disk scan completed.",
                         "Format USB drive...", "Starting format disk for " + DriveName(),
                         Upper(Root()) + " Checking Existing Drive Format", VolumeLine(),
                         Upper(Root()) + " Drive In Use by Another Program", Upper(Root()) + " Forcing the Drive Closed",
                         inUse, "", ""});
  EXPECT_EQ(Questions().size(), 3u);
  EXPECT_TRUE(library.checkCalls.empty());
  EXPECT_TRUE(library.formatCalls.empty());
  ExpectCompletedState();
}

TEST_F(StopTest, AnEngineErrorInTheFormatCountsAsAFailedFormatAndNothingIsRestored) {
  Prepare(false);
  Answer({true, true, true});
  dialogs.folderAnswers = {BackupFolder()};
  io.openErrors[std::string("\\\\.\\") + Letter() + ":"] = ERROR_SHARING_VIOLATION;
  PressStart();
  const auto log = RunLog();
  ASSERT_GE(log.size(), 4u);
  ExpectLines({log.end() - 4, log.end()}, {"Error: Drive In Use: " + Upper(Root()), "",
                                           "The drive's files are kept in the backup folder " + BackupFolder(), ""});
  EXPECT_FALSE(RunLogHas("Format disk program initializing..."));  // the error ends the stage
  EXPECT_FALSE(RunLogHas("Data is being copied back to USB drive ..."));
  EXPECT_EQ(FilesBelow(BackupFolder()), (std::vector<std::string>{"a.txt", "docs\\b.txt", kBackupMarkerName}));
  ExpectCompletedState();
}

TEST_F(StopTest, ARestoreErrorIsAFailureThatKeepsTheBackupAndLeavesTheWindowIdle) {
  Prepare(false);
  Answer({true, true});
  dialogs.folderAnswers = {BackupFolder()};
  // Something on the fresh drive stands where the restore needs a folder.
  library.afterFormat = [this] { PutFile(Root() + "docs", "in the way"); };
  PressStart();
  EXPECT_TRUE(RunLogHas("Error: Cannot create " + Root() + "docs\\"));
  EXPECT_TRUE(RunLogHas("Copy operation completed."));
  EXPECT_TRUE(RunLogHas("The drive's files are kept in the backup folder " + BackupFolder()));
  EXPECT_EQ(RunLog().back(), "The speed-up of drive " + Upper(DriveName()) + " failed.");
  EXPECT_FALSE(RunLogHas("Your USB Drive is optimized for faster read and write access. Operations completed."));
  EXPECT_FALSE(ReadBackupMarker(BackupFolder())->restored);
  ExpectCompletedState();
}

TEST_F(StopTest, AFolderThatCannotBeCreatedIsRefusedAndTheDialogOpensAgain) {
  Prepare(true);
  Answer({true, true});
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string blocker = Narrow(temp) + "sw-start-blocker-" + std::to_string(GetCurrentProcessId());
  PutFile(blocker, "a file, not a folder");
  dialogs.folderAnswers = {blocker + "\\sub"};
  PressStart();
  DeleteFileW(Widen(blocker).c_str());
  ExpectLines(RunLog(), {"The backup folder " + blocker + "\\sub cannot be used: it cannot be created. Nothing was erased.",
                         "No backup folder was chosen. Nothing was erased."});
  ASSERT_EQ(dialogs.shown.size(), 5u);  // two questions, the dialog, the refusal, the dialog again
  EXPECT_EQ(dialogs.shown[3].kind, "message");
  EXPECT_EQ(dialogs.shown[4].kind, "folder");
  EXPECT_TRUE(library.checkCalls.empty());
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_EQ(FilesBelow(Root()), (std::vector<std::string>{"a.txt", "docs\\b.txt"}));
  ExpectIdleState();
}

TEST_F(StopTest, AFileThatCouldNotBeBackedUpKeepsTheDriveFromBeingFormatted) {
  Prepare(false);
  Answer({true, true});
  dialogs.folderAnswers = {BackupFolder()};
  // A file held open without sharing cannot be read by the copy.
  UniqueHandle held(CreateFileW(Widen(Root() + "docs\\b.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                0, nullptr));
  ASSERT_TRUE(held.Valid());
  PressStart();
  held.Reset();
  // Its line says it was not copied and why, and the stop lines name it.
  const std::vector<std::string> log = form->Log->Lines();
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& line) { return line.starts_with("   Not copied b.txt: "); }),
            1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "   Copied b.txt, size: 3 bytes"), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), "1 files dropped by copy error"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Not in the backup: " + Root() + "docs\\b.txt"), 1);
  EXPECT_EQ(form->Log->Lines().back(),
            "1 file(s) could not be backed up, so drive " + Upper(DriveName()) + " is not formatted. Nothing was erased.");
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_EQ(FilesBelow(Root()), (std::vector<std::string>{"a.txt", "docs\\b.txt"}));
  EXPECT_TRUE(form->btnStart->Visible());
  EXPECT_TRUE(form->btnStart->Enabled());
  EXPECT_FALSE(form->OperationRunning);
}

}  // namespace
}  // namespace sw::testing
