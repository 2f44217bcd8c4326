// The run's copy of a drive for its backup and restore: the per-file lines,
// the summary, the backup's own name rule, and a stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "app/backup_tree.h"
#include "app/drive_copy.h"
#include "app/run_context.h"
#include "copy/copy_folder.h"
#include "fakes/main_form_fixture.h"
#include "fakes/scripted_run_host.h"
#include "platform/exceptions.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "temp_tree.h"
#include "toolkit/application.h"

namespace sw::testing {
namespace {

class BackupTest : public MainFormTest {
 protected:

  std::string Drive(const std::string& relative = "") const { return tree.Path("drive\\" + relative); }
  std::string Backup(const std::string& relative = "") const { return tree.Path("backup\\" + relative); }

  std::vector<std::string> Copy(const std::string& source, const std::string& target) {
    stats = CopyDriveContents(run, source, target);
    return host.lines;
  }
  static std::vector<std::string> Tail(const std::vector<std::string>& lines, size_t count) {
    return std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(std::min(count, lines.size())), lines.end());
  }

  TempTree tree;
  fakes::ScriptedRunHost host{dialogs};
  TStopToken stop;
  TRunContext run{host, stop, services, TRunOptions{}};
  TCopyStatistics stats;  // of the last Copy
};

TEST_F(BackupTest, FilesAtTheRootGiveOneFolderLineAndOneLinePerFile) {
  tree.Write("drive\\big.bin", std::string(1234567, 'x'));
  tree.Write("drive\\small.txt", "abc");
  auto lines = Copy(Drive(), Backup());
  ASSERT_EQ(lines.size(), 3u + 6u);
  EXPECT_EQ(lines[0], "Folder " + Drive());
  std::vector<std::string> files(lines.begin() + 1, lines.begin() + 3);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"   Copied big.bin, size: 1,234,567 bytes",
                                             "   Copied small.txt, size: 3 bytes"}));
  EXPECT_EQ(Tail(lines, 6), (std::vector<std::string>{"2 files copied matching mask *.*",
                                                      "Total bytes in these files is 1,234,570",
                                                      "0 files dropped by copy error",
                                                      "0 files dropped by user exit",
                                                      "0 duplicate files not copied",
                                                      "0 duplicate files overwritten"}));
}

TEST_F(BackupTest, EveryFolderVisitedGetsItsFolderLineBeforeItsFiles) {
  tree.Write("drive\\root.txt", "r");
  tree.Write("drive\\a\\a.txt", "a");
  tree.Write("drive\\a\\b\\b.txt", "b");
  auto lines = Copy(Drive(), Backup());

  std::map<std::string, std::string> folderOfFile;
  std::vector<std::string> folders;
  std::string current;
  for (const std::string& line : lines) {
    if (line.rfind("Folder ", 0) == 0) {
      current = line.substr(7);
      folders.push_back(current);
    } else if (line.rfind("   Copied ", 0) == 0) {
      folderOfFile[line.substr(10, line.find(',') - 10)] = current;
    }
  }
  EXPECT_EQ(folderOfFile["root.txt"], Drive());
  EXPECT_EQ(folderOfFile["a.txt"], Drive("a\\"));
  EXPECT_EQ(folderOfFile["b.txt"], Drive("a\\b\\"));
  // a folder line is written only when the folder changes
  EXPECT_TRUE(std::adjacent_find(folders.begin(), folders.end()) == folders.end());
}

TEST_F(BackupTest, TheBackupLeavesNoUserFileBehind) {
  tree.Write("drive\\README", "no dot");
  tree.Write("drive\\.profile", "dot name");
  tree.Write("drive\\.config\\settings", "dot folder");
  tree.Write("drive\\sub\\RECYCLED", "a file that merely bears the name");
  tree.Write("drive\\$RECYCLE.BIN\\S-1-5\\$R1.txt", "recycle bin");
  tree.Write("drive\\Recycled\\old.txt", "recycle bin");
  auto lines = Copy(Drive(), Backup());

  EXPECT_EQ(ReadAll(Backup("README")), "no dot");
  EXPECT_EQ(ReadAll(Backup(".profile")), "dot name");
  EXPECT_EQ(ReadAll(Backup(".config\\settings")), "dot folder");
  EXPECT_EQ(ReadAll(Backup("sub\\RECYCLED")), "a file that merely bears the name");
  EXPECT_FALSE(Exists(Backup("$RECYCLE.BIN")));
  EXPECT_EQ(stats.FilesCopied, 4);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "4 files copied matching mask *.*"), lines.end());
}

