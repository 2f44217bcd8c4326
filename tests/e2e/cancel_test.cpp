// Cancel pressed while the simulated format service runs.
#include <gtest/gtest.h>

#include "testbed_session.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

TEST(CancelTest, CancelDuringTheFormatStopsItAndLeavesTheFiles) {
  // A slow format: 1000 progress steps of 50 ms, time enough to press Cancel
  // on a busy machine; the Cancel ends it early.
  TestbedSession session("steps = 1000\nstep-ms = 50\n");
  ASSERT_EQ(session.Problem(), "");
  session.Click("Start");
  ASSERT_TRUE(ui::AnswerDialog("Warning", "Yes", "will be erased", kStepTimeoutMs));
  ASSERT_TRUE(ui::AnswerDialog("Confirmation", "No", "back up data", kStepTimeoutMs));
  ASSERT_TRUE(session.WaitForLog(session.Root() + " Starting to Format Drive")) << session.Log();
  ASSERT_TRUE(ui::IsShown(session.Button("Cancel")));

  session.Click("Cancel");
  ASSERT_TRUE(session.WaitForLog("Format disk operation encountered an error.")) << session.Log();

  EXPECT_TRUE(InOrder(session.Log(), {"Cancelled by User", "Format Disk: Unable to Finish",
                                      "Format disk program initializing...",
                                      "Format disk operation encountered an error."}))
      << session.Log();
  EXPECT_EQ(session.Log().find("Disk drive is formatted."), std::string::npos);
  EXPECT_EQ(session.StickFiles(), SampleFiles());
  EXPECT_TRUE(ui::IsShown(session.Button("Start")));
  EXPECT_FALSE(ui::IsShown(session.Button("Cancel")));
}

}  // namespace
}  // namespace sw::e2e
