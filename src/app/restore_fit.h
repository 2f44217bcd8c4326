// The restore plan: before the stick is erased, the backed-up files are laid
// out on paper on the file system the format will make, so that a restore
// which could not succeed (no room after cluster rounding, a file too large
// for FAT32, a full FAT top folder, a name the target cannot hold) stops the
// run while the files are still on the stick. Plain logic: no system calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sw {

// One file to restore: its path relative to the drive's root, with
// backslashes (UTF-8), and its size in bytes.
struct RestoreFile {
  std::string path;
  uint64_t size = 0;
};

// What the restore will write: the files, and the folders as relative paths
// ending in "\" (parents of files that are not listed are added).
struct RestoreContent {
  std::vector<RestoreFile> files;
  std::vector<std::string> folders;
};

enum class FitProblem {
  None,
  NoRoom,          // files, folders and the file system's structures exceed the volume
  FileTooLarge,    // a file at or above the file system's size limit
  TopFolderFull,   // FAT: more entries in the top folder than its fixed area holds
  FolderFull,      // FAT, FAT32: more entries in one folder than a folder may hold
  BadName,         // a name with a character the target forbids, empty, or too long
  CaseClash,       // two names in one folder that differ only in letter case
  Unsupported,     // a file system index or cluster size the planner does not know
};

// No file system is suggested.
inline constexpr int kNoFileSystem = -1;

struct RestoreFit {
  bool fits = false;
  FitProblem problem = FitProblem::None;
  // What the files and folders take in whole clusters (with NTFS their file
  // records), and what the file system's own structures take (with the part
  // of the volume too small for a whole cluster): together the bytes needed.
  uint64_t dataBytes = 0;
  uint64_t structureBytes = 0;
  uint64_t NeededBytes() const {
    return dataBytes > UINT64_MAX - structureBytes ? UINT64_MAX : dataBytes + structureBytes;
  }
  uint64_t volumeBytes = 0;
  // The room the files have: the volume less the structures.
  uint64_t AvailableBytes() const { return volumeBytes - structureBytes; }
  // How many bytes are missing (NoRoom only).
  uint64_t shortfallBytes = 0;
  // The first file or folder at fault (relative path), empty for NoRoom.
  std::string offendingPath;
  // The first reason in words, with a way out when there is one; empty when it fits.
  std::string reason;
  // A file system (index of the FileSystem list) that would hold the files
  // with the same cluster size; kNoFileSystem when none would or it fits.
  int suggestedFileSystem = kNoFileSystem;
};

// Plans `content` onto a new volume of `volumeBytes` (the partition's size:
// the format keeps the partition) with `fileSystemIndex` (0 NTFS, 1 FAT,
// 2 FAT32, 3 exFAT) and `clusterSize` bytes per cluster (a power of two from
// 512 to 65536). The checks run in this order and the first failing one is
// reported: names, letter case, file size limit, folder entries, room.
RestoreFit PlanRestore(const RestoreContent& content, int fileSystemIndex, uint32_t clusterSize,
                       uint64_t volumeBytes);

// The allocation unit the format should use: 65536 when the files fit with
// it, else 32768 when they fit with that (the caller says so and formats
// with 32 KiB first), else 0: nothing may be erased, and `fit` holds the
// 64 KiB plan with its reason.
struct ClusterChoice {
  uint32_t clusterSize = 0;
  RestoreFit fit;             // the plan for clusterSize; the 64 KiB plan when 0
  uint64_t neededWith64K = 0; // bytes needed with 64 KiB clusters
};
ClusterChoice ChooseClusterSize(const RestoreContent& content, int fileSystemIndex, uint64_t volumeBytes);

// The log line of a plan: "The files need 3.1 GB of 7.4 GB with 64 KiB
// clusters." (the needed bytes against the volume's), with the 32 KiB
// fallback named, or "The files do not fit on the new volume: <reason>".
std::string ClusterChoiceLine(const ClusterChoice& choice, const std::string& decimalSeparator = ".");

}  // namespace sw
