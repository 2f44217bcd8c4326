// The hidden WMI disk list: one record per Win32_DiskDrive,
// Caption|||DeviceID|||Partitions|||size part, and the lookup of a device
// entry in it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sw {

class IWmi;

// "1,000 MB" / "15 GB" in decimal units with the thousands separator, halves
// rounded to even; the number is empty (and so is the result) when it rounds
// to zero or the size is unreadable (infinite, not a number, too large).
std::string WmiSizeNumber(double size, const std::string& thousandSeparator, std::string& unit);

// Clears `records` and lists every WMI disk drive into it, writing each
// disk's properties through `log`. WMI failures are raised; the records
// appended before a failure stay.
void ListWmiDiskRecords(IWmi& wmi, const std::string& thousandSeparator, std::vector<std::string>& records,
                        const std::function<void(const std::string&)>& log);

// What LookupDiskRecord found; outputs that were not found keep the values
// the caller set.
struct DiskLookup {
  int DriveNumber = 0;
  std::string DeviceId;
  int PartitionCount = 0;
  long long SizeNumber = 0;
  std::string SizeUnit;
  std::string SizeText;
};

// Finds the first record whose caption equals the entry's caption key
// (ignoring case), or contains it when all four fields are filled, and
// copies its fields into `lookup`. False when nothing matches.
bool LookupDiskRecord(const std::string& entry, const std::vector<std::string>& records, DiskLookup& lookup);

}  // namespace sw
