// A run killed while it copies the backup back, as a power cut would end
// it: the next start finds the note of the unfinished restore, asks, and
// one Yes brings every file back, checked, with the folders' times, while a
// file the user added to the stick in between stays as it is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text.h"
#include "testbed_session.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

// Long enough to copy back that the kill meets the restore under way.
constexpr int kVideoMib = 384;

std::string ReadText(const std::string& path) {
  std::ifstream in(std::filesystem::path(Widen(path)), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

bool StatusBegins(HWND window, const std::string& prefix) {
  for (int i = 0;; ++i) {
    HWND label = ui::FindControl(window, "Static", {}, i);
    if (label == nullptr) return false;
    if (ui::WindowText(label).rfind(prefix, 0) == 0) return true;
  }
}

FILETIME ModifiedTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

TEST(RestoreAfterKillTest, AKillDuringTheRestoreIsFinishedByOneYesAtTheNextStart) {
  TestbedSession session;
  ASSERT_EQ(session.Problem(), "");
  {
    std::ofstream video(std::filesystem::path(Widen(session.StickFolder() + "\\video.mp4")), std::ios::binary);
    const std::string piece(1 << 20, 'v');
    for (int i = 0; i < kVideoMib; ++i) video << piece;
  }
  // A folder time from long ago, which writing its files back would change.
  const std::string deep = session.StickFolder() + "\\Documents\\Deep";
  {
    HANDLE folder = CreateFileW(Widen(deep).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    const SYSTEMTIME when{2023, 3, 0, 1, 10, 30, 0, 0};
    FILETIME old{};
    SystemTimeToFileTime(&when, &old);
    SetFileTime(folder, nullptr, nullptr, &old);
    CloseHandle(folder);
  }
  const FILETIME deepTime = ModifiedTime(deep);
  std::map<std::string, std::string> expected = session.StickFiles();

  ASSERT_EQ(session.StartWithBackup(), "");
  const DWORD start = GetTickCount();
  while (!StatusBegins(session.Window(), "Copying back:") && GetTickCount() - start < kStepTimeoutMs) Sleep(5);
  ASSERT_TRUE(StatusBegins(session.Window(), "Copying back:")) << session.Log();
  session.Kill();

  const std::string note = session.BackupFolder() + "\\stickwise-backup.txt";
  EXPECT_NE(ReadText(note).find("state=not restored"), std::string::npos);
  EXPECT_NE(ReadText(note).find("stage=restoring"), std::string::npos);
  // The stick as the identification reads it (its serial pair-swapped, as the descriptor holds it).
  EXPECT_NE(ReadText(note).find("serial=1032547698BADCFE\r\nvendor=Acme\r\nproduct=Pocket Stick\r\n"),
            std::string::npos)
      << ReadText(note).substr(0, 400);
  // The user's own file, saved on the stick before the program starts again.
  {
    std::ofstream mine(std::filesystem::path(Widen(session.StickFolder() + "\\mine.txt")), std::ios::binary);
    mine << "added after the kill";
  }
  expected["mine.txt"] = "added after the kill";

  ASSERT_EQ(session.StartAgain(), "");
  ASSERT_TRUE(ui::AnswerDialog("Confirmation", "Yes", session.Root().substr(0, 2) + " has an unfinished restore from " +
                                                          session.BackupFolder(), kStepTimeoutMs))
      << session.Log();
  ASSERT_TRUE(session.WaitForLog("Restore verified: ")) << session.Log();
  ASSERT_TRUE(session.WaitForRunEnd()) << session.Log();

  EXPECT_EQ(session.StickFiles(), expected);
  EXPECT_NE(ReadText(note).find("state=restored"), std::string::npos);
  EXPECT_NE(ReadText(note).find("stage=restored"), std::string::npos);
  const FILETIME deepNow = ModifiedTime(deep);
  EXPECT_EQ(CompareFileTime(&deepTime, &deepNow), 0);
  EXPECT_EQ(session.Log().find("failed"), std::string::npos) << session.Log();
}

}  // namespace
}  // namespace sw::e2e
