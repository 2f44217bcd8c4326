#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "devices/volume_probe.h"
#include "fakes/fake_device_io.h"

namespace sw {
namespace {

using fakes::FakeDeviceIo;
using fakes::ScriptedReply;

constexpr uint32_t kDiskExtents = 0x00560000;

std::vector<uint8_t> Extents(uint32_t count, uint32_t firstDisk) {
  std::vector<uint8_t> bytes(8 + 24 * (count == 0 ? 1 : count), 0);
  std::memcpy(bytes.data(), &count, 4);
  std::memcpy(bytes.data() + 8, &firstDisk, 4);
  return bytes;
}

TEST(VolumeDiskNumber, FirstExtentsDiskOpenedForReadAndWrite) {
  FakeDeviceIo io;
  io.Reply("\\\\.\\E:", kDiskExtents, {true, Extents(2, 3)});
  EXPECT_EQ(VolumeDiskNumber(io, 'E'), 3);
  ASSERT_EQ(io.openOptions.size(), 1u);
  EXPECT_EQ(io.openOptions[0].desiredAccess, static_cast<uint32_t>(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(io.openOptions[0].shareMode, static_cast<uint32_t>(FILE_SHARE_READ | FILE_SHARE_WRITE));
  ASSERT_EQ(io.calls.size(), 1u);
  EXPECT_EQ(io.calls[0].outputSize, 260u);
  EXPECT_EQ(io.openDevices, 0);
}

TEST(VolumeDiskNumber, LowEightBitsOfTheDiskNumber) {
  FakeDeviceIo io;
  io.Reply("\\\\.\\F:", kDiskExtents, {true, Extents(1, 257)});
  EXPECT_EQ(VolumeDiskNumber(io, 'F'), 1);
}

TEST(VolumeDiskNumber, NoExtentsUnopenableOrFailedRequestGiveZero) {
  FakeDeviceIo io;
  io.Reply("\\\\.\\E:", kDiskExtents, {true, Extents(0, 5)});
  io.openErrors["\\\\.\\G:"] = ERROR_ACCESS_DENIED;
  io.AddDevice("\\\\.\\H:");  // every request fails
  EXPECT_EQ(VolumeDiskNumber(io, 'E'), 0);
  EXPECT_EQ(VolumeDiskNumber(io, 'G'), 0);
  EXPECT_EQ(VolumeDiskNumber(io, 'H'), 0);
  EXPECT_EQ(io.openDevices, 0);
}

TEST(GetDriveFileSystem, MissingDriveReadsRawAndTheSystemDriveHasAName) {
  char missing = 0;
  for (char letter = 'Z'; letter >= 'D' && missing == 0; --letter)
    if ((GetLogicalDrives() & (1u << (letter - 'A'))) == 0) missing = letter;
  ASSERT_NE(missing, 0);
  EXPECT_EQ(GetDriveFileSystem(missing), "RAW");
  EXPECT_NE(GetDriveFileSystem('C'), "");
}

}  // namespace
}  // namespace sw
