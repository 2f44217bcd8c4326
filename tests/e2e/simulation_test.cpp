// The simulated machine's answers: the storage descriptor and geometry the
// drive identification reads, the WMI disk list and associators, and the
// format service's callback commands and their effect on the drive's files.
#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "hwid/descriptor_decode.h"
#include "platform/device_io_win32.h"
#include "platform/text.h"
#include "testbed/sim_device_io.h"
#include "testbed/sim_format_library.h"
#include "testbed/sim_wmi.h"
#include "testbed/wine_mount.h"

namespace sw::testbed {
namespace {

SimulatedDrive Stick(char letter, const std::string& folder) {
  SimulatedDrive drive;
  drive.number = 6;
  drive.vendor = "Acme";
  drive.product = "Pocket Stick";
  drive.revision = "1.10";
  drive.serial = "0123456789ABCDEF";
  drive.sizeBytes = 16008609792LL;
  drive.letter = letter;
  drive.folder = folder;
  drive.label = "POCKET";
  drive.format.steps = 4;
  drive.format.stepMilliseconds = 0;
  return drive;
}

// A temporary folder with two files, mapped as a removable drive while the
// fixture lives.
class PluggedStickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = Narrow(temp) + "sw-testbed-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(Widen(folder_).c_str(), nullptr);
    CreateDirectoryW(Widen(folder_ + "\\Photos").c_str(), nullptr);
    std::ofstream(std::filesystem::path(Widen(folder_ + "\\a.txt"))) << "a";
    std::ofstream(std::filesystem::path(Widen(folder_ + "\\Photos\\b.txt"))) << "b";
    const char letter = FreeLetter();
    ASSERT_NE(letter, 0);
    machine_.drives.push_back(Stick(letter, folder_));
    mapping_ = std::make_unique<MappedDrive>(letter, folder_);
    ASSERT_EQ(mapping_->Problem(), "");
  }
  void TearDown() override {
    mapping_.reset();
    EmptyFolder(folder_);
    RemoveDirectoryW(Widen(folder_).c_str());
  }

