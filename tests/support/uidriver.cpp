// A small UI driver for the run script and for checks by hand: acts on a
// program's windows through window messages.
//   uidriver wait     <caption> [timeout-ms]             exit 0 once the window is visible
//   uidriver close    <caption>                          ask the window to close
//   uidriver click    <window> <button caption>          click a button
//   uidriver answer   <box caption> <button> [text] [timeout-ms]
//                                                        press a button of a message box or dialog
//   uidriver choosefolder <dialog caption> <windows path> [timeout-ms]
//                                                        select and type the folder in a folder dialog,
//                                                        press OK only when it holds exactly that folder
//   uidriver settext  <window> <class> <index> <text>    set the text of a control
//   uidriver check    <window> <caption> on|off          set a check box
//   uidriver select   <window> <combo index> <text>      select the first combo item containing text
//   uidriver items    <window> <combo index>             print the items of a combo box
//   uidriver shown    <window> <class> <caption>         exit 0 when the control is visible
//   uidriver log      <window>                           print the activity log
//   uidriver waitlog  <window> <text> [timeout-ms]       exit 0 once a log line contains text
//   uidriver follow   <window> <timeout-ms> <text>...    print each new log line after the ms since
//                                                        the start and a tab; exit 0 after the first
//                                                        line that contains one of the texts
//   uidriver memory   <window>                           print the peak and current working set of
//                                                        the window's process, in bytes
//   uidriver windows                                     print the visible top-level windows
#include <windows.h>
#include <shellapi.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "choose_folder.h"
#include "log_follower.h"
#include "platform/handles.h"
#include "ui_driver.h"

namespace {

constexpr unsigned kFindTimeoutMs = 10000;

unsigned Timeout(const std::vector<std::string>& args, size_t index, unsigned fallback) {
  return args.size() > index ? static_cast<unsigned>(std::strtoul(args[index].c_str(), nullptr, 10)) : fallback;
}

int Usage() {
  std::fprintf(stderr,
               "usage: uidriver wait|close|click|answer|choosefolder|settext|check|select|items|shown|log|waitlog|follow|memory|windows ...\n");
  return 2;
}

// Arguments arrive as UTF-16 from the system and are used as UTF-8 here.
std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
    arg.resize(arg.size() - 1);
    args.push_back(arg);
  }
  LocalFree(wide);
  return args;
}

void PrintUtf8(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

// Prints the log's lines as they come, each after the time it was first
// seen, until one holds one of `ends`. A look every 100 ms reads only what
// was added since the one before.
int FollowLog(HWND window, unsigned timeoutMs, const std::vector<std::string>& ends) {
  HWND log = sw::ui::FindLog(window);
  if (log == nullptr) return 1;
  sw::ui::LogFollower follower(log);
  std::vector<std::string> lines;
  const ULONGLONG start = GetTickCount64();
  while (GetTickCount64() - start < timeoutMs && follower.NewLines(lines)) {
    std::string out;
    const auto now = static_cast<unsigned long long>(GetTickCount64() - start);
    for (const std::string& line : lines) {
      out += std::to_string(now) + "\t" + line + "\n";
      for (const std::string& end : ends)
        if (line.find(end) != std::string::npos) {
          PrintUtf8(out);
          return 0;
        }
    }
    if (!out.empty()) PrintUtf8(out);
    Sleep(100);
  }
  return 1;
}

int PrintMemory(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  sw::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!process || !GetProcessMemoryInfo(process.Get(), &counters, sizeof counters)) return 1;
  std::printf("%llu %llu\n", static_cast<unsigned long long>(counters.PeakWorkingSetSize),
              static_cast<unsigned long long>(counters.WorkingSetSize));
  return 0;
}

}  // namespace

int main() {
  using namespace sw::ui;
  const std::vector<std::string> args = Arguments();
  if (args.empty()) return Usage();
  const std::string& command = args[0];
  if (command == "windows") {
    for (const std::string& line : ListWindows()) PrintUtf8(line + "\n");
    return 0;
  }
  if (args.size() < 2) return Usage();
  if (command == "wait") return WaitForWindow(args[1], Timeout(args, 2, kFindTimeoutMs)) != nullptr ? 0 : 1;
  if (command == "answer") {
    const std::string text = args.size() > 3 ? args[3] : std::string();
    if (args.size() < 3) return Usage();
    return AnswerDialog(args[1], args[2], text, Timeout(args, 4, kFindTimeoutMs)) ? 0 : 1;
  }
  if (command == "choosefolder") {
    if (args.size() < 3) return Usage();
    const FolderChoice choice = ChooseFolder(args[1], args[2], Timeout(args, 3, kFindTimeoutMs));
    if (choice.accepted) return 0;
    std::fprintf(stderr, "uidriver: %s\n", choice.problem.c_str());
    return 1;
  }

  HWND window = WaitForWindow(args[1], kFindTimeoutMs);
  if (window == nullptr) {
    std::fprintf(stderr, "uidriver: no window \"%s\"\n", args[1].c_str());
    return 1;
  }
  if (command == "close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  if (command == "log") {
    HWND log = FindLog(window);
    if (log == nullptr) return 1;
    PrintUtf8(WindowText(log) + "\n");
    return 0;
  }
  if (command == "waitlog" && args.size() >= 3) return WaitForLogText(window, args[2], Timeout(args, 3, kFindTimeoutMs)) ? 0 : 1;
  if (command == "follow" && args.size() >= 4)
    return FollowLog(window, Timeout(args, 2, kFindTimeoutMs), std::vector<std::string>(args.begin() + 3, args.end()));
  if (command == "memory") return PrintMemory(window);
  if (command == "click" && args.size() >= 3) {
    HWND button = FindControl(window, "Button", args[2]);
    if (button == nullptr) return 1;
    Click(button);
    return 0;
  }
  if (command == "settext" && args.size() >= 5) {
    HWND control = FindControl(window, args[2], {}, std::atoi(args[3].c_str()));
    if (control == nullptr) return 1;
    SetText(control, args[4]);
    return 0;
  }
  if (command == "check" && args.size() >= 4) {
    HWND box = FindControl(window, "Button", args[2]);
    if (box == nullptr) return 1;
    SetChecked(box, args[3] == "on");
    return 0;
  }
  if ((command == "select" && args.size() >= 4) || (command == "items" && args.size() >= 3)) {
    HWND combo = FindControl(window, "ComboBox", {}, std::atoi(args[2].c_str()));
    if (combo == nullptr) return 1;
    if (command == "select") return SelectComboItem(combo, args[3]) ? 0 : 1;
    for (const std::string& item : ComboItems(combo)) PrintUtf8(item + "\n");
    return 0;
  }
  if (command == "shown" && args.size() >= 4) return IsShown(FindControl(window, args[2], args[3])) ? 0 : 1;
  return Usage();
}
