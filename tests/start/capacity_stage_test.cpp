// The real-capacity check as a stage of the run: a check that cannot run
// says why and asks whether the run goes on; a stop during the check leaves the stick's
// sectors as they were and nothing erased; the journal of a check that was
// cut off is put back at the next start, and one for another disk or a
// damaged one is kept and never applied.
#include "start_fixture.h"

#include "app/capacity_journal.h"
#include "capacity/capacity_probe.h"
#include "platform/text.h"
#include "testbed/sim_device_io.h"
#include "testbed/sim_raw_disks.h"

namespace sw::testing {
namespace {

constexpr std::uint64_t kMiB = 1 << 20, kGiB = 1 << 30;

// Every transfer after `calls` fails, as when the program is killed or the
// stick pulled out: nothing more reaches the flash.
class CutOffDisk : public TForwardingBlockDevice {
 public:
  CutOffDisk(IBlockDevice& inner, std::uint64_t calls) : TForwardingBlockDevice(inner), left_(calls) {}
  bool Read(std::uint64_t offset, void* data, std::uint32_t size, std::uint32_t& error) override {
    return Alive(error) && TForwardingBlockDevice::Read(offset, data, size, error);
  }
  bool Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) override {
    return Alive(error) && TForwardingBlockDevice::Write(offset, data, size, error);
  }

