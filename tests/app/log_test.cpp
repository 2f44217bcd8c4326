// The activity log, its context menu and the status line.
#include <chrono>

#include "fakes/main_form_fixture.h"
#include "toolkit/clipboard.h"

namespace sw::testing {
namespace {

using LogTest = MainFormTest;

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Lets window messages run, as the main loop would, until the control shows
// what the store holds (or a generous deadline passes, for the test to fail).
void RunMessagesUntilShown(tk::TMemo& log) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (log.Caption() != log.Text() && std::chrono::steady_clock::now() < deadline) {
    tk::Application().ProcessMessages();
    Sleep(5);
  }
}

// Lines logged faster than the control is fed, each followed by message
// processing as the copy's and the format's writers do.
struct Burst {
  const char* name;
  std::vector<std::string> texts;
  std::vector<std::string> expected;
};

std::vector<std::string> Numbered(int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back("   Copied file" + std::to_string(i) + ".dat, size: 4,096 bytes");
  return lines;
}

std::vector<Burst> Bursts() {
  std::vector<std::string> many = Numbered(3000);
  std::vector<std::string> broken = Numbered(6);
  broken.insert(broken.begin() + 3, "tool line 1\r\ntool line 2\n\nlast tool line\r\n");
  std::vector<std::string> brokenExpected = Numbered(6);
  brokenExpected.insert(brokenExpected.begin() + 3, {"tool line 1", "tool line 2", "", "last tool line"});
  return {
      {"thousands of lines", many, many},
      {"line breaks in the middle", broken, brokenExpected},
      {"empty lines", {"a", "", "", "b", ""}, {"a", "", "", "b", ""}},
  };
}

TEST_F(LogTest, EveryLineOfABurstReachesTheControlOnceAndInOrder) {
  TMainForm& f = CreateForm();
  for (const Burst& burst : Bursts()) {
    SCOPED_TRACE(burst.name);
    f.Clear1Click();
    for (const std::string& text : burst.texts) {
      f.AddLogLine(text);
      tk::Application().ProcessMessages();
    }
    EXPECT_EQ(f.Log->Lines(), burst.expected) << "the store holds every line at once";
    RunMessagesUntilShown(*f.Log);  // no flush: the quiet spell after the burst feeds the rest
    EXPECT_EQ(f.Log->Caption(), Joined(burst.expected));
  }
}

TEST_F(LogTest, CopyAllRightAfterABurstHoldsEveryLine) {
  TMainForm& f = CreateForm();
  f.Clear1Click();
  const std::vector<std::string> lines = Numbered(100000);
  for (const std::string& line : lines) f.AddLogLine(line);
  f.Copy1Click();
  const std::string expected = Joined(lines);
  EXPECT_EQ(f.Log->LineCount(), 100000u);
  EXPECT_TRUE(tk::ClipboardText(nullptr) == expected) << "no line lost or truncated on the clipboard";
  EXPECT_TRUE(f.Log->Caption() == expected) << "the control shows what was copied";
}

TEST_F(LogTest, ClearAllRightAfterABurstLeavesNothingForALaterUpdate) {
  TMainForm& f = CreateForm();
  for (const std::string& line : Numbered(500)) f.AddLogLine(line);  // most of them not yet in the control
  f.Clear1Click();
  EXPECT_TRUE(f.Log->Lines().empty());
  f.AddLogLine("after");
  RunMessagesUntilShown(*f.Log);
  EXPECT_EQ(f.Log->Caption(), "after\r\n");
}

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
  f.FlushLog();
  EXPECT_EQ(f.Log->Caption().size(), 1000u * 101 + 9) << "the control holds it all too";
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
