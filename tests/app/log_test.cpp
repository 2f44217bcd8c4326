// The activity log, its context menu and the status line.
#include "fakes/main_form_fixture.h"
#include "toolkit/clipboard.h"

namespace sw::testing {
namespace {

using LogTest = MainFormTest;

TEST_F(LogTest, LinesAreAppendedAtTheEndAndLineBreaksMakeSeveralLines) {
  TMainForm& f = CreateForm();
  f.Clear1Click();
  f.AddLogLine("first");
  f.AddLogLine("");
  f.AddLogLine("tool line 1\r\ntool line 2\nthird\r\n");
  f.AddLogLine("last");
  EXPECT_EQ(f.Log->Lines(),
            (std::vector<std::string>{"first", "", "tool line 1", "tool line 2", "third", "last"}));
}

TEST_F(LogTest, LogHoldsFarMoreThanTheDefaultEditLimit) {
  TMainForm& f = CreateForm();
  f.Clear1Click();
  std::string line(99, 'x');
  for (int i = 0; i < 1000; ++i) f.AddLogLine(line);  // about 100,000 characters in all
  f.AddLogLine("the end");
  auto lines = f.Log->Lines();
  ASSERT_EQ(lines.size(), 1001u);
  EXPECT_EQ(lines.back(), "the end");
}

TEST_F(LogTest, CopyAllPutsTheWholeTextOnTheClipboardAndKeepsItSelected) {
  TMainForm& f = CreateForm();
  f.Clear1Click();
  f.AddLogLine("alpha");
  f.AddLogLine("beta");
  tk::SetClipboardText(nullptr, "something else");
  f.Copy1Click();
  EXPECT_EQ(tk::ClipboardText(nullptr), "alpha\r\nbeta\r\n");
  auto [start, end] = f.Log->Selection();
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, static_cast<int>(std::string("alpha\r\nbeta\r\n").size()));
}

TEST_F(LogTest, ClearAllEmptiesTheLogAndSaveAllDoesNothing) {
  TMainForm& f = CreateForm();
  f.AddLogLine("kept");
  f.Save1Click();
  EXPECT_FALSE(f.Log->Lines().empty());
  EXPECT_TRUE(dialogs.shown.empty());
  f.Clear1Click();
  EXPECT_TRUE(f.Log->Lines().empty());
}

TEST_F(LogTest, ContextMenuHasTheFiveItemsWiredToTheirHandlers) {
  TMainForm& f = CreateForm();
  ASSERT_EQ(f.Log->PopupMenu, f.PopupMenu1);
  const auto& items = f.PopupMenu1->Items();
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].Caption, "&Copy All");
  EXPECT_EQ(items[1].Caption, "&Print All");
  EXPECT_EQ(items[2].Caption, "&Save All");
  EXPECT_EQ(items[3].Caption, "-");
  EXPECT_EQ(items[4].Caption, "Clear All");
  f.AddLogLine("x");
  f.PopupMenu1->Find("Clear1")->OnClick();
  EXPECT_TRUE(f.Log->Lines().empty());
}

TEST_F(LogTest, StatusTextTakesThePlaceOfTheCopyrightLineUntilCleared) {
  TMainForm& f = CreateForm();
  EXPECT_TRUE(f.lblCopyright->Visible());
  EXPECT_TRUE(f.lblBottomMsg->Visible());
  EXPECT_EQ(f.lblBottomMsg->Caption(), "");

  f.ShowStatus("Scanning USB drive for errors...");
  EXPECT_FALSE(f.lblCopyright->Visible());
  EXPECT_TRUE(f.lblBottomMsg->Visible());
  EXPECT_EQ(f.lblBottomMsg->Caption(), "Scanning USB drive for errors...");
  EXPECT_GT(f.lblBottomMsg->Width(), 100) << "the status line is sized to its text";

  f.ClearStatus();
  EXPECT_TRUE(f.lblCopyright->Visible());
  EXPECT_FALSE(f.lblBottomMsg->Visible());
  EXPECT_EQ(f.lblBottomMsg->Caption(), "");

  f.ShowStatus("again");
  EXPECT_FALSE(f.lblCopyright->Visible());
  EXPECT_TRUE(f.lblBottomMsg->Visible());
}

}  // namespace
}  // namespace sw::testing
