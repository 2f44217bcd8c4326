// The toolkit's own rules: dpi scaling, component ownership and the
// after-loading step, the one-shot timer, and exceptions kept inside
// window procedures.
#include <gtest/gtest.h>
#include <windows.h>

#include "fakes/fake_dialogs.h"
#include "platform/dpi.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/line_store.h"
#include "toolkit/timer.h"

namespace sw::tk {
namespace {

TEST(DpiTest, DesignPixelsScaleWithTheMonitor) {
  EXPECT_EQ(ScaleForDpi(497, 96), 497);
  EXPECT_EQ(ScaleForDpi(497, 144), 746);   // 150 %: 745.5 rounds up
  EXPECT_EQ(ScaleForDpi(497, 192), 994);   // 200 %
  EXPECT_EQ(ScaleForDpi(31, 120), 39);     // 125 %: 38.75
  EXPECT_EQ(FontHeightForDpi(8, 96), -11); // Arial 8 pt at 96 dpi
  EXPECT_EQ(FontHeightForDpi(8, 144), -16);
  EXPECT_EQ(FontHeightForDpi(8, 192), -21);
}

// The store keeps its lines as one text; each case appends its texts in turn.
TEST(LineStoreTest, EveryKindOfBreakEndsALineAndTheTextSplitsBackIntoTheLines) {
  struct Case {
    std::vector<std::string> appended;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {{""}, {""}},
      {{"a", "", "b"}, {"a", "", "b"}},
      {{"a\r\nb\nc\rd"}, {"a", "b", "c", "d"}},
      {{"trailing\r\n", "break\n", "cr\r"}, {"trailing", "break", "cr"}},
      {{"\r\r\n\n"}, {"", "", ""}},
      {{"\xc3\xa9t\xc3\xa9 \r not a pair"}, {"\xc3\xa9t\xc3\xa9 ", " not a pair"}},
  };
  for (const Case& c : cases) {
    TLineStore store;
    for (const std::string& text : c.appended) store.Append(text);
    EXPECT_EQ(store.Lines(), c.lines);
    EXPECT_EQ(store.Count(), c.lines.size());
    std::string joined;
    for (const std::string& line : c.lines) joined += line + "\r\n";
    EXPECT_EQ(store.Text(), joined);
    EXPECT_EQ(store.TakeUnfed(), joined);
    EXPECT_FALSE(store.HasUnfed());
  }
}

class Recorder : public TComponent {
 public:
  Recorder(TComponent* owner, std::vector<std::string>& log, std::string name)
      : TComponent(owner), log_(log), label_(std::move(name)) {}
  ~Recorder() override { log_.push_back("free " + label_); }

 protected:
  void Loaded() override { log_.push_back("loaded " + label_); }

 private:
  std::vector<std::string>& log_;
  std::string label_;
};

TEST(ComponentTest, OwnerFreesWhatItOwnsNewestFirstAndLoadsChildrenFirst) {
  std::vector<std::string> log;
  {
    auto* root = new Recorder(nullptr, log, "root");
    new Recorder(root, log, "a");
    auto* b = new Recorder(root, log, "b");
    new Recorder(root, log, "c");
    delete b;  // a child freed early unhooks itself from its owner
    root->NotifyLoaded();
    delete root;
  }
  EXPECT_EQ(log, (std::vector<std::string>{"free b", "loaded a", "loaded c", "loaded root", "free root", "free c",
                                           "free a"}));
}

void PumpFor(DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    Application().ProcessMessages();
    Sleep(10);
  }
}

TEST(TimerTest, EnablingARunningTimerDoesNotRestartItsInterval) {
  Application().ResetForTests();
  int fired = 0;
  TTimer timer(nullptr);
  timer.SetInterval(600);
  timer.OnTimer = [&] {
    timer.SetEnabled(false);  // one-shot, as the re-listing timer is used
    ++fired;
  };
  // Enabled again at 200 and 400 ms: kept, it fires near 600 ms; restarted,
  // not before 1000 ms. The bound between leaves room for a busy machine.
  DWORD start = GetTickCount();
  timer.SetEnabled(true);
  PumpFor(200);
  timer.SetEnabled(true);
  PumpFor(200);
  timer.SetEnabled(true);
  while (fired == 0 && GetTickCount() - start < 3000) PumpFor(10);
  DWORD elapsed = GetTickCount() - start;
  PumpFor(700);
  EXPECT_EQ(fired, 1);
  EXPECT_LT(elapsed, 900u) << "the first enable set the deadline";
}

TEST(GuardTest, ExceptionsInHandlersReachTheErrorBoxNotTheCaller) {
  fakes::FakeDialogs dialogs;
  Application().ResetForTests();
  Application().Initialize(GetModuleHandleW(nullptr), &dialogs);
  Application().Title = "Stickwise";
  FormDescription description;
  description.name = "Probe";
  description.caption = "probe";
  description.clientWidth = 100;
  description.clientHeight = 50;
  description.fontName = "Arial";
  description.controls.push_back({"Button1", ControlKind::Button, "", "Go", {}, 1, 1, 50, 20, 0, true, true, "", "", 0, false});
  TForm form(nullptr);
  form.Build(description);
  auto* button = form.Find<TButton>("Button1");
  ASSERT_NE(button, nullptr);
  button->OnClick = [] { throw std::runtime_error("handler failed"); };
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);  // through the real window procedures
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "handler failed");
  EXPECT_EQ(dialogs.shown[0].title, "Stickwise");
  EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::Error);
  Application().SetDialogs(nullptr);
}

}  // namespace
}  // namespace sw::tk
