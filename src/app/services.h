// The platform services the main window works through. The entry point hands
// in the real ones; tests hand in fakes.
#pragma once

#include <cstdint>
#include <functional>

namespace sw {

class IDialogs;
class ISystemFacts;
class ILocale;
class IPrintCanvas;
class IDeviceIo;
class IWmi;
class IFormatLibrary;
class ISpeedTestIo;
class ITaskbar;
class IRawDisks;
class INamedStreams;

struct AppServices {
  IDialogs* dialogs = nullptr;
  ISystemFacts* system = nullptr;
  ILocale* locale = nullptr;
  IPrintCanvas* printer = nullptr;
  IDeviceIo* deviceIo = nullptr;         // drive identification and volume probing
  IWmi* wmi = nullptr;                   // WMI disk list and drive letters
  IFormatLibrary* formatLibrary = nullptr;  // the format and check-disk engine
  ISpeedTestIo* speedTestIo = nullptr;   // the drive speed measurement
  ITaskbar* taskbar = nullptr;           // the progress on the taskbar button; none: not shown
  IRawDisks* rawDisks = nullptr;         // whole disks for the real-capacity check; none: not checked
  INamedStreams* namedStreams = nullptr; // the files' named streams for the backup; none: not looked at
  // The pause between two tries to lock a volume another program holds;
  // none: the engine waits that long, letting the window's messages run.
  std::function<void(std::uint32_t milliseconds)> wait;
};

}  // namespace sw
