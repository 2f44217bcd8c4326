// The device-change listener under Wine: device-change messages sent to its
// hidden window, and the events they raise.
#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "devices/U_USB.h"
#include "fakes/fake_dialogs.h"
#include "toolkit/application.h"

namespace sw {
namespace {

TEST(DriveLetterFromMaskTest, GivesTheLowestLetterOfTheLowTwentySixBits) {
  EXPECT_EQ(DriveLetterFromMask(1), "a");
  EXPECT_EQ(DriveLetterFromMask(16), "e");
  EXPECT_EQ(DriveLetterFromMask(48), "e");  // two volumes at once: the lowest only
  EXPECT_EQ(DriveLetterFromMask(1u << 25), "z");
  EXPECT_EQ(DriveLetterFromMask((1u << 25) | (1u << 31)), "z");
  EXPECT_EQ(DriveLetterFromMask(0), "");
  EXPECT_EQ(DriveLetterFromMask(0xFC000000u), "");  // only bits above z
}

struct RaisedEvent {
  std::string kind;
  TUsbClass* sender;
  std::string usbDeviceDesc, storageDeviceDesc, friendlyName, driveLetter;
};

class UsbListenerTest : public ::testing::Test {
 protected:
  UsbListenerTest() {
    tk::Application().ResetForTests();
    tk::Application().Initialize(GetModuleHandleW(nullptr), &dialogs);
    listener.OnVolumeArrival = Recorder("arrival");
    listener.OnVolumeRemoval = Recorder("removal");
  }
  ~UsbListenerTest() override {
    tk::Application().SetDialogs(nullptr);
    tk::Application().ResetForTests();
  }

  TUsbVolumeEvent Recorder(std::string kind) {
    return [this, kind](TUsbClass* sender, const std::string& usb, const std::string& storage,
                        const std::string& friendly, const std::string& letter) {
      events.push_back({kind, sender, usb, storage, friendly, letter});
    };
  }

  LRESULT SendVolume(WPARAM event, DWORD unitMask) {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = unitMask;
    return SendMessageW(listener.Handle(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
  }

  LRESULT SendInterface(WPARAM event) {
    DEV_BROADCAST_DEVICEINTERFACE_W device{};
    device.dbcc_size = sizeof(device);
    device.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    return SendMessageW(listener.Handle(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&device));
  }

  std::vector<std::string> Letters() const {
    std::vector<std::string> letters;
    for (const RaisedEvent& e : events) letters.push_back(e.kind + " " + e.driveLetter);
    return letters;
  }

  fakes::FakeDialogs dialogs;
  TUsbClass listener;
  std::vector<RaisedEvent> events;
};

TEST_F(UsbListenerTest, HiddenWindowIsAZeroSizeTopLevelToolWindow) {
  HWND window = listener.Handle();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow()) << "a message-only window misses the broadcasts";
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_POPUP);
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  RECT bounds{};
  GetWindowRect(window, &bounds);
  EXPECT_EQ(bounds.right - bounds.left, 0);
  EXPECT_EQ(bounds.bottom - bounds.top, 0);
}

TEST_F(UsbListenerTest, VolumeArrivalAndRemovalRaiseTheirEventWithTheLowestLetter) {
  EXPECT_EQ(SendVolume(DBT_DEVICEARRIVAL, 16), 0);
  EXPECT_EQ(SendVolume(DBT_DEVICEARRIVAL, 48), 0);
  EXPECT_EQ(SendVolume(DBT_DEVICEREMOVECOMPLETE, 16), 0);
  SendVolume(DBT_DEVICEREMOVECOMPLETE, 0xFC000000u);  // no letter among a..z
  EXPECT_EQ(Letters(), (std::vector<std::string>{"arrival e", "arrival e", "removal e", "removal "}));
  for (const RaisedEvent& e : events) {
    EXPECT_EQ(e.sender, &listener);
    EXPECT_EQ(e.usbDeviceDesc, "");
    EXPECT_EQ(e.storageDeviceDesc, "");
    EXPECT_EQ(e.friendlyName, "");
  }
}

TEST_F(UsbListenerTest, InterfaceRecordsOtherRequestsAndOtherRecordTypesRaiseNothing) {
  SendInterface(DBT_DEVICEARRIVAL);  // the USB device itself, before its volume
  SendInterface(DBT_DEVICEREMOVECOMPLETE);
  SendVolume(DBT_DEVICEQUERYREMOVE, 16);
  SendVolume(DBT_DEVICEREMOVEPENDING, 16);
  SendVolume(DBT_DEVNODES_CHANGED, 16);
  DEV_BROADCAST_PORT_W port{};
  port.dbcp_size = sizeof(port);
  port.dbcp_devicetype = DBT_DEVTYP_PORT;
  SendMessageW(listener.Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&port));
  EXPECT_TRUE(events.empty());
}

TEST_F(UsbListenerTest, RecordsThatCannotHoldAUnitMaskAreNotRead) {
  SendMessageW(listener.Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
  DEV_BROADCAST_VOLUME cut{};
  cut.dbcv_size = sizeof(DEV_BROADCAST_HDR);  // says it ends before the unit mask
  cut.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  cut.dbcv_unitmask = 16;
  SendMessageW(listener.Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&cut));
  EXPECT_TRUE(events.empty());
}

TEST_F(UsbListenerTest, UnassignedEventsAreSkipped) {
  listener.OnVolumeArrival = nullptr;
  SendVolume(DBT_DEVICEARRIVAL, 16);
  SendVolume(DBT_DEVICEREMOVECOMPLETE, 32);
  EXPECT_EQ(Letters(), (std::vector<std::string>{"removal f"}));
}

TEST_F(UsbListenerTest, OtherMessagesGoToTheDefaultProcedure) {
  SetWindowTextW(listener.Handle(), L"probe");
  wchar_t text[16] = {};
  GetWindowTextW(listener.Handle(), text, 16);
  EXPECT_STREQ(text, L"probe");
}

TEST_F(UsbListenerTest, AFailingHandlerReachesTheErrorBoxNotTheSystem) {
  listener.OnVolumeArrival = [](TUsbClass*, const std::string&, const std::string&, const std::string&,
                                const std::string&) { throw std::runtime_error("re-listing failed"); };
  SendVolume(DBT_DEVICEARRIVAL, 16);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "re-listing failed");
}

TEST_F(UsbListenerTest, ABroadcastToAllTopLevelWindowsReachesIt) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof(volume);
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = 1u << 6;
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume),
                      SMTO_ABORTIFHUNG, 5000, &ignored);
  EXPECT_EQ(Letters(), (std::vector<std::string>{"arrival g"}));
}

TEST(UsbListenerLifetimeTest, TheWindowGoesWithTheListener) {
  HWND window = nullptr;
  {
    TUsbClass listener;
    window = listener.Handle();
    ASSERT_TRUE(IsWindow(window));
  }
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace sw
