// The main window's engine: created at start-up and reachable through
// FormatEngine; its progress moves the bar, its texts reach the log, and
// both answer Cancel with CancelRequested.
#include <algorithm>

#include "app/fmtmain.h"
#include "engine_fixture.h"
#include "fakes/fake_locale.h"
#include "fakes/fake_print_canvas.h"

namespace sw::testing {
namespace {

class MainFormEngineTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (IsSkipped()) return;
    services.dialogs = &dialogs;
    services.system = &system;
    services.locale = &locale;
    services.printer = &printer;
    services.deviceIo = &deviceIo;
    services.formatLibrary = &library;
    CancelRequested = false;
    form = std::make_unique<TMainForm>(services);
  }
  void TearDown() override {
    form.reset();
    CancelRequested = false;
    EngineTest::TearDown();
  }

  bool LogHas(const std::string& line) const {
    auto lines = form->Log->Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  fakes::FakeLocale locale;
  fakes::FakePrintCanvas printer;
  AppServices services;
  std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormEngineTest, TheWindowOwnsTheEngineFromStartUpToItsEnd) {
  ASSERT_NE(FormatEngine, nullptr);
  EXPECT_EQ(FormatEngine->Owner(), form.get());
  form.reset();
  EXPECT_EQ(FormatEngine, nullptr);
}

TEST_F(MainFormEngineTest, ProgressMovesTheBarAndTextsReachTheLog) {
  library.script = {LibraryCommand::Percent(42), LibraryCommand::Output("  Stage one done.  "),
                    LibraryCommand::Percent(250), LibraryCommand::Done(true)};
  ASSERT_NE(FormatEngine, nullptr);
  std::vector<int> positions;
  library.beforeCommand = [this, &positions](size_t) { positions.push_back(form->ProgressBar->Position()); };
  EXPECT_TRUE(FormatEngine->CheckDisk(root, true, true, true, true));

  EXPECT_TRUE(LogHas("Stage one done."));
  EXPECT_TRUE(LogHas("Check Disk: Finished OK"));
  EXPECT_TRUE(LogHas(VolumeLine()));
  // Positions seen before each command: 42 after the first, full after 250.
  EXPECT_EQ(positions[1], 42);
  EXPECT_EQ(form->ProgressBar->Position(), 100);
  EXPECT_EQ(library.answers, (std::vector<uint8_t>{1, 1, 1, 1}));
}

TEST_F(MainFormEngineTest, CancelPressedWhileTheLibraryWorksStopsIt) {
  // The handlers let window messages run, so the Cancel button's click is
  // handled between two commands and the next answer is "stop".
  library.script = {LibraryCommand::Percent(10), LibraryCommand::Percent(20), LibraryCommand::Done(true)};
  library.beforeCommand = [this](size_t index) {
    if (index == 1) PostMessageW(form->btnCancel->Handle(), BM_CLICK, 0, 0);
  };
  EXPECT_FALSE(FormatEngine->FormatDisk(root, 0, 0, "x", false, 65536));
  EXPECT_TRUE(CancelRequested);
  EXPECT_EQ(library.answers, (std::vector<uint8_t>{1, 0, 0}));
  EXPECT_TRUE(LogHas("Cancelled by User"));
  EXPECT_TRUE(LogHas("Format Disk: Unable to Finish"));
}

TEST_F(MainFormEngineTest, WithCancelRequestedEveryCommandIsAnsweredStop) {
  CancelRequested = true;
  library.script = {LibraryCommand::Output("Stage"), LibraryCommand::Done(true)};
  library.afterStop = {};
  EXPECT_FALSE(FormatEngine->CheckDisk(root, false, true, true, true));
  EXPECT_EQ(library.answers, std::vector<uint8_t>{0});
}

}  // namespace
}  // namespace sw::testing
