// Whole runs of Start over the simulated stick: the complete run with scan,
// backup and restore, and the variants of each stage, with the log in order.
#include "start_fixture.h"

#include "app/backup_marker.h"
#include "platform/text.h"

namespace sw::testing {
namespace {

class RunTest : public StartTest {
 protected:
  // The window as the user leaves it before pressing Start.
  void Prepare(bool scan, const std::string& label = "Generic") {
    PrepareWindow(0, scan, label);
    ASSERT_EQ(form->cbDevice->Text(), StickEntry());
    form->OptQuickFmt->SetChecked(true);
  }

  std::vector<std::string> CopyLines(const std::string& from, int files, const std::string& bytes) const {
    return {"Folder " + from,
            "   Copied a.txt, size: 5 bytes",
            "Folder " + from + "docs\\",
            "   Copied b.txt, size: 3 bytes",
            std::to_string(files) + " files copied matching mask *.*",
            "Total bytes in these files is " + bytes,
            "0 files dropped by copy error",
            "0 files dropped by user exit",
            "0 duplicate files not copied",
            "0 duplicate files overwritten"};
  }
  static std::vector<std::string> EmptyCopyLines() {
    return {"0 files copied matching mask *.*", "Total bytes in these files is 0", "0 files dropped by copy error",
            "0 files dropped by user exit",     "0 duplicate files not copied",    "0 duplicate files overwritten"};
  }
  static void Append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
  }
};

TEST_F(RunTest, ACompleteRunBacksUpChecksFormatsAndRestoresInTheWrittenOrder) {
  Prepare(true, "  Stick One ");
  PutStickFiles();
  Answer({true, true});
  dialogs.folderAnswers = {BackupFolder()};
  PressStart();

  std::vector<std::string> expected{"The files need *"};
  Append(expected, CopyLines(Root(), 2, "8"));
  expected.push_back("Data backup completed.");
  expected.push_back("The backup is in " + BackupFolder());
  expected.push_back("Starting check disk for " + DriveName());
  Append(expected, CheckLines({"Volume is clean.", "Check Disk: Finished OK"}));
  expected.push_back("Disk scan completed.");
  expected.push_back("Checking the backup in " + BackupFolder() + " again before the erase...");
  expected.push_back("Backup checked: 2 files, 8 bytes, all as they were copied from drive " + DriveName() + ".");
  expected.push_back("Drive " + DriveName() + " was listed again and holds what the backup holds.");
  expected.push_back("Format USB drive...");
  expected.push_back("Starting format disk for " + DriveName());
  Append(expected, FormatLines({"Formatting...", "Format Disk: Finished OK"}, true));
  Append(expected, {"", "Disk drive is formatted.", "", "Data is being copied back to USB drive ..."});
  Append(expected, CopyLines(BackupFolder() + "\\", 2, "8"));
  Append(expected, {"", "Copy operation completed.", "Restore verified: 2 files, 8 bytes, all identical.",
                    "The backup stays in " + BackupFolder(), "",
                    "Your USB Drive is optimized for faster read and write access. Operations completed."});
  ExpectLines(RunLog(), expected);

  // The questions: modal, owned by the window, no icon, the written texts.
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[0].title, "Warning");
  EXPECT_EQ(dialogs.shown[0].text, "To speed up USB drive, all data on drive " + Root() +
                                       " will be erased. Do you want to continue?");
  EXPECT_EQ(dialogs.shown[1].title, "Confirmation");
  EXPECT_EQ(dialogs.shown[1].text, "Do you want to back up data on drive " + Root() + " to a folder? ");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(dialogs.shown[i].owner, form->Handle());
    EXPECT_EQ(dialogs.shown[i].icon, MessageIcon::None);
  }
  EXPECT_EQ(dialogs.shown[2].kind, "folder");
  EXPECT_EQ(dialogs.shown[2].text, BackupFolder());  // opened at the backup folder

  ASSERT_EQ(library.checkCalls.size(), 1u);
  const auto& check = library.checkCalls[0];
  EXPECT_EQ(check.root, Root());
  EXPECT_TRUE(check.repair && check.verbose && check.onlyIfDirty && check.surfaceScan);
  ASSERT_EQ(library.formatCalls.size(), 1u);
  const auto& format = library.formatCalls[0];
  EXPECT_EQ(format.root, Root());
  EXPECT_EQ(format.mediaCode, 12u);  // disk media
  EXPECT_EQ(format.fileSystem, "NTFS");
  EXPECT_EQ(format.label, "STICK ONE");  // trimmed, and upper-cased by the engine
  EXPECT_EQ(format.clusterSize, 65536u);

  // The drive holds its files again, and the backup stays in its folder.
  EXPECT_EQ(FilesBelow(Root()), (std::vector<std::string>{"a.txt", "docs\\b.txt"}));
  EXPECT_EQ(ReadFile(Root() + "docs\\b.txt"), "abc");
  EXPECT_EQ(FilesBelow(BackupFolder()), (std::vector<std::string>{"a.txt", "docs\\b.txt", kBackupMarkerName}));
  EXPECT_TRUE(ReadBackupMarker(BackupFolder())->restored);
  ExpectCompletedState();
}

