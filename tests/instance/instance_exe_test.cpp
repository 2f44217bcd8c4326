// The guard in the real program under Wine: copies of stickwise.exe started
// from one path and from two, one after another and all at once.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace sw {
namespace {

constexpr char kSettingsKey[] = "\\Software\\Quellmar\\Stickwise";
constexpr DWORD kStartTimeout = 30000;

// The program's path as Windows sees it (a build on Linux names it by its
// Unix path, which Wine reaches through drive Z:).
std::wstring ProgramPath() {
  std::string path = STICKWISE_EXE;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return Widen(path);
}

// One started copy of the program; a copy still running at the end of the
// test is ended by its own process handle.
class ProgramCopy {
 public:
  explicit ProgramCopy(const std::wstring& executable) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring commandLine = L"\"" + executable + L"\"";
    // Detached: the copy gets none of the test's console handles, whose pipe
    // must close when the test ends.
    if (CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                       nullptr, &startup, &started)) {
      process_.Reset(started.hProcess);
      CloseHandle(started.hThread);
      id_ = started.dwProcessId;
    }
  }
  ~ProgramCopy() {
    if (Running()) {
      TerminateProcess(process_.Get(), 1);
      WaitForSingleObject(process_.Get(), 5000);
    }
  }
  ProgramCopy(const ProgramCopy&) = delete;
  ProgramCopy& operator=(const ProgramCopy&) = delete;

  bool Started() const { return process_.Valid(); }
  bool Running() const { return Started() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }
  bool WaitForExit(DWORD milliseconds) const {
    return Started() && WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
  }

  // A visible top-level window of this copy, or null.
  HWND VisibleWindow() const {
    struct Search {
      DWORD id;
      HWND found;
    } search{id_, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner != s->id || !IsWindowVisible(window)) return TRUE;
          s->found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  HWND WaitForWindow(DWORD milliseconds) const {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds && Running()) {
      if (HWND window = VisibleWindow()) return window;
      Sleep(50);
    }
    return nullptr;
  }
  // Waits for the copy to end, watching that it never shows a window.
  bool EndsWithoutAWindow(DWORD milliseconds) const {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
      if (VisibleWindow() != nullptr) return false;
      if (WaitForExit(10)) return true;
    }
    return false;
  }
  bool Close(DWORD milliseconds = 20000) const {
    if (HWND window = VisibleWindow()) PostMessageW(window, WM_CLOSE, 0, 0);
    return WaitForExit(milliseconds);
  }

 private:
  UniqueHandle process_;
  DWORD id_ = 0;
};

bool WaitFor(DWORD milliseconds, const auto& condition) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= milliseconds) return false;
    Sleep(50);
  }
  return true;
}

class ProgramInstanceTest : public ::testing::Test {
 protected:
  ProgramInstanceTest() { registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKey); }
  ~ProgramInstanceTest() override {
    copies.clear();  // ends what is still running before its files go
    if (!copiedProgram.empty()) {
      DeleteFileW(copiedProgram.c_str());
      RemoveDirectoryW(copyFolder.c_str());
    }
    if (foreground != nullptr) DestroyWindow(foreground);
    registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
  }

  ProgramCopy& Start(const std::wstring& executable) {
    copies.push_back(std::make_unique<ProgramCopy>(executable));
    EXPECT_TRUE(copies.back()->Started()) << "cannot start " << Narrow(executable);
    return *copies.back();
  }

  // The program copied into a folder of its own.
  std::wstring CopyProgramElsewhere() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    copyFolder = std::wstring(temp) + L"stickwise instance test " + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(copyFolder.c_str(), nullptr);
    copiedProgram = copyFolder + L"\\stickwise.exe";
    EXPECT_TRUE(CopyFileW(ProgramPath().c_str(), copiedProgram.c_str(), FALSE));
    return copiedProgram;
  }

  // A window of the test's own takes the foreground, as another program would.
  void TakeForeground() {
    foreground = CreateWindowExW(0, L"STATIC", L"other program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(foreground);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

  std::vector<std::unique_ptr<ProgramCopy>> copies;
  std::wstring copyFolder, copiedProgram;
  HWND foreground = nullptr;
};

TEST_F(ProgramInstanceTest, SecondStartFromTheSamePathRestoresTheFirstAndEndsUnseen) {
  ProgramCopy& first = Start(ProgramPath());
  HWND firstWindow = first.WaitForWindow(kStartTimeout);
  ASSERT_NE(firstWindow, nullptr);
  ShowWindow(firstWindow, SW_MINIMIZE);
  ASSERT_TRUE(WaitFor(5000, [&] { return IsIconic(firstWindow) != FALSE; }));
  TakeForeground();

  ProgramCopy& second = Start(ProgramPath());
  EXPECT_TRUE(second.EndsWithoutAWindow(kStartTimeout));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_TRUE(WaitFor(5000, [&] { return !IsIconic(firstWindow); })) << "the first copy is restored";
  EXPECT_TRUE(WaitFor(5000, [&] { return GetForegroundWindow() == firstWindow; })) << "and brought to the front";
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(first.Close());
}

TEST_F(ProgramInstanceTest, TheSameProgramInAnotherFolderRunsBesideIt) {
  ProgramCopy& here = Start(ProgramPath());
  ASSERT_NE(here.WaitForWindow(kStartTimeout), nullptr);
  ProgramCopy& there = Start(CopyProgramElsewhere());
  EXPECT_NE(there.WaitForWindow(kStartTimeout), nullptr);
  EXPECT_TRUE(here.Running());
  EXPECT_TRUE(there.Close());
  EXPECT_TRUE(here.Close());
}

TEST_F(ProgramInstanceTest, AfterTheFirstCopyEndsANewOneRegisters) {
  ProgramCopy& first = Start(ProgramPath());
  ASSERT_NE(first.WaitForWindow(kStartTimeout), nullptr);
  ASSERT_TRUE(first.Close());
  ProgramCopy& next = Start(ProgramPath());
  EXPECT_NE(next.WaitForWindow(kStartTimeout), nullptr);
  // And the one after that is refused again: the new copy did register.
  ProgramCopy& refused = Start(ProgramPath());
  EXPECT_TRUE(refused.EndsWithoutAWindow(kStartTimeout));
  EXPECT_TRUE(next.Close());
}

TEST_F(ProgramInstanceTest, ManyCopiesStartedAtOnceLeaveExactlyOneRunning) {
  constexpr int kCopies = 6;
  for (int i = 0; i < kCopies; ++i) Start(ProgramPath());
  auto running = [&] {
    return std::count_if(copies.begin(), copies.end(), [](const auto& copy) { return copy->Running(); });
  };
  EXPECT_TRUE(WaitFor(60000, [&] { return running() <= 1; }));
  ASSERT_EQ(running(), 1);
  auto survivor = std::find_if(copies.begin(), copies.end(), [](const auto& copy) { return copy->Running(); });
  EXPECT_NE((*survivor)->WaitForWindow(kStartTimeout), nullptr);
  // Give any copy that passed the check by mistake time to show itself.
  Sleep(1000);
  EXPECT_EQ(running(), 1);
  EXPECT_TRUE((*survivor)->Close());
}

}  // namespace
}  // namespace sw
