// Printing the log: job title, heading line, font and the page layout,
// checked against a canvas that records what it would print.
#include "app/print_layout.h"
#include "fakes/main_form_fixture.h"

namespace sw::testing {
namespace {

using PrintTest = MainFormTest;

// Fake canvas: characters 10 units wide and 20 high, lines 22 apart,
// page 200 x 100 units (the layout leaves room for two lines at the bottom).
std::vector<std::string> PrintedOnPage(const fakes::PrintJob& job, int page) {
  std::vector<std::string> texts;
  for (const auto& t : job.texts)
    if (t.page == page) texts.push_back(t.text);
  return texts;
}

TEST_F(PrintTest, EmptyLogPrintsOnePageWithTheHeadingLine) {
  TMainForm& f = CreateForm();
  f.Clear1Click();
  printer.pageWidth = 10000;
  locale.now = {2026, 3, 9, 8, 7, 6};
  f.PrintLog();
  ASSERT_EQ(printer.jobs.size(), 1u);
  const auto& job = printer.jobs[0];
  EXPECT_EQ(job.title, "Stickwise 2.0 Software Log - 3/9/2026 8:07:06 AM");
  EXPECT_EQ(job.fontName, "Arial");
  EXPECT_EQ(job.fontPoints, 8);
  EXPECT_EQ(job.pages, 1);
  EXPECT_TRUE(job.ended);
  ASSERT_EQ(job.texts.size(), 1u);
  EXPECT_EQ(job.texts[0].text, "Stickwise 2.0 Software Log - 3/9/2026 8:07:06 AM");
  EXPECT_EQ(job.texts[0].y, 0);
}

TEST_F(PrintTest, MidnightLeavesTheTimeOut) {
  TMainForm& f = CreateForm();
  printer.pageWidth = 10000;
  locale.now = {2026, 1, 2, 0, 0, 0};
  f.PrintLog();
  EXPECT_EQ(printer.jobs[0].title, "Stickwise 2.0 Software Log - 1/2/2026");
}

TEST_F(PrintTest, TwoPrintsAreTwoJobsEachWithItsOwnTime) {
  TMainForm& f = CreateForm();
  locale.now = {2026, 5, 1, 10, 0, 1};
  f.PrintLog();
  locale.now = {2026, 5, 1, 10, 0, 2};
  f.PrintLog();
  ASSERT_EQ(printer.jobs.size(), 2u);
  EXPECT_EQ(printer.jobs[0].title, "Stickwise 2.0 Software Log - 5/1/2026 10:00:01 AM");
  EXPECT_EQ(printer.jobs[1].title, "Stickwise 2.0 Software Log - 5/1/2026 10:00:02 AM");
}

TEST(PrintLayoutTest, LongLineBreaksInTheMiddleOfAWord) {
  fakes::FakePrintCanvas canvas;
  canvas.BeginDoc("t");
  PrintTextLines(canvas, {"abcdefghijklmnopqrstuvwxyz"});  // 20 characters fit a row
  const auto& texts = canvas.jobs[0].texts;
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "abcdefghijklmnopqrst");
  EXPECT_EQ(texts[1].text, "uvwxyz");
  EXPECT_EQ(texts[0].y, 0);
  EXPECT_EQ(texts[1].y, 22) << "a line is its text height plus 2";
  EXPECT_EQ(texts[1].x, 0);
}

TEST(PrintLayoutTest, TabsMoveToStopsEveryEightAverageCharacterWidths) {
  fakes::FakePrintCanvas canvas;
  canvas.pageWidth = 1000;
  canvas.BeginDoc("t");
  PrintTextLines(canvas, {"ab\tc\t\td", "\tx"});
  const auto& texts = canvas.jobs[0].texts;
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].text, "ab");
  EXPECT_EQ(texts[0].x, 0);
  EXPECT_EQ(texts[1].text, "c");
  EXPECT_EQ(texts[1].x, 80);
  EXPECT_EQ(texts[2].text, "d");
  EXPECT_EQ(texts[2].x, 240);
  EXPECT_EQ(texts[3].text, "x");
  EXPECT_EQ(texts[3].x, 80);
  EXPECT_EQ(texts[3].y, 22);
}

TEST(PrintLayoutTest, NewPageWhenFewerThanTwoLinesStillFit) {
  fakes::FakePrintCanvas canvas;  // page 100 high, lines 22 high
  canvas.BeginDoc("t");
  PrintTextLines(canvas, {"1", "2", "3", "4", "5"});
  const auto& job = canvas.jobs[0];
  // After line 2 the position is 44: 56 left >= 44, go on; after line 3 it
  // is 66: 34 left < 44, so line 4 starts a new page at the top.
  EXPECT_EQ(PrintedOnPage(job, 1), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(PrintedOnPage(job, 2), (std::vector<std::string>{"4", "5"}));
  EXPECT_EQ(job.texts[3].y, 0);
}

TEST(PrintLayoutTest, EmptyLinesTakeTheCharacterHeightAndBreakOnlyPastTheBottom) {
  fakes::FakePrintCanvas canvas;
  canvas.BeginDoc("t");
  PrintTextLines(canvas, {"", "", "", "", "", "a"});
  // Five empty lines of 20 reach exactly the bottom (100): no page break yet.
  const auto& job = canvas.jobs[0];
  ASSERT_EQ(job.texts.size(), 1u);
  EXPECT_EQ(job.texts[0].page, 1);
  EXPECT_EQ(job.texts[0].y, 100);
}

TEST_F(PrintTest, PrintErrorEndsTheJobAndShowsTheInputOutputErrorBox) {
  TMainForm& f = CreateForm();
  f.AddLogLine("line");
  printer.failOnTextOut = 0;
  tk::Guarded([&] { f.Print1Click(); });  // as the menu's window procedure runs it
  ASSERT_EQ(printer.jobs.size(), 1u);
  EXPECT_TRUE(printer.jobs[0].aborted);
  EXPECT_FALSE(printer.jobs[0].ended);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::Error);
  EXPECT_NE(dialogs.shown[0].text.find("I/O error"), std::string::npos);
  EXPECT_EQ(f.Log->Lines().back(), "line");

  printer.failOnTextOut = -1;
  printer.failToStart = true;
  tk::Guarded([&] { f.Print1Click(); });
  EXPECT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(printer.jobs.size(), 1u) << "a job that never started is not recorded";
}

TEST_F(PrintTest, JobWhoseFirstPageFailsIsAbandonedNotLeftOpen) {
  TMainForm& f = CreateForm();
  printer.failOnFirstPage = true;
  tk::Guarded([&] { f.Print1Click(); });
  ASSERT_EQ(printer.jobs.size(), 1u);
  EXPECT_TRUE(printer.jobs[0].aborted);
  EXPECT_FALSE(printer.jobs[0].ended);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::Error);
}

TEST_F(PrintTest, PrintAllRightAfterABurstPrintsEveryLine) {
  TMainForm& f = CreateForm();
  f.Clear1Click();
  printer.pageWidth = 10000;
  printer.pageHeight = 100000;
  for (int i = 0; i < 300; ++i) f.AddLogLine("line " + std::to_string(i));
  f.PrintLog();
  const auto& texts = printer.jobs.at(0).texts;
  ASSERT_EQ(texts.size(), 301u);
  EXPECT_EQ(texts[1].text, "line 0");
  EXPECT_EQ(texts.back().text, "line 299");
}

}  // namespace
}  // namespace sw::testing