  static char FreeLetter() {
    for (char letter = 'X'; letter >= 'D'; --letter)
      if (GetDriveTypeW(Widen(std::string(1, letter) + ":\\").c_str()) == DRIVE_NO_ROOT_DIR) return letter;
    return 0;
  }
  bool FolderHas(const std::string& name) const {
    return GetFileAttributesW(Widen(folder_ + "\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  const SimulatedDrive& Drive() const { return machine_.drives[0]; }

  std::string folder_;
  Machine machine_;
  std::unique_ptr<MappedDrive> mapping_;
};

TEST_F(PluggedStickTest, TheDriveAnswersTheStorageGeometryAndExtentQueriesAsAUsbStick) {
  Win32DeviceIo system;
  SimulatedDeviceIo io(machine_, system);
  auto disk = io.Open("\\\\.\\PhysicalDrive6", {});
  ASSERT_NE(disk, nullptr);
  std::vector<uint8_t> buffer(10000);
  uint32_t returned = 0;
  STORAGE_PROPERTY_QUERY query{};
  ASSERT_TRUE(disk->IoControl(IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), buffer.data(), 10000, returned));
  const DescriptorTexts texts = DecodeDescriptorTexts(std::span(buffer.data(), returned));
  EXPECT_EQ(texts.vendorId, "Acme");
  EXPECT_EQ(texts.productId, "Pocket Stick");
  EXPECT_EQ(texts.productRevision, "1.10");

  ASSERT_TRUE(disk->IoControl(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, buffer.data(), 10000, returned));
  DISK_GEOMETRY_EX geometry;
  std::memcpy(&geometry, buffer.data(), sizeof(geometry));
  EXPECT_EQ(geometry.Geometry.MediaType, RemovableMedia);
  EXPECT_EQ(geometry.DiskSize.QuadPart, 16008609792LL);

  // A USB stick answers no SMART request.
  EXPECT_FALSE(disk->IoControl(0x00074080, nullptr, 0, buffer.data(), 24, returned));
  EXPECT_EQ(io.LastError(), static_cast<uint32_t>(ERROR_INVALID_FUNCTION));

  auto volume = io.Open("\\\\.\\" + std::string(1, Drive().letter) + ":", {});
  ASSERT_NE(volume, nullptr);
  ASSERT_TRUE(volume->IoControl(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, buffer.data(), 260, returned));
  VOLUME_DISK_EXTENTS extents;
  std::memcpy(&extents, buffer.data(), sizeof(extents));
  EXPECT_EQ(extents.NumberOfDiskExtents, 1u);
  EXPECT_EQ(extents.Extents[0].DiskNumber, 6u);
}

TEST_F(PluggedStickTest, AHeldVolumeRefusesTheLockUntilItIsDismounted) {
  machine_.drives[0].hold.program = "Explorer";
  Win32DeviceIo system;
  SimulatedDeviceIo io(machine_, system);
  auto volume = io.Open("\\\\.\\" + std::string(1, Drive().letter) + ":", {});
  auto ask = [&volume](uint32_t code) { uint32_t n = 0; return volume->IoControl(code, nullptr, 0, nullptr, 0, n); };
  EXPECT_TRUE(!ask(FSCTL_LOCK_VOLUME) && ask(FSCTL_DISMOUNT_VOLUME) && ask(FSCTL_LOCK_VOLUME));
}

TEST_F(PluggedStickTest, TheMachinesOwnDrivesAreNeverMappedOver) {
  EXPECT_EQ(MapRemovableDrive('C', folder_), "drive C: is in use");
  EXPECT_EQ(GetDriveTypeW(L"C:\\"), static_cast<UINT>(DRIVE_FIXED));
  // The stick's own letter, left from an earlier run, is mapped anew.
  EXPECT_EQ(MapRemovableDrive(Drive().letter, folder_), "");
}

TEST_F(PluggedStickTest, AnUnpluggedDriveCannotBeOpenedAndLeavesWmi) {
  Win32DeviceIo system;
  SimulatedDeviceIo io(machine_, system);
  std::vector<WmiProperties> objects;
  bool append = false;
  ASSERT_TRUE(AnswerQuery(machine_, "SELECT * FROM Win32_DiskDrive", objects, append));
  EXPECT_EQ(objects.size(), 1u);

  mapping_.reset();
  EXPECT_EQ(io.Open("\\\\.\\PhysicalDrive6", {}), nullptr);
  EXPECT_EQ(io.LastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  objects.clear();
  ASSERT_TRUE(AnswerQuery(machine_, "SELECT * FROM Win32_DiskDrive", objects, append));
  EXPECT_TRUE(objects.empty());
}

TEST_F(PluggedStickTest, WmiListsTheDiskAndLeadsFromItToItsDriveLetter) {
  std::vector<WmiProperties> disks;
  bool append = false;
  ASSERT_TRUE(AnswerQuery(machine_, "SELECT * FROM Win32_DiskDrive", disks, append));
  EXPECT_TRUE(append);  // after the system's own disks
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0]["Caption"].text, "Acme Pocket Stick USB Device");
  EXPECT_EQ(disks[0]["DeviceID"].text, "\\\\.\\PHYSICALDRIVE6");
  EXPECT_EQ(disks[0]["Partitions"].integer, 1);
  EXPECT_EQ(disks[0]["Size"].text, "16006394880");  // 1946 whole cylinders of 255 * 63 * 512 bytes

  // The drive path arrives with its backslashes doubled.
  std::vector<WmiProperties> partitions;
  ASSERT_TRUE(AnswerQuery(machine_,
                          "ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\\\\\.\\\\PhysicalDrive6\"} WHERE AssocClass "
                          "= Win32_DiskDriveToDiskPartition",
                          partitions, append));
  ASSERT_EQ(partitions.size(), 1u);
  const std::string partition = partitions[0]["DeviceID"].text;
  EXPECT_EQ(partition, "Disk #6, Partition #0");

  std::vector<WmiProperties> logical;
  ASSERT_TRUE(AnswerQuery(machine_,
                          "ASSOCIATORS OF {Win32_DiskPartition.DeviceID=\"" + partition +
                              "\"} WHERE AssocClass = Win32_LogicalDiskToPartition",
                          logical, append));
  ASSERT_EQ(logical.size(), 1u);
  EXPECT_EQ(logical[0]["DeviceID"].text, std::string(1, Drive().letter) + ":");

  // Another drive's associators are the system's business.
  std::vector<WmiProperties> none;
  EXPECT_FALSE(AnswerQuery(machine_,
                           "ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\\\\\.\\\\PhysicalDrive0\"} WHERE AssocClass "
                           "= Win32_DiskDriveToDiskPartition",
                           none, append));
}

// What the format service called back with, and what the callback answers.
struct Played {
  std::vector<std::string> events;
  int stopAtPercent = -1;
};
Played* played = nullptr;

uint8_t __stdcall Record(uint32_t command, uint32_t, void* info) {
  switch (command) {
    case fmifs::kProgress: {
      const int percent = *static_cast<int32_t*>(info);
      played->events.push_back("progress " + std::to_string(percent));
      return percent == played->stopAtPercent ? 0 : 1;
    }
    case fmifs::kOutput:
      played->events.push_back("output " + FromCodePage(static_cast<fmifs::TextOutput*>(info)->output, CP_OEMCP));
      return 1;
    case fmifs::kDone:
      played->events.push_back(std::string("done ") + (*static_cast<uint8_t*>(info) ? "ok" : "failed"));
      return 1;
    default:
      played->events.push_back("code " + std::to_string(command));
      return 1;
  }
}

class FormatServiceTest : public PluggedStickTest {
 protected:
  void SetUp() override {
    PluggedStickTest::SetUp();
    played = &played_;
  }
  void TearDown() override {
    played = nullptr;
    PluggedStickTest::TearDown();
  }
  std::string Root() const { return Drive().Root(); }

