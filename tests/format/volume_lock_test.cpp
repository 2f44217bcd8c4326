// The volume lock before the format: taken, and released before the library
// call (which locks the volume itself); a volume another program holds is retried, then the user is
// asked whether to force it closed; and the library's own "volume in use".
#include <windows.h>
#include <winioctl.h>

#include <algorithm>

#include "engine_fixture.h"

namespace sw::testing {
namespace {

class VolumeLockTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (IsSkipped()) return;
    library.script = {LibraryCommand::Done(true)};
    // What the volume looks like to the library when its call starts.
    library.beforeCommand = [this](size_t index) {
      if (index != 0) return;
      openDuringCall = deviceIo.openDevices;
      locksBeforeCall = deviceIo.CallCount(FSCTL_LOCK_VOLUME);
      unlocksBeforeCall = deviceIo.CallCount(FSCTL_UNLOCK_VOLUME);
      dismountsBeforeCall = deviceIo.dismounted.size();
    };
  }

  std::string Volume() const { return DevicePath(root[0]); }
  // A volume that locks and unlocks (after a dismount, for a held one).
  void Lockable() {
    deviceIo.Reply(Volume(), FSCTL_LOCK_VOLUME, {});
    deviceIo.Reply(Volume(), FSCTL_UNLOCK_VOLUME, {});
  }
  void AnswerInUse(bool forceClosed) {
    engine->onVolumeInUse = [this, forceClosed] {
      ++questions;
      return forceClosed;
    };
  }
  bool Format() { return engine->FormatDisk(root, 0, IndexOf(DriveFileSystem()), "x", false, 65536); }
  std::string FormatError() {
    try {
      Format();
    } catch (const FmtChkException& error) {
      return error.Message();
    }
    return "no exception";
  }
  bool HasInfo(const std::string& line) const { return std::find(infos.begin(), infos.end(), line) != infos.end(); }
  long PositionOf(const std::string& line) const {
    return static_cast<long>(std::find(infos.begin(), infos.end(), line) - infos.begin());
  }

  int questions = 0;
  int openDuringCall = -1;
  size_t locksBeforeCall = 0, unlocksBeforeCall = 0, dismountsBeforeCall = 0;
  const std::vector<uint32_t> kFiveSeconds = std::vector<uint32_t>(5, 1000);
};

TEST_F(VolumeLockTest, TheLockIsTakenBeforeTheLibraryCallAndLeftToTheLibraryForIt) {
  Lockable();
  AnswerInUse(true);
  ASSERT_TRUE(Format());
  EXPECT_EQ(openDuringCall, 0);
  EXPECT_EQ(locksBeforeCall, 1u);
  EXPECT_EQ(unlocksBeforeCall, 1u);
  EXPECT_EQ(deviceIo.CallCount(FSCTL_UNLOCK_VOLUME), 1u);
  EXPECT_EQ(deviceIo.openDevices, 0);
  // Nothing to ask, nothing waited for, nothing new in the log.
  EXPECT_EQ(questions, 0);
  EXPECT_TRUE(waits.empty());
  EXPECT_FALSE(HasInfo(root + " Drive In Use by Another Program"));
  EXPECT_FALSE(engine->DeclinedInUse());
  EXPECT_FALSE(engine->VolumeInUse());
}

TEST_F(VolumeLockTest, AVolumeThatCannotBeLockedForAnotherReasonIsFormattedWithoutOurHandle) {
  // No scripted lock answer: the request fails with ERROR_INVALID_FUNCTION.
  AnswerInUse(true);
  ASSERT_TRUE(Format());
  EXPECT_EQ(openDuringCall, 0);  // an open unlocked handle would keep the library from its own lock
  EXPECT_EQ(deviceIo.CallCount(FSCTL_LOCK_VOLUME), 1u);
  EXPECT_EQ(questions, 0);
  EXPECT_TRUE(waits.empty());
}

