#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <string>
#include <vector>

#include "devices/companion_tool.h"

namespace sw {
namespace {

const std::string kHeader = "Device Name              Size Type      Partition Type\r\n";

// Volume letters and the disk each lies on, as VolumeDiskNumber would answer.
struct Disks {
  explicit Disks(std::map<char, int> disks = {}) : onDisk(std::move(disks)) {}
  std::map<char, int> onDisk;
  std::vector<char> asked;
  int operator()(char letter) {
    asked.push_back(letter);
    auto found = onDisk.find(letter);
    return found == onDisk.end() ? 0 : found->second;
  }
};

std::vector<std::string> Parse(const std::string& text, Disks& disks, std::vector<std::string> map = {}) {
  ParseToolOutput(text, map, [&disks](char l) { return disks(l); });
  return map;
}

TEST(ParseToolOutput, RemovableDriveGetsTheFirstVolumeLyingOnIt) {
  Disks disks{{{'E', 1}, {'F', 1}}};
  const std::string text = kHeader +
                           "\\\\.\\PhysicalDrive1    16.00 GB Removable MBR\r\n"
                           "\\\\.\\E:                16.00 GB Removable FAT32\r\n"
                           "\\\\.\\f:                 1.00 GB Removable FAT\r\n";
  EXPECT_EQ(Parse(text, disks), (std::vector<std::string>{"1|E"}));
  EXPECT_EQ(disks.asked, (std::vector<char>{'E', 'F'}));  // F is upper-cased and then dropped
}

TEST(ParseToolOutput, DriveZeroLettersBelowDAndFixedDrivesAreIgnored) {
  Disks disks{{{'C', 2}, {'G', 3}}};
  const std::string text = kHeader +
                           "\\\\.\\PhysicalDrive0   500.00 GB Removable MBR\r\n"
                           "\\\\.\\PhysicalDrive2   500.00 GB Fixed     GPT\r\n"
                           "\\\\.\\PhysicalDrive3    8.00 GB Removable MBR\r\n"
                           "\\\\.\\C:               500.00 GB Removable NTFS\r\n"
                           "\\\\.\\G:                 8.00 GB Fixed     NTFS\r\n";
  EXPECT_EQ(Parse(text, disks), (std::vector<std::string>{"3"}));
  EXPECT_TRUE(disks.asked.empty());
}

TEST(ParseToolOutput, TwoDigitDrivesAndUnmappedVolumes) {
  Disks disks{{{'H', 12}, {'I', 0}}};
  const std::string text = kHeader +
                           "\\\\.\\PhysicalDrive12    8.00 GB Removable MBR\r\n"
                           "\\\\.\\H:                 8.00 GB Removable FAT32\r\n"
                           "\\\\.\\I:                 8.00 GB Removable FAT32\r\n";
  EXPECT_EQ(Parse(text, disks), (std::vector<std::string>{"12|H"}));
}

TEST(ParseToolOutput, NonNumericDriveNumberIsSkipped) {
  Disks disks;
  const std::string text = kHeader +
                           "\\\\.\\PhysicalDriveX1   8.00 GB Removable MBR\r\n"
                           "\\\\.\\PhysicalDrive4x   8.00 GB Removable MBR\r\n"
                           "\\\\.\\PhysicalDrive5    8.00 GB Removable MBR\r\n";
  EXPECT_EQ(Parse(text, disks), (std::vector<std::string>{"5"}));
}

TEST(ParseToolOutput, WithoutAHeaderOrRemovableDrivesTheMapKeepsItsEntries) {
  Disks disks{{{'E', 1}}};
  const std::string drives =
      "\\\\.\\PhysicalDrive1    16.00 GB Removable MBR\r\n"
      "\\\\.\\E:                16.00 GB Removable FAT32\r\n";
  const std::vector<std::string> old{"7|K"};
  EXPECT_EQ(Parse(drives, disks, old), old);                                               // no header
  EXPECT_EQ(Parse("Partition Type Size Type Device Name\r\n" + drives, disks, old), old);  // columns out of order
  EXPECT_EQ(Parse(kHeader + "\\\\.\\PhysicalDrive0  1 GB Fixed MBR\r\n", disks, old), old);
  EXPECT_EQ(Parse("", disks, old), old);
}

TEST(ParseToolOutput, LinesBeforeTheHeaderAreIgnored) {
  Disks disks{{{'E', 1}, {'F', 2}}};
  const std::string text =
      "\\\\.\\PhysicalDrive1    16.00 GB Removable MBR\r\n"
      "\\\\.\\E:                16.00 GB Removable FAT32\r\n"
      "\r\n" +
      kHeader +
      "\\\\.\\PhysicalDrive2    16.00 GB Removable MBR\r\n"
      "\\\\.\\F:                16.00 GB Removable FAT32\r\n";
  EXPECT_EQ(Parse(text, disks), (std::vector<std::string>{"2|F"}));
}

TEST(ParseToolOutput, RemovableCountsOnlyInTheTypeColumn) {
  Disks disks{{{'E', 1}, {'F', 2}}};
  const std::string text = kHeader +
                           "\\\\.\\PhysicalDrive1    16.00 GB Fixed     Removable\r\n"
                           "\\\\.\\PhysicalDrive2    16.00 GB Removable MBR\r\n"
                           "\\\\.\\E:                16.00 GB Fixed     Removable\r\n"
                           "\\\\.\\F:                16.00 GB Removable FAT32\r\n"
                           "\\\\.\\PhysicalDrive3 Removable\r\n";  // a line too short for the column
  EXPECT_EQ(Parse(text, disks), (std::vector<std::string>{"2|F"}));
  EXPECT_EQ(disks.asked, (std::vector<char>{'F'}));
}

TEST(CompanionToolCommandLine, QuotesTheExecutablePath) {
  EXPECT_EQ(CompanionToolCommandLine("C:\\Program Files\\Stick wise"),
            "\"C:\\Program Files\\Stick wise\\marbolt.exe\" -l");
}

}  // namespace
}  // namespace sw
