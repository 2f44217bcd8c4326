// The real stickwise.exe under Wine: its window appears with every control
// at its place with its caption and state, the keyboard walks the controls
// in tab order, and closing it writes the settings of a first start.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace sw {
namespace {

constexpr char kSettingsKeyPath[] = "Software\\Quellmar\\Stickwise";

struct ExpectedControl {
  const char* className;
  const char* caption;  // nullptr: not checked
  RECT bounds;          // left, top, right, bottom in the parent's client area
  bool visible;
  bool enabled;
  bool widthMayGrow;    // labels widen to show their whole text
};

RECT Box(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

std::string WindowText(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return Narrow(buffer);
}

std::string ClassOf(HWND window) {
  wchar_t buffer[128] = {};
  GetClassNameW(window, buffer, 128);
  return AsciiUpper(Narrow(buffer));
}

RECT BoundsInParent(HWND window) {
  RECT bounds;
  GetWindowRect(window, &bounds);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

std::vector<HWND> Descendants(HWND root) {
  std::vector<HWND> found;
  EnumChildWindows(
      root,
      [](HWND child, LPARAM data) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

class RealExeTest : public ::testing::Test {
 protected:
  RealExeTest() { registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKeyPath); }
  ~RealExeTest() override {
    if (process_) {
      TerminateProcess(process_.Get(), 1);
      WaitForSingleObject(process_.Get(), 5000);
    }
    registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKeyPath);
  }

  HWND Start() {
    // The build gives a Unix path; Wine sees it on drive Z:.
    std::string path = STICKWISE_EXE;
    if (!path.empty() && path[0] == '/') {
      std::string onDriveZ = "Z:";
      onDriveZ += ReplaceAll(path, "/", "\\");
      path = onDriveZ;
    }
    std::wstring command = L"\"" + Widen(path) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
      return nullptr;
    CloseHandle(info.hThread);
    process_.Reset(info.hProcess);
    for (int i = 0; i < 300; ++i) {
      HWND window = FindWindowW(L"StickwiseForm", L"Stickwise 2.0");
      if (window != nullptr && IsWindowVisible(window)) return window;
      Sleep(100);
    }
    return nullptr;
  }

  DWORD WaitForExit() {
    if (WaitForSingleObject(process_.Get(), 20000) != WAIT_OBJECT_0) return 9999;
    DWORD code = 9999;
    GetExitCodeProcess(process_.Get(), &code);
    process_.Reset();
    return code;
  }

  UniqueHandle process_;
};

TEST_F(RealExeTest, WindowShowsEveryControlAndClosingSavesFirstStartSettings) {
  HWND window = Start();
  ASSERT_NE(window, nullptr) << "the main window did not appear";

  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 497);
  EXPECT_EQ(client.bottom, 509);

  const ExpectedControl expected[] = {
      {"STICKWISEPANEL", nullptr, Box(0, 0, 497, 509), true, true, false},
      {"STATIC", "Device", Box(31, 14, 33, 14), true, true, true},
      {"COMBOBOX", nullptr, Box(31, 42, 314, 22), true, true, false},
      {"BUTTON", "Refresh Devices", Box(358, 40, 104, 26), true, true, false},
      {"STATIC", "File System", Box(31, 84, 55, 14), true, true, true},
      {"COMBOBOX", nullptr, Box(31, 112, 98, 22), true, true, false},
      {"STATIC", "Volume Label", Box(175, 84, 64, 14), true, true, true},
      {"EDIT", "", Box(175, 112, 287, 22), true, true, false},
      {"BUTTON", "Format Options", Box(31, 154, 431, 71), true, true, false},
      {"BUTTON", "Quick Format", Box(27, 31, 103, 16), true, true, false},
      {"BUTTON", "Scan drive for errors", Box(278, 31, 134, 16), true, true, false},
      {"BUTTON", "Measure speed before and after", Box(27, 50, 200, 16), true, true, false},
      {"EDIT", nullptr, Box(31, 249, 431, 144), true, true, false},
      {"BUTTON", "Verbose", Box(412, 72, 71, 17), false, true, false},
      {"MSCTLS_PROGRESS32", nullptr, Box(31, 416, 431, 22), false, true, false},
      {"BUTTON", "Start", Box(58, 444, 96, 24), true, true, false},
      {"BUTTON", "Cancel", Box(58, 444, 96, 24), false, true, false},
      {"BUTTON", "Close", Box(326, 444, 96, 24), true, true, false},
      {"STATIC", nullptr, Box(221, 450, 36, 19), true, true, false},
      {"STATIC", nullptr, Box(54, 483, 327, 14), true, true, true},
      {"STATIC", "", Box(31, 500, 3, 14), true, true, true},
  };
  std::vector<HWND> children = Descendants(window);
  for (const ExpectedControl& control : expected) {
    bool found = false;
    for (HWND child : children) {
      if (ClassOf(child) != control.className) continue;
      RECT bounds = BoundsInParent(child);
      bool height = control.className == std::string("COMBOBOX") || bounds.bottom == control.bounds.bottom;
      bool width = control.widthMayGrow ? bounds.right >= control.bounds.right : bounds.right == control.bounds.right;
      if (bounds.left != control.bounds.left || bounds.top != control.bounds.top || !height || !width) continue;
      if (control.caption != nullptr && WindowText(child) != control.caption) continue;
      found = true;
      EXPECT_EQ(IsWindowVisible(child) != FALSE || (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0,
                control.visible)
          << control.className << " " << (control.caption ? control.caption : "");
      EXPECT_EQ(IsWindowEnabled(child) != FALSE, control.enabled);
      break;
    }
    EXPECT_TRUE(found) << "no " << control.className << " '" << (control.caption ? control.caption : "")
                       << "' at " << control.bounds.left << "," << control.bounds.top;
  }

  // The copyright line reads the current year.
  SYSTEMTIME now;
  GetLocalTime(&now);
  bool copyrightFound = false;
  for (HWND child : children)
    if (WindowText(child).find("Copyright") != std::string::npos)
      copyrightFound = WindowText(child).find(std::to_string(now.wYear)) != std::string::npos;
  EXPECT_TRUE(copyrightFound);

  // Tab order over the focusable, visible controls (buttons by caption).
  std::vector<std::string> order;
  HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
  for (HWND item = first; item != nullptr && order.size() < 20;) {
    std::string name = ClassOf(item);
    if (name == "BUTTON") name.append(":").append(WindowText(item));
    order.push_back(name);
    item = GetNextDlgTabItem(window, item, FALSE);
    if (item == first) break;
  }
  EXPECT_EQ(order, (std::vector<std::string>{"COMBOBOX", "BUTTON:Refresh Devices", "COMBOBOX", "EDIT",
                                             "BUTTON:Quick Format", "BUTTON:Scan drive for errors",
                                             "BUTTON:Measure speed before and after",
                                             "BUTTON:Check the real capacity", "EDIT",
                                             "BUTTON:Start", "BUTTON:Close"}));

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(), 0u);

  UniqueRegKey key = registry::OpenForReading(HKEY_CURRENT_USER, kSettingsKeyPath);
  ASSERT_TRUE(key.Valid()) << "closing writes the settings";
  EXPECT_EQ(registry::ReadString(key.Get(), "Options"), "00000");
  EXPECT_EQ(registry::ReadInteger(key.Get(), "FS"), 0);
}

}  // namespace
}  // namespace sw
