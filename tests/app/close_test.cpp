// Closing the window: the question while an operation runs, the Cancel
// action, and the title-bar close. The window stays hidden here (hiding a
// shown window costs seconds under Xvfb); a close is seen by the settings it
// writes.
#include "fakes/main_form_fixture.h"

namespace sw::testing {
namespace {

class CloseTest : public MainFormTest {
 protected:
  // The window as the speed-up operation leaves it while it runs.
  void EnterBusyState(TMainForm& f) { f.SetRunState(TRunState::Running); }
};

TEST_F(CloseTest, IdleCloseClosesAtOnceWithoutAQuestion) {
  TMainForm& f = CreateForm();
  f.btnCloseClick();
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(SettingsKeyExists());
}

TEST_F(CloseTest, BusyCloseAnsweredNoKeepsTheWindowAndTheOperation) {
  TMainForm& f = CreateForm();
  EnterBusyState(f);
  dialogs.yesNoAnswers = {false};
  f.btnCloseClick();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Warning");
  EXPECT_EQ(dialogs.shown[0].text, "USB disk drive is being formatted. Do you want to exit?");
  EXPECT_EQ(dialogs.shown[0].owner, f.Handle());
  EXPECT_FALSE(f.RunStop().Requested());
  EXPECT_TRUE(f.btnCancel->Visible());
  EXPECT_FALSE(SettingsKeyExists());
}

TEST_F(CloseTest, BusyCloseAnsweredYesCancelsThenCloses) {
  TMainForm& f = CreateForm();
  EnterBusyState(f);
  dialogs.yesNoAnswers = {true};
  f.btnCloseClick();
  EXPECT_EQ(f.RunStop().Reason(), TStopReason::Cancel);
  EXPECT_EQ(f.Log->Lines().back(), "Cancelled by User");
  EXPECT_TRUE(SettingsKeyExists());
}

TEST_F(CloseTest, CancelReturnsTheWindowToIdle) {
  TMainForm& f = CreateForm();
  EnterBusyState(f);
  f.ShowStatus("Scanning USB drive for errors...");
  f.btnCancelClick();
  EXPECT_EQ(f.RunStop().Reason(), TStopReason::Cancel);
  EXPECT_TRUE(f.btnStart->Visible());
  EXPECT_TRUE(f.btnStart->Enabled());
  EXPECT_FALSE(f.btnCancel->Visible());
  EXPECT_FALSE(f.ProgressBar->Visible());
  EXPECT_TRUE(f.lblCopyright->Visible());
  EXPECT_FALSE(f.lblBottomMsg->Visible());
  EXPECT_EQ(f.Log->Lines().back(), "Cancelled by User");
}

TEST_F(CloseTest, TitleBarCloseAsksNothingAndAsksTheOperationToStop) {
  TMainForm& f = CreateForm();
  EnterBusyState(f);
  SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(f.RunStop().Requested());
  EXPECT_TRUE(SettingsKeyExists());
}

TEST_F(CloseTest, ClosingTheMainWindowEndsTheApplication) {
  TMainForm& f = CreateForm();
  tk::Application().SetMainForm(&f);
  f.btnCloseClick();
  EXPECT_TRUE(tk::Application().Terminated());
}

}  // namespace
}  // namespace sw::testing
