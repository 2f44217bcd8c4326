// The main window's side of drive identification: start-up switches the
// diagnostic texts off, and each re-listing runs the identification, whose
// reports go to the log and whose removable drives become device-list
// entries through the pending-device fields.
#include "app/fmtmain.h"
#include "hwid/hwid_impl.h"

namespace sw {
namespace {

class MainFormDriveIdSink : public IDriveIdSink {
 public:
  explicit MainFormDriveIdSink(TMainForm& form) : form_(form) {}

  void LogText(const std::string& text) override { form_.AddLogLine(text); }

  void OfferDrive(const OfferedDrive& drive) override {
    form_.PendingVendor = drive.vendor;
    form_.PendingProduct = drive.product;
    form_.PendingRevision = drive.revision;
    form_.PendingSize = drive.size;
    form_.PendingDrivePath = drive.drivePath;
    form_.PendingSerial = drive.serial;
    form_.AddPendingDevice();
  }

 private:
  TMainForm& form_;
};

}  // namespace

void TMainForm::SwitchOffDriveIdDiagnostics() { SetDriveIdDiagnostics(false); }

void TMainForm::IdentifyDrivesIntoDeviceList() {
  const AppServices& services = Services();
  // Without the device services (a window built without them) no drive can be asked.
  if (services.deviceIo == nullptr || services.system == nullptr || services.dialogs == nullptr) return;
  MainFormDriveIdSink sink(*this);
  tresults_array_dv results;  // the records are not used by the device list
  IdentifyPhysicalDrives(results, {*services.deviceIo, *services.system, *services.dialogs, sink});
}

}  // namespace sw
