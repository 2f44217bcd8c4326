// The single-instance component in-process: the test plays the other copies
// by writing the shared block itself, under the name this test program gets.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <thread>

#include "fakes/fake_dialogs.h"
#include "instance/instancecontrol.h"
#include "platform/text.h"
#include "toolkit/application.h"
#include "toolkit/form.h"

namespace sw {
namespace {

TEST(InstanceNamesTest, MappingNameIsThePathWithoutBackslashesAndBlanks) {
  EXPECT_EQ(InstanceMappingName("D:\\Program Files\\Tool\\app.exe"), "D:ProgramFilesToolapp.exe");
  EXPECT_EQ(InstanceMappingName("C:\\Stick wise\\\xC3\xBC ber\\stickwise.exe"), "C:Stickwise\xC3\xBC" "berstickwise.exe");
  EXPECT_NE(InstanceLockName("D:app.exe"), "D:app.exe") << "a lock and a mapping cannot share a name";
}

// The shared block as another copy holds it: created or opened by name.
class OtherCopy {
 public:
  explicit OtherCopy(const std::string& name)
      : mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(InstanceBlock),
                                    Widen(name).c_str())),
        block_(mapping_ ? static_cast<InstanceBlock*>(MapViewOfFile(mapping_.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0))
                        : nullptr) {}
  ~OtherCopy() {
    if (block_ != nullptr) UnmapViewOfFile(block_);
  }
  OtherCopy(const OtherCopy&) = delete;
  OtherCopy& operator=(const OtherCopy&) = delete;

  InstanceBlock& Block() { return *block_; }
  bool Valid() const { return block_ != nullptr; }

 private:
  UniqueHandle mapping_;
  InstanceBlock* block_;
};

std::uint32_t Stored(HWND window) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)); }

class InstanceControlTest : public ::testing::Test {
 protected:
  InstanceControlTest() : name(InstanceMappingName(RunningExecutablePath())) {
    tk::Application().ResetForTests();
    tk::Application().Initialize(GetModuleHandleW(nullptr), &dialogs);
    RegisterInstanceControlClass();
  }
  ~InstanceControlTest() override {
    form.reset();
    if (runningWindow != nullptr) DestroyWindow(runningWindow);
    tk::Application().SetDialogs(nullptr);
    tk::Application().ResetForTests();
  }

  // A main window carrying the component with these stored properties.
  TInstanceControl* BuildForm(std::map<std::string, std::string> properties) {
    tk::FormDescription description;
    description.name = "ProbeForm";
    description.caption = "instance probe";
    description.clientWidth = 120;
    description.clientHeight = 60;
    description.fontName = "Arial";
    description.components.push_back({"InstanceControl1", "TInstanceControl", std::move(properties), {}, ""});
    form = std::make_unique<tk::TForm>(nullptr);
    form->Build(description);
    return form->Find<TInstanceControl>("InstanceControl1");
  }

  // An empty form, for a component made by hand with its event set.
  TInstanceControl* MakeComponent(std::uint32_t maxInstances, TMaxInstancesReachedEvent event) {
    tk::FormDescription description;
    description.name = "ProbeForm";
    description.caption = "instance probe";
    description.fontName = "Arial";
    form = std::make_unique<tk::TForm>(nullptr);
    form->Build(description);
    auto* component = new TInstanceControl(form.get());
    component->MaxInstances = maxInstances;
    component->OnMaxInstancesReached = std::move(event);
    component->NotifyLoaded();
    return component;
  }

