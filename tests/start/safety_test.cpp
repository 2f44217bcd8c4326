// What keeps the user's files safe around the format: the backup folder is
// checked by what it is, not by how its path reads; no backup, no erase; an
// unreadable folder, a stick pulled out, a backup folder without room or a
// label the format would refuse stop everything before the format; a
// backup that was never copied back is kept; the restore is checked file by
// file, and a failure is reported as one.
#include "start_fixture.h"

#include <functional>

#include "app/backup_marker.h"
#include "platform/text.h"
#include "platform/handles.h"
#include "testbed/sim_format_library.h"

namespace sw::testing {
namespace {

constexpr char kNoBackupFolder[] = "No backup folder was chosen. Nothing was erased.";

class SafetyTest : public StartTest {
 protected:
  void Prepare() {
    PrepareWindow(0, false);
    PutStickFiles();
    PutFile(Root() + "more\\c.txt", "more data");
    Answer({true, true});
  }
  std::vector<std::string> StickFiles() const { return FilesBelow(Root()); }
  static std::vector<std::string> OriginalFiles() { return {"a.txt", "docs\\b.txt", "more\\c.txt"}; }
  size_t Boxes(const std::string& kind) const {
    size_t count = 0;
    for (const auto& box : dialogs.shown) count += box.kind == kind ? 1 : 0;
    return count;
  }
  // Runs `action` once, at the first file line of the copy that begins
  // after the log line `after` (empty: the first copy of the run).
  void AtFirstFileAfter(const std::string& after, std::function<void()> action) {
    locale.onThousands = [this, after, action, done = false]() mutable {
      if (done) return;
      const std::vector<std::string> lines = form->Log->Lines();
      if (!after.empty() && std::find(lines.begin() + static_cast<long>(logMark), lines.end(), after) == lines.end())
        return;
      done = true;
      action();
    };
  }
  std::string Upper(const std::string& text) const { return AsciiUpper(text); }
};

TEST_F(SafetyTest, AFolderOnTheDriveUnderAnyNameARootOrAForeignFolderIsRefusedAndAskedAgain) {
  Prepare();
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string foreign = Narrow(temp) + "sw-foreign-" + std::to_string(GetCurrentProcessId());
  PutFile(foreign + "\\letter.txt", "someone else's");
  const std::string onTheDrive = "it lies on drive " + Upper(Root()) + ", which is about to be formatted";
  struct Case {
    std::string folder, why;
  } cases[] = {
      {"C:\\", "it is the root of a drive; choose or type a folder of its own"},
      {Root() + "saved", onTheDrive},
      {drive_->Folder() + "\\docs", onTheDrive},  // the drive's own folder under its other name
      {drive_->Folder() + "\\new", onTheDrive},   // not there yet, but inside the drive
      {foreign, "it already holds other files; choose an empty folder"},
  };
  for (const Case& c : cases) {
    dialogs.shown.clear();
    Answer({true, true});
    dialogs.folderAnswers = {c.folder, std::nullopt};
    PressStart();
    ExpectLines(RunLog(), {"The backup folder " + c.folder + " cannot be used: " + c.why + ". Nothing was erased.",
                           kNoBackupFolder});
    EXPECT_EQ(Boxes("message"), 1u) << c.folder;
    EXPECT_EQ(Boxes("folder"), 2u) << c.folder;
    EXPECT_TRUE(library.formatCalls.empty());
    EXPECT_EQ(StickFiles(), OriginalFiles()) << "nothing is made on the drive: " << c.folder;
    ExpectIdleState();
  }
  testbed::EmptyFolder(foreign);
  RemoveDirectoryW(Widen(foreign).c_str());
}

TEST_F(SafetyTest, ABackupThatWasNeverCopiedBackIsKeptAsideByTheNextRun) {
  constexpr char kKeptAside[] = "An earlier backup that was not copied back is kept in ";
  const std::string keptName = BackupFolder() + " 2026-12-07 140509";  // the fixed clock of the tests
  testbed::EmptyFolder(keptName);
  RemoveDirectoryW(Widen(keptName).c_str());
  Prepare();
  dialogs.folderAnswers = {BackupFolder()};
  library.formatScripts = {{LibraryCommand::Done(false)}};
  PressStart();
  ASSERT_TRUE(RunLogHas("The drive's files are kept in the backup folder " + BackupFolder()));

  // The user takes one file off the stick before trying again: the earlier
  // backup is then the only place that file is.
  DeleteFileW(Widen(Root() + "more\\c.txt").c_str());
  library.formatScripts = {{LibraryCommand::Done(true)}};
  Answer({true, true});
  dialogs.folderAnswers = {BackupFolder()};
  PressStart();
  const std::vector<std::string> log = RunLog();
  ExpectLines({log.end() - 3, log.end()},
              {"An earlier backup of drive " + Upper(DriveName()) + " that was not copied back is kept in " + keptName +
                   "; 1 of its files is not on the drive.",
               "", kSuccess});
  std::string kept;
  for (const std::string& line : RunLog())
    if (line.starts_with(kKeptAside)) kept = line.substr(std::string(kKeptAside).size());
  ASSERT_EQ(kept, keptName + " (3 files).");
  kept = keptName;
  std::vector<std::string> keptFiles = OriginalFiles();
  keptFiles.push_back(kBackupMarkerName);
  EXPECT_EQ(FilesBelow(kept), keptFiles);
  EXPECT_FALSE(ReadBackupMarker(kept)->restored);
  EXPECT_EQ(StickFiles(), (std::vector<std::string>{"a.txt", "docs\\b.txt"}));
  testbed::EmptyFolder(kept);
  RemoveDirectoryW(Widen(kept).c_str());
}

TEST_F(SafetyTest, FoldersTheBackupDidNotMeetKeepTheDriveFromBeingFormatted) {
  Prepare();
  dialogs.folderAnswers = {BackupFolder()};
  // At the first file the folders not yet entered go away: the listing
  // before the backup counted their files, the copy never meets them.
  const std::string away = drive_->Folder() + "-away";
  std::vector<std::string> moved;
  locale.onThousands = [&, done = false]() mutable {
    const std::string current = form->Log->Lines().back();  // the folder of the file at hand
    if (done || current.rfind("Folder ", 0) != 0) return;
    done = true;
    CreateDirectoryW(Widen(away).c_str(), nullptr);
    for (const char* folder : {"docs", "more"})
      if (current != "Folder " + Root() + folder + "\\" &&
          MoveFileW(Widen(drive_->Folder() + "\\" + folder).c_str(), Widen(away + "\\" + folder).c_str()))
        moved.push_back(folder);
  };
  PressStart();
  testbed::EmptyFolder(away);
  RemoveDirectoryW(Widen(away).c_str());
  ASSERT_FALSE(moved.empty());
  EXPECT_NE(RunLog().back().find(" could not be backed up, so drive " + Upper(DriveName()) + " is not formatted."),
            std::string::npos)
      << RunLog().back();
  EXPECT_TRUE(library.formatCalls.empty());
}

TEST_F(SafetyTest, AStickPulledOutDuringTheBackupStopsItWithOneMessageAndEveryFileCounted) {
  Prepare();
  dialogs.folderAnswers = {BackupFolder()};
  // The clock is read when the folder is chosen and again when the backup's
  // note is written, right before the first file: the stick goes then (the
  // system lets no folder go while a listing of it is open).
  locale.onNow = [&, reads = 0]() mutable {
    if (++reads == 2) EXPECT_TRUE(drive_->Pull());
  };
  PressStart();
  drive_->PutBack();
  EXPECT_EQ(Boxes("message"), 1u);
  EXPECT_EQ(dialogs.shown.back().text, "The copy stopped: " + Root() + " is no longer there.");
  EXPECT_TRUE(RunLogHas("0 files copied matching mask *.*"));
  EXPECT_TRUE(RunLogHas("3 files dropped by copy error"));
  EXPECT_TRUE(RunLogHas("Not in the backup: " + Root() + "a.txt"));
  EXPECT_TRUE(RunLogHas("Not in the backup: " + Root() + "docs\\b.txt"));
  EXPECT_TRUE(RunLogHas("Not in the backup: " + Root() + "more\\c.txt"));
  EXPECT_EQ(RunLog().back(),
            "3 file(s) could not be backed up, so drive " + Upper(DriveName()) + " is not formatted. Nothing was erased.");
  EXPECT_TRUE(library.formatCalls.empty());
  ExpectIdleState();
}

TEST_F(SafetyTest, AStickPulledOutDuringTheFormatIsAFailureAndTheWindowComesBack) {
  Prepare();
  dialogs.folderAnswers = {BackupFolder()};
  library.afterFormat = [&] { drive_->Pull(); };
  PressStart();
  drive_->PutBack();
  EXPECT_TRUE(RunLogHas("Drive " + Upper(DriveName()) + " cannot be read after the format."));
  EXPECT_FALSE(RunLogHas("Disk drive is formatted."));
  EXPECT_FALSE(RunLogHas("Data is being copied back to USB drive ..."));
  EXPECT_FALSE(RunLogHas(kSuccess));
  EXPECT_TRUE(RunLogHas("The drive's files are kept in the backup folder " + BackupFolder()));
  EXPECT_EQ(Boxes("message"), 0u);
  ExpectCompletedState();
}

TEST_F(SafetyTest, ARestoredFileThatReadsBackDifferentIsAFailureAndTheBackupIsKept) {
  Prepare();
  dialogs.folderAnswers = {BackupFolder()};
  // A stick that does not keep what it was given: the first restored file
  // changes once it is written.
  std::string changed;
  locale.onThousands = [&] {
    const std::vector<std::string> lines = form->Log->Lines();
    if (!changed.empty() ||
        std::find(lines.begin() + static_cast<long>(logMark), lines.end(), "Data is being copied back to USB drive ...") ==
            lines.end())
      return;
    for (const std::string& file : OriginalFiles()) {
      if (GetFileAttributesW(Widen(Root() + file).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
      std::string content = ReadFile(Root() + file);
      content[0] ^= 0x20;
      PutFile(Root() + file, content);
      changed = Root() + file;
      return;
    }
  };
  PressStart();
  ASSERT_FALSE(changed.empty());
  const std::vector<std::string> log = RunLog();
  ExpectLines({log.end() - 6, log.end()},
              {"Different from the backup: " + changed,
               "Restore check failed: 1 of 3 files are not as they were backed up.",
               "The files were not all copied back to drive " + Upper(DriveName()) + ".",
               "The drive's files are kept in the backup folder " + BackupFolder(), "",
               "The speed-up of drive " + Upper(DriveName()) + " failed."});
  EXPECT_FALSE(RunLogHas(kSuccess));
  EXPECT_FALSE(ReadBackupMarker(BackupFolder())->restored);
  ExpectCompletedState();
}

TEST_F(SafetyTest, ABackupFolderWithoutRoomForTheDriveStopsBeforeAnythingIsCopied) {
  Prepare();
  dialogs.folderAnswers = {BackupFolder()};
  {
    // Ten tebibytes that take no room on the disk: more than any test machine has free.
    UniqueHandle big(CreateFileW(Widen(Root() + "huge.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(big.Valid());
    LARGE_INTEGER size{};
    size.QuadPart = 10LL << 40;
    if (!SetFilePointerEx(big.Get(), size, nullptr, FILE_BEGIN) || !SetEndOfFile(big.Get()))
      GTEST_SKIP() << "this file system takes no sparse file of 10 TiB";
  }
  PressStart();
  const std::string last = RunLog().back();
  EXPECT_EQ(last.rfind("The backup needs ", 0), 0u) << last;
  EXPECT_NE(last.find(" bytes free. Nothing was erased."), std::string::npos) << last;
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_EQ(FilesBelow(BackupFolder()), std::vector<std::string>{});
  DeleteFileW(Widen(Root() + "huge.bin").c_str());
}

}  // namespace
}  // namespace sw::testing
