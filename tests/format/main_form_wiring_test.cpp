// The main window's engine: created at start-up and reachable through
// FormatEngine until the window goes. (The run sets its events for the
// stage it runs; the start tests see them in the log and the answers.)
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
    form = std::make_unique<TMainForm>(services);
  }
  void TearDown() override {
    form.reset();
    EngineTest::TearDown();
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

}  // namespace
}  // namespace sw::testing
