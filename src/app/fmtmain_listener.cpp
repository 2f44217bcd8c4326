// The main window's side of the device-change listener: both volume events
// enable Timer1, so a burst of arrivals and removals ends in one re-listing
// (enabling a running timer does not restart its interval).
#include "app/fmtmain.h"

namespace sw {

void TMainForm::CreateDeviceListener() {
  DeviceListener = std::make_unique<TUsbClass>();
  using namespace std::placeholders;
  DeviceListener->OnVolumeArrival = std::bind(&TMainForm::UsbVolumeArrived, this, _1, _2, _3, _4, _5);
  DeviceListener->OnVolumeRemoval = std::bind(&TMainForm::UsbVolumeRemoved, this, _1, _2, _3, _4, _5);
}

void TMainForm::ReleaseDeviceListener() { DeviceListener.reset(); }

void TMainForm::UsbVolumeArrived(TUsbClass*, const std::string&, const std::string&, const std::string&,
                                 const std::string&) {
  Timer1->SetEnabled(true);
}

void TMainForm::UsbVolumeRemoved(TUsbClass*, const std::string&, const std::string&, const std::string&,
                                 const std::string&) {
  Timer1->SetEnabled(true);
}

}  // namespace sw
