#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/drive_letters.h"
#include "fakes/fake_wmi.h"

namespace sw {
namespace {

using fakes::FakeWmi;

const std::string kDrive1Partitions =
    "ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\\\\\.\\\\PhysicalDrive1\"} "
    "WHERE AssocClass = Win32_DiskDriveToDiskPartition";

std::string LogicalDisksOf(const std::string& partition) {
  return "ASSOCIATORS OF {Win32_DiskPartition.DeviceID=\"" + partition +
         "\"} WHERE AssocClass = Win32_LogicalDiskToPartition";
}

TEST(WmiDiskLetter, DoublesTheBackslashesAndTheLastPartitionWithALogicalDiskWins) {
  FakeWmi wmi;
  wmi.Answer(kDrive1Partitions, {{{"DeviceID", WmiValue::Text("Disk #1, Partition 0")}},
                                 {},  // a partition whose DeviceID is null is passed over
                                 {{"DeviceID", WmiValue::Text("Disk #1, Partition 1")}},
                                 {{"DeviceID", WmiValue::Text("Disk #1, Partition 2")}}});
  wmi.Answer(LogicalDisksOf("Disk #1, Partition 0"), {{{"DeviceID", WmiValue::Text("E:")}}});
  wmi.Answer(LogicalDisksOf("Disk #1, Partition 1"), {{{"DeviceID", WmiValue::Text("F:")}},
                                                      {{"DeviceID", WmiValue::Text("G:")}}});
  std::string drive;
  WmiDiskLetter(wmi, "\\\\.\\PhysicalDrive1", drive);
  EXPECT_EQ(drive, "F:");
  ASSERT_EQ(wmi.connects.size(), 1u);
  EXPECT_EQ(wmi.connects[0], (std::vector<std::string>{".", "root\\CIMV2", "", ""}));
  ASSERT_EQ(wmi.queries.size(), 4u);
  EXPECT_EQ(wmi.queries[0].query, kDrive1Partitions);
  EXPECT_EQ(wmi.queries[0].flags, -1);  // the query is the only argument
}

TEST(ToolMapLetter, OnlySingleDigitDrivesWithALetterAndTheLastMatchWins) {
  const std::vector<std::string> map{"1|E", "2", "1|H", "12|K"};
  EXPECT_EQ(ToolMapLetter(map, "\\\\.\\PhysicalDrive1"), "H:");
  EXPECT_EQ(ToolMapLetter(map, "\\\\.\\PHYSICALDRIVE2"), "");
  EXPECT_EQ(ToolMapLetter(map, "\\\\.\\PhysicalDrive12"), "");
  EXPECT_EQ(ToolMapLetter(map, "\\\\.\\E:"), "");
}

TEST(DriveLetterInForm, RootDriveLetterAndNothingElse) {
  EXPECT_EQ(DriveLetterInForm("E:", 0), "E:\\");
  EXPECT_EQ(DriveLetterInForm("E:", 1), "E:");
  EXPECT_EQ(DriveLetterInForm("E:", 2), "E");
  EXPECT_EQ(DriveLetterInForm("E:", 3), "");
  EXPECT_EQ(DriveLetterInForm("e:", 0), "");
  EXPECT_EQ(DriveLetterInForm("", 0), "");
}

TEST(DiskDriveLetter, WmiFirstThenTheToolMap) {
  FakeWmi wmi;
  wmi.Answer(kDrive1Partitions, {{{"DeviceID", WmiValue::Text("Disk #1, Partition 0")}}});
  wmi.Answer(LogicalDisksOf("Disk #1, Partition 0"), {{{"DeviceID", WmiValue::Text("G:")}}});
  const std::vector<std::string> map{"1|E", "3|J"};
  EXPECT_EQ(DiskDriveLetter(&wmi, map, "\\\\.\\PhysicalDrive1", 0), "G:\\");
  EXPECT_EQ(DiskDriveLetter(&wmi, map, "\\\\.\\PhysicalDrive3", 0), "J:\\");  // WMI knows no partition
}

TEST(DiskDriveLetter, WmiFailuresAreSwallowedAndDrive12DependsOnWmiAlone) {
  FakeWmi wmi;
  wmi.failConnect = true;
  const std::vector<std::string> map{"1|E", "12|K"};
  EXPECT_EQ(DiskDriveLetter(&wmi, map, "\\\\.\\PhysicalDrive1", 2), "E");
  EXPECT_EQ(DiskDriveLetter(&wmi, map, "\\\\.\\PhysicalDrive12", 0), "");
  EXPECT_EQ(DiskDriveLetter(nullptr, map, "\\\\.\\PhysicalDrive1", 1), "E:");
}

TEST(DiskDriveLetter, ALetterFoundBeforeAFailingQueryIsKept) {
  FakeWmi wmi;
  wmi.Answer(kDrive1Partitions, {{{"DeviceID", WmiValue::Text("Disk #1, Partition 0")}},
                                 {{"DeviceID", WmiValue::Text("Disk #1, Partition 1")}}});
  wmi.Answer(LogicalDisksOf("Disk #1, Partition 0"), {{{"DeviceID", WmiValue::Text("G:")}}});
  wmi.failingQueries.push_back(LogicalDisksOf("Disk #1, Partition 1"));
  const std::vector<std::string> map{"1|E"};  // not asked: WMI found G: before it failed
  EXPECT_EQ(DiskDriveLetter(&wmi, map, "\\\\.\\PhysicalDrive1", 0), "G:\\");
}

}  // namespace
}  // namespace sw
