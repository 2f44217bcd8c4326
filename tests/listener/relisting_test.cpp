// The main window's answer to volume events: both enable Timer1, and a burst
// of events ends in a single re-listing 1200 ms after the first of them.
#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>

#include <vector>

#include "fakes/main_form_fixture.h"

namespace sw::testing {
namespace {

constexpr wchar_t kListenerClass[] = L"StickwiseUsbListener";

HWND ListenerWindow() { return FindWindowExW(nullptr, nullptr, kListenerClass, nullptr); }

void SendVolume(HWND listener, WPARAM event, DWORD unitMask) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof(volume);
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = unitMask;
  SendMessageW(listener, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
}

void PumpUntil(DWORD start, DWORD elapsed) {
  while (GetTickCount() - start < elapsed) {
    tk::Application().ProcessMessages();
    Sleep(5);
  }
}

using RelistingTest = MainFormTest;

TEST_F(RelistingTest, ABurstOfVolumeEventsGivesOneRelistingAfterTheFirst) {
  TMainForm& form = CreateForm();
  HWND listener = ListenerWindow();
  ASSERT_NE(listener, nullptr);
  ASSERT_FALSE(form.Timer1->Enabled());
  EXPECT_EQ(form.Timer1->Interval(), 1200u);

  std::vector<DWORD> relistedAfter;
  auto relist = form.Timer1->OnTimer;
  DWORD start = 0;
  form.Timer1->OnTimer = [&] {
    relistedAfter.push_back(GetTickCount() - start);
    relist();
  };

  start = GetTickCount();
  SendVolume(listener, DBT_DEVICEARRIVAL, 16);
  EXPECT_TRUE(form.Timer1->Enabled());
  PumpUntil(start, 400);
  SendVolume(listener, DBT_DEVICEREMOVECOMPLETE, 16);
  PumpUntil(start, 800);
  SendVolume(listener, DBT_DEVICEARRIVAL, 32);
  PumpUntil(start, 3500);

  ASSERT_EQ(relistedAfter.size(), 1u);
  EXPECT_GE(relistedAfter[0], 1150u);
  EXPECT_LT(relistedAfter[0], 2000u) << "a later event must not restart the interval";
  EXPECT_FALSE(form.Timer1->Enabled()) << "the re-listing timer is one-shot";
}

TEST_F(RelistingTest, InterfaceRecordsLeaveTheTimerAlone) {
  TMainForm& form = CreateForm();
  DEV_BROADCAST_DEVICEINTERFACE_W device{};
  device.dbcc_size = sizeof(device);
  device.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  SendMessageW(ListenerWindow(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&device));
  SendVolume(ListenerWindow(), DBT_DEVICEQUERYREMOVE, 16);
  EXPECT_FALSE(form.Timer1->Enabled());
}

TEST_F(RelistingTest, TheListenerIsReleasedWithTheWindow) {
  CreateForm();
  HWND listener = ListenerWindow();
  ASSERT_NE(listener, nullptr);
  form.reset();
  EXPECT_FALSE(IsWindow(listener));
}

}  // namespace
}  // namespace sw::testing
