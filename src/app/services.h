// The platform services the main window works through. The entry point hands
// in the real ones; tests hand in fakes.
#pragma once

namespace sw {

class IDialogs;
class ISystemFacts;
class ILocale;
class IPrintCanvas;
class IDeviceIo;
class IWmi;
class IFormatLibrary;
class ISpeedTestIo;

struct AppServices {
  IDialogs* dialogs = nullptr;
  ISystemFacts* system = nullptr;
  ILocale* locale = nullptr;
  IPrintCanvas* printer = nullptr;
  IDeviceIo* deviceIo = nullptr;         // drive identification and volume probing
  IWmi* wmi = nullptr;                   // WMI disk list and drive letters
  IFormatLibrary* formatLibrary = nullptr;  // the format and check-disk engine
  ISpeedTestIo* speedTestIo = nullptr;   // the drive speed measurement
};

}  // namespace sw
