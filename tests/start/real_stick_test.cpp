// What a real stick decides before the erase: the files must fit the file
// system the format will make (or the run stops with the reason), files that
// fit only with 32 KiB clusters are formatted with 32 KiB, and a drive
// another program holds is closed by force only when the user agrees.
#include "start_fixture.h"

#include <winioctl.h>

#include <cstring>

#include "app/backup_marker.h"
#include "app/restore_fit.h"
#include "platform/format_library.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace sw::testing {
namespace {

class RealStickTest : public StartTest {
 protected:
  std::string Volume() const { return std::string("\\\\.\\") + Letter() + ":"; }
  // A file of `size` bytes that takes no room on the disk.
  static bool PutSparseFile(const std::string& path, std::int64_t size) {
    UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = size;
    return file.Valid() && SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
  }
  void RunWithBackup(std::initializer_list<bool> answers) {
    Answer(answers);
    dialogs.folderAnswers = {BackupFolder()};
    PressStart();
  }
  std::string Drive() const { return AsciiUpper(DriveName()); }
};

TEST_F(RealStickTest, FilesThatDoNotFitTheNewFileSystemStopTheRunBeforeTheErase) {
  struct Case {
    const char* name;
    int fileSystem;
    std::int64_t volumeBytes, bigFile;
    std::string reason;
  } cases[] = {
      {"no room on a small volume", 0, 8LL << 20, 0, "The files do not fit on the new volume: "},
      {"a 4 GiB file on FAT32", 2, 16LL << 30, 4LL << 30, "NTFS or exFAT hold files over 4 GB"},
  };
  for (const Case& c : cases) {
    PrepareWindow(c.fileSystem, false);
    SetVolumeBytes(c.volumeBytes);
    PutFile(Root() + "a.txt", "hello");
    if (c.bigFile > 0 && !PutSparseFile(Root() + "video.mkv", c.bigFile))
      GTEST_SKIP() << "this file system takes no sparse file of 4 GiB";
    // FAT32 on a stick of 8 GB asks about its file-size limit first.
    RunWithBackup(c.fileSystem == 2 ? std::initializer_list<bool>{true, true, true}
                                    : std::initializer_list<bool>{true, true});
    const std::string last = RunLog().back();
    EXPECT_NE(last.find(c.reason), std::string::npos) << c.name << ": " << last;
    EXPECT_TRUE(last.ends_with(" Nothing was erased.")) << last;
    EXPECT_TRUE(library.formatCalls.empty()) << c.name;
    EXPECT_TRUE(FilesBelow(BackupFolder()).empty()) << "nothing is copied for a run that cannot end well";
    EXPECT_EQ(ReadFile(Root() + "a.txt"), "hello");
    ExpectIdleState();
    DeleteFileW(Widen(Root() + "video.mkv").c_str());
    form.reset();
  }
}

TEST_F(RealStickTest, FilesThatFitOnlyWithTheSmallerUnitAreFormattedWithItAtOnceAndComeBack) {
  PrepareWindow(3, false);  // exFAT: every file takes at least one cluster
  RestoreContent content;
  for (int i = 0; i < 40; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    PutFile(Root() + name, "x");
    content.files.push_back({name, 1});
  }
  // The smallest volume on which the files fit with 32 KiB but not with 64 KiB.
  std::uint64_t volume = 1 << 20;
  while (volume < (1ull << 32) && ChooseClusterSize(content, 3, volume).clusterSize != 32768) volume += 64 << 10;
  ASSERT_EQ(ChooseClusterSize(content, 3, volume).clusterSize, 32768u);
  SetVolumeBytes(static_cast<std::int64_t>(volume));
  RunWithBackup({true, true});

  EXPECT_TRUE(RunLog().front().find("with 32 KiB clusters; with 64 KiB clusters they would need") !=
              std::string::npos)
      << RunLog().front();
  ASSERT_EQ(library.formatCalls.size(), 1u);
  EXPECT_EQ(library.formatCalls[0].clusterSize, 32768u);
  EXPECT_TRUE(RunLogHas(kSuccess));
  EXPECT_EQ(FilesBelow(Root()).size(), 40u);
}

TEST_F(RealStickTest, ADriveAnotherProgramHoldsIsClosedByForceOnlyWhenTheUserAgrees) {
  for (bool force : {true, false}) {
    PrepareWindow(0, false);
    PutFile(Root() + "a.txt", "hello");
    io.HoldVolume(Volume());
    io.Reply(Volume(), FSCTL_LOCK_VOLUME, {});    // once dismounted, the lock is ours
    io.Reply(Volume(), FSCTL_UNLOCK_VOLUME, {});
    const size_t formats = library.formatCalls.size(), dismounts = io.dismounted.size();
    RunWithBackup({true, true, force});

    const std::vector<std::string> questions = Questions();
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[2], "Drive " + Drive() +
                                " is in use by another program. Force it closed and format it?\r\n\r\nPrograms that "
                                "still have a file of it open lose what they have not saved; the backup in " +
                                BackupFolder() + " holds the files as they were backed up.");
    EXPECT_EQ(io.dismounted.size() - dismounts, force ? 1u : 0u);
    EXPECT_EQ(library.formatCalls.size() - formats, force ? 1u : 0u);
    EXPECT_EQ(RunLogHas(kSuccess), force);
    EXPECT_EQ(RunLogHas("Drive " + Drive() +
                        " stays in use by another program, so it is not formatted. Nothing was erased."),
              !force);
    EXPECT_EQ(ReadFile(Root() + "a.txt"), "hello");
    form.reset();
    dialogs.shown.clear();
    io.heldVolumes.clear();
  }
}