TEST_F(RunTest, WithoutScanTheStatusLineIsNeverUsedAndTheLogGoesStraightToTheFormat) {
  Prepare(false);
  Answer({true, false});
  std::vector<std::string> statusSeen;
  library.beforeCommand = [&](size_t) { statusSeen.push_back(form->lblBottomMsg->Caption()); };
  PressStart();

  std::vector<std::string> expected{"Format USB drive...", "Starting format disk for " + DriveName()};
  Append(expected, FormatLines({"Formatting...", "Format Disk: Finished OK"}, true));
  Append(expected, {"", "Disk drive is formatted.", "", "",
                    "Your USB Drive is optimized for faster read and write access. Operations completed."});
  ExpectLines(RunLog(), expected);
  EXPECT_TRUE(library.checkCalls.empty());
  EXPECT_EQ(statusSeen, std::vector<std::string>(4, ""));
  ExpectCompletedState();
}

TEST_F(RunTest, TheBusyStateShowsCancelAndTheScanStatusWhileTheStagesRun) {
  Prepare(true);
  Answer({true, false});
  bool checked = false;
  library.beforeCommand = [&](size_t) {
    if (checked) return;
    checked = true;
    EXPECT_FALSE(form->btnStart->Visible());
    EXPECT_FALSE(form->btnStart->Enabled());
    EXPECT_TRUE(form->btnCancel->Visible());
    EXPECT_TRUE(form->ProgressBar->Visible());
    EXPECT_FALSE(form->lblCopyright->Visible());
    EXPECT_EQ(form->lblBottomMsg->Caption(), "Scanning USB drive for errors...");
    EXPECT_TRUE(form->OperationRunning);
  };
  PressStart();
  EXPECT_TRUE(checked);
  ExpectCompletedState();
}

TEST_F(RunTest, WhenTheLargeClusterFailsTheSecondAttemptUsesHalfOfIt) {
  Prepare(false);
  Answer({true, false});
  library.formatScripts = {{LibraryCommand::Output("Cluster size refused."), LibraryCommand::Done(false)},
                           {LibraryCommand::Percent(100), LibraryCommand::Done(true)}};
  // The second attempt formats with the options taken at Start, whatever
  // the user changes in the window meanwhile.
  library.afterStop = {};
  int calls = 0;
  library.beforeCommand = [&](size_t index) {
    if (index == 1 && ++calls == 1) {
      form->VolumeLabel->SetText(" Second ");
      form->OptQuickFmt->SetChecked(false);
    }
  };
  PressStart();

  std::vector<std::string> expected{"Format USB drive...", "Starting format disk for " + DriveName()};
  Append(expected, FormatLines({"Cluster size refused.", "Format Disk: Unable to Finish"}, false));
  expected.push_back("Format disk program initializing...");
  const std::string root = Root();
  Append(expected, {root + " Checking Existing Drive Format", VolumeLine(), root + " Starting to Format Drive",
                    "Format Disk: Finished OK", root + " Checking New Drive Format", VolumeLine(),
                    root + " New Volume Space: *"});
  Append(expected, {"", "Disk drive is formatted.", "", "",
                    "Your USB Drive is optimized for faster read and write access. Operations completed."});
  ExpectLines(RunLog(), expected);
  ASSERT_EQ(library.formatCalls.size(), 2u);
  EXPECT_EQ(library.formatCalls[0].clusterSize, 65536u);
  EXPECT_EQ(library.formatCalls[1].clusterSize, 32768u);
  EXPECT_EQ(library.formatCalls[1].label, "GENERIC");
  EXPECT_EQ(library.formatCalls[1].quickFormat, library.formatCalls[0].quickFormat);
  ExpectCompletedState();
}

