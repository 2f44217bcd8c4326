// The device list's texts: the entry of an offered drive, the caption key of
// an entry, the proposed volume label, the drive letter an entry carries,
// and the file-system preselection and message that follow a selection.
#pragma once

#include <functional>
#include <string>

namespace sw {

// "1024 MB" below 2^30 bytes, else "14.91 GB" (units of powers of two, the
// decimal separator from the locale).
std::string DeviceSizeText(long long size, const std::string& decimalSeparator);

// Vendor + " " + product + " (" + size text + ")" and, with a root, " (E:\)".
// An empty vendor still gives its blank.
std::string DeviceEntryText(const std::string& vendor, const std::string& product, long long size,
                            const std::string& root, const std::string& decimalSeparator);

// The text in front of the first "(", trimmed; empty when there is none or
// it is the first character.
std::string ItemCaption(const std::string& text);

// A volume label proposed from an entry: its first word (at most 11
// characters, counted in UTF-8 characters, not bytes), else the text inside its first parentheses without blanks,
// else "USB".
std::string MakeVolumeLabel(const std::string& text);

// The letter an entry ends with as "(L:\)", when it is a letter other than C
// or c (case kept); 0 otherwise. Fallback roots such as "E:\" give 0.
char EntryDriveLetter(const std::string& entry);

// The FileSystem index that a file-system name selects (NTFS 0, FAT 1,
// FAT32 2, EXFAT 3, compared upper-cased); -1 for any other name.
int FileSystemIndex(const std::string& fileSystem);

// The two-line log message naming the selected entry's current file system.
std::string FileSystemMessage(const std::string& entry, const std::string& fileSystem);

// What selecting an entry changes: the remembered drive letter, the
// proposed label (only when the label box is empty), the file-system index
// to preselect (-1 leaves it) and the log message (empty for none).
struct DeviceSelection {
  char DriveLetter = 0;
  bool SetLabel = false;
  std::string Label;
  int FileSystemIndex = -1;
  std::string Message;
};

// cbDeviceChange's decision for the selected `entry`. `fileSystemOf` probes
// the file system of a drive letter.
DeviceSelection SelectDevice(const std::string& entry, char previousLetter, const std::string& currentLabel,
                             const std::function<std::string(char)>& fileSystemOf);

}  // namespace sw