// The library's "volume locked" is tried four times more with the same
// unit, then named; a smaller unit cannot help it.
TEST_F(RealStickTest, TheLibrarysVolumeInUseIsTriedAgainWithTheSameUnitAndNamed) {
  PrepareWindow(0, false);
  PutFile(Root() + "a.txt", "hello");
  library.formatScripts = {{LibraryCommand::Code(fmifs::kVolumeInUse), LibraryCommand::Done(false)}};
  RunWithBackup({true, true});
  ASSERT_EQ(library.formatCalls.size(), 5u);
  EXPECT_EQ(library.formatCalls[4].clusterSize, 65536u);
  EXPECT_TRUE(RunLogHas("The format is tried again in 5 seconds (try 5 of 5)."));
  EXPECT_TRUE(RunLogHas("The format library refused to format drive " + Drive() +
                        " with clusters of 65536 bytes: volume locked by another process."));
  EXPECT_TRUE(RunLogHas("Format Disk: Volume In-Use"));
  EXPECT_TRUE(RunLogHas("Drive " + Drive() + " is in use by another program, so the format could not start."));
  EXPECT_FALSE(RunLogHas("Format disk program initializing..."));
  EXPECT_TRUE(RunLogHas("The drive's files are kept in the backup folder " + BackupFolder()));
}

// The check disk meets the holder too: its question is the run's one
// question, and No stops the run before anything is erased.
TEST_F(RealStickTest, ACheckOfAHeldDriveAsksAndNoStopsTheRunBeforeTheErase) {
  PrepareWindow(0, true);
  PutFile(Root() + "a.txt", "hello");
  io.HoldVolume(Volume());
  RunWithBackup({true, true, false});
  const std::vector<std::string> questions = Questions();
  ASSERT_EQ(questions.size(), 3u);
  EXPECT_NE(questions[2].find("is in use by another program. Force it closed and check it?"), std::string::npos);
  EXPECT_TRUE(RunLogHas("Drive " + Drive() + " stays in use by another program, so it is not checked. Nothing was erased."));
  EXPECT_TRUE(RunLogHas("The drive's files are kept in the backup folder " + BackupFolder()));
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_TRUE(io.dismounted.empty());
  EXPECT_EQ(ReadFile(Root() + "a.txt"), "hello");
}

}  // namespace
}  // namespace sw::testing
