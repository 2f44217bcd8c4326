// The new volume's size as the restore plan reads it: the partition length
// the volume reports, else the file system's total.
#include <windows.h>
#include <winioctl.h>

#include <cstring>

#include "engine_fixture.h"
#include "format/drive_queries.h"
#include "format/volume_capacity.h"

namespace sw::testing {
namespace {

using VolumeCapacityTest = EngineTest;

std::vector<uint8_t> LengthBytes(int64_t length) {
  std::vector<uint8_t> bytes(sizeof(GET_LENGTH_INFORMATION));
  std::memcpy(bytes.data(), &length, sizeof(length));
  return bytes;
}

TEST_F(VolumeCapacityTest, ThePartitionLengthWinsAndTheFileSystemTotalStandsIn) {
  const char letter = root[0];
  const int64_t total = drive::TotalBytes(letter);
  ASSERT_GT(total, 0);
  struct Case {
    const char* what;
    fakes::ScriptedReply reply;
    int64_t expected;
  };
  const Case cases[] = {
      {"a small partition", {true, LengthBytes(64LL << 20), 0}, 64LL << 20},
      {"a short answer", {true, std::vector<uint8_t>(4, 0xFF), 0}, total},
      {"a refused query", {false, {}, ERROR_INVALID_FUNCTION}, total},
      {"a length of zero", {true, LengthBytes(0), 0}, total},
  };
  for (const Case& c : cases) {
    deviceIo.devices.clear();
    deviceIo.Reply(DevicePath(letter), IOCTL_DISK_GET_LENGTH_INFO, c.reply);
    EXPECT_EQ(drive::VolumeCapacity(&deviceIo, letter), c.expected) << c.what;
  }
  // Asked with read access, shared with whoever has the stick open, and closed again.
  EXPECT_EQ(deviceIo.openOptions.back().desiredAccess, static_cast<uint32_t>(GENERIC_READ));
  EXPECT_EQ(deviceIo.openOptions.back().shareMode, static_cast<uint32_t>(FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_EQ(deviceIo.openDevices, 0);

  deviceIo.openErrors[DevicePath(letter)] = ERROR_ACCESS_DENIED;
  EXPECT_EQ(drive::VolumeCapacity(&deviceIo, letter), total);
  EXPECT_EQ(drive::VolumeCapacity(nullptr, letter), total);
  EXPECT_EQ(drive::VolumeCapacity(nullptr, WineDrive::UnusedLetter()), -1);
}

}  // namespace
}  // namespace sw::testing
