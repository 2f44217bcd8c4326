// CheckDisk: the arguments handed to the library, the exclusive-open test
// that Repair asks for, the problem scan of the output and the result rules.
#include "engine_fixture.h"

namespace sw::testing {
namespace {

using CheckDiskTest = EngineTest;

TEST_F(CheckDiskTest, PassesTheCurrentFileSystemAndFlagsAndTestsExclusiveOpenForRepair) {
  library.script = {LibraryCommand::Percent(30), LibraryCommand::Done(true)};
  std::string lowerRoot = root;
  lowerRoot[0] = static_cast<char>(lowerRoot[0] + 32);

  EXPECT_TRUE(engine->CheckDisk(lowerRoot, true, false, true, false));

  ASSERT_EQ(library.checkCalls.size(), 1u);
  const auto& call = library.checkCalls[0];
  EXPECT_EQ(call.root, root);
  EXPECT_EQ(call.fileSystem, DriveFileSystem());
  EXPECT_TRUE(call.repair);
  EXPECT_FALSE(call.verbose);
  EXPECT_TRUE(call.onlyIfDirty);
  EXPECT_FALSE(call.surfaceScan);
  EXPECT_EQ(deviceIo.opened, std::vector<std::string>{DevicePath(root[0])});
  EXPECT_EQ(infos, (std::vector<std::string>{VolumeLine(),
                                             "Check Disk: Finished OK"}));
  EXPECT_EQ(percents, std::vector<int>{30});
}

TEST_F(CheckDiskTest, WithoutRepairNoExclusiveOpenIsMade) {
  library.script = {LibraryCommand::Done(false)};
  EXPECT_FALSE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_TRUE(deviceIo.opened.empty());
  EXPECT_EQ(infos.back(), "Check Disk: Unable to Finish");
}

TEST_F(CheckDiskTest, TheThreeDriveExceptions) {
  auto messageOf = [this](const std::string& r, bool repair) {
    try {
      engine->CheckDisk(r, repair, true, true, true);
    } catch (const FmtChkException& error) {
      return error.Message();
    }
    return std::string("no exception");
  };
  EXPECT_EQ(messageOf("", false), kNotADriveRootMessage);
  EXPECT_EQ(messageOf("q\\", false), kNotADriveRootMessage + "Q\\");
  const std::string missing = std::string(1, WineDrive::UnusedLetter()) + ":\\";
  EXPECT_EQ(messageOf(missing, false), "Drive Not Found: " + missing);
  deviceIo.openErrors[DevicePath(root[0])] = ERROR_ACCESS_DENIED;
  EXPECT_EQ(messageOf(root, true), "Drive In Use: " + root);
  EXPECT_TRUE(library.checkCalls.empty());
}

TEST_F(CheckDiskTest, ProblemLinesSetTheFlagsAndTheFirstSuchLineIsKept) {
  library.script = {LibraryCommand::Output("The type of the file system is NTFS."),
                    LibraryCommand::Output("Windows found problems with the file system.\r\n"),
                    LibraryCommand::Output("Correcting errors in the Volume Bitmap."),
                    LibraryCommand::Output("  free space marked as allocated in the bitmap  "),
                    LibraryCommand::Done(false)};
  // A check that named a problem reports true even when the library fails.
  EXPECT_TRUE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_TRUE(engine->FileSysProblem());
  EXPECT_TRUE(engine->FreeSpaceAlloc());
  EXPECT_EQ(engine->FirstErrorLine(), "Windows found problems with the file system.");
  EXPECT_EQ(infos[2], "Windows found problems with the file system.");
  EXPECT_EQ(infos[4], "free space marked as allocated in the bitmap");
}

TEST_F(CheckDiskTest, OneLineCanSetBothFlagsAndTheScanIsCaseSensitive) {
  library.script = {LibraryCommand::Output("errors found, FOUND PROBLEMS"),
                    LibraryCommand::Output("Errors found: free space marked as allocated"),
                    LibraryCommand::Done(true)};
  EXPECT_TRUE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_TRUE(engine->FileSysProblem());
  EXPECT_TRUE(engine->FreeSpaceAlloc());
  EXPECT_EQ(engine->FirstErrorLine(), "Errors found: free space marked as allocated");

  // The next check starts afresh.
  library.script = {LibraryCommand::Output("Run chkdsk with the /F (fix) option"), LibraryCommand::Done(false)};
  EXPECT_TRUE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_TRUE(engine->FileSysProblem());
  EXPECT_FALSE(engine->FreeSpaceAlloc());
  EXPECT_EQ(engine->FirstErrorLine(), "Run chkdsk with the /F (fix) option");

  library.script = {LibraryCommand::Done(false)};
  EXPECT_FALSE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_FALSE(engine->FileSysProblem());
  EXPECT_EQ(engine->FirstErrorLine(), "");
}

TEST_F(CheckDiskTest, FormatOutputIsNotScannedForProblems) {
  library.script = {LibraryCommand::Output("Errors found"), LibraryCommand::Done(false)};
  engine->FormatDisk(root, 0, 0, "x", false, 65536);
  EXPECT_FALSE(engine->FileSysProblem());
  EXPECT_EQ(engine->FirstErrorLine(), "");
}

}  // namespace
}  // namespace sw::testing