TEST_F(BackupTest, BackupAndRestoreKeepNamesOutsideTheAnsiCodePage) {
  const std::string name = "\xD0\xBE\xD1\x82\xD1\x87\xD1\x91\xD1\x82_\xE6\x9D\xB1\xE4\xBA\xAC";  // отчёт_東京
  tree.Write("drive\\" + name, "content");
  Copy(Drive(), Backup());
  ASSERT_EQ(ReadAll(Backup(name)), "content");

  tree.MakeFolder("fresh");
  auto lines = Copy(Backup(), tree.Path("fresh\\"));
  EXPECT_EQ(ReadAll(tree.Path("fresh\\" + name)), "content");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "   Copied " + name + ", size: 7 bytes"), lines.end());
}

TEST_F(BackupTest, ARestoreOntoAFreshDriveCountsNoDuplicates) {
  tree.Write("backup\\a.txt", "a");
  tree.MakeFolder("drive");
  auto lines = Copy(Backup(), Drive());
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Includes", 0) == 0; }), 0);
  EXPECT_EQ(Tail(lines, 2), (std::vector<std::string>{"0 duplicate files not copied", "0 duplicate files overwritten"}));
}

TEST_F(BackupTest, OverwrittenDuplicatesAreSummed) {
  tree.Write("drive\\a.txt", "new");
  tree.Write("drive\\b.txt", "new");
  tree.Write("backup\\a.txt", "old");
  SetWriteTime(Drive("a.txt"), DayTime(2));
  SetWriteTime(Backup("a.txt"), DayTime(1));
  auto lines = Copy(Drive(), Backup());
  EXPECT_EQ(Tail(lines, 7), (std::vector<std::string>{"Includes 1 duplicates overwritten = 1 net files added",
                                                      "2 files copied matching mask *.*",
                                                      "Total bytes in these files is 6",
                                                      "0 files dropped by copy error",
                                                      "0 files dropped by user exit",
                                                      "0 duplicate files not copied",
                                                      "1 duplicate files overwritten"}));
}

TEST_F(BackupTest, CancelStopsTheRunAfterTheCurrentFileAndTheSummaryFollows) {
  tree.Write("drive\\a.txt", "a");
  tree.Write("drive\\sub\\b.txt", "b");
  tree.Write("drive\\sub\\c.txt", "c");
  tree.Write("drive\\d.txt", "d");
  // The user presses Cancel while the first file is logged.
  host.onLog = [this](const std::string& line) {
    if (line.starts_with("   Copied")) stop.Request(TStopReason::Cancel);
  };
  auto lines = Copy(Drive(), Backup());
  EXPECT_EQ(stats.FilesCopied, 1);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("   Copied", 0) == 0; }), 1);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "1 files copied matching mask *.*"), lines.end());
}

TEST_F(BackupTest, AFolderThatCannotBeCreatedEndsTheRunWithoutASummary) {
  tree.Write("drive\\a.txt", "a");
  EXPECT_THROW(Copy(Drive(), tree.Path("no\\such\\folder")), Exception);
  EXPECT_TRUE(host.lines.empty());
}

TEST_F(BackupTest, NeverCopiesIntoTheDriveItSaves) {
  tree.Write("drive\\a.txt", "a");
  EXPECT_THROW(Copy(Drive(), Drive("backup")), Exception);
  EXPECT_THROW(Copy(Drive("backup"), AsciiUpper(Drive())), Exception);
  EXPECT_FALSE(Exists(Drive("backup")));
  EXPECT_TRUE(host.lines.empty());
}

TEST_F(BackupTest, ClearProtectionAttributesKeepsHiddenAndArchive) {
  tree.Write("f.txt", "f");
  SetFileAttributesW(Widen(tree.Path("f.txt")).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                                            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  ClearProtectionAttributes(tree.Path("f.txt"));
  DWORD attributes = Attributes(tree.Path("f.txt"));
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM), 0u);
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
}

}  // namespace
}  // namespace sw::testing
