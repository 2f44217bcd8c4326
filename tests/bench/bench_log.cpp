// Appends many lines to the activity log of a shown main window, letting
// window messages run after each line as the backup's and the format's
// writers do, and prints the times and their ratio. The time includes
// showing the last line, so it is what a user waits for.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/fmtmain.h"
#include "fakes/fake_app_services.h"
#include "toolkit/application.h"

namespace {

double AppendLines(sw::TMainForm& form, int count) {
  form.Clear1Click();
  sw::tk::Application().ProcessMessages();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    form.AddLogLine("   Copied E:\\folder\\file" + std::to_string(i) + ".txt, size: 4,096 bytes");
    sw::tk::Application().ProcessMessages();
  }
  form.FlushLog();
  UpdateWindow(form.Log->Handle());
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  auto shown = SendMessageW(form.Log->Handle(), EM_GETLINECOUNT, 0, 0) - 1;  // the last line is empty
  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("log: %d lines in %.3f s (%zu in the log, %ld shown), working set %.0f MB, peak %.0f MB\n", count,
              elapsed.count(), form.Log->LineCount(), static_cast<long>(shown), memory.WorkingSetSize / 1048576.0,
              memory.PeakWorkingSetSize / 1048576.0);
  return elapsed.count();
}

// What one feed of the control costs once it holds the lines above: 500
// lines appended and shown, as a stage of small files feeds it.
double OneFeedMs(sw::TMainForm& form) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 500; ++i) form.AddLogLine("   Copied E:\\folder\\more" + std::to_string(i) + ".txt, size: 4,096 bytes");
  form.FlushLog();
  auto fed = std::chrono::steady_clock::now();
  UpdateWindow(form.Log->Handle());
  std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
  std::chrono::duration<double, std::milli> painted = std::chrono::steady_clock::now() - fed;
  std::printf("log: one feed of 500 lines at %zu lines: %.1f ms (%.1f ms of it the paint)\n", form.Log->LineCount() - 500, elapsed.count(), painted.count());
  return elapsed.count();
}

}  // namespace

int main(int argc, char** argv) {
  sw::fakes::FakeAppServices fakes;
  sw::tk::Application().Initialize(GetModuleHandleW(nullptr), &fakes.dialogs);
  sw::TMainForm form(fakes.services);
  form.Show();

  int small = argc > 1 ? std::atoi(argv[1]) : 10000;
  int large = argc > 2 ? std::atoi(argv[2]) : 100000;
  double smallTime = AppendLines(form, small);
  const double smallFeed = OneFeedMs(form);
  double largeTime = AppendLines(form, large);
  const double largeFeed = OneFeedMs(form);
  std::printf("log: time ratio %.1f for %.0fx the lines\n", largeTime / smallTime,
              static_cast<double>(large) / small);
  std::printf("log: a feed costs %.1fx as much at the larger log\n", largeFeed / smallFeed);
  return 0;
}
