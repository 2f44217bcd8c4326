// The main window's device list: offered drives become entries of cbDevice,
// the list is rebuilt on request, WMI disks are listed into the log and the
// selected entry decides the drive letter, label and file system. The rules
// themselves live in src/devices; these methods connect them to the window.
#include <windows.h>

#include "app/fmtmain.h"
#include "devices/companion_tool.h"
#include "devices/device_list.h"
#include "devices/drive_letters.h"
#include "devices/volume_probe.h"
#include "devices/wmi_disks.h"
#include "platform/locale.h"
#include "platform/module_path.h"
#include "platform/text.h"

namespace sw {

void TMainForm::RunCompanionTool() { CompanionToolOutput = RunAndCapture(CompanionToolCommandLine(ExecutableFolder())); }

void TMainForm::BuildToolDriveMap() {
  ParseToolOutput(CompanionToolOutput, ToolDriveMap, [this](char letter) {
    return services_.deviceIo != nullptr ? VolumeDiskNumber(*services_.deviceIo, letter) : 0;
  });
}

std::string TMainForm::DiskDriveLetter(const std::string& drivePath, int form) {
  return sw::DiskDriveLetter(services_.wmi, ToolDriveMap, drivePath, form);
}

void TMainForm::AddPendingDevice() {
  const std::string root = DiskDriveLetter(PendingDrivePath, 0);
  const std::string entry = DeviceEntryText(PendingVendor, PendingProduct, PendingSize, root,
                                            services_.locale->DecimalSeparator());
  const bool wasEmpty = cbDevice->Count() == 0;
  cbDevice->Add(entry);
  TStickIdentity identity;
  identity.letter = root.empty() ? 0 : AsciiUpper(root.substr(0, 1))[0];
  identity.vendor = Trim(PendingVendor);
  identity.product = Trim(PendingProduct);
  identity.serial = Trim(PendingSerial);
  identity.diskBytes = PendingSize;
  DeviceIdentities.push_back(identity);
  if (wasEmpty) cbDevice->SetItemIndex(0);
  PendingVendor.clear();
  PendingProduct.clear();
  PendingRevision.clear();
  PendingDrivePath.clear();
  PendingSerial.clear();
  PendingSize = 0;
}

void TMainForm::RefreshDeviceList() {
  cbDevice->Clear();
  DeviceIdentities.clear();
  IdentifyDrivesIntoDeviceList();
  if (cbDevice->Count() > 0) return;
  // Nothing identified: the removable logical drives stand in as bare roots.
  const std::vector<std::string> roots = ListRemovableDrives();
  for (const std::string& root : roots) {
    cbDevice->Add(root);
    TStickIdentity identity;
    identity.letter = root.empty() ? 0 : AsciiUpper(root.substr(0, 1))[0];
    DeviceIdentities.push_back(identity);
  }
  if (!roots.empty()) cbDevice->SetItemIndex(0);
}

void TMainForm::ListWmiDisks() {
  if (services_.wmi == nullptr) return;  // no WMI service wired in: nothing to list
  // Failures are not caught: the default handler reports them and the rest
  // of the running sequence is skipped.
  ListWmiDiskRecords(*services_.wmi, services_.locale->ThousandSeparator(), WmiDisks,
                     [this](const std::string& line) { AddLogLine(line); });
}

void TMainForm::LookupSelectedDisk(const std::string& entry, int& DriveNumber, std::string& DeviceId,
                                   int& PartitionCount, long long& SizeNumber, std::string& SizeUnit,
                                   std::string& SizeText) {
  DiskLookup lookup{DriveNumber, DeviceId, PartitionCount, SizeNumber, SizeUnit, SizeText};
  if (!LookupDiskRecord(entry, WmiDisks, lookup)) return;
  DriveNumber = lookup.DriveNumber;
  DeviceId = lookup.DeviceId;
  PartitionCount = lookup.PartitionCount;
  SizeNumber = lookup.SizeNumber;
  SizeUnit = lookup.SizeUnit;
  SizeText = lookup.SizeText;
}

void TMainForm::ApplySelectedDevice() {
  const std::string entry = cbDevice->Text();
  const DeviceSelection selection = SelectDevice(entry, SelectedDriveLetter, VolumeLabel->Text(), GetDriveFileSystem);
  SelectedDriveLetter = selection.DriveLetter;
  if (selection.SetLabel) VolumeLabel->SetText(selection.Label);
  // Selecting the item directly does not run FileSystemChange.
  if (selection.FileSystemIndex >= 0) FileSystem->SetItemIndex(selection.FileSystemIndex);
  if (!selection.Message.empty()) AddLogLine(selection.Message);
}

}  // namespace sw
