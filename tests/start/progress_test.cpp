// What the run shows of its progress: each copy stage's bar and status line
// by files and bytes, and the taskbar button from the first stage to the end.
#include "start_fixture.h"

namespace sw::testing {
namespace {

class ProgressTest : public StartTest {
 protected:
  void Prepare() {
    PrepareWindow(0, false);
    PutStickFiles();
    Answer({true, true});
    dialogs.folderAnswers = {BackupFolder()};
    // The status line as each progress figure is shown.
    taskbar.onProgress = [this] {
      shown.push_back({form->lblBottomMsg->Caption(), taskbar.progress.back()});
      if (shown.back().first.rfind("Backing up", 0) == 0) cancelOffered = cancelOffered && form->btnCancel->Visible();
    };
  }
  // The last figure shown while the status line began with `stage`.
  std::pair<std::string, int> LastShown(const std::string& stage) const {
    std::pair<std::string, int> last{"(never shown)", -1};
    for (const auto& entry : shown)
      if (entry.first.rfind(stage + ":", 0) == 0) last = entry;
    return last;
  }
  std::vector<std::pair<std::string, int>> shown;
  bool cancelOffered = true;  // Cancel was there whenever the backup showed its figures
};

TEST_F(ProgressTest, EachCopyStageEndsAtAHundredWithItsFilesAndBytesAndTheButtonIsClearedAfterSuccess) {
  Prepare();
  PressStart();
  ASSERT_TRUE(RunLogHas("Your USB Drive is optimized for faster read and write access. Operations completed."));
  EXPECT_EQ(LastShown("Listing"), std::make_pair(std::string("Listing: 2 files, 8 bytes found"), 0));
  for (const char* stage : {"Backing up", "Checking the backup", "Copying back", "Checking the copied files"})
    EXPECT_EQ(LastShown(stage), std::make_pair(std::string(stage) + ": 2 of 2 files, 8 of 8 bytes", 100)) << stage;
  EXPECT_TRUE(cancelOffered);
  ASSERT_FALSE(taskbar.states.empty());
  EXPECT_EQ(taskbar.states.front(), TaskbarState::Normal);
  EXPECT_EQ(taskbar.states.back(), TaskbarState::None);
  EXPECT_EQ(taskbar.flashes, 1);
  ExpectCompletedState();
}

TEST_F(ProgressTest, AQuestionDuringTheRunPausesTheButtonAndAFailedFormatLeavesItInError) {
  Prepare();
  Answer({true, true, false});  // Cancel during the restore asks; "No" goes on
  bool clicked = false;
  locale.onThousands = [&] {
    if (clicked || form->lblBottomMsg->Caption().rfind("Copying back", 0) != 0) return;
    clicked = true;
    PostMessageW(form->btnCancel->Handle(), BM_CLICK, 0, 0);
  };
  PressStart();
  ASSERT_TRUE(clicked);
  const auto pause = std::find(taskbar.states.begin(), taskbar.states.end(), TaskbarState::Paused);
  ASSERT_NE(pause, taskbar.states.end());
  EXPECT_EQ(*(pause + 1), TaskbarState::Normal);
  EXPECT_EQ(taskbar.states.back(), TaskbarState::None);

  // A format that fails twice: the run fails, and the button says so.
  library.formatScripts = {{LibraryCommand::Percent(10), LibraryCommand::Done(false)},
                           {LibraryCommand::Done(false)}};
  Answer({true, false});
  PressStart();
  ASSERT_TRUE(RunLogHas("Format disk operation encountered an error."));
  EXPECT_EQ(taskbar.states.back(), TaskbarState::Error);
  EXPECT_EQ(taskbar.flashes, 2);
}

}  // namespace
}  // namespace sw::testing
