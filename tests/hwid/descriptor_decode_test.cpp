// Storage-descriptor texts (hexadecimal and plain readings, pair swap,
// trimming), malformed answers, and the diagnostic dump.
#include <gtest/gtest.h>

#include <algorithm>

#include "hwid/byte_reader.h"
#include "hwid/descriptor_decode.h"
#include "simulated_drives.h"

namespace sw::testing {
namespace {

// A descriptor-like buffer with `text` (and its terminator) at offset 40.
std::vector<uint8_t> WithTextAt40(const std::string& text, bool terminated = true) {
  std::vector<uint8_t> bytes(40 + text.size() + (terminated ? 1 : 0), 0);
  std::copy(text.begin(), text.end(), bytes.begin() + 40);
  return bytes;
}

std::string Decode(const std::string& text, bool swap) { return DecodeDescriptorText(WithTextAt40(text), 40, swap); }

TEST(DescriptorTextTest, HexadecimalTextIsDecodedThenSwapped) {
  EXPECT_EQ(Decode("3132333435363738", false), "12345678");
  EXPECT_EQ(Decode("3132333435363738", true), "21436587");
  EXPECT_EQ(Decode("6a4B", false), "jK");  // digits in either case
  EXPECT_EQ(Decode("31323", false), "12");  // a lone last digit is dropped
}

TEST(DescriptorTextTest, FailedHexadecimalReadingFallsBackToPlainText) {
  EXPECT_EQ(Decode("AB12", true), "BA21");  // 0xAB is not printable
  EXPECT_EQ(Decode(" 3132", false), "3132");  // a blank is no digit
  EXPECT_EQ(Decode("Kingston", false), "Kingston");
}

TEST(DescriptorTextTest, SwapDropsAnOddLastCharacter) {
  EXPECT_EQ(Decode("abc", true), "ba");
  EXPECT_EQ(Decode("a", true), "");
}

TEST(DescriptorTextTest, BlanksAreTrimmedUnlessTheTextIsAllBlanks) {
  EXPECT_EQ(Decode(" Vendor ", false), "Vendor");
  EXPECT_EQ(Decode("   ", false), "   ");
}

TEST(DescriptorTextTest, UnprintableOrZeroTextsAreEmpty) {
  EXPECT_EQ(Decode("Ven\tdor", false), "");
  EXPECT_EQ(Decode("Ven\x80", false), "");
  EXPECT_EQ(Decode("0000", true), "");
  EXPECT_EQ(Decode("41004200", false), "A");  // a decoded zero byte ends the text
}

TEST(DescriptorTextTest, OffsetsOutsideTheReturnedDataGiveTheEmptyText) {
  auto bytes = WithTextAt40("Vendor");
  EXPECT_EQ(DecodeDescriptorText(bytes, 0, false), "");
  EXPECT_EQ(DecodeDescriptorText(bytes, -4, false), "");
  EXPECT_EQ(DecodeDescriptorText(bytes, static_cast<int32_t>(bytes.size()), false), "");
  EXPECT_EQ(DecodeDescriptorText(bytes, 1 << 30, false), "");
  EXPECT_EQ(DecodeDescriptorText(bytes, 43, false), "dor");
}

TEST(DescriptorTextTest, TextWithoutTerminatorEndsAtTheEndOfTheData) {
  auto bytes = WithTextAt40("Kingston", false);
  EXPECT_EQ(DecodeDescriptorText(bytes, 40, false), "Kingston");
  bytes = WithTextAt40("3132333", false);
  EXPECT_EQ(DecodeDescriptorText(bytes, 40, true), "21");
  // Only the returned bytes count, even when the buffer behind them holds more.
  bytes = WithTextAt40("KingstonXYZ");
  EXPECT_EQ(DecodeDescriptorText(std::span(bytes).first(48), 40, false), "Kingston");
}

TEST(DescriptorTextTest, FourTextsComeFromTheirOffsets) {
  DescriptorFields fields{" Generic", "Flash Disk  ", "8.07", Hex("1A2B3C4D")};
  auto texts = DecodeDescriptorTexts(MakeDescriptor(fields));
  EXPECT_EQ(texts.vendorId, "Generic");
  EXPECT_EQ(texts.productId, "Flash Disk");
  EXPECT_EQ(texts.productRevision, "8.07");
  EXPECT_EQ(texts.serialNumber, "A1B2C3D4");  // the serial is pair-swapped

  auto noTexts = DecodeDescriptorTexts(MakeDescriptor({}));
  EXPECT_EQ(noTexts.vendorId, "");
  EXPECT_EQ(noTexts.serialNumber, "");
  // A descriptor cut off inside its header reads its missing offsets as 0.
  auto cut = MakeDescriptor(fields);
  EXPECT_EQ(DecodeDescriptorTexts(std::span(cut).first(14)).vendorId, "");
}

TEST(ByteReaderTest, OffsetsNearTheTopOfSizeTReadAsZero) {
  const std::vector<uint8_t> bytes{1, 2, 3, 4, 5, 6, 7, 8};
  for (size_t offset : {SIZE_MAX, SIZE_MAX - 1, SIZE_MAX - 3, SIZE_MAX - 7, size_t{8}}) {
    EXPECT_EQ(hwid::ReadU32(bytes, offset), 0u) << offset;
    EXPECT_EQ(hwid::ReadI64(bytes, offset), 0) << offset;
  }
  EXPECT_EQ(hwid::ReadU32(bytes, 6), 0x0807u);  // a field cut by the end keeps the bytes there
}

TEST(DescriptorDumpTest, ListsEveryFieldInItsFormat) {
  std::vector<uint8_t> bytes(36, 0);
  bytes[0] = 40;                                      // Version
  bytes[4] = 0x2C; bytes[5] = 0x01;                   // Size 300
  bytes[8] = 0x0E;                                    // DeviceType
  bytes[9] = 0xA0;                                    // DeviceTypeModifier
  bytes[10] = 1;                                      // RemovableMedia
  bytes[12] = 0xAB;                                   // VendorIdOffset
  bytes[16] = 0x2C; bytes[17] = 0x01;                 // ProductIdOffset
  bytes[28] = 7; bytes[29] = 9;                       // BusType, first byte only
  bytes[32] = 0x10; bytes[33] = 0x27;                 // RawPropertiesLength 10000
  EXPECT_EQ(DescriptorDump(bytes, 3),
            "\r\n0 STORAGE_DEVICE_DESCRIPTOR contents for drive 3\r\n"
            "                Version: 40\r\n"
            "                   Size: 300\r\n"
            "             DeviceType:  E\r\n"
            "     DeviceTypeModifier: A0\r\n"
            "         RemovableMedia: 1\r\n"
            "        CommandQueueing: 0\r\n"
            "         VendorIdOffset: AB\r\n"
            "        ProductIdOffset: 12C\r\n"
            "  ProductRevisionOffset: 0\r\n"
            "     SerialNumberOffset: 0\r\n"
            "                BusType: 7\r\n"
            "    RawPropertiesLength: 10000\r\n");
}

}  // namespace
}  // namespace sw::testing
