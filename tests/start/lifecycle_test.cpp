// The backup's life around the erase: an earlier backup loses only what we
// wrote and is still as we wrote it, a folder without our note is never
// touched, the backup is checked again right before the erase, the folders
// left out are named, and a stop after the erase asks first.
#include "start_fixture.h"

#include "app/backup_history.h"
#include "app/backup_marker.h"
#include "app/drive_backup.h"
#include "platform/text.h"
#include "speed_drive_fixture.h"
#include "testbed/sim_format_library.h"

namespace sw::testing {
namespace {

class LifecycleTest : public StartTest {
 protected:
  void Prepare() {
    PrepareWindow(0, true);
    PutStickFiles();
    PutFile(Root() + "more\\c.txt", "more data");
  }
  // One run: Yes to erase and backup, then `more`; the backup goes to B.
  void RunInto(std::initializer_list<bool> more = {}) {
    dialogs.yesNoAnswers = {true, true};
    dialogs.yesNoAnswers.insert(dialogs.yesNoAnswers.end(), more.begin(), more.end());
    dialogs.folderAnswers = {BackupFolder()};
    PressStart();
  }
  // Ends one case of a table: a fresh window and no folder left aside.
  void NextCase() {
    locale.onThousands = nullptr;
    form.reset();
    dialogs.shown.clear();
    testbed::EmptyFolder(KeptAside());
    RemoveDirectoryW(Widen(KeptAside()).c_str());
  }
  static std::vector<std::string> Files() { return {"a.txt", "docs\\b.txt", "more\\c.txt"}; }
  static std::vector<std::string> WithNote() { return {"a.txt", "docs\\b.txt", "more\\c.txt", kBackupMarkerName}; }
  static std::string KeptAside() { return BackupFolder() + " 2026-12-07 140509"; }  // the tests' fixed clock
  std::string Drive() const { return AsciiUpper(DriveName()); }
  static void Click(tk::TButton* button) { PostMessageW(button->Handle(), BM_CLICK, 0, 0); }
  void TearDown() override { NextCase(); }
};

TEST_F(LifecycleTest, AnEarlierBackupLosesOnlyTheFilesItWroteThatAreStillAsItWroteThem) {
  for (bool userChanges : {false, true}) {
    Prepare();
    RunInto();
    ASSERT_TRUE(RunLogHas(kSuccess));
    if (userChanges) {
      PutFile(BackupFolder() + "\\mine.txt", "mine");
      PutFile(BackupFolder() + "\\docs\\mine too.txt", "mine too");
      PutFile(BackupFolder() + "\\more\\c.txt", "changed!!");
    }
    RunInto();
    EXPECT_TRUE(RunLogHas("The earlier backup in " + BackupFolder() + " was deleted (" +
                          (userChanges ? "2" : "3") + " files)."));
    const std::vector<std::string> kept =
        userChanges ? std::vector<std::string>{"docs\\mine too.txt", "mine.txt", "more\\c.txt"}
                    : std::vector<std::string>{};
    EXPECT_EQ(RunLogHas("Files in " + BackupFolder() + " that the earlier backup did not write, or that changed "
                        "since, are kept in " + KeptAside() + " (3 files)."),
              userChanges);
    EXPECT_EQ(FilesBelow(KeptAside()), kept);
    EXPECT_TRUE(RunLogHas(kSuccess));
    EXPECT_EQ(FilesBelow(BackupFolder()), WithNote());
    NextCase();
  }
}

TEST_F(LifecycleTest, AFolderWithoutOurNoteIsOfferedButNeverCreatedRenamedOrEmptied) {
  Prepare();
  Answer({true, true});
  PressStart();  // the dialog is cancelled
  EXPECT_FALSE(FolderExists(BackupFolder())) << "made only once it is chosen";

  PutFile(BackupFolder() + "\\letter.txt", "someone else's");
  Answer({true, true});
  dialogs.folderAnswers = {BackupFolder(), std::nullopt};
  PressStart();
  ExpectLines(RunLog(), {"The backup folder " + BackupFolder() +
                             " cannot be used: it already holds other files; choose an empty folder. Nothing was erased.",
                         "No backup folder was chosen. Nothing was erased."});
  EXPECT_EQ(dialogs.shown.back().text, BackupFolder());  // the dialog opens on it, as it was
  EXPECT_EQ(FilesBelow(BackupFolder()), std::vector<std::string>{"letter.txt"});
  EXPECT_FALSE(FolderExists(KeptAside()));
}

TEST_F(LifecycleTest, ABackupFileThatChangesBeforeTheEraseStopsTheRunAndIsNamed) {
  const std::string file = BackupFolder() + "\\docs\\b.txt";
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { PutFile(file, "abd"); }, "Changed in the backup since it was copied: "},  // same size
      {[&] { PutFile(file, "ab"); }, "Changed in the backup since it was copied: "},
      {[&] { DeleteFileW(Widen(file).c_str()); }, "Missing from the backup: "},
  };
  for (const auto& [change, line] : cases) {
    Prepare();
    // An antivirus or a sync client at work while the drive is checked.
    library.beforeCommand = [&, done = false](size_t) mutable { done = done || (change(), true); };
    RunInto();
    const std::vector<std::string> log = RunLog();
    ExpectLines({log.end() - 2, log.end()},
                {line + file, "The backup in " + BackupFolder() + " no longer holds every file of drive " + Drive() +
                                  " as it was copied, so the drive is not formatted. Nothing was erased."});
    EXPECT_TRUE(library.formatCalls.empty());
    EXPECT_EQ(FilesBelow(Root()), Files());
    ExpectIdleState();
    NextCase();
  }
}

