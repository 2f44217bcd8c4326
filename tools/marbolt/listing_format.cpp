// The fixed-column text of the listing. Every cell fits its column (the
// widest size, "9223372036.85 GB", has 16 characters), so the program's
// parser finds the Type column where the header puts it. Plain logic.
#include <cstdio>

#include "marbolt/listing.h"
#include "platform/text_rules.h"

namespace marbolt {

namespace {

std::string Columns(const std::string& name, const std::string& size, const std::string& type,
                    const std::string& partition) {
  char line[256];
  std::snprintf(line, sizeof line, "%-20s%17s %-10s%s", name.c_str(), size.c_str(), type.c_str(), partition.c_str());
  return sw::Trim(line);
}

}  // namespace

std::string FormatSize(long long bytes) {
  if (bytes < 0) bytes = 0;  // a broken geometry answer is no size, never a wider column
  char text[32];
  if (bytes >= 1000000000LL)
    std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / 1e9);
  else
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

std::string HeaderLine() { return Columns("Device Name", "Size", "Type", "Partition Type"); }

std::string FormatDriveLine(const PhysicalDriveRow& drive) {
  return Columns("\\\\.\\PhysicalDrive" + std::to_string(drive.Number), FormatSize(drive.Size),
                 drive.Removable ? "Removable" : "Fixed", drive.PartitionStyle);
}

std::string FormatVolumeLine(const VolumeRow& volume) {
  return Columns(std::string("\\\\.\\") + volume.Letter + ":", FormatSize(volume.Size), volume.Type,
                 volume.FileSystem.empty() ? "-" : volume.FileSystem);
}

std::string FormatListing(const std::vector<PhysicalDriveRow>& drives, const std::vector<VolumeRow>& volumes) {
  std::string text = HeaderLine() + "\r\n";
  for (const auto& drive : drives) text += FormatDriveLine(drive) + "\r\n";
  for (const auto& volume : volumes) text += FormatVolumeLine(volume) + "\r\n";
  return text;
}

}  // namespace marbolt
