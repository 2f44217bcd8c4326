// Appends many lines to the activity log of a shown main window, letting
// window messages run after each line as the backup's and the format's
// writers do, and prints the times and their ratio. The time includes
// showing the last line, so it is what a user waits for.
#include <windows.h>

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
  std::printf("log: %d lines in %.3f s (%zu in the log, %ld shown)\n", count, elapsed.count(), form.Log->LineCount(),
              static_cast<long>(shown));
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
  double largeTime = AppendLines(form, large);
  std::printf("log: time ratio %.1f for %.0fx the lines\n", largeTime / smallTime,
              static_cast<double>(large) / small);
  return 0;
}
