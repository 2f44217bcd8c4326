// Backs up a generated drive tree (a few thousand small files and a few
// large ones) with the backup's copy (CopyDriveContents with its per-file
// lines in a shown main window's log, until the last line shows) and with the system's own "xcopy /E /H /I /Y" under the
// same Wine, and prints both times and their ratio. Each copy runs once per
// round into a fresh folder, removed after the round; the best of the rounds
// counts, so the file cache and a busy machine favour neither side.
//   bench_copy [folders] [files-per-folder] [large-files] [large-MiB] [rounds]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/drive_copy.h"
#include "app/fmtmain.h"
#include "app/run_context.h"
#include "bench_tree.h"
#include "copy/copy_folder.h"
#include "fakes/fake_app_services.h"
#include "fakes/scripted_run_host.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "toolkit/application.h"

namespace {

using sw::bench::Clock;
using sw::bench::MakeDriveTree;
using sw::bench::Seconds;

// Removes a folder and everything below it; what cannot be removed stays.
void RemoveFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(sw::Widen(folder)), ignored);
}

int CountFiles(const std::string& folder) {
  int count = 0;
  WIN32_FIND_DATAW entry{};
  HANDLE listing = FindFirstFileW(sw::Widen(folder + "\\*").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return 0;
  do {
    std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      count += CountFiles(folder + "\\" + sw::Narrow(name));
    else
      ++count;
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
  return count;
}

double RunXcopy(const std::string& source, const std::string& target) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(system) + L"\\xcopy.exe\" /E /H /I /Y \"" + sw::Widen(source) +
                         L"\" \"" + sw::Widen(target) + L"\"";
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  sw::UniqueHandle nul(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.Get();
  startup.hStdOutput = nul.Get();
  startup.hStdError = nul.Get();
  PROCESS_INFORMATION process{};
  auto start = Clock::now();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "xcopy did not start (%lu)\n", GetLastError());
    std::exit(1);
  }
  sw::UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  return Seconds(start);
}

// The run's lines go straight to the window's log, as the window's host
// does once they are handed over.
class LogToWindow : public sw::fakes::ScriptedRunHost {
 public:
  LogToWindow(sw::IDialogs& dialogs, sw::TMainForm& form) : ScriptedRunHost(dialogs), form_(form) {}
  void Log(const std::string& line) override { form_.AddLogLine(line); }

 private:
  sw::TMainForm& form_;
};

}  // namespace

int main(int argc, char** argv) {
  const int folders = argc > 1 ? std::atoi(argv[1]) : 40;
  const int perFolder = argc > 2 ? std::atoi(argv[2]) : 100;
  const int large = argc > 3 ? std::atoi(argv[3]) : 3;
  const int largeMiB = argc > 4 ? std::atoi(argv[4]) : 32;
  const int rounds = argc > 5 ? std::atoi(argv[5]) : 3;

  sw::fakes::FakeAppServices fakes;
  sw::tk::Application().Initialize(GetModuleHandleW(nullptr), &fakes.dialogs);
  sw::TMainForm form(fakes.services);
  form.Show();
  LogToWindow host(fakes.dialogs, form);
  sw::TStopToken stop;
  sw::TRunContext run(host, stop, fakes.services, sw::TRunOptions{});

  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string root = sw::Narrow(temp) + "sw_bench_copy_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryW(sw::Widen(root).c_str(), nullptr);
  const std::string drive = root + "\\drive";
  long long bytes = MakeDriveTree(drive, folders, perFolder, large, largeMiB);
  const int files = folders * perFolder + large;
  std::printf("copy: tree of %d files (%d small in %d folders, %d of %d MiB), %.1f MiB\n", files, folders * perFolder,
              folders, large, largeMiB, static_cast<double>(bytes) / (1 << 20));

  // The same walk and copies without the per-file log lines, once with the
  // message processing after each file and once without, to show what the
  // lines and the messages cost apart.
  auto bareCopy = [&](const std::string& target, const sw::TFileEvent& onFile) {
    auto begin = Clock::now();
    sw::CopyFolder({.source = drive, .destination = target, .onFile = onFile,
                    .host = sw::TCopyHost{&fakes.dialogs, &fakes.locale, nullptr},
                    .nameRules = sw::TNameRules::WholeDrive});
    return Seconds(begin);
  };
  auto messagesOnly = [](const std::string&, const std::string&, const std::string&, std::int64_t, bool&) {
    sw::tk::Application().ProcessMessages();
    return true;
  };

  double bestOurs = 1e30, bestXcopy = 1e30, bestBare = 1e30, bestPumped = 1e30;
  for (int round = 1; round <= rounds; ++round) {
    const std::string targets = root + "\\round" + std::to_string(round);
    CreateDirectoryW(sw::Widen(targets).c_str(), nullptr);
    form.Clear1Click();
    auto start = Clock::now();
    const sw::TCopyStatistics oursStats = sw::CopyDriveContents(run, drive, targets + "\\ours");
    form.FlushLog();  // as the operation does when it ends
    UpdateWindow(form.Log->Handle());
    double ours = Seconds(start);
    int oursCopied = oursStats.FilesCopied;

    double xcopy = RunXcopy(drive, targets + "\\xcopy");
    int xcopyCopied = CountFiles(targets + "\\xcopy");
    double bare = bareCopy(targets + "\\bare", nullptr);
    double pumped = bareCopy(targets + "\\pumped", messagesOnly);

    std::printf("copy: round %d: CopyDriveContents %.3f s (%d files, %zu log lines), xcopy %.3f s (%d files), "
                "copy without log lines %.3f s, with messages but no lines %.3f s\n",
                round, ours, oursCopied, form.Log->LineCount(), xcopy, xcopyCopied, bare, pumped);
    bestOurs = std::min(bestOurs, ours);
    bestXcopy = std::min(bestXcopy, xcopy);
    bestBare = std::min(bestBare, bare);
    bestPumped = std::min(bestPumped, pumped);
    RemoveFolder(targets);
  }
  std::printf("copy: best CopyDriveContents %.3f s, best xcopy %.3f s, ratio %.2f\n", bestOurs, bestXcopy,
              bestOurs / bestXcopy);
  std::printf("copy: best without log lines %.3f s, with messages but no lines %.3f s\n", bestBare, bestPumped);

  RemoveFolder(root);
  return 0;
}