TEST_F(LifecycleTest, TheRecycleBinAndSystemVolumeInformationAreNamedBeforeTheErase) {
  Prepare();
  for (const char* name : {"$RAB12.txt", "$IAB12.txt", "desktop.ini"}) PutFile(Root() + "$RECYCLE.BIN\\" + name, "x");
  PutFile(Root() + "System Volume Information\\IndexerVolumeGuid", "{guid}");
  RunInto();
  const std::vector<std::string> log = RunLog();
  const auto format = std::find(log.begin(), log.end(), "Format USB drive...");
  EXPECT_LT(std::find(log.begin(), log.end(), "The recycle bin of " + Drive() + " (" + Root() +
                                                  "$RECYCLE.BIN\\, 3 files) is not backed up; the format empties it."),
            format);
  EXPECT_LT(std::find(log.begin(), log.end(),
                      "The folder System Volume Information of " + Drive() + " (" + Root() +
                          "System Volume Information\\, 1 file) is not backed up; Windows makes it again after the format."),
            format);
  EXPECT_TRUE(RunLogHas(kSuccess));
  EXPECT_EQ(FilesBelow(Root()), Files());
}

TEST_F(LifecycleTest, AStopAfterTheEraseAsksFirstAndTheNoteTellsWhatWasRestored) {
  // Cancel, and the window's close, during the restore; Yes stops it at the file under way.
  for (bool closing : {false, true}) {
    for (bool stop : {true, false}) {
      Prepare();
      locale.onThousands = [&, done = false]() mutable {
        if (done || !RunLogHas("Data is being copied back to USB drive ...")) return;
        done = true;
        if (closing) PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
        else Click(form->btnCancel);
      };
      RunInto({stop});
      ASSERT_EQ(Questions().size(), 3u);
      EXPECT_EQ(Questions()[2], "Stop copying the files back to drive " + Drive() +
                                    "? The files not yet copied back stay in the backup folder " + BackupFolder() + ".");
      EXPECT_EQ(RunLogHas(kSuccess), !stop);
      EXPECT_EQ(ReadBackupMarker(BackupFolder())->restored, !stop);
      EXPECT_EQ(FilesBelow(BackupFolder()), WithNote());
      EXPECT_EQ(FilesBelow(Root()) != Files(), stop);
      // A close answered Yes closes the window (saving the settings) once the restore has stopped;
      // the backup folder was remembered in them as soon as its note was written.
      EXPECT_EQ(registry::ValueExists(registry::OpenForReading(HKEY_CURRENT_USER, kSettingsKey).Get(), "Options"),
                closing && stop);
      EXPECT_EQ(RememberedBackupFolders().front(), BackupFolder());
      registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
      NextCase();
    }
  }
}

