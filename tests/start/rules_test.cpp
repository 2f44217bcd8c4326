// The operation's rules on their own: the drive an entry names, the size
// rules, the media kind, and the drive a folder lies on.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cwctype>

#include "app/backup_marker.h"
#include "app/label_rules.h"
#include "app/speedup_rules.h"

namespace sw {
namespace {

TEST(SpeedUpRulesTest, TheDriveLetterIsTheOneTheSelectedEntryNames) {
  EXPECT_EQ(OperationDriveLetter("Generic Flash Disk (7.46 GB) (F:\\)", 'F'), 'F');
  EXPECT_EQ(OperationDriveLetter("Generic Flash Disk (7.46 GB) (f:\\)", 'f'), 'f');
  // The case as remembered when both name the same drive.
  EXPECT_EQ(OperationDriveLetter("  Generic Flash Disk (7.46 GB) (F:\\)  ", 'f'), 'f');
  // An entry without a letter part: no drive, whatever letter is remembered.
  EXPECT_EQ(OperationDriveLetter("Generic Flash Disk (7.46 GB)", 'F'), 0);
  EXPECT_EQ(OperationDriveLetter("Generic Flash Disk (7.46 GB)", 0), 0);
  // A bare root names its own drive, not a letter remembered from another entry.
  EXPECT_EQ(OperationDriveLetter("E:\\", 0), 'E');
  EXPECT_EQ(OperationDriveLetter("E:\\", 'F'), 'E');
  EXPECT_EQ(OperationDriveLetter("", 'F'), 0);
  EXPECT_EQ(OperationDriveLetter("1:\\", 0), 0);
  // The system drive's entry names its drive, so that it is refused as such.
  EXPECT_EQ(OperationDriveLetter("Local Disk (C:\\)", 0), 'C');
}

TEST(SpeedUpRulesTest, FatIsRefusedFromTwoGigabytesAndFat32WarnedFromFour) {
  EXPECT_TRUE(FatSizeRefused(kFsFat, 2, "GB"));
  EXPECT_TRUE(FatSizeRefused(kFsFat, 64, "GB"));
  EXPECT_FALSE(FatSizeRefused(kFsFat, 1, "GB"));
  EXPECT_FALSE(FatSizeRefused(kFsFat, 1000, "MB"));  // a size in MB never is
  EXPECT_FALSE(FatSizeRefused(kFsFat, 0, ""));       // no disk record
  EXPECT_FALSE(FatSizeRefused(kFsFat32, 8, "GB"));
  EXPECT_FALSE(FatSizeRefused(kFsNtfs, 8, "GB"));

  EXPECT_TRUE(Fat32SizeWarned(kFsFat32, 4, "GB"));
  EXPECT_FALSE(Fat32SizeWarned(kFsFat32, 3, "GB"));
  EXPECT_FALSE(Fat32SizeWarned(kFsFat32, 4000, "MB"));
  EXPECT_FALSE(Fat32SizeWarned(kFsExfat, 8, "GB"));
}

TEST(SpeedUpRulesTest, DrivesAAndBAreFloppyMedia) {
  EXPECT_EQ(MediaKindOf('A'), 1);
  EXPECT_EQ(MediaKindOf('b'), 1);
  EXPECT_EQ(MediaKindOf('C'), 0);
  EXPECT_EQ(MediaKindOf('e'), 0);
  EXPECT_EQ(MediaKindOf('Z'), 0);
}

TEST(SpeedUpRulesTest, AFolderLiesOnTheDriveItsFullPathNames) {
  EXPECT_EQ(DriveLetterOfPath("e:\\backup"), 'E');
  EXPECT_EQ(DriveLetterOfPath("\\\\?\\E:\\backup"), 'E');
  EXPECT_EQ(DriveLetterOfPath("E:"), 'E');
  EXPECT_EQ(DriveLetterOfPath("\\\\server\\share\\backup"), 0);
  EXPECT_EQ(DriveLetterOfPath(""), 0);
  // A relative path lies on the drive of the current folder.
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_EQ(DriveLetterOfPath("backup"), static_cast<char>(towupper(current[0])));
  EXPECT_TRUE(SameDriveLetter('e', 'E'));
  EXPECT_FALSE(SameDriveLetter(0, 0));
}

TEST(SpeedUpRulesTest, TheSystemAndProgramDrivesAreKnown) {
  EXPECT_EQ(SystemDriveLetter(), 'C');
  const std::string program = ProgramPath();
  ASSERT_GE(program.size(), 3u);
  EXPECT_EQ(ProgramDriveLetter(), static_cast<char>(toupper(program[0])));
  EXPECT_EQ(DefaultBackupFolder(), program.substr(0, program.find_last_of('\\')) + "\\backup");
}

TEST(LabelRulesTest, EachFileSystemTakesItsOwnLengthAndCharacters) {
  struct Case {
    int fileSystem;
    const char* label;
    const char* problem;  // a part of the reason; empty when the label is taken
  } cases[] = {
      {kFsFat32, "STICK", ""},
      {kFsFat32, "ELEVENCHARS", ""},
      {kFsFat32, "TWELVECHARSS", "is 12 characters long; FAT32 allows at most 11"},
      {kFsFat, "A.B", "the character ."},
      {kFsFat32, "A*B?C", "the character *"},
      {kFsFat32, "M\xC3\xBCller", ""},                        // a letter of the old code pages
      {kFsFat32, "A\xF0\x9F\x98\x80", "cannot store"},         // an emoji
      {kFsExfat, "ELEVEN_CHAR", ""},
      {kFsExfat, "TWELVE_CHARS", "at most 11"},
      {kFsExfat, "A|B", "the character |"},
      {kFsNtfs, "A Label With Thirty-Two Chars 32", ""},
      {kFsNtfs, "A Label With Thirty-Three Chars 33", "at most 32"},
      {kFsNtfs, "Stick \xF0\x9F\x98\x80", ""},
      {kFsNtfs, "A/B", "the character /"},
      {kFsNtfs, "A\tB", "control character"},
      {kFsNtfs, "A\r\nB", "control character"},
      {kFsNtfs, "A\xC3", "not valid UTF-8"},
  };
  for (const Case& c : cases) {
    const std::string problem = LabelProblem(c.label, c.fileSystem);
    if (*c.problem == 0)
      EXPECT_EQ(problem, "") << c.label;
    else
      EXPECT_NE(problem.find(c.problem), std::string::npos) << c.label << ": " << problem;
  }
}

TEST(BackupMarkerTest, TheNoteReadsBackAndOnlyAClearRestoredFreesTheFolder) {
  const TBackupMarker written{"E:\\", "2026-12-08 10:45:12", 3012, 1234567890, false,
                              {{"a.txt", 5, 0x0123456789abcdefull}, {"docs\\my notes  .txt", 0, 0}}};
  const std::optional<TBackupMarker> read = ParseBackupMarker(FormatBackupMarker(written));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->drive, "E:\\");
  EXPECT_EQ(read->started, "2026-12-08 10:45:12");
  EXPECT_EQ(read->files, 3012);
  EXPECT_EQ(read->bytes, 1234567890);
  EXPECT_FALSE(read->restored);
  // The list keeps every path as written, blanks included, with its size and hash.
  ASSERT_EQ(read->list.size(), 2u);
  EXPECT_EQ(read->list[0].hash, 0x0123456789abcdefull);
  EXPECT_EQ(read->list[1].relativePath, "docs\\my notes  .txt");
  EXPECT_EQ(read->list[1].size, 0);
  // A damaged list line makes the note unreadable rather than shorter.
  EXPECT_FALSE(ParseBackupMarker("Stickwise backup\nstate=restored\nfile=5 0123 a.txt\n"));
  EXPECT_FALSE(ParseBackupMarker("Stickwise backup\nstate=restored\nfile=5 0123456789abcdef\n"));
  EXPECT_TRUE(ParseBackupMarker("Stickwise backup\nstate=restored\n")->restored);
  EXPECT_FALSE(ParseBackupMarker("Stickwise backup\nstate=RESTORED\n")->restored);
  EXPECT_FALSE(ParseBackupMarker("Stickwise backup\n")->restored);
  EXPECT_FALSE(ParseBackupMarker("my own notes\nstate=restored\n"));
  EXPECT_FALSE(ParseBackupMarker("Stickwise backup\nfiles=12x\n"));
}

}  // namespace
}  // namespace sw
