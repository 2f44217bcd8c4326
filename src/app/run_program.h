// What every entry point shares: running the application with its main
// window over the system's own dialogs, facts, locale and printer, and the
// drive services the entry point chooses.
#pragma once

#include <windows.h>

#include <functional>

#include "app/services.h"

namespace sw {

// The services that reach the drives: the system's in stickwise.exe, a
// simulated machine's in the testbed.
struct DriveServices {
  IDeviceIo* deviceIo = nullptr;
  IWmi* wmi = nullptr;
  IFormatLibrary* formatLibrary = nullptr;
  ISpeedTestIo* speedTestIo = nullptr;
  IRawDisks* rawDisks = nullptr;
};

// Initialises the application object (title, error box), registers the
// single-instance guard, builds the main window over the system's services
// and `drives` and runs the message loop until the application ends. An
// error while the window is built reaches the error box. `windowBuilt`, when
// given, runs once the window is built (and registered with the single-
// instance guard), before the message loop. Returns the process exit code.
int RunMainWindow(HINSTANCE instance, const DriveServices& drives, const std::function<void()>& windowBuilt = {});

}  // namespace sw
