// Twenty copies of the testbed started at once on one simulated machine:
// one keeps its window with the stick and its letter; the others end
// quietly and leave the machine as they found it.
#include <gtest/gtest.h>

#include "testbed/wine_mount.h"
#include "testbed_session.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

TEST(ManyCopiesTest, TwentyCopiesStartedAtOnceLeaveOneWindowWithItsStick) {
  TestbedSession session({}, 20);
  ASSERT_EQ(session.Problem(), "");
  // Every other copy ended on its own, so none stayed on a box.
  EXPECT_EQ(session.WaitForOtherCopies(), std::vector<DWORD>(19, 0));
  EXPECT_EQ(ui::WaitForWindow(kMainCaption, 0), session.Window());

  EXPECT_TRUE(testbed::IsRemovableDrivePresent(session.Letter()));
  HWND devices = ui::FindControl(session.Window(), "ComboBox", {}, 0);
  EXPECT_EQ(ui::ComboItems(devices), std::vector<std::string>{"Acme Pocket Stick (14.91 GB) (" + session.Root() + ")"});
  EXPECT_EQ(session.StickFiles(), SampleFiles());
}

}  // namespace
}  // namespace sw::e2e
