// FormatDisk: the request checks, the drive checks on a real Wine drive, the
// arguments handed to the library, the info lines and the result rules.
#include <algorithm>

#include "engine_fixture.h"
#include "format/drive_queries.h"

namespace sw::testing {
namespace {

using FormatDiskTest = EngineTest;

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

TEST_F(FormatDiskTest, SuccessfulFormatReportsTheDriveBeforeAndAfter) {
  const std::string fs = DriveFileSystem();
  library.script = {LibraryCommand::Percent(10), LibraryCommand::Code(1), LibraryCommand::Done(true)};
  std::string lowerRoot = root;
  lowerRoot[0] = static_cast<char>(lowerRoot[0] + 32);

  ASSERT_TRUE(engine->FormatDisk(lowerRoot, 0, IndexOf(fs), "stick me", true, 65536));

  ASSERT_EQ(infos.size(), 8u);
  const std::string volumeLine = VolumeLine();
  EXPECT_EQ(std::vector<std::string>(infos.begin(), infos.begin() + 7),
            (std::vector<std::string>{root + " Checking Existing Drive Format", volumeLine,
                                      root + " Starting to Format Drive", "Format Disk: Structure Created OK",
                                      "Format Disk: Finished OK", root + " Checking New Drive Format", volumeLine}));
  const std::string spacePrefix = root + " New Volume Space: ";
  ASSERT_EQ(infos[7].rfind(spacePrefix, 0), 0u) << infos[7];
  EXPECT_TRUE(AllDigits(infos[7].substr(spacePrefix.size()))) << infos[7];
  EXPECT_EQ(percents, std::vector<int>{10});

  ASSERT_EQ(library.formatCalls.size(), 1u);
  const auto& call = library.formatCalls[0];
  EXPECT_EQ(call.root, root);
  EXPECT_EQ(call.mediaCode, 12u);
  EXPECT_EQ(call.fileSystem, fs);
  EXPECT_EQ(call.label, "STICK ME");
  EXPECT_TRUE(call.quickFormat);  // same file system as before
  EXPECT_EQ(call.clusterSize, 65536u);

  // The volume lock's handle: read and write access, shared (the lock, not
  // the sharing, keeps others out), closed again after the library call.
  ASSERT_EQ(deviceIo.opened, std::vector<std::string>{DevicePath(root[0])});
  EXPECT_EQ(deviceIo.openOptions[0].desiredAccess, static_cast<uint32_t>(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(deviceIo.openOptions[0].shareMode, static_cast<uint32_t>(FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_EQ(deviceIo.openDevices, 0);
}

TEST_F(FormatDiskTest, UnreadableDriveCountsAsUnformattedWithoutExclusiveTest) {
  const char letter = WineDrive::UnusedLetter();
  ASSERT_NE(letter, 0);
  const std::string missing = std::string(1, letter) + ":\\";
  library.script = {LibraryCommand::Done(false)};

  EXPECT_FALSE(engine->FormatDisk(missing, 1, 2, "x", true, 32768));

  EXPECT_EQ(infos, (std::vector<std::string>{missing + " Appears to be Unformatted or No Drive",
                                             missing + " Starting to Format Drive", "Format Disk: Unable to Finish"}));
  ASSERT_EQ(library.formatCalls.size(), 1u);
  EXPECT_FALSE(library.formatCalls[0].quickFormat);
  EXPECT_EQ(library.formatCalls[0].mediaCode, 8u);
  EXPECT_EQ(library.formatCalls[0].fileSystem, "FAT32");
  EXPECT_TRUE(deviceIo.opened.empty());
}

TEST_F(FormatDiskTest, QuickFormatIsSwitchedOffForAnotherFileSystem) {
  const std::string fs = DriveFileSystem();
  const uint8_t other = fs == "FAT32" ? 0 : 2;
  library.script = {LibraryCommand::Done(false)};
  engine->FormatDisk(root, 0, other, "x", true, 65536);
  ASSERT_EQ(library.formatCalls.size(), 1u);
  EXPECT_FALSE(library.formatCalls[0].quickFormat);
}

TEST(FileSystemMatchTest, NamesMatchExactlyWithLetterCase) {
  EXPECT_TRUE(drive::SameFileSystem("NTFS", "NTFS"));
  EXPECT_FALSE(drive::SameFileSystem("exFAT", "EXFAT"));
  EXPECT_FALSE(drive::SameFileSystem("FAT", "FAT32"));
}

TEST_F(FormatDiskTest, OnlyTheListedClusterSizesArePassedOthersAsZero) {
  const std::pair<int32_t, uint32_t> cases[] = {{512, 512},  {4096, 4096}, {32768, 32768}, {65536, 65536},
                                                {3000, 0},   {131072, 0},  {0, 0},         {-512, 0}};
  for (auto [requested, passed] : cases) {
    library.formatCalls.clear();
    engine->FormatDisk(root, 0, 0, "x", false, requested);
    ASSERT_EQ(library.formatCalls.size(), 1u);
    EXPECT_EQ(library.formatCalls[0].clusterSize, passed) << requested;
  }
}

TEST_F(FormatDiskTest, UnknownMediaOrFileSystemIsRefusedBeforeAnyDriveAccess) {
  // A malformed root would raise as soon as the drive is looked at.
  EXPECT_FALSE(engine->FormatDisk("1:", 0, 4, "x", false, 65536));
  EXPECT_FALSE(engine->FormatDisk("1:", 2, 0, "x", false, 65536));
  EXPECT_EQ(infos, (std::vector<std::string>{"Unknown File System: 4", "Unknown Media Type: 2"}));
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_TRUE(deviceIo.opened.empty());
}

TEST_F(FormatDiskTest, MissingLibraryOrEntryOrPreNtSystemAnswersFalseSilently) {
  library.hasFormatEx = false;
  EXPECT_FALSE(engine->FormatDisk(root, 0, 0, "x", false, 65536));
  library.hasFormatEx = true;
  library.available = false;
  EXPECT_FALSE(engine->FormatDisk(root, 0, 0, "x", false, 65536));
  EXPECT_TRUE(infos.empty());
  EXPECT_TRUE(library.formatCalls.empty());
}

TEST_F(FormatDiskTest, PreNtSystemDoesNotRecordTheLoadAttempt) {
  system.nt = false;
  EXPECT_FALSE(engine->FormatDisk(root, 0, 0, "x", false, 65536));
  EXPECT_FALSE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_EQ(library.loadCalls, 0);
  EXPECT_TRUE(infos.empty());
  system.nt = true;
  library.script = {LibraryCommand::Done(true)};
  EXPECT_TRUE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_EQ(library.loadCalls, 1);
}

TEST_F(FormatDiskTest, BadRootMissingDriveAndDriveInUseRaise) {
  auto messageOf = [this](const std::string& r) {
    try {
      engine->FormatDisk(r, 0, 0, "x", false, 65536);
    } catch (const FmtChkException& error) {
      return error.Message();
    }
    return std::string("no exception");
  };
  EXPECT_EQ(messageOf("P"), kNotADriveRootMessage + "P");
  EXPECT_EQ(messageOf("1:\\"), kNotADriveRootMessage + "1:\\");
  EXPECT_EQ(messageOf("P:\\WINDOWS"), kNotADriveRootMessage + "P:\\WINDOWS");
  deviceIo.openErrors[DevicePath(root[0])] = ERROR_SHARING_VIOLATION;
  EXPECT_EQ(messageOf(root), "Drive In Use: " + root);
  EXPECT_TRUE(library.formatCalls.empty());
}

TEST_F(FormatDiskTest, SystemDriveAndProgramDriveAreNeverFormatted) {
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  for (std::string r : {std::string("C:\\"), std::string(1, static_cast<char>(program[0])) + ":\\"}) {
    EXPECT_THROW(engine->FormatDisk(r, 0, 0, "x", false, 65536), FmtChkException) << r;
  }
  EXPECT_TRUE(library.formatCalls.empty());
}

TEST_F(FormatDiskTest, CancelFromAHandlerStopsTheLibraryAndTheResultFollowsTheEnd) {
  cancelOnProgress = true;
  library.script = {LibraryCommand::Percent(5), LibraryCommand::Percent(50), LibraryCommand::Done(true)};
  EXPECT_FALSE(engine->FormatDisk(root, 0, 0, "x", false, 65536));
  EXPECT_EQ(library.answers, (std::vector<uint8_t>{0, 1}));  // stop, then the wind-down's end
  EXPECT_EQ(percents, std::vector<int>{5});
  EXPECT_EQ(infos.back(), "Format Disk: Unable to Finish");

  // A library that still reports success after the stop decides the result.
  library.afterStop = {LibraryCommand::Done(true)};
  cancelOnProgress = false;
  cancelOnInfo = true;
  library.script = {LibraryCommand::Code(1), LibraryCommand::Done(true)};
  EXPECT_TRUE(engine->FormatDisk(root, 0, 0, "x", false, 65536));
}

TEST_F(FormatDiskTest, RefusalIsReportedAndTheResultFollowsTheEnd) {
  library.script = {LibraryCommand::Code(9), LibraryCommand::Code(16), LibraryCommand::Done(false)};
  EXPECT_FALSE(engine->FormatDisk(root, 0, 0, "x", true, 65536));
  EXPECT_NE(std::find(infos.begin(), infos.end(), "Format Disk: Quick Format Not Allowed"), infos.end());
  EXPECT_NE(std::find(infos.begin(), infos.end(), "Format Disk: Cluster Size Too Small"), infos.end());
  EXPECT_EQ(infos.back(), "Format Disk: Unable to Finish");
}

TEST_F(FormatDiskTest, AnOperationStartedFromInsideAHandlerIsRefusedAndStopsTheLibrary) {
  engine->onInfoEvent = [this](std::string info, bool&) {
    infos.push_back(info);
    if (info == "Format Disk: Structure Created OK") engine->CheckDisk(root, false, false, false, false);
  };
  library.script = {LibraryCommand::Code(1), LibraryCommand::Done(true)};
  EXPECT_FALSE(engine->FormatDisk(root, 0, 0, "x", false, 65536));
  EXPECT_TRUE(library.checkCalls.empty());
  EXPECT_EQ(library.answers[0], 0);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Format Engine Busy: " + root);
}

}  // namespace
}  // namespace sw::testing
