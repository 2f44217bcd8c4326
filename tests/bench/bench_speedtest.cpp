// Runs the speed measurement as a run does (MeasureDriveSpeed before
// and after a simulated format, then LogSpeedTable) on a temporary folder
// mapped as a removable drive, paced by the demo stick's throttle from the
// testbed's machine file, and prints the log lines with the measurement's
// own cost. The machine file is the first argument, else the demo's.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/run_context.h"
#include "app/speed_stage.h"
#include "fakes/fake_app_services.h"
#include "fakes/scripted_run_host.h"
#include "fakes/wine_drive.h"
#include "platform/module_path.h"
#include "platform/speed_test_io_win32.h"
#include "platform/text.h"
#include "speedtest/drive_speed_test.h"
#include "testbed/machine.h"
#include "testbed/throttled_speed_test_io.h"

int main(int argc, char** argv) {
  const std::string machinePath =
      argc > 1 ? argv[1] : sw::ExecutableFolder() + "\\..\\..\\..\\scripts\\testbed-demo\\machine.ini";
  std::ifstream file(sw::Widen(machinePath).c_str(), std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  sw::testbed::ParseResult parsed = sw::testbed::ParseMachine(text.str(), "");
  if (!file || parsed.machine.drives.empty()) {
    std::fprintf(stderr, "bench_speedtest: no drive in %s\n", machinePath.c_str());
    return 1;
  }
  sw::testing::WineDrive drive;
  if (!drive.Problem().empty()) {
    std::fprintf(stderr, "bench_speedtest: %s\n", drive.Problem().c_str());
    return 1;
  }
  sw::testbed::Machine& machine = parsed.machine;
  machine.drives.resize(1);
  machine.drives[0].letter = drive.Letter();

  sw::Win32SpeedTestIo system;
  sw::testbed::ThrottledSpeedTestIo io(machine, system);
  sw::fakes::FakeAppServices fakes;
  fakes.services.speedTestIo = &io;
  sw::fakes::ScriptedRunHost host(fakes.dialogs);
  sw::TStopToken stop;
  sw::TRunContext run(host, stop, fakes.services, sw::TRunOptions{});
  const sw::TSpeedFigures before = sw::MeasureDriveSpeed(run, drive.Letter());
  machine.drives[0].formatted = true;
  const sw::TSpeedFigures after = sw::MeasureDriveSpeed(run, drive.Letter());
  sw::LogSpeedTable(run, drive.Letter(), before, after);
  for (const std::string& line : host.lines) std::printf("%s\n", line.c_str());
  std::printf("measurement cost: %.1f s before, %.1f s after (%llu MiB file, %d small files)\n", before.seconds,
              after.seconds, static_cast<unsigned long long>(before.sequentialBytes / sw::kMiB), before.smallFiles);
  return 0;
}
