// A fresh machine: no backup folder beside the program yet. The run makes
// it empty, the dialog offers it with its one line of instruction, and OK
// on what it offers gives a whole run.
#include <gtest/gtest.h>

#include "choose_folder.h"
#include "platform/text.h"
#include "testbed_session.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

TEST(FirstRunTest, TheMissingBackupFolderIsMadeOfferedAndTaken) {
  TestbedSession session;
  ASSERT_EQ(session.Problem(), "");
  ASSERT_EQ(GetFileAttributesW(Widen(session.BackupFolder()).c_str()), INVALID_FILE_ATTRIBUTES);
  session.Click("Start");
  ASSERT_TRUE(ui::AnswerDialog("Warning", "Yes", "will be erased", kStepTimeoutMs));
  ASSERT_TRUE(ui::AnswerDialog("Confirmation", "Yes", "back up data", kStepTimeoutMs));
  const std::string instruction =
      "Choose an empty folder for the backup of drive " + std::string(1, session.Letter()) + ": (needs ";
  const ui::FolderChoice choice =
      ui::AcceptOfferedFolder("Browse for Folder", session.BackupFolder(), instruction, kStepTimeoutMs);
  ASSERT_TRUE(choice.accepted) << choice.problem;
  ASSERT_TRUE(session.WaitForLog("Operations completed.")) << session.Log();
  EXPECT_NE(session.Log().find("The backup is in " + session.BackupFolder()), std::string::npos) << session.Log();
  EXPECT_EQ(session.StickFiles(), SampleFiles());
}

}  // namespace
}  // namespace sw::e2e
