// The port-driver probe outside the NT family: its error box and retry rule,
// the priority changes, and the drives of its answer block.
#include <gtest/gtest.h>

#include "hwid/ioctl_codes.h"
#include "probe_fixture.h"

namespace sw::testing {
namespace {

const std::string kPortDriver = "\\\\.\\IDE21201.VXD";

class PortDriverTest : public ProbeTest {
 protected:
  PortDriverTest() { system.nt = false; }

  // The driver's answer with the given controllers and drive slots present.
  void ScriptAnswer(std::vector<int> controllers, std::vector<std::pair<int, AtaDrive>> slots) {
    std::vector<uint8_t> block(4108, 0);
    for (int c : controllers) block[c] = 1;
    for (auto& [slot, drive] : slots) {
      block[4 + slot] = 1;
      auto words = IdentifyBytes(MakeIdentifyWords(drive));
      std::copy(words.begin(), words.end(), block.begin() + 12 + 512 * slot);
    }
    io.Reply(kPortDriver, hwid::kPortDriverIdeInfo, {true, block});
  }
};

TEST_F(PortDriverTest, MissingDriverShowsItsBoxOncePerAttemptTenTimes) {
  Run();
  ASSERT_EQ(dialogs.shown.size(), 10u);
  EXPECT_EQ(dialogs.shown[0].kind, "message");
  EXPECT_EQ(dialogs.shown[0].owner, nullptr);
  EXPECT_EQ(dialogs.shown[0].title, "Error");
  EXPECT_EQ(dialogs.shown[0].text, "ERROR: Could not open IDE21201.VXD file");
  EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::Error);
  // Each attempt raises the priority and returns it to normal.
  ASSERT_EQ(system.priorityClasses.size(), 20u);
  EXPECT_EQ(system.priorityClasses[0], 0x100u);
  EXPECT_EQ(system.priorityClasses[1], 0x20u);
  std::vector<std::string> expected = {SerialSummary(""), ModelSummary("")};
  EXPECT_EQ(sink.texts, expected);  // no announcements outside the NT family
}

TEST_F(PortDriverTest, DrivesOfPresentControllersAreReportedOnFirstAttempt) {
  AtaDrive first;
  first.serial = "PORT0001";
  first.model = "PORT MODEL";
  AtaDrive other;
  other.serial = "PORT0002";
  // Slot 2 sits on controller 1, which is absent.
  ScriptAnswer({0, 3}, {{0, first}, {2, other}, {7, other}});

  Run();
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(io.opened.size(), 1u);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].serial, "PORT0001");
  EXPECT_EQ(results[1].controller, 3);
  EXPECT_EQ(results[1].drive, 1);
  EXPECT_FALSE(sink.Logged("\r\nDrive 2 - "));
  EXPECT_EQ(sink.texts.back(), ModelSummary("PORT MODEL"));
  EXPECT_EQ(io.openOptions[0].desiredAccess, 0u);
  EXPECT_EQ(io.openOptions[0].shareMode, 0u);
  EXPECT_EQ(io.calls[0].outputSize, 4108u);  // room for the whole answer
}

TEST_F(PortDriverTest, AnswerWithoutDrivesIsRetriedTenTimes) {
  ScriptAnswer({0}, {});
  Run();
  EXPECT_EQ(io.opened.size(), 10u);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(results.empty());
}

TEST_F(PortDriverTest, FailedPriorityChangeIsLoggedAndTheProbeGoesOn) {
  system.failPriorityWithError = 5;
  ScriptAnswer({0}, {{1, AtaDrive{}}});
  Run();
  EXPECT_EQ(sink.texts[0], "\r\nERROR: Could not SetPriorityClass, LastError: 5\r\n");
  EXPECT_EQ(results.size(), 1u);
}

}  // namespace
}  // namespace sw::testing
