// The allocation units the format may use on this drive, decided before
// anything is asked, backed up or erased: the limits of the system's format
// library (FAT32 up to 32 GiB, the cluster counts of FAT and FAT32) either
// refuse the file system outright, or rule out 64 KiB (the format then
// starts with 32 KiB) or the 32 KiB retry. Plain logic: no system calls.
#pragma once

#include <cstdint>
#include <string>

namespace sw {

struct TFormatPlan {
  std::uint32_t firstCluster = 65536;
  bool smallerRetry = true;  // a failed first try may be repeated with 32 KiB
  std::string refusal;       // why the drive cannot be formatted so; empty when it can
  std::string note;          // a line for the log when 64 KiB is ruled out
};

// For the file system with this index (0 NTFS, 1 FAT, 2 FAT32, 3 exFAT) and
// its name as the list shows it, on a volume of `volumeBytes`; `drive` is
// "Q:" and `decimal` the separator sizes are written with.
TFormatPlan PlanFormat(int fileSystemIndex, const std::string& fileSystemName, std::uint64_t volumeBytes,
                       const std::string& drive, const std::string& decimal);

}  // namespace sw
