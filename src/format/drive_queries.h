// The facts the format engine reads about a drive by its letter: sizes,
// volume label and file system, and whether it may be formatted at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sw::drive {

// True for a drive root: an ASCII letter and ":", optionally followed by
// "\" (E:\ or E:). Nothing else names a whole volume.
bool IsDriveRoot(const std::string& root);

// Whether an existing volume already has the requested file system. The
// names are compared exactly, letter case included: "exFAT" is not "EXFAT".
inline bool SameFileSystem(const std::string& existing, const std::string& requested) {
  return existing == requested;
}

// Total and free bytes of the drive with this letter; -1 when unreadable.
int64_t TotalBytes(char letter);
int64_t FreeBytes(char letter);

struct VolumeInfo {
  std::string label;
  std::string fileSystem;
};
// Label and file-system name of the volume of this letter; none when the
// volume cannot be read.
std::optional<VolumeInfo> ReadVolume(char letter);

// True for the system drive and for the drive that holds the program:
// formatting either would destroy the system or the running program.
bool IsProtectedDrive(char letter);

}  // namespace sw::drive
