// The testbed refusing what Windows refuses, and whole runs getting through
// it: a program that holds the stick for a while or for good, a stick that
// refuses writes, a letterless second volume under the capacity check, and
// a format library that finds the volume locked twice.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "testbed_session.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

TEST(StrictWindowsTest, AProgramThatLetsGoAfterTwoSecondsIsWaitedFor) {
  TestbedSession session("held-by-program = Explorer 2\n");
  ASSERT_EQ(session.Problem(), "");
  ASSERT_EQ(session.StartWithBackup(), "");
  ASSERT_TRUE(session.WaitForLog("Operations completed.")) << session.Log();
  // Two seconds after the first try, counted in whole tries a second apart
  // (a pause the clock measures a little short makes it three).
  const std::string log = session.Log(), waited = session.Root() + " Drive Was In Use; Free After ";
  const size_t at = log.find(waited);
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_TRUE(log.compare(at + waited.size(), 3, "2 s") == 0 || log.compare(at + waited.size(), 3, "3 s") == 0)
      << log.substr(at, 60);
  EXPECT_EQ(session.StickFiles(), SampleFiles());
}

TEST(StrictWindowsTest, AProgramThatNeverLetsGoIsNotForcedClosedOnNo) {
  TestbedSession session("held-by-program = Explorer never\n");
  ASSERT_EQ(session.Problem(), "");
  ASSERT_EQ(session.StartWithBackup(), "");
  ASSERT_TRUE(ui::AnswerDialog("Warning", "No", "is in use by another program. Force it closed and format it?",
                               kStepTimeoutMs))
      << session.Log();
  ASSERT_TRUE(session.WaitForLog("so it is not formatted. Nothing was erased.")) << session.Log();
  ASSERT_TRUE(session.WaitForRunEnd()) << session.Log();
  EXPECT_NE(session.Log().find("The drive's files are kept in the backup folder " + session.BackupFolder()),
            std::string::npos);
  EXPECT_EQ(session.Log().find("Disk drive is formatted."), std::string::npos);
  EXPECT_EQ(session.StickFiles(), SampleFiles());
}

TEST(StrictWindowsTest, AWriteProtectedStickIsRefusedBeforeAnyQuestion) {
  TestbedSession session("write-protected = yes\n");
  ASSERT_EQ(session.Problem(), "");
  session.Click("Start");
  ASSERT_TRUE(session.WaitForLog("Drive " + std::string(1, session.Letter()) + ": is write-protected: "))
      << session.Log();
  EXPECT_NE(session.Log().find("so it cannot be formatted. Nothing was changed."), std::string::npos);
  EXPECT_EQ(ui::WaitForDialog("Warning", "will be erased", 500), nullptr);
  EXPECT_EQ(session.StickFiles(), SampleFiles());
}

// The probe writes reach the second partition too: they are refused unless
// its volume, which has no letter, is locked like the first.
TEST(StrictWindowsTest, TheCapacityCheckLocksALetterlessSecondVolume) {
  TestbedSession session("second-volume = 1073741824\n");
  ASSERT_EQ(session.Problem(), "");
  ui::SetChecked(ui::FindControl(session.Window(), "Button", "Check the real capacity"), true);
  ASSERT_EQ(session.StartWithBackup(), "");
  ASSERT_TRUE(session.WaitForLog("Operations completed.")) << session.Log();
  EXPECT_NE(session.Log().find("Drive " + std::string(1, session.Letter()) + ": holds the 14.9 GB it reports."),
            std::string::npos)
      << session.Log();
  EXPECT_EQ(session.StickFiles(), SampleFiles());
}

TEST(StrictWindowsTest, AVolumeTheLibraryFindsLockedTwiceIsFormattedAtTheThirdTry) {
  TestbedSession session("format-cant-lock = 2\n");
  ASSERT_EQ(session.Problem(), "");
  ASSERT_EQ(session.StartWithoutBackup(), "");
  ASSERT_TRUE(session.WaitForLog("Disk drive is formatted.")) << session.Log();
  EXPECT_TRUE(InOrder(session.Log(), {"volume locked by another process.", "(try 2 of 5)",
                                      "volume locked by another process.", "(try 3 of 5)", "Format Disk: Finished OK"}))
      << session.Log();
  EXPECT_EQ(session.Log().find("(try 4 of 5)"), std::string::npos);
}

}  // namespace
}  // namespace sw::e2e
