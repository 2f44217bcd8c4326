// The rules the speed-up operation applies before it touches a drive: which
// drive the selected device names, which drives must never be formatted,
// the file-system size rules, the media kind, and whether a folder lies on
// the drive about to be formatted.
#pragma once

#include <string>

namespace sw {

// File-system indices of the FileSystem list.
inline constexpr int kFsNtfs = 0;
inline constexpr int kFsFat = 1;
inline constexpr int kFsFat32 = 2;
inline constexpr int kFsExfat = 3;

// The drive letter the operation works on: the letter the selected device
// entry names, as "(L:\)" at its end or as a bare root "L:\", in the case
// `selectedLetter` keeps when both name the same drive. 0 when the entry
// names no drive, so that nothing is ever built from an empty letter.
char OperationDriveLetter(const std::string& entry, char selectedLetter);

// FAT is refused on a disk of 2 GB and more; a size in "MB" never is.
bool FatSizeRefused(int fileSystemIndex, long long sizeNumber, const std::string& sizeUnit);
// FAT32 draws the file-size question on a disk of 4 GB and more.
bool Fat32SizeWarned(int fileSystemIndex, long long sizeNumber, const std::string& sizeUnit);

// 1 (floppy media) for drives A and B, 0 (disk media) for every other drive.
int MediaKindOf(char driveLetter);

// True when the two letters name the same drive (letter case ignored).
bool SameDriveLetter(char a, char b);

// The upper-case letter of the drive that `path` lies on once made absolute;
// 0 for a path without a drive letter (a network path, for example).
char DriveLetterOfPath(const std::string& path);

// The drive holding the running system, and the one holding this program.
char SystemDriveLetter();
char ProgramDriveLetter();
// The full path of the running executable.
std::string ProgramPath();
// The folder "backup" beside the executable.
std::string DefaultBackupFolder();

}  // namespace sw
