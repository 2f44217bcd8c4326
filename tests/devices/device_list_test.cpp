#include <gtest/gtest.h>

#include <string>

#include "devices/device_list.h"

namespace sw {
namespace {

TEST(DeviceSizeText, MegabytesBelowTwoToTheThirtiethElseGigabytes) {
  EXPECT_EQ(DeviceSizeText(1073741823LL, "."), "1024 MB");
  EXPECT_EQ(DeviceSizeText(1073741824LL, "."), "1.00 GB");
  EXPECT_EQ(DeviceSizeText(0, "."), "0 MB");
  EXPECT_EQ(DeviceSizeText(16008609792LL, "."), "14.91 GB");
  EXPECT_EQ(DeviceSizeText(16008609792LL, ","), "14,91 GB");
}

TEST(DeviceSizeText, HalvesRoundToTheEvenNeighbourLikeTheWmiRecord) {
  EXPECT_EQ(DeviceSizeText(2621440LL, "."), "2 MB");        // 2.5 MiB
  EXPECT_EQ(DeviceSizeText(3670016LL, "."), "4 MB");        // 3.5 MiB
  EXPECT_EQ(DeviceSizeText(1207959552LL, "."), "1.12 GB");  // 1.125 GiB
}

TEST(DeviceEntryText, LetterPartOnlyWithARootAndAnEmptyVendorKeepsItsBlank) {
  EXPECT_EQ(DeviceEntryText("Generic", "Flash Disk", 8010194944LL, "F:\\", "."), "Generic Flash Disk (7.46 GB) (F:\\)");
  EXPECT_EQ(DeviceEntryText("Generic", "Flash Disk", 8010194944LL, "", "."), "Generic Flash Disk (7.46 GB)");
  EXPECT_EQ(DeviceEntryText("", "Stick", 0, "", "."), " Stick (0 MB)");
}

TEST(ItemCaption, TextBeforeTheFirstParenthesis) {
  EXPECT_EQ(ItemCaption("Generic Flash Disk (7.46 GB) (F:\\)"), "Generic Flash Disk");
  EXPECT_EQ(ItemCaption("(7.46 GB)"), "");
  EXPECT_EQ(ItemCaption("E:\\"), "");
}

TEST(MakeVolumeLabel, FirstWordCutToElevenCharacters) {
  EXPECT_EQ(MakeVolumeLabel("Generic Flash Disk (7.46 GB) (F:\\)"), "Generic");
  EXPECT_EQ(MakeVolumeLabel("Transcendent Flash (1 GB)"), "Transcenden");
  EXPECT_EQ(MakeVolumeLabel("E:\\"), "E");
}

TEST(MakeVolumeLabel, CutsAtElevenCharactersNeverInsideOne) {
  struct Case {
    const char* entry;
    const char* label;
  };
  const Case cases[] = {
      {"\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84 Disk (1 GB)", "\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84\xC3\x84"},
      {"\xC3\x9C" "bertragungsger\xC3\xA4t (1 GB)", "\xC3\x9C" "bertragung"},  // 11 characters, 12 bytes
      {"\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"
       "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC Stick (1 GB)",
       "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"
       "\xE2\x82\xAC\xE2\x82\xAC"},  // twelve euro signs become eleven
  };
  for (const Case& c : cases) EXPECT_EQ(MakeVolumeLabel(c.entry), c.label) << c.entry;
}

TEST(MakeVolumeLabel, ParenthesesWithoutAFirstWordAndTheUsbFallback) {
  // A leading blank (empty vendor) leaves no first word: the size inside the
  // first parentheses, without blanks and dots, is the label.
  EXPECT_EQ(MakeVolumeLabel("* Stick (7.46 GB)"), "746GB");
  EXPECT_EQ(MakeVolumeLabel("**(x)"), "(x)");  // a parenthesis too early is kept as text
  EXPECT_EQ(MakeVolumeLabel("**"), "USB");
  EXPECT_EQ(MakeVolumeLabel(""), "USB");
  EXPECT_EQ(MakeVolumeLabel("A Label Longer Than Eleven"), "A");
}

TEST(EntryDriveLetter, OnlyALetterOtherThanCInTheRootPart) {
  EXPECT_EQ(EntryDriveLetter("Generic Flash Disk (7.46 GB) (F:\\)"), 'F');
  EXPECT_EQ(EntryDriveLetter("Generic Flash Disk (7.46 GB) (f:\\)  "), 'f');
  EXPECT_EQ(EntryDriveLetter("Disk (7.46 GB) (C:\\)"), 0);
  EXPECT_EQ(EntryDriveLetter("Disk (7.46 GB) (c:\\)"), 0);
  EXPECT_EQ(EntryDriveLetter("Generic Flash Disk (7.46 GB)"), 0);
  EXPECT_EQ(EntryDriveLetter("E:\\"), 0);
  EXPECT_EQ(EntryDriveLetter("(1:\\)"), 0);
}

std::string Probe(char letter, std::string fileSystem, char& probed) {
  probed = letter;
  return fileSystem;
}

TEST(SelectDevice, ExFatIsPreselectedAndTheMessageNamesItAsProbed) {
  char probed = 0;
  const std::string entry = "Generic Flash Disk (7.46 GB) (F:\\)";
  DeviceSelection s = SelectDevice(entry, 0, "", [&](char l) { return Probe(l, "exFAT", probed); });
  EXPECT_EQ(probed, 'F');
  EXPECT_EQ(s.DriveLetter, 'F');
  EXPECT_TRUE(s.SetLabel);
  EXPECT_EQ(s.Label, "Generic");
  EXPECT_EQ(s.FileSystemIndex, 3);
  EXPECT_EQ(s.Message, "The current file system of " + entry +
                           " is exFAT.\r\nYou can format it to FAT, FAT32, NTFS, or EXFAT.\r\n");
}

TEST(SelectDevice, CdfsLeavesTheSelectionAndATypedLabelStays) {
  char probed = 0;
  DeviceSelection s = SelectDevice("Reader (1 GB) (G:\\)", 0, "MINE", [&](char l) { return Probe(l, "CDFS", probed); });
  EXPECT_FALSE(s.SetLabel);
  EXPECT_EQ(s.FileSystemIndex, -1);
  EXPECT_NE(s.Message.find(" is CDFS."), std::string::npos);
}

TEST(SelectDevice, CRootAndFallbackRootKeepThePreviousLetter) {
  char probed = 0;
  auto probe = [&](char l) { return Probe(l, "NTFS", probed); };
  EXPECT_EQ(SelectDevice("Disk (9 GB) (C:\\)", 'e', "x", probe).DriveLetter, 'e');
  EXPECT_EQ(probed, 'e');  // the remembered letter is probed
  EXPECT_EQ(SelectDevice("E:\\", 'g', "x", probe).DriveLetter, 'g');
  DeviceSelection none = SelectDevice("E:\\", 0, "x", probe);
  EXPECT_EQ(none.DriveLetter, 0);
  EXPECT_EQ(none.FileSystemIndex, -1);
  EXPECT_TRUE(none.Message.empty());
}

TEST(SelectDevice, AnEmptyListProbesNothingAndLogsNoFileSystemLine) {
  char probed = 0;
  DeviceSelection s = SelectDevice("", 'q', "x", [&](char l) { return Probe(l, "RAW", probed); });
  EXPECT_EQ(s.DriveLetter, 'q');  // kept for the next entry that names none
  EXPECT_EQ(probed, 0);
  EXPECT_EQ(s.FileSystemIndex, -1);
  EXPECT_TRUE(s.Message.empty());
}

TEST(FileSystemIndex, ComparesUpperCased) {
  EXPECT_EQ(FileSystemIndex("ntfs"), 0);
  EXPECT_EQ(FileSystemIndex("FAT"), 1);
  EXPECT_EQ(FileSystemIndex("Fat32"), 2);
  EXPECT_EQ(FileSystemIndex("RAW"), -1);
}

}  // namespace
}  // namespace sw