TEST_F(RunTest, WhenBothFormatsFailNothingIsRestoredAndTheBackupStays) {
  Prepare(false);
  PutStickFiles();
  Answer({true, true});
  dialogs.folderAnswers = {BackupFolder()};
  library.formatScripts = {{LibraryCommand::Done(false)}};
  PressStart();

  std::vector<std::string> log = RunLog();
  ASSERT_GE(log.size(), 8u);
  std::vector<std::string> tail(log.end() - 9, log.end() - 3);
  ExpectLines(tail, {"Format disk program initializing...", AsciiUpper(Root()) + " Checking Existing Drive Format",
                     VolumeLine(), AsciiUpper(Root()) + " Starting to Format Drive", "Format Disk: Unable to Finish",
                     "Format disk operation encountered an error."});
  // The last lines: the empty line of the stage, where the files are, and the empty line of the end.
  ExpectLines({log.end() - 2, log.end()}, {"The drive's files are kept in the backup folder " + BackupFolder(), ""});
  EXPECT_FALSE(RunLogHas("Disk drive is formatted."));
  EXPECT_FALSE(RunLogHas("Data is being copied back to USB drive ..."));
  EXPECT_FALSE(RunLogHas("Your USB Drive is optimized for faster read and write access. Operations completed."));
  EXPECT_EQ(library.formatCalls.size(), 2u);
  EXPECT_EQ(FilesBelow(BackupFolder()), (std::vector<std::string>{"a.txt", "docs\\b.txt", kBackupMarkerName}));
  EXPECT_FALSE(ReadBackupMarker(BackupFolder())->restored);
  ExpectCompletedState();
}

TEST_F(RunTest, ADeclinedBackupFormatsWithoutCopyingEitherWay) {
  Prepare(false);
  PutStickFiles();
  Answer({true, false});
  PressStart();
  EXPECT_FALSE(RunLogHas("Data backup completed."));
  EXPECT_FALSE(RunLogHas("Data is being copied back to USB drive ..."));
  EXPECT_TRUE(RunLogHas("Your USB Drive is optimized for faster read and write access. Operations completed."));
  EXPECT_TRUE(dialogs.folderAnswers.empty());
  EXPECT_EQ(dialogs.shown.size(), 2u);  // no folder dialog
  EXPECT_TRUE(FilesBelow(Root()).empty());
  EXPECT_TRUE(FilesBelow(BackupFolder()).empty());
}

TEST_F(RunTest, ACancelledFolderDialogStopsTheOperationWithTheDriveUntouched) {
  Prepare(false);
  PutStickFiles();
  Answer({true, true});
  dialogs.folderAnswers = {std::nullopt};
  PressStart();
  ExpectLines(RunLog(), {"No backup folder was chosen. Nothing was erased."});
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_EQ(FilesBelow(Root()), (std::vector<std::string>{"a.txt", "docs\\b.txt"}));
  ExpectIdleState();
}

TEST_F(RunTest, ACheckThatFindsProblemsOrFailsIsReportedAndTheFormatStillRuns) {
  Prepare(true);
  Answer({true, false});
  library.checkScripts = {{LibraryCommand::Output("Errors found on the volume."), LibraryCommand::Done(false)}};
  PressStart();
  std::vector<std::string> log = RunLog();
  std::vector<std::string> expected{"Starting check disk for " + DriveName()};
  Append(expected, CheckLines({"Errors found on the volume.", "Check Disk: Unable to Finish"}));
  Append(expected, {"*** Check disk found problems with " + DriveName(), "Disk scan completed.", "Format USB drive..."});
  ExpectLines({log.begin(), log.begin() + static_cast<long>(expected.size())}, expected);
  EXPECT_FALSE(RunLogHas("Check disk operation failed!"));  // a named problem counts as a result
  EXPECT_EQ(library.formatCalls.size(), 1u);

  logMark = form->Log->Lines().size();
  library.checkScripts = {{LibraryCommand::Output("Cannot lock the volume."), LibraryCommand::Done(false)}};
  Answer({true, false});
  PressStart();
  log = RunLog();
  expected = {"Starting check disk for " + DriveName()};
  Append(expected, CheckLines({"Cannot lock the volume.", "Check Disk: Unable to Finish"}));
  Append(expected, {"Check disk operation failed!", "Disk scan completed.", "Format USB drive..."});
  ExpectLines({log.begin(), log.begin() + static_cast<long>(expected.size())}, expected);
  EXPECT_EQ(library.formatCalls.size(), 2u);
  ExpectCompletedState();
}

}  // namespace
}  // namespace sw::testing
