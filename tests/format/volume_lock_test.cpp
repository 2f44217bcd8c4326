// The volume lock before the format: taken, and released before the library's call, which locks the volume itself.
// A volume another program holds is retried for five seconds, then the user is asked whether to force it closed.
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <tuple>

#include "engine_fixture.h"

namespace sw::testing {
namespace {

using VolumeLockTest = EngineTest;

// Each row: the lock's answers once no other program holds the volume, the answer to "force it closed?" (-1: no
// one to ask), whether the library finds the volume in use itself. Every lock granted is released and every handle
// closed, all before the library's call. The rows run in turn on one engine: none may leave anything behind.
TEST_F(VolumeLockTest, TheVolumeIsLockedRetriedOrForcedClosedAsTheUserChoosesAndFreeForTheLibrarysCall) {
  const fakes::ScriptedReply ok{}, denied{false, {}, ERROR_ACCESS_DENIED};
  const std::string path = DevicePath(root[0]), r = root + " ", done = "formatted", busy = "Drive In Use: " + root;
  enum Volume { kFree, kHeld, kOwned };  // held by another program until dismounted, or open only to it
  const struct Case {
    Volume volume; std::vector<fakes::ScriptedReply> locks; int answer; bool libraryInUse; std::string outcome;
    int questions; size_t waits, lockRequests; std::vector<std::string> lines = {};  // in the log, in this order
  } cases[] = {
      {kFree, {}, 1, false, done, 0, 0, 1},                    // refused for another reason: the library locks it
      {kFree, {denied, denied, ok}, 0, false, done, 0, 2, 3},  // let go while retried
      {kHeld, {ok}, 1, false, done, 1, 5, 7, {r + "Drive In Use by Another Program", r + "Forcing the Drive Closed"}},
      {kHeld, {}, 0, false, "not formatted", 1, 5, 6, {r + "Format Not Attempted: Drive Left As It Is"}},
      {kHeld, {}, -1, false, busy, 0, 0, 1}, {kOwned, {}, 1, false, busy, 1, 5, 0, {r + "Forcing the Drive Closed"}},
      {kFree, {ok}, 1, true, "not formatted", 0, 0, 1, {"Format Disk: Volume In-Use"}},
      {kFree, {ok}, 1, false, done, 0, 0, 1, {r + "Starting to Format Drive"}}};
  auto state = [this] {  // locks and unlocks asked for, dismounts, handles open
    return std::make_tuple(deviceIo.CallCount(FSCTL_LOCK_VOLUME), deviceIo.CallCount(FSCTL_UNLOCK_VOLUME),
                           deviceIo.dismounted.size(), deviceIo.openDevices);
  };
  for (const Case& c : cases) {
    deviceIo = fakes::FakeDeviceIo();
    c.volume == kHeld ? deviceIo.HoldVolume(path) : deviceIo.AddDevice(path);
    if (c.volume == kOwned) deviceIo.openErrors[path] = ERROR_SHARING_VIOLATION;
    for (const auto& reply : c.locks) deviceIo.Reply(path, FSCTL_LOCK_VOLUME, reply);
    int questions = 0;
    engine->onVolumeInUse = c.answer < 0 ? TVolumeInUseEvent() : [&] { ++questions; return c.answer == 1; };
    decltype(state()) atCall;
    library.beforeCommand = [&](size_t) { atCall = state(); };
    library.script = {LibraryCommand::Code(fmifs::kVolumeInUse), LibraryCommand::Done(!c.libraryInUse)};
    if (!c.libraryInUse) library.script.erase(library.script.begin());
    infos.clear(), waits.clear(), library.formatCalls.clear();
    std::string outcome;
    try {
      outcome = engine->FormatDisk(root, 0, IndexOf(DriveFileSystem()), "x", false, 65536) ? done : "not formatted";
    } catch (const FmtChkException& error) {
      outcome = error.Message();
    }
    EXPECT_EQ(std::make_tuple(outcome, questions, waits, engine->DeclinedInUse(), engine->VolumeInUse()),
              std::make_tuple(c.outcome, c.questions, std::vector<uint32_t>(c.waits, 1000), c.questions && !c.answer,
                              c.libraryInUse));
    EXPECT_EQ(state(), std::make_tuple(c.lockRequests, !c.locks.empty(), c.volume == kHeld && c.answer == 1, 0));
    EXPECT_EQ(library.formatCalls.empty() ? state() : atCall, state()) << outcome;  // the call found all done
    EXPECT_EQ(std::count(infos.begin(), infos.end(), r + "Drive In Use by Another Program"), c.questions) << outcome;
    auto at = infos.begin();
    for (const std::string& line : c.lines) EXPECT_NE(at = std::find(at, infos.end(), line), infos.end()) << line;
  }
  library.script = {LibraryCommand::Code(fmifs::kVolumeInUse), LibraryCommand::Done(false)};
  EXPECT_TRUE(!engine->CheckDisk(root, false, true, true, true) && engine->VolumeInUse());
}

}  // namespace
}  // namespace sw::testing
