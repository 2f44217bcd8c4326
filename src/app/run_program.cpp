#include "app/run_program.h"

#include "app/fmtmain.h"
#include "instance/instancecontrol.h"
#include "platform/dialogs_win32.h"
#include "platform/locale_win32.h"
#include "platform/named_streams_win32.h"
#include "platform/print_canvas_win32.h"
#include "platform/system_facts_win32.h"
#include "platform/taskbar_win32.h"
#include "toolkit/application.h"

namespace sw {

int RunMainWindow(HINSTANCE instance, const DriveServices& drives, const std::function<void()>& windowBuilt) {
  Win32Dialogs dialogs;
  Win32SystemFacts system;
  Win32Locale locale;
  Win32PrintCanvas printer;
  Win32Taskbar taskbar;
  Win32NamedStreams namedStreams;
  AppServices services;
  services.dialogs = &dialogs;
  services.system = &system;
  services.locale = &locale;
  services.printer = &printer;
  services.taskbar = &taskbar;
  services.namedStreams = &namedStreams;
  services.deviceIo = drives.deviceIo;
  services.wmi = drives.wmi;
  services.formatLibrary = drives.formatLibrary;
  services.speedTestIo = drives.speedTestIo;
  services.rawDisks = drives.rawDisks;

  auto& application = tk::Application();
  application.Initialize(instance, services.dialogs);
  application.Title = kApplicationTitle;
  RegisterInstanceControlClass();  // the main window carries the single-instance guard
  tk::Guarded([&] {
    TMainForm mainForm(services);
    if (windowBuilt) windowBuilt();
    application.SetMainForm(&mainForm);
    application.Run();
  });
  return 0;
}

}  // namespace sw