  Played played_;
};

TEST_F(FormatServiceTest, AFormatPlaysProgressEmptiesTheDriveAndRecordsItsNewFileSystem) {
  machine_.drives[0].format.formatOutput = {"Gr\xC3\xB6\xC3\x9F" "e: 16 GB"};  // "Größe", sent in the OEM code page
  SimulatedFormatLibrary library(machine_);
  EXPECT_TRUE(library.Load());
  library.FormatEx(Root(), fmifs::kMediaDisk, "NTFS", "FRESH", true, 65536, Record);
  EXPECT_EQ(played_.events, (std::vector<std::string>{"progress 0", "progress 25", "progress 50", "progress 75",
                                                      "progress 100", "code 1", "output Gr\xC3\xB6\xC3\x9F" "e: 16 GB",
                                                      "done ok"}));
  EXPECT_FALSE(FolderHas("a.txt"));
  EXPECT_FALSE(FolderHas("Photos"));
  EXPECT_EQ(Drive().fileSystem, "NTFS");
  EXPECT_EQ(Drive().label, "FRESH");
}

TEST_F(FormatServiceTest, AStopAnswerEndsTheFormatUnsuccessfullyAndKeepsTheFiles) {
  played_.stopAtPercent = 50;
  SimulatedFormatLibrary library(machine_);
  library.FormatEx(Root(), fmifs::kMediaDisk, "NTFS", "FRESH", true, 65536, Record);
  EXPECT_EQ(played_.events, (std::vector<std::string>{"progress 0", "progress 25", "progress 50", "done failed"}));
  EXPECT_TRUE(FolderHas("a.txt"));
  EXPECT_TRUE(FolderHas("Photos\\b.txt"));
}

TEST_F(FormatServiceTest, TheFailingAllocationUnitIsRefusedAndAnotherOneFormats) {
  machine_.drives[0].format.failingCluster = 65536;
  SimulatedFormatLibrary library(machine_);
  library.FormatEx(Root(), fmifs::kMediaDisk, "FAT32", "FRESH", false, 65536, Record);
  EXPECT_EQ(played_.events,
            (std::vector<std::string>{"output The allocation unit size 65536 is not supported by this drive.",
                                      "code 16", "done failed"}));
  EXPECT_TRUE(FolderHas("a.txt"));

  played_.events.clear();
  library.FormatEx(Root(), fmifs::kMediaDisk, "FAT32", "FRESH", false, 32768, Record);
  ASSERT_FALSE(played_.events.empty());
  EXPECT_EQ(played_.events.back(), "done ok");
  EXPECT_FALSE(FolderHas("a.txt"));
}

TEST_F(FormatServiceTest, ACheckReportsProblemsWhenTheDriveHasThemAndTouchesNoFile) {
  machine_.drives[0].format.checkFindsProblems = true;
  SimulatedFormatLibrary library(machine_);
  library.Chkdsk(Root(), "NTFS", true, true, true, true, Record);
  EXPECT_EQ(played_.events,
            (std::vector<std::string>{"progress 0", "progress 25", "progress 50", "progress 75", "progress 100",
                                      "output The type of the file system is FAT32.", "output Volume label is POCKET.",
                                      "output Windows found problems with the file system.", "done ok"}));
  EXPECT_TRUE(FolderHas("a.txt"));
}

TEST_F(FormatServiceTest, AnUnpluggedDriveCannotBeFormatted) {
  mapping_.reset();
  SimulatedFormatLibrary library(machine_);
  library.FormatEx(Root(), fmifs::kMediaDisk, "NTFS", "FRESH", true, 65536, Record);
  EXPECT_EQ(played_.events,
            (std::vector<std::string>{"output Cannot open volume for direct access.", "done failed"}));
  EXPECT_TRUE(FolderHas("a.txt"));
}

}  // namespace
}  // namespace sw::testbed
