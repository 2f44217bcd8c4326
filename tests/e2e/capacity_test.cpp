// The real-capacity check in a whole run: a counterfeit stick stops the run
// before anything is erased, a genuine one goes on to the format.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "testbed_session.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

// Starts a run with the check on and a backup into the session's folder.
void StartCheckedRun(const TestbedSession& session) {
  ui::SetChecked(ui::FindControl(session.Window(), "Button", "Check the real capacity"), true);
  ASSERT_EQ(session.StartWithBackup(), "");
}

TEST(CapacityCheckTest, ACounterfeitStickStopsTheRunBeforeTheEraseAndKeepsTheBackup) {
  // 14.9 GB reported over 4 GiB of flash that wraps, behind a 16 MiB cache.
  TestbedSession session("real-size = 4294967296\ncounterfeit = wrap\nwrite-cache-mib = 16\n");
  ASSERT_EQ(session.Problem(), "");
  StartCheckedRun(session);
  const std::string drive(1, session.Letter());
  const std::string verdict = "Drive " + drive + ": reports 14.9 GB but holds only 4.0 GB: it is counterfeit, and "
                              "files written past 4.0 GB would be lost. Nothing was erased.";
  ASSERT_TRUE(ui::AnswerDialog("Stickwise", "OK", "it is counterfeit", kStepTimeoutMs)) << session.Log();
  ASSERT_TRUE(session.WaitForLog(verdict)) << session.Log();
  ASSERT_TRUE(session.WaitForRunEnd()) << session.Log();
  EXPECT_TRUE(InOrder(session.Log(), {"Data backup completed.", "Checking the real capacity of drive " + drive + ":...",
                                      verdict, "The drive's files are kept in the backup folder " +
                                                   session.BackupFolder()}))
      << session.Log();
  EXPECT_EQ(session.Log().find("Format USB drive..."), std::string::npos);
  EXPECT_EQ(session.StickFiles(), SampleFiles());
  EXPECT_NE(GetFileAttributesW(Widen(session.BackupFolder() + "\\Readme.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(CapacityCheckTest, AGenuineStickIsNamedInOneLineAndTheRunGoesOn) {
  TestbedSession session("write-cache-mib = 64\n");
  ASSERT_EQ(session.Problem(), "");
  StartCheckedRun(session);
  ASSERT_TRUE(session.WaitForLog("Operations completed.")) << session.Log();
  const std::string drive(1, session.Letter());
  EXPECT_TRUE(InOrder(session.Log(), {"Checking the real capacity of drive " + drive + ":...",
                                      "Drive " + drive + ": holds the 14.9 GB it reports.", "Format USB drive..."}))
      << session.Log();
  EXPECT_EQ(session.StickFiles(), SampleFiles());
}

}  // namespace
}  // namespace sw::e2e
