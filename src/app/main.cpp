// Entry point and composition root: the real platform services are made
// here and handed to the main window.
#include <windows.h>

#include "app/run_program.h"
#include "platform/device_io_win32.h"
#include "platform/dialogs_win32.h"
#include "platform/format_library_win32.h"
#include "platform/locale_win32.h"
#include "platform/print_canvas_win32.h"
#include "platform/system_facts_win32.h"
#include "platform/wmi_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  sw::Win32Dialogs dialogs;
  sw::Win32SystemFacts system;
  sw::Win32Locale locale;
  sw::Win32PrintCanvas printer;
  sw::AppServices services;
  services.dialogs = &dialogs;
  services.system = &system;
  services.locale = &locale;
  services.printer = &printer;
  sw::Win32DeviceIo deviceIo;  // physical drives and volumes
  services.deviceIo = &deviceIo;
  sw::Win32Wmi wmi;  // holds the COM initialisation of this thread
  services.wmi = &wmi;
  sw::Win32FormatLibrary formatLibrary;  // fmifs.dll, released at program end
  services.formatLibrary = &formatLibrary;

  return sw::RunMainWindow(instance, services);
}
