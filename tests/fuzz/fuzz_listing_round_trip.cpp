// The companion tool's listing written and read back: drives and volumes
// of any size, type and file-system name go through FormatListing and then
// ParseToolOutput, which must give back exactly the removable drives and
// the first removable volume letter lying on each.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <string>
#include <vector>

#include "devices/tool_output.h"
#include "fuzz_check.h"
#include "marbolt/listing.h"

namespace {

// What the program must learn from the listing, worked out from the rows.
std::vector<std::string> ExpectedMap(const std::vector<marbolt::PhysicalDriveRow>& drives,
                                     const std::vector<marbolt::VolumeRow>& volumes,
                                     const std::map<char, int>& diskOf) {
  std::vector<std::string> numbers;
  for (const auto& drive : drives)
    if (drive.Removable && drive.Number > 0) numbers.push_back(std::to_string(drive.Number));
  for (const auto& volume : volumes) {
    if (volume.Type != "Removable" || volume.Letter < 'D') continue;
    const int disk = diskOf.at(volume.Letter);
    for (std::string& entry : numbers) {
      if (disk > 0 && entry == std::to_string(disk)) {
        entry += std::string("|") + volume.Letter;
        break;
      }
    }
  }
  return numbers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  static const char* const kTypes[] = {"Removable", "Fixed", "CD-ROM", "Network", "RAM Disk", "Unknown"};
  static const char* const kNames[] = {"", "NTFS", "FAT32", "exFAT", "Removable", "MBR", "GPT", "?", "RAW"};

  std::vector<marbolt::PhysicalDriveRow> drives;
  for (int number = 0; number < marbolt::kPhysicalDrivesProbed; ++number) {
    if (!input.ConsumeBool()) continue;
    drives.push_back({number, input.ConsumeIntegral<long long>(), input.ConsumeBool(),
                      kNames[input.ConsumeIntegralInRange<size_t>(0, 8)]});
  }
  std::vector<marbolt::VolumeRow> volumes;
  std::map<char, int> diskOf;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!input.ConsumeBool()) continue;
    volumes.push_back({letter, input.ConsumeIntegral<long long>(), kTypes[input.ConsumeIntegralInRange<size_t>(0, 5)],
                       kNames[input.ConsumeIntegralInRange<size_t>(0, 8)]});
    diskOf[letter] = input.ConsumeIntegralInRange<int>(0, 16);
  }

  const std::string listing = marbolt::FormatListing(drives, volumes);
  const std::vector<std::string> before{"sentinel"};
  std::vector<std::string> map = before;
  sw::ParseToolOutput(listing, map, [&diskOf](char letter) { return diskOf.at(letter); });
  std::vector<std::string> expected = ExpectedMap(drives, volumes, diskOf);
  if (expected.empty()) expected = before;
  FUZZ_CHECK(map == expected);
  return 0;
}
