// The companion tool's listing: its lines feed the tool drive map, and the
// real tool runs under Wine and writes a listing the parser accepts.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "devices/companion_tool.h"
#include "fakes/fake_device_io.h"
#include "hwid/media_type.h"
#include "marbolt/listing.h"
#include "platform/text.h"

namespace sw {
namespace {

using fakes::FakeDeviceIo;

constexpr uint32_t kGeometryEx = 0x000700A0;
constexpr uint32_t kLayoutEx = 0x00070050;

std::vector<uint8_t> Geometry(uint32_t mediaType, int64_t size) {
  std::vector<uint8_t> bytes(32, 0);
  std::memcpy(bytes.data() + 8, &mediaType, 4);
  std::memcpy(bytes.data() + 24, &size, 8);
  return bytes;
}

std::vector<uint8_t> Layout(uint32_t style) {
  std::vector<uint8_t> bytes(48, 0);
  std::memcpy(bytes.data(), &style, 4);
  return bytes;
}

TEST(MarboltListing, ProbesDrivesAndWritesLinesThatFillTheDriveMap) {
  FakeDeviceIo io;
  io.Reply("\\\\.\\PhysicalDrive0", kGeometryEx, {true, Geometry(12, 500107862016LL)});
  io.Reply("\\\\.\\PhysicalDrive0", kLayoutEx, {true, Layout(1)});
  io.Reply("\\\\.\\PhysicalDrive1", kGeometryEx, {true, Geometry(11, 16008609792LL)});
  io.Reply("\\\\.\\PhysicalDrive12", kGeometryEx, {true, Geometry(11, 8004304896LL)});
  io.AddDevice("\\\\.\\PhysicalDrive3");  // opens but answers no geometry
  const auto drives = marbolt::ProbePhysicalDrives(io);
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(marbolt::FormatDriveLine(drives[0]), "\\\\.\\PhysicalDrive0          500.11 GB Fixed     GPT");
  EXPECT_EQ(drives[1].PartitionStyle, "?");
  EXPECT_EQ(io.openDevices, 0);

  const std::vector<marbolt::VolumeRow> volumes{{'C', 500000000000LL, "Fixed", "NTFS"},
                                                {'E', 16000000000LL, "Removable", "FAT32"},
                                                {'F', 8000000000LL, "Removable", ""}};
  const std::string listing = marbolt::FormatListing(drives, volumes);
  std::vector<std::string> map;
  ParseToolOutput(listing, map, [](char letter) { return letter == 'E' ? 1 : letter == 'F' ? 12 : 0; });
  EXPECT_EQ(map, (std::vector<std::string>{"1|E", "12|F"}));
}

TEST(MarboltListing, EveryMediaTypeButFixedIsRemovableAsInTheDeviceList) {
  FakeDeviceIo io;
  const uint32_t mediaTypes[] = {0, 11, 12, 19};  // unknown (card reader), removable, fixed, another
  for (int n = 0; n < 4; ++n)
    io.Reply("\\\\.\\PhysicalDrive" + std::to_string(n), kGeometryEx, {true, Geometry(mediaTypes[n], 1)});
  const auto drives = marbolt::ProbePhysicalDrives(io);
  ASSERT_EQ(drives.size(), 4u);
  for (int n = 0; n < 4; ++n)
    EXPECT_EQ(drives[n].Removable, IsRemovableMediaType(mediaTypes[n])) << mediaTypes[n];
  EXPECT_TRUE(drives[0].Removable);
  EXPECT_FALSE(drives[2].Removable);
}

TEST(MarboltListing, SizesOfATerabyteAndMoreKeepTheTypeColumnInPlace) {
  const std::vector<marbolt::PhysicalDriveRow> drives{{1, 2000398934016LL, true, "GPT"},
                                                      {2, INT64_MAX, true, "MBR"},
                                                      {3, -1, true, "MBR"}};
  const std::vector<marbolt::VolumeRow> volumes{{'E', 2000398934016LL, "Removable", "exFAT"}};
  std::vector<std::string> map;
  ParseToolOutput(marbolt::FormatListing(drives, volumes), map, [](char) { return 1; });
  EXPECT_EQ(map, (std::vector<std::string>{"1|E", "2", "3"}));
}

TEST(MarboltListing, HeaderNamesTheColumnsInOrder) {
  const std::string header = marbolt::HeaderLine();
  const size_t name = header.find("Device Name");
  const size_t size = header.find("Size Type");
  ASSERT_NE(name, std::string::npos);
  ASSERT_NE(size, std::string::npos);
  EXPECT_LT(name, size);
  EXPECT_LT(size, header.find("Partition Type"));
}

std::string BuildRoot() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder = folder.substr(0, folder.find_last_of(L'\\'));  // tests\devices
  folder = folder.substr(0, folder.find_last_of(L'\\'));  // tests
  return Narrow(folder.substr(0, folder.find_last_of(L'\\')));
}

TEST(MarboltListing, TheRealToolRunsHiddenAndItsListingParses) {
  const std::string output = RunAndCapture(CompanionToolCommandLine(BuildRoot()));
  std::printf("%s", output.c_str());
  const std::vector<std::string> lines = SplitLines(output);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], marbolt::HeaderLine());
  bool systemDrive = false;
  for (const std::string& line : lines) systemDrive = systemDrive || line.starts_with("\\\\.\\C:");
  EXPECT_TRUE(systemDrive);
  // Wine's one physical drive is fixed, so the map keeps what it had; a
  // listing without a usable header would keep it just the same, so the
  // header is checked above.
  std::vector<std::string> map{"9|Z"};
  ParseToolOutput(output, map, [](char) { return 0; });
  EXPECT_EQ(map, (std::vector<std::string>{"9|Z"}));
}

}  // namespace
}  // namespace sw
