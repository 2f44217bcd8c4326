#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "devices/wmi_disks.h"
#include "fakes/fake_wmi.h"
#include "platform/exceptions.h"

namespace sw {
namespace {

using fakes::FakeWmi;
using fakes::WmiObjectData;

const std::string kDiskQuery = "SELECT * FROM Win32_DiskDrive";

WmiObjectData Disk(const std::string& caption, WmiValue size) {
  return {{"Caption", WmiValue::Text(caption)},
          {"DeviceID", WmiValue::Text("\\\\.\\PHYSICALDRIVE1")},
          {"Model", WmiValue::Text(caption)},
          {"Partitions", WmiValue::Integer(1)},
          {"PNPDeviceID", WmiValue::Text("USBSTOR\\DISK")},
          {"Size", size}};
}

struct Listed {
  std::vector<std::string> records;
  std::vector<std::string> log;
};

Listed List(FakeWmi& wmi, const std::string& thousands = ",") {
  Listed out;
  ListWmiDiskRecords(wmi, thousands, out.records, [&out](const std::string& line) { out.log.push_back(line); });
  return out;
}

TEST(ListWmiDiskRecords, RecordsRoundTheSizeAndGroupItsThousands) {
  FakeWmi wmi;
  wmi.Answer(kDiskQuery, {Disk("Small USB Device", WmiValue::Text("999999999")),
                          Disk("Exact USB Device", WmiValue::Text("1000000000")),
                          Disk("Big USB Device", WmiValue::Text("2000398934016"))});
  Listed listed = List(wmi, ".");
  EXPECT_EQ(listed.records, (std::vector<std::string>{
                                "Small USB Device|||\\\\.\\PHYSICALDRIVE1|||1|||1.000 MB",
                                "Exact USB Device|||\\\\.\\PHYSICALDRIVE1|||1|||1 GB",
                                "Big USB Device|||\\\\.\\PHYSICALDRIVE1|||1|||2.000 GB",
                            }));
  ASSERT_EQ(wmi.queries.size(), 1u);
  EXPECT_EQ(wmi.queries[0].language, "WQL");
  EXPECT_EQ(wmi.queries[0].flags, 32);
}

TEST(WmiSizeNumber, HalvesRoundToEvenAndUnreadableSizesAreNoSize) {
  struct Case {
    double size;
    const char* number;
    const char* unit;
  };
  const Case cases[] = {
      {2500000, "2", "MB"},  {3500000, "4", "MB"}, {2.5e9, "2", "GB"},
      {500000, "", "MB"},    // rounds to zero
      {std::numeric_limits<double>::infinity(), "", "GB"},
      {std::numeric_limits<double>::quiet_NaN(), "", "MB"},
      {1e30, "", "GB"},
  };
  for (const Case& c : cases) {
    std::string unit;
    EXPECT_EQ(WmiSizeNumber(c.size, ",", unit), c.number) << c.size;
    EXPECT_EQ(unit, c.unit) << c.size;
  }
}

TEST(ListWmiDiskRecords, ASizeTextOfInfOrNanGivesARecordWithoutSize) {
  FakeWmi wmi;
  wmi.Answer(kDiskQuery, {Disk("Odd USB Device", WmiValue::Text("inf")), Disk("Odd USB Device", WmiValue::Text("nan")),
                          Disk("Odd USB Device", WmiValue::Text("1e30"))});
  for (const std::string& record : List(wmi).records) EXPECT_EQ(record, "Odd USB Device|||\\\\.\\PHYSICALDRIVE1|||1|||");
}

TEST(ListWmiDiskRecords, LogsEveryPropertyWithFifteenCharacterLabels) {
  FakeWmi wmi;
  wmi.Answer(kDiskQuery, {Disk("Small USB Device", WmiValue::Text("999999999"))});
  EXPECT_EQ(List(wmi).log, (std::vector<std::string>{
                               "Caption        Small USB Device",
                               "DeviceID       \\\\.\\PHYSICALDRIVE1",
                               "Model          Small USB Device",
                               "Partitions     1",
                               "PNPDeviceID    USBSTOR\\DISK",
                               "Size           1,000 MB",
                               "",
                           }));
}

TEST(ListWmiDiskRecords, NullValuesReadAsEmptyOrZero) {
  FakeWmi wmi;
  wmi.Answer(kDiskQuery, {{{"Caption", WmiValue::Text("Card Reader")}}});
  Listed listed = List(wmi);
  EXPECT_EQ(listed.records, (std::vector<std::string>{"Card Reader|||||||||"}));
  EXPECT_EQ(listed.log[5], "Size            MB");  // written even without a number
}

TEST(ListWmiDiskRecords, AFailureInTheMiddleKeepsTheRecordsListedBeforeIt) {
  FakeWmi wmi;
  wmi.Answer(kDiskQuery, {Disk("One", WmiValue::Integer(8000000000)), Disk("Two", WmiValue::Integer(1))});
  wmi.FailAfter(kDiskQuery, 1);
  std::vector<std::string> records{"stale"};
  EXPECT_THROW(ListWmiDiskRecords(wmi, ",", records, [](const std::string&) {}), Exception);
  EXPECT_EQ(records, (std::vector<std::string>{"One|||\\\\.\\PHYSICALDRIVE1|||1|||8 GB"}));
}

const std::vector<std::string> kRecords{
    "Generic Flash Disk USB Device|||\\\\.\\PHYSICALDRIVE1|||1|||",  // size part missing
    "generic flash disk|||\\\\.\\PHYSICALDRIVE2|||2|||",
    "Generic Flash Disk USB Device|||\\\\.\\PHYSICALDRIVE3|||1|||1,000 MB",
    "Generic Flash Disk 2nd|||\\\\.\\PHYSICALDRIVE4|||1|||8 GB",
};

TEST(LookupDiskRecord, ExactCaptionMatchesWithoutASize) {
  DiskLookup lookup{-1, "unchanged", -1, -1, "unit", "text"};
  ASSERT_TRUE(LookupDiskRecord("Generic Flash Disk (7.46 GB) (F:\\)", kRecords, lookup));
  EXPECT_EQ(lookup.DeviceId, "\\\\.\\PHYSICALDRIVE2");
  EXPECT_EQ(lookup.DriveNumber, 2);
  EXPECT_EQ(lookup.PartitionCount, 2);
  EXPECT_EQ(lookup.SizeNumber, -1);  // no size part: the size outputs stay
  EXPECT_EQ(lookup.SizeUnit, "unit");
  EXPECT_EQ(lookup.SizeText, "text");
}

TEST(LookupDiskRecord, ContainedKeyNeedsAllFourFieldsAndTheFirstRecordWins) {
  const std::vector<std::string> records(kRecords.begin() + 2, kRecords.end());
  DiskLookup lookup;
  ASSERT_TRUE(LookupDiskRecord(" Generic Flash (1000 MB) ", {kRecords[0], records[0], records[1]}, lookup));
  EXPECT_EQ(lookup.DriveNumber, 3);
  EXPECT_EQ(lookup.SizeNumber, 1000);
  EXPECT_EQ(lookup.SizeUnit, "MB");
  EXPECT_EQ(lookup.SizeText, "1,000 MB");
}

TEST(LookupDiskRecord, FallbackRootsAndUnknownDisksMatchNothing) {
  DiskLookup lookup{7, "id", 7, 7, "GB", "7 GB"};
  EXPECT_FALSE(LookupDiskRecord("E:\\", kRecords, lookup));
  EXPECT_FALSE(LookupDiskRecord("Other Disk (1 GB)", kRecords, lookup));
  EXPECT_FALSE(LookupDiskRecord("|||x (1 GB)", {"|||x|||1|||1 GB"}, lookup));  // empty caption skipped
  EXPECT_EQ(lookup.DeviceId, "id");
  EXPECT_EQ(lookup.SizeNumber, 7);
}

}  // namespace
}  // namespace sw
