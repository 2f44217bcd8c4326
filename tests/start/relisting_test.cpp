// Re-listings that fall due while the operation runs (device events through
// Timer1, Refresh Devices) wait until it ends and then run once: no probe
// opens a drive meanwhile and the operation keeps its drive.
#include "start_fixture.h"

#include "toolkit/application.h"

namespace sw::testing {
namespace {

const char kWmiCaptionLine[] = "Caption        Generic Flash Disk USB Device";
const char kCompleted[] = "Your USB Drive is optimized for faster read and write access. Operations completed.";

class RelistingDuringStartTest : public StartTest {
 protected:
  void Prepare(bool scan) {
    PrepareWindow(0, scan);
    PutFile(Root() + "a.txt", "hello");
  }
  size_t PhysicalDriveOpens() const {
    return static_cast<size_t>(std::count_if(io.opened.begin(), io.opened.end(), [](const std::string& path) {
      return path.find("PhysicalDrive") != std::string::npos;
    }));
  }
  // The position of `line` in the run's log, or -1.
  long PositionOf(const std::string& line) const {
    const auto log = RunLog();
    auto found = std::find(log.begin(), log.end(), line);
    return found == log.end() ? -1 : static_cast<long>(found - log.begin());
  }
};

TEST_F(RelistingDuringStartTest, ADeviceEventDuringTheFormatRelistsOnceAfterTheOperation) {
  Prepare(false);
  Answer({true, false});
  const size_t opensBefore = PhysicalDriveOpens();
  size_t opensDuringFormat = 0;
  bool timerFired = false;
  library.beforeCommand = [&](size_t index) {
    if (index == 0) {
      // A volume event: the listener enables Timer1; meanwhile the stick
      // is seen under another letter.
      MapStickToLetter('Q');
      form->Timer1->SetEnabled(true);
    } else if (index == 1) {
      for (int i = 0; i < 60 && form->Timer1->Enabled(); ++i) {
        Sleep(50);
        tk::Application().ProcessMessages();
      }
      timerFired = !form->Timer1->Enabled();
      opensDuringFormat = PhysicalDriveOpens() - opensBefore;
    }
  };
  PressStart();
  EXPECT_TRUE(timerFired);
  EXPECT_EQ(opensDuringFormat, 0u);
  ASSERT_EQ(library.formatCalls.size(), 1u);
  EXPECT_EQ(library.formatCalls[0].root, Root());  // the operation's drive did not move

  // One re-listing, after the last line of the operation.
  const auto log = RunLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), kWmiCaptionLine), 1);
  EXPECT_GT(PositionOf(kWmiCaptionLine), PositionOf(kCompleted));
  EXPECT_GT(PhysicalDriveOpens(), opensBefore);
  EXPECT_EQ(form->cbDevice->Text(), "Generic Flash Disk (7.46 GB) (Q:\\)");
  EXPECT_EQ(form->SelectedDriveLetter, 'Q');
  EXPECT_FALSE(form->RelistingDue);
  ExpectCompletedState();
}

TEST_F(RelistingDuringStartTest, RefreshDevicesPressedInSeveralStagesRelistsOnceAtTheEnd) {
  Prepare(true);
  Answer({true, true});
  dialogs.folderAnswers = {BackupFolder()};
  const size_t opensBefore = PhysicalDriveOpens();
  size_t opensDuringOperation = 0;
  library.beforeCommand = [&](size_t index) {
    if (index == 0) PostMessageW(form->dioRefresh->Handle(), BM_CLICK, 0, 0);  // in the check and the format
    opensDuringOperation = PhysicalDriveOpens() - opensBefore;
  };
  int asked = 0;
  dialogs.whileAsking = [&] {
    if (++asked == 2) PostMessageW(form->dioRefresh->Handle(), BM_CLICK, 0, 0);  // handled during the backup
  };
  PressStart();
  EXPECT_EQ(opensDuringOperation, 0u);
  const auto log = RunLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), kWmiCaptionLine), 1);
  EXPECT_GT(PositionOf(kWmiCaptionLine), PositionOf(kCompleted));
  EXPECT_EQ(FilesBelow(Root()), std::vector<std::string>{"a.txt"});
  ExpectCompletedState();
}

TEST_F(RelistingDuringStartTest, ARelistingDueDuringAQuestionRunsWhenTheOperationIsDeclined) {
  Prepare(false);
  Answer({false});
  dialogs.whileAsking = [this] { form->dioRefreshClick(); };
  PressStart();
  const auto log = RunLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), kWmiCaptionLine), 1);
  EXPECT_TRUE(library.formatCalls.empty());

  // Outside an operation Refresh Devices re-lists at once.
  logMark = form->Log->Lines().size();
  form->dioRefreshClick();
  EXPECT_NE(PositionOf(kWmiCaptionLine), -1);
}

}  // namespace
}  // namespace sw::testing
