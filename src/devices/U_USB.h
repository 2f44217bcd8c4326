// The device-change listener: a hidden top-level window that receives the
// system's device-change broadcasts and turns volume arrivals and removals
// into two events, so that the owner can re-list the USB disks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/handles.h"

namespace sw {

class TUsbClass;

// Sender, UsbDeviceDesc, StorageDeviceDesc, FriendlyName, DriveLetter. For
// volume notifications the three descriptions are empty and DriveLetter is
// one lower-case letter (or empty when the mask names none of a to z).
using TUsbVolumeEvent = std::function<void(TUsbClass* sender, const std::string& usbDeviceDesc,
                                           const std::string& storageDeviceDesc,
                                           const std::string& friendlyName, const std::string& driveLetter)>;

// The lower-case letter of the lowest set bit among bits 0 (a) to 25 (z);
// empty when none of them is set.
std::string DriveLetterFromMask(std::uint32_t unitMask);

class TUsbClass {
 public:
  // Creates the hidden window and registers it for USB device-interface
  // notifications; a failed registration is ignored, since volume
  // broadcasts reach every top-level window without one.
  TUsbClass();
  ~TUsbClass();
  TUsbClass(const TUsbClass&) = delete;
  TUsbClass& operator=(const TUsbClass&) = delete;

  HWND Handle() const { return window_.Get(); }

  TUsbVolumeEvent OnVolumeRemoval;
  TUsbVolumeEvent OnVolumeArrival;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT HandleDeviceChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void DeviceChanged(WPARAM event, LPARAM data);
  void RegisterForUsbInterfaces();

  struct NotificationTraits {
    static HDEVNOTIFY Empty() { return nullptr; }
    static bool IsValid(HDEVNOTIFY n) { return n != nullptr; }
    static void Close(HDEVNOTIFY n) { ::UnregisterDeviceNotification(n); }
  };

  // Declared in this order so that the registration ends before the window goes.
  UniqueWindow window_;
  UniqueResource<HDEVNOTIFY, NotificationTraits> notification_;
};

}  // namespace sw
