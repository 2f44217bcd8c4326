#include <windows.h>
#include <winioctl.h>

#include "engine_fixture.h"
#include "format/volume_capacity.h"

using VolumeCapacityTest = sw::testing::EngineTest;

TEST_F(VolumeCapacityTest, TheNewVolumesSizeIsThePartitionLengthAskedReadOnlyAndSharedElseTheFileSystemTotal) {
  const int64_t total = sw::drive::VolumeCapacity(nullptr, root[0]);  // no device service
  const std::pair<sw::fakes::ScriptedReply, int64_t> cases[] = {{{true, {0, 0, 0, 4, 0, 0, 0, 0}}, 64 << 20},
      {{true, {0, 0, 0, 4}}, total}, {{false, {}, 1}, total}, {{true, std::vector<uint8_t>(8)}, total}};
  for (const auto& [reply, expected] : cases) {
    deviceIo.devices.clear(), deviceIo.Reply(DevicePath(root[0]), IOCTL_DISK_GET_LENGTH_INFO, reply);
    EXPECT_EQ(sw::drive::VolumeCapacity(&deviceIo, root[0]), expected);
    EXPECT_TRUE(deviceIo.openOptions.back().desiredAccess == GENERIC_READ &&
                deviceIo.openOptions.back().shareMode == (FILE_SHARE_READ | FILE_SHARE_WRITE));
  }
  EXPECT_EQ(sw::drive::VolumeCapacity(&deviceIo, sw::testing::WineDrive::UnusedLetter()), -1);  // no volume, no drive
}
