// The stick pulled out before Start: its drive letter goes, the system
// broadcasts the volume's removal, and the program re-lists its devices.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include "testbed/wine_mount.h"
#include "testbed_session.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

void BroadcastVolumeRemoval(char letter) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof(volume);
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = 1u << (letter - 'A');
  DWORD_PTR result = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&volume),
                      SMTO_ABORTIFHUNG, 2000, &result);
}

bool Names(const std::vector<std::string>& items, const std::string& root) {
  for (const std::string& item : items)
    if (item.find(root) != std::string::npos) return true;
  return false;
}

// Waits until the re-listing has dropped the drive.
bool WaitForDeviceGone(HWND combo, const std::string& root, unsigned timeoutMs) {
  const DWORD start = GetTickCount();
  while (Names(ui::ComboItems(combo), root)) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

TEST(UnplugTest, AStickPulledOutBeforeStartLeavesTheListAndStartRefuses) {
  TestbedSession session;
  ASSERT_EQ(session.Problem(), "");
  HWND devices = ui::FindControl(session.Window(), "ComboBox", {}, 0);
  ASSERT_EQ(ui::ComboItems(devices).size(), 1u);

  ASSERT_TRUE(testbed::UnmapDrive(session.Letter()));
  BroadcastVolumeRemoval(session.Letter());
  ASSERT_TRUE(WaitForDeviceGone(devices, session.Root(), kStepTimeoutMs)) << session.Log();
  ASSERT_TRUE(ui::ComboItems(devices).empty()) << "another removable drive is mapped in this Wine prefix";

  session.Click("Start");
  ASSERT_TRUE(session.WaitForLog("No USB flash drive, USB thumb drive, or USB stick is detected."))
      << session.Log();
  EXPECT_EQ(ui::WaitForDialog("Warning", {}, 500), nullptr);
  EXPECT_EQ(session.StickFiles(), SampleFiles());
}

}  // namespace
}  // namespace sw::e2e
