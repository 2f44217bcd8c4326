// The limits the system's format library enforces: the largest volume it
// formats as FAT32, the cluster counts FAT and FAT32 must stay within, and
// the longest volume label of each file system. The program checks them
// before anything is backed up or erased, so a format the library would
// refuse never leaves the files in the backup only; the testbed's library
// refuses by the same rules. Plain logic: no system calls.
#pragma once

#include <cstdint>
#include <string>

namespace sw {

// The library's answers to a request it refuses before touching the volume.
enum class TFormatLimit {
  Ok,
  VolumeTooBig,         // FAT32 over 32 GiB, or FAT past what 64 KiB clusters can count
  VolumeTooSmall,       // too few clusters even at 512 bytes each
  ClusterSizeTooBig,    // too few clusters of this size for the file system
  ClusterSizeTooSmall,  // too many clusters of this size for the file system
  BadLabel,             // a label longer than the file system stores
};

inline constexpr std::uint64_t kFat32LargestVolume = 32ull << 30;
inline constexpr std::uint64_t kFat32FewestClusters = 65525;
inline constexpr std::uint64_t kFatFewestClusters = 4085;
inline constexpr std::uint64_t kFatMostClusters = 65524;

// The data clusters a new FAT (or FAT32) volume of `volumeBytes` gets with
// clusters of `clusterBytes`: what is left after the reserved sectors, the
// two allocation tables and (FAT) the fixed top folder, sized as the format does.
std::uint64_t FatDataClusters(bool fat32, std::uint64_t volumeBytes, std::uint32_t clusterBytes);

// Whether the library formats a volume of `volumeBytes` with `fileSystem`
// ("NTFS", "FAT", "FAT32", "EXFAT", any case) and `clusterBytes` (0: its
// own choice), and `label` (UTF-8); the first limit that refuses it.
TFormatLimit FormatLimitOf(const std::string& fileSystem, std::uint64_t volumeBytes, std::uint32_t clusterBytes,
                           const std::string& label = {});

// The library's name for a refusal, as the log gives it: "volume too big".
const char* FormatLimitName(TFormatLimit limit);

}  // namespace sw
