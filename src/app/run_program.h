// What every entry point shares: running the application with its main
// window over a given set of services.
#pragma once

#include <windows.h>

#include "app/services.h"

namespace sw {

// Initialises the application object (title, error box), registers the
// single-instance guard, builds the main window over `services` and runs the
// message loop until the application ends. An error while the window is
// built reaches the error box. Returns the process exit code.
int RunMainWindow(HINSTANCE instance, AppServices& services);

}  // namespace sw
