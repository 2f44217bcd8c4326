// Named streams through the whole speed-up on the worker with a scripted
// host: kept with their files when the backup's drive and the new file
// system are NTFS, a stream lost or changed on the way caught by the checks,
// and the question before the erase where they cannot be kept.
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>

#include "app/backup_marker.h"
#include "app/run_worker.h"
#include "fakes/fake_named_streams.h"
#include "fakes/scripted_run_host.h"
#include "format/fmtchkdsk.h"
#include "platform/text.h"
#include "start_fixture.h"
#include "toolkit/answering_run.h"

namespace sw::testing {
namespace {

constexpr char kMark[] = "Zone.Identifier";
constexpr char kMarkContent[] = "[ZoneTransfer]\r\nZoneId=3\r\n";

struct TFileSystem {
  int index;
  const char* name;
};
constexpr TFileSystem kNtfs{0, "NTFS"}, kFat32{2, "FAT32"}, kExFat{3, "exFAT"};

class NamedStreamsTest : public StartTest {
 protected:
  NamedStreamsTest() : engine_(nullptr, FmtChkServices{&library, &system, &io, services.wait}) {
    FormatEngine = &engine_;
    services.namedStreams = &streams;
  }
  ~NamedStreamsTest() override { FormatEngine = nullptr; }

  void SetUp() override {
    StartTest::SetUp();
    // A format takes every stream of the stick with its files.
    library.eraseDrive = [this] {
      EmptyFolder(Root());
      streams.ForgetBelow(Root());
    };
    // An 8 GiB stick, which every file system of the list may format.
    const std::int64_t volumeBytes = 8LL << 30;
    std::vector<uint8_t> reply(sizeof(GET_LENGTH_INFORMATION));
    std::memcpy(reply.data(), &volumeBytes, sizeof(volumeBytes));
    io.Reply(std::string("\\\\.\\") + Letter() + ":", IOCTL_DISK_GET_LENGTH_INFO, {true, reply, 0});
    PutStreamedStick();
  }

  // a.txt and docs\b.txt with the mark of a download, docs\b.txt with a
  // stream of its own too; a fresh run with an empty backup folder.
  void PutStreamedStick() {
    EmptyFolder(Root());
    EmptyFolder(BackupFolder());
    streams.ForgetBelow(Root());
    streams.ForgetBelow(BackupFolder());
    PutStickFiles();
    streams.Put(Root() + "a.txt", kMark, kMarkContent);
    streams.Put(Root() + "docs\\b.txt", kMark, kMarkContent);
    streams.Put(Root() + "docs\\b.txt", "author", "Ada");
    dialogs.folderAnswers = {BackupFolder()};
    dialogs.shown.clear();
    host.lines.clear();
    host.end.reset();
    host.ended = false;
    library.formatCalls.clear();
    streams.writes = 0;
  }

  void Run(TFileSystem target) {
    TRunOptions options;
    options.deviceCount = 1;
    options.deviceEntry = StickEntry();
    options.driveLetter = Letter();
    options.fileSystem = target.index;
    options.fileSystemName = target.name;
    options.label = "Generic";
    {
      TRunWorker worker(host, stop, services, options);
      tk::HandleMessagesUntil([this] { return host.ended.load(); });
    }
    ASSERT_TRUE(host.end.has_value());
  }
  bool Logged(const std::string& line) const {
    return std::find(host.lines.begin(), host.lines.end(), line) != host.lines.end();
  }
  std::string InBackup(const std::string& path) const { return BackupFolder() + "\\" + path; }
  void ExpectNothingErased() const {
    EXPECT_TRUE(library.formatCalls.empty());
    EXPECT_EQ(FilesBelow(Root()), (std::vector<std::string>{"a.txt", "docs\\b.txt"}));
    EXPECT_EQ(streams.Content(Root() + "a.txt", kMark), kMarkContent);
    EXPECT_FALSE(host.end->succeeded);
  }

  fakes::FakeNamedStreams streams;
  fakes::ScriptedRunHost host{dialogs};
  TStopToken stop;

