// The companion tool's listing: one line per physical drive and one per
// volume under a header naming the columns "Device Name", "Size Type" and
// "Partition Type", in that order. Physical drive lines begin with
// \\.\PhysicalDriveN and volume lines with \\.\E:, and a removable device
// carries the word "Removable"; the program's drive map relies on exactly
// these parts.
#pragma once

#include <string>
#include <vector>

namespace sw {
class IDeviceIo;
}

namespace marbolt {

struct PhysicalDriveRow {
  int Number = 0;
  long long Size = 0;
  bool Removable = false;
  std::string PartitionStyle;  // MBR, GPT, RAW, or "?" when the layout cannot be read
};

struct VolumeRow {
  char Letter = 0;
  long long Size = 0;
  std::string Type;        // Removable, Fixed, CD-ROM, Network, RAM Disk, Unknown
  std::string FileSystem;  // empty when the volume cannot be read
};

inline constexpr int kPhysicalDrivesProbed = 16;

// Asks \\.\PhysicalDrive0 to 15 for their geometry and partition layout;
// drives that do not open or answer no geometry are left out.
std::vector<PhysicalDriveRow> ProbePhysicalDrives(sw::IDeviceIo& io);

// The logical drives with their type, size and file system.
std::vector<VolumeRow> ProbeVolumes();

// "64.00 GB" (decimal units), "512.0 MB" below a gigabyte.
std::string FormatSize(long long bytes);

std::string HeaderLine();
std::string FormatDriveLine(const PhysicalDriveRow& drive);
std::string FormatVolumeLine(const VolumeRow& volume);
std::string FormatListing(const std::vector<PhysicalDriveRow>& drives, const std::vector<VolumeRow>& volumes);

}  // namespace marbolt