  // The running copy's window, shown minimized.
  HWND MinimizedRunningWindow() {
    runningWindow = CreateWindowExW(0, L"STATIC", L"running copy", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(runningWindow, SW_SHOWMINIMIZED);
    return runningWindow;
  }

  bool BlockExists() const {
    return UniqueHandle(OpenFileMappingW(FILE_MAP_READ, FALSE, Widen(name).c_str())).Valid();
  }

  bool Refused() const { return tk::Application().Terminated() && !tk::Application().ShowMainForm; }

  fakes::FakeDialogs dialogs;
  std::string name;
  std::unique_ptr<tk::TForm> form;
  HWND runningWindow = nullptr;
};

TEST_F(InstanceControlTest, FirstCopyRegistersItsWindowAndLeavesTheCountWhenFreed) {
  TInstanceControl* guard = BuildForm({{"Enabled", "true"}, {"MaxInstances", "1"}});
  ASSERT_NE(guard, nullptr);
  EXPECT_EQ(TheInstance, guard);
  EXPECT_EQ(guard->MappingName(), name);
  EXPECT_TRUE(guard->IsCounted());
  EXPECT_FALSE(Refused());

  OtherCopy observer(name);
  ASSERT_TRUE(observer.Valid());
  EXPECT_EQ(observer.Block().count, 1u);
  std::uint32_t ownWindow = Stored(form->Handle());
  EXPECT_EQ(observer.Block().lastWindow, ownWindow);

  form.reset();
  EXPECT_EQ(TheInstance, nullptr);
  EXPECT_EQ(observer.Block().count, 0u);
  EXPECT_EQ(observer.Block().lastWindow, ownWindow) << "the window of the copy that left is not cleared";
}

TEST_F(InstanceControlTest, TheBlockGoesWithTheLastCopySoTheNextStartIsAFirstCopyAgain) {
  BuildForm({{"MaxInstances", "1"}});
  form.reset();
  EXPECT_FALSE(BlockExists());
  TInstanceControl* guard = BuildForm({{"MaxInstances", "1"}});
  EXPECT_TRUE(guard->IsCounted());
  EXPECT_FALSE(Refused());
}

TEST_F(InstanceControlTest, CopyAtTheLimitIsRefusedAndRestoresTheRunningWindow) {
  OtherCopy running(name);
  HWND runningWindowHandle = MinimizedRunningWindow();
  ASSERT_TRUE(IsIconic(runningWindowHandle));
  running.Block() = {Stored(runningWindowHandle), 1};

  TInstanceControl* guard = BuildForm({{"Enabled", "true"}, {"MaxInstances", "1"}});
  EXPECT_FALSE(guard->IsCounted());
  EXPECT_TRUE(Refused());
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(IsIconic(runningWindowHandle)) << "the running copy is restored";
  EXPECT_EQ(running.Block().count, 1u);
  EXPECT_EQ(running.Block().lastWindow, Stored(runningWindowHandle));

  form.reset();  // a refused copy does not lower the count
  EXPECT_EQ(running.Block().count, 1u);
}

TEST_F(InstanceControlTest, MaxInstancesZeroBehavesAsOne) {
  std::vector<std::uint32_t> reached;
  auto record = [&](tk::TComponent*, const std::uint32_t handle) { reached.push_back(handle); };
  TInstanceControl* first = MakeComponent(0, record);
  EXPECT_TRUE(first->IsCounted());
  {
    OtherCopy observer(name);
    EXPECT_EQ(observer.Block().count, 1u);
  }
  form.reset();

  OtherCopy running(name);
  running.Block() = {0x1234, 1};
  TInstanceControl* second = MakeComponent(0, record);
  EXPECT_FALSE(second->IsCounted());
  EXPECT_TRUE(Refused());
  EXPECT_EQ(reached, (std::vector<std::uint32_t>{0x1234}));
}

TEST_F(InstanceControlTest, MaxInstancesTwoLetsTheSecondCopyRunAndRefusesTheThird) {
  std::vector<std::uint32_t> reached;
  auto record = [&](tk::TComponent* sender, const std::uint32_t handle) {
    EXPECT_EQ(sender, TheInstance);
    reached.push_back(handle);
  };
  OtherCopy copyOne(name);
  copyOne.Block() = {0x1111, 1};
  TInstanceControl* copyTwo = MakeComponent(2, record);
  EXPECT_TRUE(copyTwo->IsCounted());
  EXPECT_FALSE(Refused());
  EXPECT_EQ(copyOne.Block().count, 2u);
  EXPECT_EQ(copyOne.Block().lastWindow, Stored(form->Handle()));
  std::uint32_t copyTwoWindow = copyOne.Block().lastWindow;
  form.reset();
  EXPECT_EQ(copyOne.Block().count, 1u);

  copyOne.Block().count = 2;  // copy two is back
  MakeComponent(2, record);
  EXPECT_TRUE(Refused());
  EXPECT_EQ(reached, (std::vector<std::uint32_t>{copyTwoWindow})) << "copy three activates copy two";
}

TEST_F(InstanceControlTest, DisabledGuardCreatesCountsAndReleasesNothing) {
  TInstanceControl* guard = BuildForm({{"Enabled", "false"}, {"MaxInstances", "1"}});
  EXPECT_FALSE(guard->Enabled);
  EXPECT_FALSE(guard->IsCounted());
  EXPECT_FALSE(BlockExists()) << "no block is created";
  form.reset();

  OtherCopy running(name);
  running.Block() = {0x2222, 5};
  BuildForm({{"Enabled", "false"}});
  EXPECT_FALSE(Refused());
  form.reset();
  EXPECT_EQ(running.Block().count, 5u);
}

TEST_F(InstanceControlTest, StoredMaxInstancesIsReadFromTheDescription) {
  OtherCopy running(name);
  running.Block() = {0x3333, 1};
  TInstanceControl* guard = BuildForm({{"MaxInstances", "2"}});
  EXPECT_EQ(guard->MaxInstances, 2u);
  EXPECT_TRUE(guard->IsCounted());
  EXPECT_EQ(running.Block().count, 2u);
}

TEST_F(InstanceControlTest, ReleaseNeverTakesTheCountBelowZero) {
  BuildForm({{"MaxInstances", "1"}});
  OtherCopy observer(name);
  observer.Block().count = 0;  // another copy's fault, not ours to repeat
  form.reset();
  EXPECT_EQ(observer.Block().count, 0u);
}

TEST_F(InstanceControlTest, OnlyOneComponentPerProcess) {
  TInstanceControl* first = BuildForm({{"MaxInstances", "1"}});
  try {
    TInstanceControl second(form.get());
    FAIL() << "a second component was created";
  } catch (const EInstanceControl& error) {
    EXPECT_STREQ(error.what(), "Only one copy of this component can be dropped on a form!");
  }
  EXPECT_EQ(TheInstance, first) << "the refused one leaves the first in place";
  form.reset();
  TInstanceControl again(nullptr);  // once the first is gone, a new one may be made
  EXPECT_EQ(TheInstance, &again);
}

// Another copy that is inside its check-and-register step holds the lock;
// this copy must wait for it and then see the count it wrote.
TEST_F(InstanceControlTest, CheckAndRegisterWaitsForACopyThatHoldsTheLock) {
  HANDLE lockHandle = CreateMutexW(nullptr, FALSE, Widen(InstanceLockName(name)).c_str());
  ASSERT_NE(lockHandle, nullptr);
  UniqueHandle lock(lockHandle);
  UniqueHandle locked(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  UniqueHandle finished(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::unique_ptr<OtherCopy> other;
  std::thread otherCopy([&] {
    WaitForSingleObject(lock.Get(), INFINITE);
    SetEvent(locked.Get());
    Sleep(300);  // the moment in which an unserialised check would pass
    other = std::make_unique<OtherCopy>(name);
    other->Block() = {0x4444, 1};
    ReleaseMutex(lock.Get());
    WaitForSingleObject(finished.Get(), INFINITE);  // keeps the block alive
  });
  WaitForSingleObject(locked.Get(), INFINITE);
  TInstanceControl* guard = BuildForm({{"MaxInstances", "1"}});
  bool counted = guard->IsCounted();
  bool refused = Refused();
  SetEvent(finished.Get());
  otherCopy.join();
  EXPECT_FALSE(counted);
  EXPECT_TRUE(refused);
  EXPECT_EQ(other->Block().count, 1u);
}

}  // namespace
}  // namespace sw
