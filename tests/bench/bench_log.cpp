// Appends many lines to the activity log and prints the times: the log
// appends to its control directly, so this shows how the control scales.
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
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i)
    form.AddLogLine("Copy from E:\\folder\\file" + std::to_string(i) + ".txt to C:\\backup\\folder (4,096 bytes)");
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return elapsed.count();
}

}  // namespace

int main(int argc, char** argv) {
  sw::fakes::FakeAppServices fakes;
  sw::tk::Application().Initialize(GetModuleHandleW(nullptr), &fakes.dialogs);
  sw::TMainForm form(fakes.services);

  int small = argc > 1 ? std::atoi(argv[1]) : 10000;
  int large = argc > 2 ? std::atoi(argv[2]) : 100000;
  double smallTime = AppendLines(form, small);
  std::printf("log: %d lines appended in %.3f s\n", small, smallTime);
  double largeTime = AppendLines(form, large);
  std::printf("log: %d lines appended in %.3f s\n", large, largeTime);
  std::printf("log: time ratio %.1f for %.0fx the lines\n", largeTime / smallTime,
              static_cast<double>(large) / small);
  return 0;
}
