// Entry point and composition root: the main window over the system's own
// drive services.
#include <windows.h>

#include "app/run_program.h"
#include "platform/device_io_win32.h"
#include "platform/format_library_win32.h"
#include "platform/raw_disks_win32.h"
#include "platform/speed_test_io_win32.h"
#include "platform/wmi_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  sw::Win32DeviceIo deviceIo;  // physical drives and volumes
  sw::Win32Wmi wmi;  // holds the COM initialisation of this thread
  sw::Win32FormatLibrary formatLibrary;  // fmifs.dll, released at program end
  sw::Win32SpeedTestIo speedTestIo;  // unbuffered test files for the speed measurement
  sw::Win32RawDisks rawDisks;  // the stick's whole disk for the real-capacity check
  return sw::RunMainWindow(instance, {&deviceIo, &wmi, &formatLibrary, &speedTestIo, &rawDisks});
}