TEST_F(VolumeLockTest, AProgramThatLetsGoWhileTheLockIsRetriedIsNeverAskedAbout) {
  const fakes::ScriptedReply held{false, {}, ERROR_ACCESS_DENIED};
  deviceIo.Reply(Volume(), FSCTL_LOCK_VOLUME, held);
  deviceIo.Reply(Volume(), FSCTL_LOCK_VOLUME, held);
  Lockable();
  AnswerInUse(false);
  ASSERT_TRUE(Format());
  EXPECT_EQ(questions, 0);
  EXPECT_EQ(waits, (std::vector<uint32_t>{1000, 1000}));
  EXPECT_EQ(openDuringCall, 0);
}

// A volume another program holds, with the user's answer to "force it closed?".
TEST_F(VolumeLockTest, YesDismountsTheHeldVolumeThenFormatsIt) {
  deviceIo.HoldVolume(Volume());
  Lockable();
  AnswerInUse(true);
  ASSERT_TRUE(Format());
  EXPECT_EQ(questions, 1);
  EXPECT_EQ(waits, kFiveSeconds);  // six attempts, five seconds apart in all
  EXPECT_EQ(deviceIo.dismounted, std::vector<std::string>{Volume()});
  EXPECT_EQ(dismountsBeforeCall, 1u);
  EXPECT_EQ(locksBeforeCall, 7u);  // six refused, one after the dismount
  EXPECT_EQ(openDuringCall, 0);
  EXPECT_EQ(deviceIo.openDevices, 0);
  EXPECT_LT(PositionOf(root + " Drive In Use by Another Program"), PositionOf(root + " Forcing the Drive Closed"));
  EXPECT_LT(PositionOf(root + " Forcing the Drive Closed"), PositionOf(root + " Starting to Format Drive"));
  EXPECT_FALSE(engine->DeclinedInUse());
}

TEST_F(VolumeLockTest, NoLeavesTheDriveUntouchedAndSaysTheUserDeclined) {
  deviceIo.HoldVolume(Volume());
  AnswerInUse(false);
  EXPECT_FALSE(Format());
  EXPECT_TRUE(engine->DeclinedInUse());
  EXPECT_FALSE(engine->VolumeInUse());
  EXPECT_EQ(questions, 1);
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_TRUE(deviceIo.dismounted.empty());
  EXPECT_EQ(deviceIo.openDevices, 0);
  EXPECT_EQ(infos.back(), root + " Format Not Attempted: Drive Left As It Is");

  // The next format starts afresh.
  deviceIo.heldVolumes.clear();
  Lockable();
  EXPECT_TRUE(Format());
  EXPECT_FALSE(engine->DeclinedInUse());
}

TEST_F(VolumeLockTest, WithoutAHandlerAHeldVolumeIsRefusedAtOnceAsBefore) {
  deviceIo.HoldVolume(Volume());
  EXPECT_EQ(FormatError(), "Drive In Use: " + root);
  EXPECT_TRUE(waits.empty());
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_TRUE(deviceIo.dismounted.empty());
  EXPECT_EQ(deviceIo.openDevices, 0);
}

TEST_F(VolumeLockTest, AVolumeThatCannotEvenBeOpenedSharedCannotBeForcedClosed) {
  deviceIo.openErrors[Volume()] = ERROR_SHARING_VIOLATION;
  AnswerInUse(true);
  EXPECT_EQ(FormatError(), "Drive In Use: " + root);
  EXPECT_EQ(questions, 1);
  EXPECT_EQ(waits, kFiveSeconds);
  EXPECT_TRUE(library.formatCalls.empty());
}

TEST_F(VolumeLockTest, TheLibrarysOwnVolumeInUseIsLoggedByNameAndRemembered) {
  Lockable();
  library.script = {LibraryCommand::Code(fmifs::kVolumeInUse), LibraryCommand::Done(false)};
  EXPECT_FALSE(Format());
  EXPECT_TRUE(engine->VolumeInUse());
  EXPECT_FALSE(engine->DeclinedInUse());
  EXPECT_TRUE(HasInfo("Format Disk: Volume In-Use"));

  library.script = {LibraryCommand::Done(false)};
  EXPECT_FALSE(Format());
  EXPECT_FALSE(engine->VolumeInUse());  // each operation starts without it

  library.script = {LibraryCommand::Code(fmifs::kVolumeInUse), LibraryCommand::Done(false)};
  EXPECT_FALSE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_TRUE(engine->VolumeInUse());
}

}  // namespace
}  // namespace sw::testing
