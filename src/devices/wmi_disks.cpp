// Listing WMI disk drives into records and looking device entries up there.
#include "devices/wmi_disks.h"

#include <cmath>

#include "devices/device_list.h"
#include "devices/device_text.h"
#include "platform/locale.h"
#include "platform/text_rules.h"
#include "platform/wmi.h"

namespace sw {

namespace {

constexpr char kSeparator[] = "|||";
constexpr double kLargestCount = 9.2e18;  // below INT64_MAX, so the cast cannot overflow

std::string Label(const std::string& name) {  // the property name padded to 15 characters
  return name + std::string(name.size() < 15 ? 15 - name.size() : 0, ' ');
}

// Splits at the first three separators; the fourth field is the rest.
std::vector<std::string> SplitRecord(const std::string& record) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t at = record.find(kSeparator, start);
    if (at == std::string::npos) break;
    fields.push_back(record.substr(start, at - start));
    start = at + 3;
  }
  fields.push_back(record.substr(start));
  fields.resize(4);
  return fields;
}

// The number in front of `unit` in a size part, when the unit does not
// stand at its very beginning.
bool SizeBefore(const std::string& sizePart, const char* unit, long long& number) {
  const size_t at = sizePart.find(unit);
  if (at == std::string::npos || at == 0) return false;
  number = DigitsToInt(Trim(sizePart.substr(0, at)));
  return true;
}

}  // namespace

std::string WmiSizeNumber(double size, const std::string& thousandSeparator, std::string& unit) {
  const bool gigabytes = size / 1e9 >= 1;
  unit = gigabytes ? "GB" : "MB";
  const double scaled = size / (gigabytes ? 1e9 : 1e6);
  // An unreadable size (not a number, infinite, or past what a 64-bit count
  // holds) is no size, never a wrapped number.
  if (!std::isfinite(scaled) || std::fabs(scaled) >= kLargestCount) return {};
  // Halves go to the even neighbour, the rounding of the device entry's
  // printf formats, so the two texts of one disk agree.
  const double rounded = std::nearbyint(scaled);
  if (rounded == 0) return {};
  return FormatThousands(static_cast<long long>(rounded), thousandSeparator);
}

void ListWmiDiskRecords(IWmi& wmi, const std::string& thousandSeparator, std::vector<std::string>& records,
                        const std::function<void(const std::string&)>& log) {
  records.clear();
  auto services = wmi.ConnectServer(".", "root\\CIMV2", "", "");
  auto disks = services->ExecQuery("SELECT * FROM Win32_DiskDrive", "WQL", 32);
  while (auto disk = disks->Next()) {
    const std::string caption = disk->Property("Caption").AsText();
    log(Label("Caption") + caption);
    const std::string deviceId = disk->Property("DeviceID").AsText();
    log(Label("DeviceID") + deviceId);
    log(Label("Model") + disk->Property("Model").AsText());
    const std::string partitions = disk->Property("Partitions").AsText();
    log(Label("Partitions") + partitions);
    log(Label("PNPDeviceID") + disk->Property("PNPDeviceID").AsText());
    std::string unit;
    const std::string number = WmiSizeNumber(disk->Property("Size").AsNumber(), thousandSeparator, unit);
    log(Label("Size") + number + " " + unit);
    std::string record = caption + kSeparator + deviceId + kSeparator + partitions + kSeparator;
    if (!number.empty()) record += number + " " + unit;
    records.push_back(record);
    log("");
  }
}

bool LookupDiskRecord(const std::string& entry, const std::vector<std::string>& records, DiskLookup& lookup) {
  const std::string key = AsciiLower(ItemCaption(Trim(entry)));
  if (key.empty()) return false;
  for (const std::string& record : records) {
    const std::vector<std::string> f = SplitRecord(record);
    if (f[0].empty()) continue;
    const std::string caption = AsciiLower(f[0]);
    const bool allFilled = !f[1].empty() && !f[2].empty() && !f[3].empty();
    if (caption != key && !(caption.find(key) != std::string::npos && allFilled)) continue;

    lookup.DeviceId = f[1];
    const std::string lowerId = AsciiLower(f[1]);
    if (const size_t at = lowerId.find("physicaldrive"); at != std::string::npos)
      lookup.DriveNumber = DigitsToInt(lowerId.substr(at + 13));
    lookup.PartitionCount = DigitsToInt(f[2]);
    long long number = 0;
    if (SizeBefore(f[3], "GB", number)) {
      lookup.SizeUnit = "GB";
    } else if (SizeBefore(f[3], "MB", number)) {
      lookup.SizeUnit = "MB";
    } else {
      return true;
    }
    lookup.SizeNumber = number;
    lookup.SizeText = f[3];
    return true;
  }
  return false;
}

}  // namespace sw
