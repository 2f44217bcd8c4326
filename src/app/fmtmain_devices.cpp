// The main window's device list: offered drives become entries of cbDevice,
// the list is rebuilt on request, WMI disks are listed into the log and the
// selected entry decides the drive letter, label and file system. The text
// rules live in src/devices; these methods only connect them to the window.
#include "app/fmtmain.h"

#include "devices/device_list.h"
#include "platform/locale.h"

namespace sw {

void TMainForm::AddPendingDevice() {
  const std::string root = DiskDriveLetter(PendingDrivePath, 0);
  const std::string entry = DeviceEntryText(PendingVendor, PendingProduct, PendingSize, root,
                                            services_.locale->DecimalSeparator());
  const bool wasEmpty = cbDevice->Count() == 0;
  cbDevice->Add(entry);
  if (wasEmpty) cbDevice->SetItemIndex(0);
  PendingVendor.clear();
  PendingProduct.clear();
  PendingRevision.clear();
  PendingDrivePath.clear();
  PendingSize = 0;
}

}  // namespace sw
