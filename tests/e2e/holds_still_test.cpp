// The stick changes while the backup runs: a file saved into a folder the
// backup has already passed, and a file changed after its copy, both during
// the check disk of a whole testbed run. Each comes back as the stick held
// it right before the erase.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/text.h"
#include "testbed_session.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

TEST(HoldsStillTest, AFileSavedOrChangedDuringTheBackupComesBackAsItWasBeforeTheErase) {
  struct Case {
    const char* name;
    std::string path, content;
  } cases[] = {
      {"saved into a folder already copied", "Documents\\Deep\\late.txt", "saved during the check disk\n"},
      {"changed after its copy", "Readme.txt", "The stick's own readme, changed after its copy.\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A check disk of 100 steps of 20 ms: time to change the stick meanwhile.
    TestbedSession session("steps = 100\nstep-ms = 20\n");
    ASSERT_EQ(session.Problem(), "");
    ui::SetChecked(ui::FindControl(session.Window(), "Button", "Scan drive for errors"), true);
    ASSERT_EQ(session.StartWithBackup(), "");
    ASSERT_TRUE(session.WaitForLog("Starting check disk for")) << session.Log();
    std::ofstream(std::filesystem::path(Widen(session.StickFolder() + "\\" + c.path)), std::ios::binary) << c.content;
    ASSERT_TRUE(session.WaitForLog("Operations completed.")) << session.Log();

    std::map<std::string, std::string> expected = SampleFiles();
    expected[c.path] = c.content;
    EXPECT_EQ(session.StickFiles(), expected);
    EXPECT_TRUE(InOrder(session.Log(), {"Backup checked: 5 files, ",
                                        "Changed on the drive since its backup, backed up again: " + session.Root() + c.path,
                                        "Format USB drive...", "Restore verified: "}))
        << session.Log();
  }
}

}  // namespace
}  // namespace sw::e2e
