// Entry point of stickwise-testbed.exe: the same composition as the
// program's entry point (its main window and services), except that device
// I/O, WMI, the format library and the pace of the speed measurement's files
// are served by a simulated machine read from a text file: the first
// command-line argument, else stickwise-testbed.ini beside the executable.
// Each simulated drive's folder is mapped as a removable drive letter while
// the testbed runs, by the copy that claimed it first (see shared_machine.h).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/run_program.h"
#include "platform/device_io_win32.h"
#include "platform/module_path.h"
#include "platform/speed_test_io_win32.h"
#include "platform/text.h"
#include "platform/wmi_win32.h"
#include "testbed/machine.h"
#include "testbed/shared_machine.h"
#include "testbed/sim_device_io.h"
#include "testbed/sim_format_library.h"
#include "testbed/sim_raw_disks.h"
#include "testbed/sim_wmi.h"
#include "testbed/throttled_speed_test_io.h"
#include "testbed/wine_mount.h"

namespace {

constexpr char kMachineFileName[] = "stickwise-testbed.ini";
constexpr int kExitBadMachine = 2;
constexpr int kExitNoStartupTurn = 3;
// Generous: copies started together take their turns one after another.
constexpr unsigned kStartupTurnTimeoutMs = 300000;

std::string MachineFilePath() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::string path;
  if (arguments != nullptr && count > 1) path = sw::Narrow(arguments[1]);
  if (arguments != nullptr) LocalFree(arguments);
  return path.empty() ? sw::ExecutableFolder() + "\\" + kMachineFileName : path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

int Refuse(const std::string& text, sw::testbed::StartupTurn& turn) {
  turn.End();  // the box must not hold up the other copies
  std::fprintf(stderr, "stickwise-testbed: %s\n", text.c_str());
  MessageBoxW(nullptr, sw::Widen(text).c_str(), L"Stickwise testbed", MB_OK | MB_ICONERROR);
  return kExitBadMachine;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  sw::testbed::StartupTurn turn(kStartupTurnTimeoutMs);
  if (!turn.Held()) return kExitNoStartupTurn;  // quietly: a copy beside a hung one

  const std::string machinePath = MachineFilePath();
  std::ifstream file(std::filesystem::path(sw::Widen(machinePath)), std::ios::binary);
  if (!file) return Refuse("cannot read the machine description " + machinePath, turn);
  std::stringstream text;
  text << file.rdbuf();
  sw::testbed::ParseResult parsed = sw::testbed::ParseMachine(text.str(), FolderOf(machinePath));
  if (!parsed.errors.empty()) {
    std::string why = machinePath + ":";
    for (const std::string& error : parsed.errors) why += "\n" + error;
    return Refuse(why, turn);
  }
  sw::testbed::Machine& machine = parsed.machine;

  // The drives are plugged in for the whole run and pulled out at its end,
  // by the copy that claimed them; claims outlive the mappings.
  std::vector<std::unique_ptr<sw::testbed::DriveClaim>> claims;
  std::vector<std::unique_ptr<sw::testbed::MappedDrive>> mappings;
  for (const sw::testbed::SimulatedDrive& drive : machine.drives) {
    claims.push_back(std::make_unique<sw::testbed::DriveClaim>(drive.letter));
    if (!claims.back()->Owned()) continue;  // a running copy has it mapped
    mappings.push_back(std::make_unique<sw::testbed::MappedDrive>(drive.letter, drive.folder));
    if (!mappings.back()->Problem().empty()) return Refuse(mappings.back()->Problem(), turn);
  }

  sw::Win32DeviceIo systemDeviceIo;
  sw::testbed::SimulatedDeviceIo deviceIo(machine, systemDeviceIo);
  sw::Win32Wmi systemWmi;  // holds the COM initialisation of this thread
  sw::testbed::SimulatedWmi wmi(machine, systemWmi);
  sw::testbed::SimulatedFormatLibrary formatLibrary(machine);
  sw::Win32SpeedTestIo systemSpeedTestIo;
  sw::testbed::ThrottledSpeedTestIo speedTestIo(machine, systemSpeedTestIo);
  sw::testbed::SimulatedRawDisks rawDisks(machine);
  // The turn passes on once the window is registered with the single-
  // instance guard, so the next copy is refused by it.
  return sw::RunMainWindow(instance, {&deviceIo, &wmi, &formatLibrary, &speedTestIo, &rawDisks},
                           [&turn] { turn.End(); });
}
