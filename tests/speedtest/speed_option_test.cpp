// The window's side: the "Measure speed before and after" option kept as the
// fourth character of "Options", and the log lines of a measurement.
#include <algorithm>

#include "app/run_context.h"
#include "app/speed_stage.h"
#include "fakes/main_form_fixture.h"
#include "fakes/scripted_run_host.h"
#include "speed_drive_fixture.h"

namespace sw::testing {
namespace {

class SpeedOptionTest : public MainFormTest {
 protected:
  // The measurement as a stage of a run, on this thread.
  TRunContext& Run() {
    run_ = std::make_unique<TRunContext>(host, stop, services, TRunOptions{});
    return *run_;
  }
  fakes::ScriptedRunHost host{dialogs};
  TStopToken stop;

 private:
  std::unique_ptr<TRunContext> run_;
};

std::string StoredOptions() {
  UniqueRegKey key = registry::OpenForReading(HKEY_CURRENT_USER, kSettingsKey);
  return key ? registry::ReadString(key.Get(), "Options") : "<no key>";
}

TEST_F(SpeedOptionTest, FourthAndFifthCharactersOfOptionsRoundTripAndOlderValuesReadAsOff) {
  struct Case {
    std::string stored;
    bool scan, quick, verbose, measure, capacity;
    std::string savedAgain;
  };
  const Case cases[] = {
      {"101", true, false, true, false, false, "10100"},  // from older runs
      {"0001", false, false, false, true, false, "00010"},
      {"1110", true, true, true, false, false, "11100"},
      {"01111", false, true, true, true, true, "01111"},
      {"00001", false, false, false, false, true, "00001"},
  };
  for (const Case& c : cases) {
    WriteOptions(c.stored);
    TMainForm& f = CreateForm();
    EXPECT_EQ(f.OptCorrectErrors->Checked(), c.scan) << c.stored;
    EXPECT_EQ(f.OptQuickFmt->Checked(), c.quick) << c.stored;
    EXPECT_EQ(f.OptVerbose->Checked(), c.verbose) << c.stored;
    EXPECT_EQ(f.OptMeasureSpeed()->Checked(), c.measure) << c.stored;
    EXPECT_EQ(f.OptCheckCapacity()->Checked(), c.capacity) << c.stored;
    f.Close();
    EXPECT_EQ(StoredOptions(), c.savedAgain);
    form.reset();
  }
}

TEST_F(SpeedOptionTest, OptionSitsInFormatOptionsAfterScanInTabOrder) {
  TMainForm& f = CreateForm();
  tk::TCheckBox* option = f.OptMeasureSpeed();
  ASSERT_NE(option, nullptr);
  EXPECT_EQ(option->Caption(), "Measure speed before and after");
  EXPECT_FALSE(option->Checked());
  EXPECT_EQ(GetParent(option->Handle()), f.GroupBox1->Handle());
  // The keyboard follows the window order: Quick Format, Scan, this one,
  // then the capacity check.
  EXPECT_EQ(GetWindow(f.OptCorrectErrors->Handle(), GW_HWNDNEXT), option->Handle());
  EXPECT_EQ(GetWindow(option->Handle(), GW_HWNDNEXT), f.OptCheckCapacity()->Handle());
  EXPECT_FALSE(f.OptCheckCapacity()->Checked());
}

TEST_F(SpeedOptionTest, SkippedMeasurementIsLoggedAndTheTableShowsNothingInvented) {
  Win32SpeedTestIo system;
  ScriptedSpeedTestIo io(system);
  io.freeBytes = 5 * kMiB;
  services.speedTestIo = &io;
  TRunContext& run = Run();
  const TSpeedFigures before = MeasureDriveSpeed(run, 'c');
  EXPECT_EQ(before.outcome, TSpeedOutcome::Skipped);
  EXPECT_EQ(io.writes, 0);
  LogSpeedTable(run, 'c', before, TSpeedFigures{});
  const std::vector<std::string> lines = host.lines;
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[0], "Measuring the speed of drive C:...");
  EXPECT_EQ(lines[1], "Speed measurement of C: skipped, only 5.0 MiB free on c:\\, at least 17.0 MiB are needed.");
  EXPECT_EQ(lines[2].rfind("Speed of C:\\", 0), 0u);
  for (size_t i = 3; i < 7; ++i) EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), '%'), 0) << lines[i];
}

TEST_F(SpeedOptionTest, CancelOfTheOperationStopsTheMeasurementAndLeavesTheDriveEmpty) {
  WineDrive drive;
  if (!drive.Problem().empty()) GTEST_SKIP() << "Wine drive: " << drive.Problem();
  Win32SpeedTestIo system;
  ScriptedSpeedTestIo io(system);
  services.speedTestIo = &io;
  TRunContext& run = Run();
  stop.Request(TStopReason::Cancel);  // Cancel pressed while the measurement starts

  const TSpeedFigures figures = MeasureDriveSpeed(run, drive.Letter());
  EXPECT_EQ(figures.outcome, TSpeedOutcome::Cancelled);
  EXPECT_EQ(io.writes, 0);
  EXPECT_EQ(host.lines.back(), "Speed measurement of " + std::string(1, drive.Letter()) + ": cancelled.");
  std::vector<std::string> left;
  AddEntriesBelow(drive.Root(), left);
  EXPECT_TRUE(left.empty()) << left.front();
}

}  // namespace
}  // namespace sw::testing
