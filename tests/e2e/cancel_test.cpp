// Cancel pressed while the simulated format service runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/text.h"
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
  ASSERT_TRUE(session.WaitForRunEnd()) << session.Log();

  EXPECT_TRUE(InOrder(session.Log(), {"Cancelled by User", "Format Disk: Unable to Finish",
                                      "Format disk program initializing...",
                                      "Format disk operation encountered an error."}))
      << session.Log();
  EXPECT_EQ(session.Log().find("Disk drive is formatted."), std::string::npos);
  EXPECT_EQ(session.StickFiles(), SampleFiles());
  EXPECT_TRUE(ui::IsShown(session.Button("Start")));
  EXPECT_FALSE(ui::IsShown(session.Button("Cancel")));
}

// The status line: the one static text of the window that begins with `prefix`.
std::string StatusStartingWith(HWND window, const std::string& prefix) {
  for (int i = 0;; ++i) {
    HWND label = ui::FindControl(window, "Static", {}, i);
    if (label == nullptr) return {};
    const std::string text = ui::WindowText(label);
    if (text.rfind(prefix, 0) == 0) return text;
  }
}

TEST(CancelTest, CancelDuringALargeFilesBackupStopsItHalfWayAndErasesNothing) {
  TestbedSession session;
  ASSERT_EQ(session.Problem(), "");
  {
    // 1 GiB of one byte value: long enough to copy that Cancel meets it half way.
    std::ofstream video(std::filesystem::path(Widen(session.StickFolder() + "\\video.mp4")), std::ios::binary);
    const std::string piece(8 << 20, 'v');
    for (int i = 0; i < 128; ++i) video << piece;
  }
  ASSERT_EQ(session.StartWithBackup(), "");

  // The status line tells how far the backup is; Cancel once it is under way.
  std::string status;
  const DWORD start = GetTickCount();
  while (status.empty() && GetTickCount() - start < kStepTimeoutMs) {
    status = StatusStartingWith(session.Window(), "Backing up:");
    Sleep(10);
  }
  ASSERT_NE(status, "") << session.Log();
  EXPECT_NE(status.find(" of 6 files, "), std::string::npos) << status;
  session.Click("Cancel");
  ASSERT_TRUE(session.WaitForLog("Cancelled by User")) << session.Log();
  HWND startButton = session.Button("Start");
  for (const DWORD clicked = GetTickCount(); !IsWindowEnabled(startButton) && GetTickCount() - clicked < kStepTimeoutMs;)
    Sleep(10);
  EXPECT_TRUE(IsWindowEnabled(startButton));

  EXPECT_NE(session.Log().find("   Not copied video.mp4: the copy was stopped"), std::string::npos) << session.Log();
  EXPECT_EQ(session.Log().find("Format USB drive..."), std::string::npos);
  std::map<std::string, std::string> files = session.StickFiles();
  EXPECT_EQ(files["video.mp4"].size(), 1u << 30);
  files.erase("video.mp4");
  EXPECT_EQ(files, SampleFiles());
}

}  // namespace
}  // namespace sw::e2e
