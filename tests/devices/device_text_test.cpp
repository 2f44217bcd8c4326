#include <gtest/gtest.h>

#include "devices/device_text.h"
#include "devices/volume_probe.h"

namespace sw {
namespace {

TEST(DigitsToInt, KeepsEveryDigitInOrder) {
  EXPECT_EQ(DigitsToInt(" 1,000 "), 1000);
  EXPECT_EQ(DigitsToInt("\\\\.\\PHYSICALDRIVE12"), 12);
  EXPECT_EQ(DigitsToInt("no digits"), 0);
  EXPECT_EQ(DigitsToInt(""), 0);
}

TEST(DigitsToInt, StopsAtTheLargest32BitValueInsteadOfWrapping) {
  EXPECT_EQ(DigitsToInt("2147483647"), 2147483647);
  EXPECT_EQ(DigitsToInt("99999999999"), 2147483647);
}

TEST(IsPrintableName, AcceptsFileSystemNamesAndTheNineSigns) {
  EXPECT_TRUE(IsPrintableName("NTFS"));
  EXPECT_TRUE(IsPrintableName(" exFAT "));
  EXPECT_TRUE(IsPrintableName("a\"'():-+./ 9"));
}

TEST(IsPrintableName, RejectsEmptyTextAndOtherCharacters) {
  EXPECT_FALSE(IsPrintableName(""));
  EXPECT_FALSE(IsPrintableName("   "));
  EXPECT_FALSE(IsPrintableName("FAT_32"));
  EXPECT_FALSE(IsPrintableName("NTFS\x01x"));
  EXPECT_FALSE(IsPrintableName("\xC3\xA9"));
}

TEST(FileSystemOrRaw, FailedOrUnprintableAnswersReadRaw) {
  EXPECT_EQ(FileSystemOrRaw(true, "exFAT"), "exFAT");
  EXPECT_EQ(FileSystemOrRaw(true, "FAT_X"), "RAW");
  EXPECT_EQ(FileSystemOrRaw(true, ""), "RAW");
  EXPECT_EQ(FileSystemOrRaw(false, "NTFS"), "RAW");
}

}  // namespace
}  // namespace sw
