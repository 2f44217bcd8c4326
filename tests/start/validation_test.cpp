// What Start checks before it touches the drive: the device, the label, the
// drive letter, the drives that are never formatted, the size rules, the
// erase question and the backup folder's place.
#include "start_fixture.h"

#include <cwctype>

#include "app/speedup_rules.h"

namespace sw::testing {
namespace {

constexpr char kFat32Question[] =
    "FAT32 file system has a file size limit of 4GB. You cannot store a file larger than that in one piece. "
    "Do you want to continue?";

class ValidationTest : public StartTest {
 protected:
  void Prepare(long long wmiSize, int fileSystem) {
    SetWmiDiskSize(wmiSize);
    PrepareWindow(fileSystem, false);
    PutFile(Root() + "keep.txt", "precious");
  }
  std::string EraseQuestion() const {
    return "To speed up USB drive, all data on drive " + Root() + " will be erased. Do you want to continue?";
  }
  // Nothing on the drive was touched and nothing was formatted.
  void ExpectDriveUntouched() const {
    EXPECT_TRUE(library.formatCalls.empty());
    EXPECT_TRUE(library.checkCalls.empty());
    EXPECT_EQ(FilesBelow(Root()), std::vector<std::string>{"keep.txt"});
    EXPECT_FALSE(form->OperationRunning);
  }
  // A refusal: one log text, no question, the status line cleared.
  void ExpectRefused(const std::vector<std::string>& lines) {
    ExpectLines(RunLog(), lines);
    EXPECT_TRUE(dialogs.shown.empty());
    ExpectDriveUntouched();
    ExpectIdleState();
  }
};

TEST_F(ValidationTest, AnEmptyDeviceListOrLabelIsRefusedWithItsLine) {
  Prepare(8010194944LL, kFsNtfs);
  form->ShowStatus("something");
  form->cbDevice->Clear();
  PressStart();
  ExpectRefused({"No USB flash drive, USB thumb drive, or USB stick is detected."});

  form->cbDevice->Add(StickEntry());
  form->cbDevice->SetItemIndex(0);
  for (const char* label : {"", "   \t "}) {
    form->VolumeLabel->SetText(label);
    PressStart();
    ExpectRefused({"A volume label is required to speed up a USB drive."});
  }
}

TEST_F(ValidationTest, FatIsRefusedFromTwoGigabytesOnTheDecimalSizeOfTheDiskRecord) {
  Prepare(2000000000LL, kFsFat);  // 2 GB decimal, 1.86 GB in the entry
  PressStart();
  ExpectRefused({"FAT file systme does not support USB storage device larger than 2GB.",
                 "Please choose another file system."});

  // FAT32 needs 65,525 clusters, which 1.86 GB of 32 KiB clusters do not give.
  form->FileSystem->SetItemIndex(kFsFat32);
  PressStart();
  ExpectRefused({"Drive " + DriveName() + " cannot be formatted as FAT32: with clusters of 65536 or 32768 bytes its "
                 "1.9 GB break the rule that FAT32 needs at least 65,525 clusters (cluster size too big); exFAT or "
                 "NTFS hold this stick. Nothing was changed."});

  // The same stick with NTFS or exFAT goes on to the erase question.
  for (int fileSystem : {kFsNtfs, kFsExfat}) {
    dialogs.shown.clear();
    form->FileSystem->SetItemIndex(fileSystem);
    PressStart();
    EXPECT_EQ(Questions(), std::vector<std::string>{EraseQuestion()});
    EXPECT_TRUE(RunLog().empty());  // the erase question answered No logs nothing
    ExpectDriveUntouched();
  }
}

TEST_F(ValidationTest, FatIsAcceptedOnOneGigabyteAndOnASizeInMegabytes) {
  Prepare(1000000000LL, kFsFat);  // 1 GB
  PressStart();
  EXPECT_EQ(Questions(), std::vector<std::string>{EraseQuestion()});

  dialogs.shown.clear();
  SetWmiDiskSize(999999999LL);  // "1,000 MB": a size in MB is never refused
  form->dioRefreshClick();
  ASSERT_EQ(form->WmiDisks.at(0), "Generic Flash Disk USB Device|||\\\\.\\PHYSICALDRIVE1|||1|||1,000 MB");
  PressStart();
  EXPECT_EQ(Questions(), std::vector<std::string>{EraseQuestion()});
  ExpectDriveUntouched();
}

TEST_F(ValidationTest, Fat32FromFourGigabytesAsksFirstAndNoLeavesEverythingAsItWas) {
  Prepare(4000000000LL, kFsFat32);
  form->ShowStatus("left as it is");
  Answer({false});
  PressStart();
  EXPECT_EQ(Questions(), std::vector<std::string>{kFat32Question});
  EXPECT_EQ(dialogs.shown[0].title, "Warning");
  EXPECT_EQ(dialogs.shown[0].owner, form->Handle());
  EXPECT_TRUE(RunLog().empty());
  EXPECT_EQ(form->lblBottomMsg->Caption(), "left as it is");  // No leaves the status line
  EXPECT_TRUE(form->btnStart->Visible());
  EXPECT_TRUE(form->btnStart->Enabled());
  ExpectDriveUntouched();

  // Yes clears the status line and goes on to the erase question.
  dialogs.shown.clear();
  Answer({true, true, false});
  PressStart();
  EXPECT_EQ(Questions(), (std::vector<std::string>{kFat32Question, EraseQuestion(),
                                                   "Do you want to back up data on drive " + Root() + " to a folder? "}));
  EXPECT_FALSE(form->lblBottomMsg->Visible());
  EXPECT_EQ(library.formatCalls.size(), 1u);
  EXPECT_EQ(library.formatCalls[0].fileSystem, "FAT32");
}

TEST_F(ValidationTest, Fat32BelowFourGigabytesOrWithoutADiskRecordIsNotAsked) {
  Prepare(3000000000LL, kFsFat32);
  PressStart();
  EXPECT_EQ(Questions(), std::vector<std::string>{EraseQuestion()});

  // No WMI record for the entry: neither rule applies.
  dialogs.shown.clear();
  form->WmiDisks.clear();
  form->FileSystem->SetItemIndex(kFsFat);
  PressStart();
  EXPECT_EQ(Questions(), std::vector<std::string>{EraseQuestion()});
  ExpectDriveUntouched();
}

TEST_F(ValidationTest, NoToTheEraseQuestionChangesNothingAndLogsNothing) {
  Prepare(8010194944LL, kFsNtfs);
  form->ShowStatus("Scanning");
  Answer({false});
  PressStart();
  EXPECT_TRUE(RunLog().empty());
  EXPECT_EQ(dialogs.shown.size(), 1u);
  ExpectDriveUntouched();
  ExpectIdleState();
}

TEST_F(ValidationTest, ADeviceWithoutADriveLetterIsRefusedBeforeAnyQuestion) {
  Prepare(8010194944LL, kFsNtfs);
  // An identified drive whose letter was not found, with no letter remembered.
  form->cbDevice->Clear();
  form->cbDevice->Add("Generic Flash Disk (7.46 GB)");
  form->cbDevice->SetItemIndex(0);
  form->SelectedDriveLetter = 0;
  PressStart();
  ExpectRefused({"The selected device has no drive letter, so it cannot be formatted. Nothing was changed."});

  // A letter remembered from an earlier entry is not this device's letter.
  form->SelectedDriveLetter = Letter();
  PressStart();
  ExpectRefused({"The selected device has no drive letter, so it cannot be formatted. Nothing was changed."});
}

TEST_F(ValidationTest, TheSystemDriveAndTheProgramsDriveAreNeverFormatted) {
  Prepare(8010194944LL, kFsNtfs);
  form->cbDevice->Clear();
  for (const char* entry : {"C:\\", "Local Disk (C:\\)"}) {
    form->cbDevice->Clear();
    form->cbDevice->Add(entry);
    form->cbDevice->SetItemIndex(0);
    PressStart();
    ExpectRefused({"Drive C: holds the running system and is never formatted. Nothing was changed."});
  }

  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  const char programLetter = static_cast<char>(towupper(program[0]));
  ASSERT_NE(programLetter, 'C');
  form->cbDevice->Clear();
  form->cbDevice->Add(std::string("Generic Flash Disk (7.46 GB) (") + programLetter + ":\\)");
  form->cbDevice->SetItemIndex(0);
  form->cbDeviceChange();
  ASSERT_EQ(form->SelectedDriveLetter, programLetter);
  PressStart();
  ExpectRefused({std::string("Drive ") + programLetter +
                 ": holds this program and is never formatted. Nothing was changed."});
}

TEST_F(ValidationTest, ALabelTheFileSystemCannotTakeIsRefusedBeforeAnyQuestion) {
  Prepare(8010194944LL, kFsFat32);
  form->VolumeLabel->SetText("A*B");
  PressStart();
  ExpectRefused({"The volume label cannot be used with FAT32: it holds the character *, which FAT32 does not "
                 "allow in a label. Nothing was changed."});
}

TEST_F(ValidationTest, TheOperationUsesTheLetterItTookAtStartAndTheTrimmedLabel) {
  Prepare(8010194944LL, kFsExfat);
  form->VolumeLabel->SetText("  My Stick  ");
  Answer({true, false});
  // The user picks another device while the format runs: the operation
  // keeps the drive it started on.
  library.beforeCommand = [this](size_t index) {
    if (index != 0 || library.formatCalls.size() != 1) return;
    form->cbDevice->Add("Other Disk (7.46 GB) (Q:\\)");
    form->cbDevice->SetItemIndex(form->cbDevice->Count() - 1);
    form->cbDeviceChange();
  };
  PressStart();
  ASSERT_EQ(library.formatCalls.size(), 1u);
  EXPECT_EQ(library.formatCalls[0].root, Root());
  EXPECT_EQ(library.formatCalls[0].label, "MY STICK");
  EXPECT_EQ(library.formatCalls[0].fileSystem, "EXFAT");
  EXPECT_EQ(form->SelectedDriveLetter, 'Q');
  EXPECT_TRUE(RunLogHas("Your USB Drive is optimized for faster read and write access. Operations completed."));
}

}  // namespace
}  // namespace sw::testing
