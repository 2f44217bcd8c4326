#include "format/format_limits.h"

#include "platform/text_rules.h"

namespace sw {
namespace {

constexpr std::uint64_t kSectorBytes = 512;

// The label lengths the file systems store, in UTF-16 units.
size_t LongestLabel(const std::string& fileSystem) { return fileSystem == "NTFS" ? 32 : 11; }

size_t Utf16Units(const std::string& label) {
  size_t units = 0;
  for (const char32_t c : DecodeUtf8(label)) units += c > 0xFFFF ? 2 : 1;
  return units;
}

// The cluster-count rule of FAT and FAT32 for one cluster size.
TFormatLimit FatLimit(bool fat32, std::uint64_t volumeBytes, std::uint32_t clusterBytes) {
  if (fat32 && volumeBytes > kFat32LargestVolume) return TFormatLimit::VolumeTooBig;
  const std::uint64_t clusters = FatDataClusters(fat32, volumeBytes, clusterBytes);
  const std::uint64_t fewest = fat32 ? kFat32FewestClusters : kFatFewestClusters;
  if (clusters < fewest)
    return clusterBytes <= kSectorBytes ? TFormatLimit::VolumeTooSmall : TFormatLimit::ClusterSizeTooBig;
  if (!fat32 && clusters > kFatMostClusters)
    return clusterBytes >= 65536 ? TFormatLimit::VolumeTooBig : TFormatLimit::ClusterSizeTooSmall;
  return TFormatLimit::Ok;
}

}  // namespace

std::uint64_t FatDataClusters(bool fat32, std::uint64_t volumeBytes, std::uint32_t clusterBytes) {
  const std::uint64_t sectors = volumeBytes / kSectorBytes;
  const std::uint64_t perCluster = clusterBytes < kSectorBytes ? 1 : clusterBytes / kSectorBytes;
  const std::uint64_t reserved = fat32 ? 32 : 1;
  const std::uint64_t topFolder = fat32 ? 0 : 32;  // 512 entries of 32 bytes
  if (sectors <= reserved + topFolder) return 0;
  // The table size that covers the clusters it leaves, two tables.
  std::uint64_t divisor = 256 * perCluster + 2;
  if (fat32) divisor /= 2;
  const std::uint64_t tableSectors = (sectors - reserved - topFolder + divisor - 1) / divisor;
  const std::uint64_t used = reserved + topFolder + 2 * tableSectors;
  return sectors > used ? (sectors - used) / perCluster : 0;
}

TFormatLimit FormatLimitOf(const std::string& fileSystem, std::uint64_t volumeBytes, std::uint32_t clusterBytes,
                           const std::string& label) {
  const std::string name = AsciiUpper(fileSystem);
  if (Utf16Units(label) > LongestLabel(name)) return TFormatLimit::BadLabel;
  if (name == "FAT" || name == "FAT32") {
    const bool fat32 = name == "FAT32";
    if (clusterBytes != 0) return FatLimit(fat32, volumeBytes, clusterBytes);
    // With a cluster of its own choice the library refuses only a volume no cluster size fits.
    if (FatLimit(fat32, volumeBytes, 65536) == TFormatLimit::VolumeTooBig) return TFormatLimit::VolumeTooBig;
    if (FatLimit(fat32, volumeBytes, 512) == TFormatLimit::VolumeTooSmall) return TFormatLimit::VolumeTooSmall;
    return TFormatLimit::Ok;
  }
  // NTFS and exFAT count clusters in 32 bits: only a tiny volume is refused.
  if (volumeBytes < (1u << 20)) return TFormatLimit::VolumeTooSmall;
  return TFormatLimit::Ok;
}

const char* FormatLimitName(TFormatLimit limit) {
  switch (limit) {
    case TFormatLimit::Ok: return "accepted";
    case TFormatLimit::VolumeTooBig: return "volume too big";
    case TFormatLimit::VolumeTooSmall: return "volume too small";
    case TFormatLimit::ClusterSizeTooBig: return "cluster size too big";
    case TFormatLimit::ClusterSizeTooSmall: return "cluster size too small";
    case TFormatLimit::BadLabel: return "bad label";
  }
  return "refused";
}

}  // namespace sw
