// The testbed's machine description: what a text file makes of the
// simulated drives, and which mistakes it refuses.
#include <gtest/gtest.h>

#include "testbed/machine.h"

namespace sw::testbed {
namespace {

TEST(MachineTest, ReadsEveryKeyOfADriveSection) {
  const ParseResult result = ParseMachine(
      "; a comment\n"
      "[drive]\n"
      "number = 3\n vendor = Acme \nproduct = Pocket Stick\nrevision = 2.00\nserial = ABC123\n"
      "size = 4000000000\nmedia = unknown\nletter = s\nfolder = sticks/one\nfilesystem = exFAT\nlabel = OLD\n"
      "format = fail\nfail-cluster = 65536\ncheck-problems = yes\nsteps = 7\nstep-ms = 0\n"
      "format-output = first\nformat-output = second\ncheck-output = checked\n",
      "C:\\machine");
  ASSERT_EQ(result.errors, std::vector<std::string>{});
  ASSERT_EQ(result.machine.drives.size(), 1u);
  const SimulatedDrive& drive = result.machine.drives[0];
  EXPECT_EQ(drive.number, 3);
  EXPECT_EQ(drive.vendor, "Acme");
  EXPECT_EQ(drive.product, "Pocket Stick");
  EXPECT_EQ(drive.revision, "2.00");
  EXPECT_EQ(drive.serial, "ABC123");
  EXPECT_EQ(drive.sizeBytes, 4000000000LL);
  EXPECT_EQ(drive.mediaType, 0);
  EXPECT_EQ(drive.letter, 'S');
  EXPECT_EQ(drive.folder, "C:\\machine\\sticks\\one");
  EXPECT_EQ(drive.fileSystem, "exFAT");
  EXPECT_EQ(drive.label, "OLD");
  EXPECT_TRUE(drive.format.fails);
  EXPECT_EQ(drive.format.failingCluster, 65536u);
  EXPECT_TRUE(drive.format.checkFindsProblems);
  EXPECT_EQ(drive.format.steps, 7);
  EXPECT_EQ(drive.format.stepMilliseconds, 0);
  EXPECT_EQ(drive.format.formatOutput, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(drive.format.checkOutput, std::vector<std::string>{"checked"});
  EXPECT_EQ(drive.Root(), "S:\\");
  EXPECT_EQ(drive.Caption(), "Acme Pocket Stick USB Device");
}

TEST(MachineTest, KeepsAbsoluteFoldersAndFindsDrivesByLetterAndNumber) {
  const ParseResult result = ParseMachine(
      "[drive]\nnumber = 4\nsize = 1\nletter = E\nfolder = D:\\sticks\\e\nmedia = fixed\n"
      "[DRIVE]\nnumber = 5\nsize = 2\nletter = F\nfolder = \\\\server\\share\\f\nmedia = 11\n",
      "C:\\machine");
  ASSERT_EQ(result.errors, std::vector<std::string>{});
  ASSERT_EQ(result.machine.drives.size(), 2u);
  EXPECT_EQ(result.machine.drives[0].folder, "D:\\sticks\\e");
  EXPECT_EQ(result.machine.drives[0].mediaType, 12);
  EXPECT_EQ(result.machine.drives[1].folder, "\\\\server\\share\\f");
  EXPECT_EQ(FindByLetter(result.machine, 'f'), &result.machine.drives[1]);
  EXPECT_EQ(FindByNumber(result.machine, 4), &result.machine.drives[0]);
  EXPECT_EQ(FindByLetter(result.machine, 'G'), nullptr);
  EXPECT_EQ(FindByNumber(result.machine, 1), nullptr);
}

TEST(MachineTest, RefusesMistakesWithTheirLineNumbers) {
  const ParseResult result = ParseMachine(
      "size = 5\n"            // 1: before any section
      "[disk]\n"              // 2: unknown section
      "[drive]\n"
      "letter = C\n"          // 4: C is not offered
      "colour = red\n"        // 5: unknown key
      "size = -3\n"           // 6
      "media = wobbly\n"      // 7
      "just text\n",          // 8
      "");
  EXPECT_EQ(result.errors, (std::vector<std::string>{
                               "line 1: key outside a [drive] section", "line 2: unknown section [disk]",
                               "line 4: letter must be one of D to Z", "line 5: unknown key \"colour\"",
                               "line 6: size must be a positive number of bytes",
                               "line 7: media must be removable, fixed, unknown or a number",
                               "line 8: expected key = value", "drive 1: no letter", "drive 1: no folder",
                               "drive 1: no size"}));
}

TEST(MachineTest, ReadsTheFlashAndThePricesOfItsTransfers) {
  const ParseResult result = ParseMachine(
      "[drive]\nsize = 8000000000\nletter = E\nfolder = e\nreal-size = 4294967296\ncounterfeit = limbo\n"
      "limbo-reads = stale\nwrite-cache-mib = 64\nprobe-write-ms = 25.7\nprobe-read-us = 112\n"
      "seq-write-mbs = 20\nseq-read-mbs = 60.5\n"
      "[drive]\nnumber = 2\nsize = 1\nletter = F\nfolder = f\nprobe-write-ms = fast\nseq-read-mbs = -1\n",
      "C:\\machine");
  EXPECT_EQ(result.errors, (std::vector<std::string>{"line 18: probe-write-ms must be a number from 0 to 100000",
                                                     "line 19: seq-read-mbs must be a number from 0 to 100000"}));
  ASSERT_EQ(result.machine.drives.size(), 2u);
  const CapacityBehaviour& capacity = result.machine.drives[0].capacity;
  EXPECT_EQ(capacity.realBytes, 4294967296LL);
  EXPECT_FALSE(capacity.wraps);
  EXPECT_TRUE(capacity.staleReads);
  EXPECT_EQ(capacity.writeCacheMib, 64);
  EXPECT_DOUBLE_EQ(capacity.probeWriteMs, 25.7);
  EXPECT_DOUBLE_EQ(capacity.probeReadUs, 112);
  EXPECT_DOUBLE_EQ(capacity.seqWriteMBs, 20);
  EXPECT_DOUBLE_EQ(capacity.seqReadMBs, 60.5);
}

TEST(MachineTest, ReadsTheVolumeSizeAndWhetherAnotherProgramHoldsIt) {
  auto drive = ParseMachine("[drive]\nsize = 8011120640\nletter = Q\nfolder = q\nvolume-size = 67108864\n"
                            "held-by-program = yes\nformat-in-use = yes\n", "C:\\m").machine.drives[0];
  EXPECT_TRUE(drive.VolumeBytes() == 67108864 && drive.HeldAt(0) && drive.HeldAt(999999) &&
              drive.format.reportsVolumeInUse);
}

// A holder that lets go counts its seconds from the first try; a dismount
// ends any hold; the second volume takes its room from the first.
TEST(MachineTest, ReadsTheHolderTheSecondVolumeAndTheWriteProtection) {
  auto drive = ParseMachine("[drive]\nsize = 8011120640\nletter = Q\nfolder = q\nheld-by-program = Explorer 2\n"
                            "second-volume = 104857600 R\nwrite-protected = yes\nformat-cant-lock = 2\n", "C:\\m")
                   .machine.drives[0];
  EXPECT_EQ(drive.hold.program, "Explorer");
  EXPECT_TRUE(drive.HeldAt(5000) && drive.HeldAt(6999));
  EXPECT_FALSE(drive.HeldAt(7000));
  EXPECT_EQ(drive.VolumeBytes(), 8011120640 - (1 << 20) - 104857600);
  EXPECT_TRUE(drive.secondLetter == 'R' && drive.writeProtected && drive.format.cantLockCalls == 2);
  drive.hold.seconds = -1;
  drive.dismounted = true;
  EXPECT_FALSE(drive.HeldAt(99999));

  const ParseResult wrong = ParseMachine("[drive]\nsize = 1\nletter = Q\nfolder = q\nheld-by-program = Explorer\n"
                                         "second-volume = R\n", "C:\\m");
  EXPECT_EQ(wrong.errors.size(), 2u);
}

TEST(MachineTest, TwoDrivesMayNotShareALetterOrANumber) {
  const ParseResult result = ParseMachine(
      "[drive]\nnumber = 2\nsize = 1\nletter = E\nfolder = a\n[drive]\nnumber = 2\nsize = 1\nletter = e\nfolder = b\n",
      "C:\\m");
  EXPECT_EQ(result.errors, (std::vector<std::string>{"drive 2: letter E is taken", "drive 2: physical drive 2 is taken"}));
}

}  // namespace
}  // namespace sw::testbed
