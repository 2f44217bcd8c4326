// A whole speed-up on the simulated stick: scan, backup, format and restore
// through the real window, and the stick's files back afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/text.h"
#include "choose_folder.h"
#include "testbed_session.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

TEST(CompleteRunTest, ScanBackupFormatAndRestoreBringTheFilesBack) {
  TestbedSession session;
  ASSERT_EQ(session.Problem(), "");
  // The recycle bin is the one folder the backup leaves out: the format
  // erases it for good, which shows the drive really was emptied.
  const std::string recycled = session.StickFolder() + "\\$RECYCLE.BIN";
  CreateDirectoryW(Widen(recycled).c_str(), nullptr);
  std::ofstream(std::filesystem::path(Widen(recycled + "\\deleted.txt"))) << "thrown away";

  HWND devices = ui::FindControl(session.Window(), "ComboBox", {}, 0);
  const std::string entry = "Acme Pocket Stick (14.91 GB) (" + session.Root() + ")";
  ASSERT_EQ(ui::ComboItems(devices), std::vector<std::string>{entry});
  ui::SetChecked(ui::FindControl(session.Window(), "Button", "Scan drive for errors"), true);

  // The folder the backup goes to is made beforehand: the program makes
  // none until the choice in the dialog is final, and the dialog selects
  // only folders that exist.
  const std::string backup = session.Folder() + "\\backup";
  CreateDirectoryW(Widen(backup).c_str(), nullptr);

  session.Click("Start");
  ASSERT_TRUE(ui::AnswerDialog("Warning", "Yes", "all data on drive " + session.Root() + " will be erased",
                               kStepTimeoutMs));
  ASSERT_TRUE(ui::AnswerDialog("Confirmation", "Yes", "back up data on drive " + session.Root(), kStepTimeoutMs));
  // OK only on the testbed's own backup folder, never on what the dialog happens to show.
  const ui::FolderChoice choice = ui::ChooseFolder("Browse for Folder", backup, kStepTimeoutMs);
  ASSERT_TRUE(choice.accepted) << choice.problem;
  ASSERT_TRUE(session.WaitForLog("Operations completed.")) << session.Log();

  const std::string drive(1, session.Letter());
  EXPECT_TRUE(InOrder(session.Log(), {"The recycle bin of " + drive + ": (" + session.Root() + "$RECYCLE.BIN\\, 1 file) "
                                      "is not backed up; the format empties it.",
                                      "   Copied Readme.txt, size: 25 bytes", "5 files copied matching mask *.*",
                                      "Data backup completed.", "Starting check disk for " + drive + ":",
                                      "The type of the file system is FAT32.", "Volume label is POCKET.",
                                      "found no problems.", "Check Disk: Finished OK", "Disk scan completed.",
                                      "Backup checked: 5 files, ", "Format USB drive...", "Starting format disk for " + drive + ":",
                                      "Format Disk: Structure Created OK",
                                      "The new file system is NTFS, allocation unit size: 65536 bytes.",
                                      "Format Disk: Finished OK", "Disk drive is formatted.",
                                      "Data is being copied back to USB drive ...", "Copy operation completed.",
                                      "Restore verified: 5 files, ",
                                      "Your USB Drive is optimized for faster read and write access."}))
      << session.Log();
  EXPECT_EQ(session.Log().find("Format disk program initializing..."), std::string::npos);
  EXPECT_EQ(session.StickFiles(), SampleFiles());
  EXPECT_TRUE(ui::IsShown(session.Button("Start")));
}

}  // namespace
}  // namespace sw::e2e
