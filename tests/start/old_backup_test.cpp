// An earlier backup in the chosen folder holds only what its note says: a
// note that lists paths outside its folder has each named and none touched;
// and a backup kept aside after a stopped restore counts a file truncated or
// changed on the stick as not there. (A link inside an earlier backup is met
// by a whole testbed run in tests/e2e.)
#include "start_fixture.h"

#include <optional>

#include "app/backup_marker.h"
#include "copy/copy_paths.h"
#include "copy/verified_copy.h"
#include "fakes/host_links.h"
#include "platform/text.h"

namespace sw::testing {
namespace {

class OldBackupTest : public StartTest {
 protected:
  void TearDown() override {
    RemoveTreeOnHost(KeptAside());
    RemoveTreeOnHost(BackupFolder());
    if (!outside_.empty()) RemoveTreeOnHost(outside_);
    for (const std::string& file : extraFiles_) DeleteFileW(LongPath(file).c_str());
  }

  // The stick with three files and the window ready to start.
  void Prepare() {
    PrepareWindow(0, false);
    PutStickFiles();
    PutFile(Root() + "more\\c.txt", "more data");
  }
  // One run into the backup folder, Yes to erase and backup.
  void RunIntoBackupFolder() {
    Answer({true, true});
    dialogs.folderAnswers = {BackupFolder()};
    PressStart();
  }

  // An earlier backup of the stick in the backup folder: `files` (path,
  // content) in it, and a note that lists them and then `extra` entries
  // (each with the size and hash of the file at the paired path), or lists
  // nothing (a run stopped before the list was written).
  void PutEarlierBackup(bool restored, const std::vector<std::pair<std::string, std::string>>& files,
                        const std::vector<std::pair<std::string, std::string>>& extra, bool withList = true) {
    CreateDirectoryW(Widen(BackupFolder()).c_str(), nullptr);
    TBackupMarker marker{Root(), "2026-12-01 10:00:00", 0, 0, restored, {}};
    for (const auto& [path, content] : files) {
      PutFile(BackupFolder() + "\\" + path, content);
      ++marker.files;
      marker.bytes += static_cast<std::int64_t>(content.size());
      if (withList) marker.list.push_back(Listed(path, BackupFolder() + "\\" + path));
    }
    for (const auto& [entry, file] : extra) marker.list.push_back(Listed(entry, file));
    ASSERT_TRUE(WriteBackupMarker(BackupFolder(), marker));
  }
  // A note's entry `entry` with the size and hash of the file at `file`.
  static TCopiedFile Listed(const std::string& entry, const std::string& file) {
    DWORD error = 0;
    const std::optional<TFileDigest> digest = TStreamingCopier().Digest(LongPath(file), error);
    EXPECT_TRUE(digest.has_value()) << file;
    TCopiedFile listed;
    listed.relativePath = entry;
    if (digest) listed.size = digest->size, listed.hash = digest->hash;
    return listed;
  }

  // A folder of the test's own outside the backup folder, in the system's
  // temporary folder; removed after the test.
  std::string OutsideFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    outside_ = Narrow(temp) + "sw-outside-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(Widen(outside_).c_str(), nullptr);
    return outside_;
  }
  // A file of the test's own anywhere else, removed after the test.
  void PutExtraFile(const std::string& path, const std::string& content) {
    PutFile(path, content);
    extraFiles_.push_back(path);
  }
  // What the run said about the earlier backup, in order.
  std::vector<std::string> EarlierBackupLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : RunLog())
      for (const char* start : {"The earlier backup in ", "The note of ", "Nothing of the earlier backup in ",
                                "Files in ", "An earlier backup "})
        if (line.starts_with(start)) lines.push_back(line);
    return lines;
  }
  static std::string KeptAside() { return BackupFolder() + " 2026-12-07 140509"; }  // the tests' fixed clock
  static std::string KeptWhole(const std::string& files) {
    return "Nothing of the earlier backup in " + BackupFolder() + " was deleted; it is kept whole in " + KeptAside() +
           " (" + files + ").";
  }
  std::string NotOnTheDrive(const std::string& count) const {
    return "An earlier backup of drive " + AsciiUpper(DriveName()) + " that was not copied back is kept in " +
           KeptAside() + "; " + count + " not on the drive.";
  }

 private:
  std::string outside_;
  std::vector<std::string> extraFiles_;
};

TEST_F(OldBackupTest, ANoteListingFilesOutsideItsFolderHasEachNamedNoneTouchedAndTheFolderKeptWhole) {
  const std::string victim = OutsideFolder() + "\\victim.txt";
  PutExtraFile(victim, "not the backup's");
  // The same file reached by each form an entry can take to leave the folder.
  const std::string upTo = BackupFolder() + "\\..\\..\\victim.txt";
  PutExtraFile(upTo, "next to the build's tests");
  const std::vector<std::pair<std::string, std::string>> outside = {
      {"..\\..\\victim.txt", upTo},
      {"docs/../../../victim.txt", upTo},
      {".. \\..\\victim.txt", upTo},
      {victim, victim},
      {"\\\\?\\" + victim, victim},
      {"\\" + victim.substr(3), victim},
      {victim.substr(0, 2) + "victim.txt", victim},
  };
  Prepare();
  PutEarlierBackup(true, {{"a.txt", "hello"}}, outside);
  RunIntoBackupFolder();
  std::vector<std::string> expected;
  for (const auto& [entry, file] : outside)
    expected.push_back("The note of " + BackupFolder() + " lists a file outside its folder: " + entry +
                       "; it is ignored.");
  expected.push_back(KeptWhole("1 file"));
  ExpectLines(EarlierBackupLines(), expected);
  EXPECT_TRUE(RunLogHas(kSuccess));
  EXPECT_EQ(ReadFile(victim), "not the backup's");
  EXPECT_EQ(ReadFile(upTo), "next to the build's tests");
  EXPECT_EQ(ReadFile(KeptAside() + "\\a.txt"), "hello");
}

TEST_F(OldBackupTest, AFileARestoreLeftTruncatedOrChangedCountsAsNotOnTheDrive) {
  struct Case {
    bool withList;             // the note lists the files (a stop during the restore)
    std::string b, c;          // what the stick holds at docs\b.txt and more\c.txt
    std::string count;
  } cases[] = {
      {true, "", "more data", "1 of its files is"},
      {true, "", "more DATA", "2 of its files are"},
      {true, "abc", "more data", "0 of its files are"},
      {false, "", "more data", "1 of its files is"},  // a stop before the list was written
      {false, "abc", "more DATA", "1 of its files is"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count + (c.withList ? " with a list" : " without a list"));
    Prepare();
    PutFile(Root() + "docs\\b.txt", c.b);
    PutFile(Root() + "more\\c.txt", c.c);
    PutEarlierBackup(false, {{"a.txt", "hello"}, {"docs\\b.txt", "abc"}, {"more\\c.txt", "more data"}}, {},
                     c.withList);
    RunIntoBackupFolder();
    ASSERT_TRUE(RunLogHas("An earlier backup that was not copied back is kept in " + KeptAside() + " (3 files)."));
    const std::vector<std::string> log = RunLog();
    ExpectLines({log.end() - 3, log.end()}, {NotOnTheDrive(c.count), "", kSuccess});
    RemoveTreeOnHost(KeptAside());
    RemoveTreeOnHost(BackupFolder());
    form.reset();
  }
}

}  // namespace
}  // namespace sw::testing