 private:
  bool Alive(std::uint32_t& error) {
    if (left_ > 0) return --left_, true;
    error = 1167;
    return false;
  }
  std::uint64_t left_;
};

// A check of `disk` cut off after `calls` transfers; its journal's path.
std::string CutOffCheck(IBlockDevice& disk, std::uint64_t calls) {
  std::string why;
  std::unique_ptr<TCapacityJournalFile> journal = TCapacityJournalFile::Create(JournalFolderWithoutBackup(), disk, why);
  EXPECT_NE(journal, nullptr) << why;
  if (!journal) return {};
  CutOffDisk cutOff(disk, calls);
  TProbeOptions options;
  options.runTag = 0xc0ffee;
  options.journal = [&](const std::vector<TSavedBlockView>& blocks, std::string& why) { return journal->Append(blocks, why); };
  const TProbeResult result = ProbeCapacity(cutOff, options, TProbePlan{16 * kMiB});
  EXPECT_FALSE(result.notPutBack.empty());
  return journal->Path();
}

bool FileExists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

class CapacityStageTest : public StartTest {
 protected:
  void Prepare(bool check = true) {
    PrepareWindow(0, false);
    PutFile(Root() + "a.txt", "hello");
    form->OptCheckCapacity()->SetChecked(check);
    Answer({true, false});
  }
  // The stick's volumes answer as the testbed's do, so the check's locks
  // reach the simulated disk, which refuses writes under unlocked volumes.
  void UseStick(testbed::CapacityBehaviour capacity) {
    testbed::SimulatedDrive stick;
    stick.letter = Letter();
    stick.sizeBytes = 8010194944;
    stick.capacity = capacity;
    machine.drives = {stick};
    services.rawDisks = &disks;
    services.deviceIo = &simulatedIo;
  }
  bool RunLogHasPrefix(const std::string& prefix) const {
    for (const std::string& line : RunLog())
      if (line.rfind(prefix, 0) == 0) return true;
    return false;
  }
  testbed::Machine machine;
  testbed::SimulatedRawDisks disks{machine};
  testbed::SimulatedDeviceIo simulatedIo{machine, io};
};

TEST_F(CapacityStageTest, ACheckThatCannotRunSaysWhyAndGoesOnOnlyOnYes) {
  testbed::SimulatedDrive fixed;
  fixed.letter = Letter();
  fixed.sizeBytes = 8010194944;
  fixed.mediaType = 12;
  machine.drives = {fixed};
  const struct {
    IRawDisks* rawDisks;
    std::string why;
    bool goOn;
  } cases[] = {
      {nullptr, "this program has no access to whole disks", true},
      {&disks, "it is not a removable USB disk", true},
      {&disks, "it is not a removable USB disk", false},
  };
  for (const auto& c : cases) {
    services.rawDisks = c.rawDisks;
    Prepare();
    Answer({true, false, c.goOn});
    PressStart();
    const std::string line = "The real capacity of drive " + DriveName() + " could not be checked: " + c.why + ".";
    EXPECT_TRUE(RunLogHas(line));
    ASSERT_EQ(Questions().size(), 3u);
    EXPECT_EQ(Questions()[2], line + "\r\n\r\nGo on without the check? Nothing has been erased yet.");
    EXPECT_EQ(RunLogHas(kSuccess), c.goOn) << c.why;
    EXPECT_EQ(library.formatCalls.empty(), !c.goOn);
    form.reset();
    dialogs.shown.clear();
    library.formatCalls.clear();
  }
}

TEST_F(CapacityStageTest, CancelDuringTheSearchPutsEverySectorBackAndErasesNothing) {
  UseStick({2LL << 30, true, false, 8});  // 2 GiB that wrap, behind an 8 MiB cache
  Prepare();
  // Cancel once the status line counts the check's blocks.
  std::string counted;
  taskbar.onProgress = [this, &counted]() mutable {
    const std::string caption = form->lblBottomMsg->Caption();
    if (!counted.empty() || caption.rfind("Checking the real capacity: ", 0) != 0) return;
    counted = caption;
    PostMessageW(form->btnCancel->Handle(), BM_CLICK, 0, 0);
  };
  PressStart();
  EXPECT_NE(counted.find(" blocks"), std::string::npos) << counted;
  EXPECT_TRUE(RunLogHas("Cancelled by User"));
  for (const std::string& line : RunLog()) EXPECT_EQ(line.find("counterfeit"), std::string::npos) << "stopped first";
  EXPECT_FALSE(RunLogHas("Format USB drive..."));
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_EQ(FilesBelow(Root()), std::vector<std::string>{"a.txt"});
  const TSimBlockDevice* flash = disks.Flash(Letter());
  ASSERT_NE(flash, nullptr);
  EXPECT_GT(flash->BytesWritten(), 0u);
  EXPECT_TRUE(flash->ChangedOffsets().empty());
  EXPECT_FALSE(FileExists(JournalFolderWithoutBackup() + "stickwise-capacity-journal.bin"));
  ExpectCancelledState();
}

TEST_F(CapacityStageTest, TheNextStartPutsBackWhatACheckCutOffLeftChanged) {
  UseStick({2LL << 30, false, true, 8});  // 2 GiB, writes past it lost, behind an 8 MiB cache
  std::string why, journal;
  {
    std::unique_ptr<IBlockDevice> disk = disks.OpenDiskOf(Letter(), why);
    ASSERT_NE(disk, nullptr) << why;
    machine.drives[0].volumeLocked[0] = true;  // as the check locks it
    journal = CutOffCheck(*disk, 900);         // among the first round's writes
    machine.drives[0].volumeLocked[0] = false;
  }
  const TSimBlockDevice* flash = disks.Flash(Letter());
  ASSERT_FALSE(flash->ChangedOffsets().empty());
  Prepare(false);
  PressStart();
  EXPECT_TRUE(RunLogHasPrefix("Put back ")) << "the journal is named when applied";
  EXPECT_TRUE(flash->ChangedOffsets().empty());
  EXPECT_FALSE(FileExists(journal));
  EXPECT_TRUE(RunLogHas(kSuccess));
}

TEST_F(CapacityStageTest, AJournalForAnotherDiskOrADamagedOneIsKeptAndNeverApplied) {
  UseStick({});
  std::string why;
  TSimBlockDevice other({.claimedBytes = 2 * kGiB, .identity = "Other Stick 42"});
  const std::vector<std::byte> zeros(512);
  auto otherJournal = TCapacityJournalFile::Create(JournalFolderWithoutBackup(), other, why);
  ASSERT_NE(otherJournal, nullptr) << why;
  ASSERT_TRUE(otherJournal->Append({{kMiB, zeros.data(), 512}}, why)) << why;
  std::unique_ptr<IBlockDevice> disk = disks.OpenDiskOf(Letter(), why);
  ASSERT_NE(disk, nullptr) << why;
  auto damagedJournal = TCapacityJournalFile::Create(JournalFolderWithoutBackup(), *disk, why);
  ASSERT_NE(damagedJournal, nullptr) << why;
  ASSERT_TRUE(damagedJournal->Append({{kMiB, zeros.data(), 512}}, why)) << why;
  const std::string otherPath = otherJournal->Path(), damagedPath = damagedJournal->Path();
  otherJournal.reset(), damagedJournal.reset(), disk.reset();
  std::string bytes = ReadFile(damagedPath);
  bytes[bytes.size() - 100] ^= 0x01;  // one bit of the saved block
  PutFile(damagedPath, bytes);

  Prepare(false);
  PressStart();
  EXPECT_TRUE(RunLogHasPrefix("The capacity check's journal " + otherPath + " is for the disk Other Stick 42"));
  EXPECT_TRUE(RunLogHasPrefix("The capacity check's journal " + damagedPath + " is damaged"));
  EXPECT_FALSE(RunLogHasPrefix("Put back "));
  EXPECT_TRUE(disks.Flash(Letter())->ChangedOffsets().empty()) << "nothing applied";
  EXPECT_TRUE(FileExists(otherPath) && FileExists(damagedPath));
  DeleteFileW(Widen(otherPath).c_str());
  DeleteFileW(Widen(damagedPath).c_str());
}

}  // namespace
}  // namespace sw::testing
