// The real-capacity check as a stage of the run: a check that cannot run
// says why and the run goes on; a stop during the check leaves the stick's
// sectors as they were and nothing erased.
#include "start_fixture.h"

#include "testbed/sim_raw_disks.h"

namespace sw::testing {
namespace {

class CapacityStageTest : public StartTest {
 protected:
  void Prepare() {
    PrepareWindow(0, false);
    PutFile(Root() + "a.txt", "hello");
    form->OptCheckCapacity()->SetChecked(true);
    Answer({true, false});
  }
  testbed::Machine machine;
};

TEST_F(CapacityStageTest, ACheckThatCannotRunSaysWhyAndTheRunGoesOn) {
  testbed::SimulatedDrive fixed;
  fixed.letter = Letter();
  fixed.sizeBytes = 8010194944;
  fixed.mediaType = 12;
  machine.drives = {fixed};
  testbed::SimulatedRawDisks disks(machine);
  const std::pair<IRawDisks*, std::string> cases[] = {
      {nullptr, "this program has no access to whole disks"},
      {&disks, "it is not a removable USB disk"},
  };
  for (const auto& [rawDisks, why] : cases) {
    services.rawDisks = rawDisks;
    Prepare();
    PressStart();
    EXPECT_TRUE(RunLogHas("The real capacity of drive " + DriveName() + " could not be checked: " + why + "."));
    EXPECT_TRUE(RunLogHas(kSuccess)) << why;
    form.reset();
  }
}

TEST_F(CapacityStageTest, CancelDuringTheCheckPutsEverySectorBackAndErasesNothing) {
  testbed::SimulatedDrive stick;
  stick.letter = Letter();
  stick.sizeBytes = 8010194944;
  stick.capacity = {2LL << 30, true, false, 8};  // 2 GiB that wrap, behind an 8 MiB cache
  machine.drives = {stick};
  testbed::SimulatedRawDisks disks(machine);
  services.rawDisks = &disks;
  Prepare();
  taskbar.onProgress = [this, clicked = false]() mutable {
    if (clicked || form->lblBottomMsg->Caption().rfind("Checking the real capacity", 0) != 0) return;
    clicked = true;
    PostMessageW(form->btnCancel->Handle(), BM_CLICK, 0, 0);
  };
  PressStart();
  EXPECT_TRUE(RunLogHas("Cancelled by User"));
  for (const std::string& line : RunLog()) EXPECT_EQ(line.find("counterfeit"), std::string::npos) << "stopped first";
  EXPECT_FALSE(RunLogHas("Format USB drive..."));
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_EQ(FilesBelow(Root()), std::vector<std::string>{"a.txt"});
  const TSimBlockDevice* flash = disks.Flash(Letter());
  ASSERT_NE(flash, nullptr);
  EXPECT_GT(flash->BytesWritten(), 0u);
  EXPECT_TRUE(flash->ChangedOffsets().empty());
  ExpectCancelledState();
}

}  // namespace
}  // namespace sw::testing
