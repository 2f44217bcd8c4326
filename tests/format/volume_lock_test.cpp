// The volume before the format: locked, then left to the library (which
// locks it itself); a volume another program holds is retried, then the
// user is asked whether to force it closed; the library's own "volume in
// use"; and the new volume's size as the restore plan reads it.
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>

#include "engine_fixture.h"
#include "format/drive_queries.h"
#include "format/volume_capacity.h"

namespace sw::testing {
namespace {

class VolumeLockTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (IsSkipped()) return;
    library.script = {LibraryCommand::Done(true)};
    library.beforeCommand = [this](size_t index) {
      if (index == 0) openDuringCall = deviceIo.openDevices;
    };
  }
  std::string Volume() const { return DevicePath(root[0]); }
  void Lockable() {
    deviceIo.Reply(Volume(), FSCTL_LOCK_VOLUME, {});
    deviceIo.Reply(Volume(), FSCTL_UNLOCK_VOLUME, {});
  }
  void AnswerInUse(bool forceClosed) {
    engine->onVolumeInUse = [this, forceClosed] { return ++questions, forceClosed; };
  }
  bool Format() { return engine->FormatDisk(root, 0, IndexOf(DriveFileSystem()), "x", false, 65536); }
  int questions = 0;
  int openDuringCall = -1;
};

TEST_F(VolumeLockTest, AHeldVolumeIsRetriedThenClosedByForceOnlyOnYes) {
  const std::vector<uint32_t> fiveSeconds(5, 1000);
  struct Case {
    bool held, handler, force, formats;
    size_t questions, dismounts;
    std::vector<uint32_t> waits;
  } cases[] = {
      {false, true, true, true, 0, 0, {}},               // free: locked and formatted, nothing asked
      {true, true, true, true, 1, 1, fiveSeconds},       // Yes: dismounted, then formatted
      {true, true, false, false, 1, 0, fiveSeconds},     // No: left as it is
      {true, false, false, false, 0, 0, {}},             // no handler: refused at once, as before
  };
  for (const Case& c : cases) {
    deviceIo.heldVolumes.clear();
    deviceIo.dismounted.clear();
    deviceIo.devices.clear();
    waits.clear();
    questions = 0;
    library.formatCalls.clear();
    if (c.held) deviceIo.HoldVolume(Volume());
    Lockable();
    engine->onVolumeInUse = nullptr;
    if (c.handler) AnswerInUse(c.force);
    bool formatted = false;
    try {
      formatted = Format();
    } catch (const FmtChkException& error) {
      EXPECT_EQ(error.Message(), "Drive In Use: " + root);
    }
    EXPECT_EQ(formatted, c.formats) << c.held << c.force;
    EXPECT_EQ(static_cast<size_t>(questions), c.questions);
    EXPECT_EQ(deviceIo.dismounted.size(), c.dismounts);
    EXPECT_EQ(waits, c.waits);
    EXPECT_EQ(engine->DeclinedInUse(), c.held && c.handler && !c.force);
    EXPECT_EQ(library.formatCalls.size(), c.formats ? 1u : 0u);
    if (c.formats) {
      EXPECT_EQ(openDuringCall, 0) << "our handle would keep the library from its own lock";
    }
    EXPECT_EQ(deviceIo.openDevices, 0);
  }
}

TEST_F(VolumeLockTest, TheLibrarysOwnVolumeInUseIsLoggedByNameAndRemembered) {
  Lockable();
  library.script = {LibraryCommand::Code(fmifs::kVolumeInUse), LibraryCommand::Done(false)};
  EXPECT_FALSE(Format());
  EXPECT_TRUE(engine->VolumeInUse());
  EXPECT_NE(std::find(infos.begin(), infos.end(), "Format Disk: Volume In-Use"), infos.end());
  library.script = {LibraryCommand::Done(false)};
  EXPECT_FALSE(Format());
  EXPECT_FALSE(engine->VolumeInUse());  // each operation starts without it
}

TEST_F(VolumeLockTest, TheNewVolumesSizeIsThePartitionLengthElseTheFileSystemsTotal) {
  std::vector<uint8_t> small(sizeof(GET_LENGTH_INFORMATION));
  const int64_t length = 64LL << 20;
  std::memcpy(small.data(), &length, sizeof(length));
  deviceIo.Reply(Volume(), IOCTL_DISK_GET_LENGTH_INFO, {true, small, 0});
  EXPECT_EQ(drive::VolumeCapacity(&deviceIo, root[0]), length);
  deviceIo.devices.clear();
  deviceIo.Reply(Volume(), IOCTL_DISK_GET_LENGTH_INFO, {false, {}, ERROR_INVALID_FUNCTION});
  EXPECT_EQ(drive::VolumeCapacity(&deviceIo, root[0]), drive::TotalBytes(root[0]));
}

}  // namespace
}  // namespace sw::testing