 private:
  TFmtChkDsk engine_;
};

TEST_F(NamedStreamsTest, StreamsComeBackWithTheirFilesOnNtfs) {
  // A read-only file takes its streams too, and stays read-only.
  const std::wstring readOnly = Widen(Root() + "docs\\b.txt");
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  Answer({true, true});
  Run(kNtfs);
  EXPECT_TRUE(host.end->succeeded);
  EXPECT_EQ(host.lines.back(), kSuccess);
  EXPECT_TRUE(Logged("Named streams backed up: 3 of 2 files."));
  EXPECT_TRUE(Logged("Named streams checked: 3 of 2 files, all as they were copied."));
  EXPECT_TRUE(Logged("Named streams verified: 3 of 2 files, all identical."));
  EXPECT_EQ(library.formatCalls.size(), 1u);
  for (const std::string& root : {Root(), BackupFolder() + "\\"}) {
    EXPECT_EQ(streams.Content(root + "a.txt", kMark), kMarkContent) << root;
    EXPECT_EQ(streams.Content(root + "docs\\b.txt", kMark), kMarkContent) << root;
    EXPECT_EQ(streams.Content(root + "docs\\b.txt", "author"), "Ada") << root;
  }
  EXPECT_NE(GetFileAttributesW(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(streams.refused, 0);
  EXPECT_TRUE(ReadBackupMarker(BackupFolder())->restored);
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(NamedStreamsTest, AStreamLostOrChangedOnTheWayIsADifference) {
  struct Case {
    const char* stage;       // the stage that begins just after the fault
    bool inBackup;           // the fault is in the backup, else on the restored stick
    bool removed;            // the stream is gone, else changed to the same size
    const char* linePrefix;
    bool erased;
  };
  const Case cases[] = {
      {"Checking the backup", true, true, "Missing from the backup: ", false},
      {"Checking the backup", true, false, "Changed in the backup since it was copied: ", false},
      {"Checking the copied files", false, true, "Missing after the restore: ", true},
      {"Checking the copied files", false, false, "Different from the backup: ", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stage) + (c.removed ? ", removed" : ", changed"));
    PutStreamedStick();
    const std::string file = c.inBackup ? InBackup("a.txt") : Root() + "a.txt";
    host.onStage = [&](const std::string& stage) {
      if (stage != c.stage) return;
      if (c.removed) streams.Remove(file, kMark);
      else streams.Put(file, kMark, std::string(sizeof(kMarkContent) - 1, 'x'));
    };
    Answer({true, true});
    Run(kNtfs);
    EXPECT_TRUE(Logged(c.linePrefix + file + ":" + kMark));
    EXPECT_FALSE(host.end->succeeded);
    EXPECT_FALSE(Logged(kSuccess));
    if (c.erased) {
      EXPECT_TRUE(Logged("Restore check failed: 1 of 3 named streams are not as they were backed up."));
      EXPECT_FALSE(ReadBackupMarker(BackupFolder())->restored);
    } else {
      ExpectNothingErased();
    }
    host.onStage = nullptr;
  }
}

TEST_F(NamedStreamsTest, WhereTheyCannotBeKeptTheRunAsksBeforeTheErase) {
  struct Case {
    TFileSystem target;
    const char* backupFileSystem;
    std::string keeper;
    bool goOn;
  };
  const Case cases[] = {
      {kFat32, "NTFS", "FAT32", false},
      {kExFat, "NTFS", "exFAT", true},
      {kNtfs, "FAT32", "the drive of the backup folder " + BackupFolder() + " (FAT32)", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keeper);
    PutStreamedStick();
    for (const std::string name : {"c.exe", "d.exe", "e.exe"}) {
      PutFile(Root() + name, "program");
      streams.Put(Root() + name, kMark, kMarkContent);
    }
    streams.SetFileSystem(BackupFolder(), c.backupFileSystem);
    Answer({true, true, c.goOn});
    Run(c.target);
    ASSERT_FALSE(dialogs.shown.empty()) << ::testing::PrintToString(host.lines);
    const fakes::ShownBox& box = dialogs.shown.back();
    ASSERT_EQ(box.kind, "yesno") << ::testing::PrintToString(host.lines);
    EXPECT_EQ(box.title, "Warning");
    EXPECT_TRUE(box.noIsDefault);
    // The first three files, in the order the drive lists them, then how many more.
    const std::string first = box.text.substr(0, box.text.find("\r\n"));
    EXPECT_TRUE(first.starts_with("5 files carry data that " + c.keeper +
                                  " cannot keep, such as the mark that a file came from the internet: " + Root()))
        << first;
    EXPECT_TRUE(first.ends_with(" and 2 more.")) << first;
    size_t named = 0;
    for (size_t at = first.find(Root()); at != std::string::npos; at = first.find(Root(), at + 1)) ++named;
    EXPECT_EQ(named, 3u) << first;
    EXPECT_TRUE(Logged(first));
    EXPECT_TRUE(Logged("Carries data that " + c.keeper + " cannot keep: " + Root() + "docs\\b.txt (author, " + kMark + ")"));
    if (!c.goOn) {
      EXPECT_TRUE(Logged("Drive " + DriveName() + " is not formatted, so that its files keep their named streams. "
                         "Nothing was erased."));
      EXPECT_EQ(streams.writes, 0) << "nothing was copied";
      EXPECT_TRUE(library.formatCalls.empty());
      EXPECT_EQ(streams.Content(Root() + "a.txt", kMark), kMarkContent);
      EXPECT_FALSE(host.end->succeeded);
      continue;
    }
    // The backup keeps what the new file system cannot.
    EXPECT_TRUE(host.end->succeeded);
    EXPECT_EQ(streams.Content(InBackup("a.txt"), kMark), kMarkContent);
    EXPECT_FALSE(streams.Has(Root() + "a.txt", kMark));
  }
}

TEST_F(NamedStreamsTest, AStreamAddedDuringTheBackupIsBackedUpInTheSecondPass) {
  host.onStage = [this](const std::string& stage) {
    if (stage == "Checking the backup") streams.Put(Root() + "a.txt", "late", "added meanwhile");
  };
  Answer({true, true});
  Run(kNtfs);
  EXPECT_TRUE(host.end->succeeded);
  EXPECT_TRUE(Logged("Changed on the drive since its backup, backed up again: " + Root() + "a.txt"));
  EXPECT_EQ(streams.Content(Root() + "a.txt", "late"), "added meanwhile");
  EXPECT_EQ(streams.Content(Root() + "a.txt", kMark), kMarkContent);
}

}  // namespace
}  // namespace sw::testing