TEST_F(LifecycleTest, AnUnreadableStickIsNamedAsTheStickNotAsTheBackupFolder) {
  Prepare();
  int asked = 0;
  dialogs.whileAsking = [&] {
    if (++asked == 2) drive_->Pull();
  };
  RunInto();
  drive_->PutBack();
  ExpectLines(RunLog(), {"Drive " + Drive() + " cannot be read, so it is not backed up or formatted. Nothing was erased."});
  EXPECT_EQ(dialogs.shown.size(), 2u) << "no folder dialog";
}

TEST_F(LifecycleTest, CancelInTheMeasurementBeforeTheFormatStopsAtOnceAndAfterItAsksFirst) {
  Win32SpeedTestIo system;
  ScriptedSpeedTestIo io(system);
  io.freeBytes = 24 * kMiB;  // a small measurement
  services.speedTestIo = &io;
  const std::string measuring = "Measuring the speed of drive " + Drive() + "...";
  const std::string cancelled = "Speed measurement of " + Drive() + " cancelled.";
  for (int cancelIn : {-1, 0, 1}) {  // no Cancel, before the format, after it
    Prepare();
    form->OptMeasureSpeed()->SetChecked(true);
    const size_t formats = library.formatCalls.size();
    io.onWrite = [&, clicked = false]() mutable {
      if (!clicked && static_cast<int>(library.formatCalls.size() - formats) == cancelIn) Click(form->btnCancel);
      clicked = clicked || static_cast<int>(library.formatCalls.size() - formats) == cancelIn;
    };
    RunInto({true});  // Yes to the question a stop after the erase asks
    const std::vector<std::string> log = RunLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), measuring), cancelIn == 0 ? 1 : 2);
    EXPECT_EQ(library.formatCalls.size() - formats, cancelIn == 0 ? 0u : 1u);
    EXPECT_EQ(RunLogHas(cancelled), cancelIn >= 0);
    EXPECT_EQ(Questions().size(), cancelIn == 1 ? 3u : 2u);
    EXPECT_EQ(RunLogHas(kSuccess), cancelIn < 0);
    EXPECT_EQ(FilesBelow(Root()), cancelIn == 1 ? std::vector<std::string>{} : Files());
    EXPECT_EQ(FilesBelow(BackupFolder()), WithNote());
    NextCase();
  }
}

TEST(BackupPlanTest, TheSetOfPathsDecidesNotTheirCountAndRoomIsRoundedToTheBackupsUnit) {
  const std::vector<TCopiedFile> listed{{"Index.html", 10, 0}, {"index.html", 20, 0}, {"docs\\FAQ.html", 5, 0}};
  const std::vector<TCopiedFile> backedUp{{"Index.html", 10, 1}, {"docs\\FAQ.html", 5, 2}, {"new.txt", 1, 3}};
  EXPECT_EQ(PathsNotBackedUp(listed, backedUp), std::vector<std::string>{"index.html"});
  const long long slack = BackupBytesNeeded({}, 0, 4096);
  EXPECT_EQ(BackupBytesNeeded({{"big", 4097, 0}, {"empty", 0, 0}}, 1, 4096) - slack, 3 * 4096);
  // 3,019 small files on a volume of 4 KiB units need about 50 MB, not 64 KiB each.
  EXPECT_EQ(BackupBytesNeeded(std::vector<TCopiedFile>(3019, {"f", 15000, 0}), 0, 4096) - slack, 3019LL * 16384);
}

}  // namespace
}  // namespace sw::testing
