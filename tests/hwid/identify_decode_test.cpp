// IDENTIFY data: text fields, drive type, capacity, the per-drive report and
// the recorded identity of the first usable drive.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>

#include "hwid/identify_decode.h"
#include "hwid/recorded_identity.h"
#include "simulated_drives.h"

namespace sw::testing {
namespace {

class IdentifyDecodeTest : public ::testing::Test {
 protected:
  IdentifyDecodeTest() { RecordedDriveIdentity() = {}; }
  ~IdentifyDecodeTest() override { RecordedDriveIdentity() = {}; }

  tresults_dv Report(int n, const AtaDrive& drive) {
    tresults_dv record;
    ReportIdentifyData(n, MakeIdentifyWords(drive), record, sink);
    return record;
  }
  RecordingSink sink;
};

TEST_F(IdentifyDecodeTest, TextFieldsKeepLeadingBlanksAndLoseTrailingOnes) {
  AtaDrive drive;
  drive.serial = "        ABCD1234EFGH";
  drive.model = "Kingston DataTraveler";  // padded to 40 with blanks
  auto words = MakeIdentifyWords(drive);
  EXPECT_EQ(IdentifyWordsToText(words, 10, 10), "        ABCD1234EFGH");
  EXPECT_EQ(IdentifyWordsToText(words, 27, 20), "Kingston DataTraveler");
}

TEST_F(IdentifyDecodeTest, FieldOfBlanksBecomesOneBlankAndZeroByteEndsText) {
  AtaDrive drive;
  drive.model = std::string(40, ' ');
  auto words = MakeIdentifyWords(drive);
  EXPECT_EQ(IdentifyWordsToText(words, 27, 20), " ");

  words[10] = ('A' << 8) | 'B';
  words[11] = ('C' << 8) | 0;  // a zero byte inside the field ends the text
  words[12] = ('D' << 8) | 'E';
  EXPECT_EQ(IdentifyWordsToText(words, 10, 3), "ABC");
}

TEST_F(IdentifyDecodeTest, DriveTypeFromWordZero) {
  AtaDrive drive;
  drive.configuration = 0xC0;  // both bits: removable wins
  EXPECT_EQ(IdentifyDriveType(MakeIdentifyWords(drive)), "Removable");
  drive.configuration = 0x40;
  EXPECT_EQ(IdentifyDriveType(MakeIdentifyWords(drive)), "Fixed");
  drive.configuration = 0x0100;
  EXPECT_EQ(IdentifyDriveType(MakeIdentifyWords(drive)), "Unknown");
}

TEST_F(IdentifyDecodeTest, CapacityUses48BitCountOnlyWhenAnnounced) {
  AtaDrive drive;
  drive.sectors28 = 0x0FFFFFFF;
  drive.sectors48 = 3907029168;  // a 2 TB drive, beyond 28 bits
  EXPECT_EQ(IdentifyCapacity(MakeIdentifyWords(drive)), uint64_t{0x0FFFFFFF} * 512);
  drive.lba48 = true;
  EXPECT_EQ(IdentifyCapacity(MakeIdentifyWords(drive)), uint64_t{3907029168} * 512);
  drive.sectors48 = uint64_t{1} << 40;  // words 102 and 103 count too
  EXPECT_EQ(IdentifyCapacity(MakeIdentifyWords(drive)), uint64_t{1} << 49);
}

TEST_F(IdentifyDecodeTest, CapacityPastSixtyFourBitsIsUnknownNeverNegative) {
  struct Case {
    uint64_t sectors;
    std::optional<uint64_t> capacity;
    const char* logged;
  };
  const Case cases[] = {
      {uint64_t{1} << 54, uint64_t{1} << 63, "Drive Size________________________: 9223372036854775808 bytes\r\n"},
      {UINT64_MAX / 512, UINT64_MAX / 512 * 512, nullptr},
      {UINT64_MAX / 512 + 1, std::nullopt, "Drive Size________________________: unknown\r\n"},
      {UINT64_MAX, std::nullopt, "Drive Size________________________: unknown\r\n"},  // words 100..103 all FFFF
  };
  for (const Case& c : cases) {
    AtaDrive drive;
    drive.lba48 = true;
    drive.sectors48 = c.sectors;
    EXPECT_EQ(IdentifyCapacity(MakeIdentifyWords(drive)), c.capacity) << c.sectors;
    if (c.logged == nullptr) continue;
    sink.texts.clear();
    EXPECT_EQ(Report(0, drive).size, c.capacity.value_or(0)) << c.sectors;
    EXPECT_TRUE(sink.Logged(c.logged)) << sink.Log();
  }
}

TEST_F(IdentifyDecodeTest, WordRangesReachingPastTheEndStopAtTheLastWord) {
  IdentifyWords words{};
  words[254] = ('Y' << 8) | 'Z';
  words[255] = ('!' << 8) | '!';
  EXPECT_EQ(IdentifyWordsToText(words, 254, SIZE_MAX), "YZ!!");
  EXPECT_EQ(IdentifyWordsToText(words, 255, size_t{INT_MAX}), "!!");
  EXPECT_EQ(IdentifyWordsToText(words, SIZE_MAX, 2), "");
}

TEST_F(IdentifyDecodeTest, ReportLogsEveryLineAndFillsTheRecord) {
  AtaDrive drive;
  drive.model = "WDC WD5000";
  drive.serial = "WD-1234";
  drive.revision = "01.01A01";
  drive.configuration = 0x40;
  drive.sectors28 = 1000;
  drive.bufferUnits = 16;
  tresults_dv record = Report(0, drive);

  std::vector<std::string> expected = {
      "\r\nDrive 0 - ",
      "Primary Controller - ",
      " - Master drive",
      "Drive Model Number________________: [WDC WD5000]\r\n",
      "Drive Serial Number_______________: [WD-1234]\r\n",
      "Drive Controller Revision Number__: [01.01A01]\r\n",
      "Drive Type________________________: ",
      "Fixed",
      "Drive Size________________________: 512000 bytes\r\n",
  };
  EXPECT_EQ(sink.texts, expected);
  EXPECT_EQ(record.controller, 0);
  EXPECT_EQ(record.drive, 0);
  EXPECT_EQ(record.model, "WDC WD5000");
  EXPECT_EQ(record.serial, "WD-1234");
  EXPECT_EQ(record.revision, "01.01A01");
  EXPECT_EQ(record.buffer_size, 16 * 512);
  EXPECT_EQ(record.drive_type, "Fixed");
  EXPECT_EQ(record.size, 512000u);
}

TEST_F(IdentifyDecodeTest, ControllerAndPositionFollowTheDriveNumber) {
  tresults_dv five = Report(5, AtaDrive{});
  EXPECT_EQ(sink.texts[0], "\r\nDrive 5 - ");
  EXPECT_EQ(sink.texts[1], "Tertiary Controller - ");
  EXPECT_EQ(sink.texts[2], " - Slave drive");
  EXPECT_EQ(five.controller, 2);
  EXPECT_EQ(five.drive, 1);

  sink.texts.clear();
  tresults_dv nine = Report(9, AtaDrive{});
  EXPECT_EQ(sink.texts[0], "\r\nDrive 9 - ");
  EXPECT_EQ(sink.texts[1], " - Slave drive");  // no controller beyond the fourth
  EXPECT_EQ(nine.controller, 4);

  sink.texts.clear();
  Report(6, AtaDrive{});
  EXPECT_EQ(sink.texts[1], "Quaternary Controller - ");
  EXPECT_EQ(sink.texts[2], " - Master drive");
}

TEST_F(IdentifyDecodeTest, FirstUsableSerialIsRecordedWithItsModel) {
  AtaDrive blankFirst;
  blankFirst.serial = "        ABCD1234EFGH";  // first blank, twentieth a letter: usable
  blankFirst.model = "FIRST";
  AtaDrive second;
  second.serial = "XYZ";
  second.model = "SECOND";
  Report(0, blankFirst);
  Report(1, second);
  EXPECT_EQ(RecordedDriveIdentity().serial, "        ABCD1234EFGH");
  EXPECT_EQ(RecordedDriveIdentity().model, "FIRST");
}

TEST_F(IdentifyDecodeTest, ShortSerialWithLeadingBlankIsNotUsable) {
  AtaDrive drive;
  drive.serial = "  1234";  // cut at the end: no twentieth character
  Report(0, drive);
  EXPECT_EQ(RecordedDriveIdentity().serial, "");
  drive.serial = "-1234";  // neither letter nor digit first
  Report(0, drive);
  EXPECT_EQ(RecordedDriveIdentity().serial, "");
  drive.serial = "\xC4" "1234";  // bytes above 0x7F are no letters
  Report(0, drive);
  EXPECT_EQ(RecordedDriveIdentity().serial, "");
}

TEST_F(IdentifyDecodeTest, RecordedTextsAreCutAt1023Characters) {
  const std::string longSerial = "S" + std::string(2000, 'x');
  const std::string longModel(1500, 'M');
  EXPECT_TRUE(RecordIdentityIfFirstUsable(longSerial, longModel));
  EXPECT_EQ(RecordedDriveIdentity().serial, longSerial.substr(0, 1023));
  EXPECT_EQ(RecordedDriveIdentity().model, longModel.substr(0, 1023));
  EXPECT_FALSE(RecordIdentityIfFirstUsable("OTHER", "OTHER"));
}

}  // namespace
}  // namespace sw::testing
