#include "hwid/hwid_impl.h"

#include "hwid/format_text.h"
#include "platform/system_facts.h"

namespace sw {
namespace {

// Off until start-up or a test switches it on; the running program keeps it
// off, so the diagnostic texts stay out of the log.
bool diagnosticsOn = false;

// Outside the NT family the port-driver probe is retried while it finds
// nothing and no serial number was recorded, at most this often.
constexpr int kPortDriverAttempts = 10;

struct NtProbe {
  const char* announcement;
  bool (*probe)(tresults_array_dv&, const DriveIdServices&);
};

constexpr NtProbe kNtProbes[] = {
    {"\r\nTrying to read the drive IDs using physical access with admin rights\r\n",
     ReadPhysicalDriveInNTWithAdminRights},
    {"\r\nTrying to read the drive IDs using the SCSI interface\r\n", ReadDrivesThroughScsiPorts},
    {"\r\nTrying to read the drive IDs using physical access with zero rights\r\n",
     ReadPhysicalDriveInNTWithZeroRights},
    {"\r\nTrying to read the drive IDs using SMART\r\n", ReadPhysicalDriveInNTUsingSmart},
};

}  // namespace

void SetDriveIdDiagnostics(bool on) { diagnosticsOn = on; }
bool DriveIdDiagnostics() { return diagnosticsOn; }

std::string PhysicalDrivePath(int driveNumber) { return hwid::FormatText("\\\\.\\PhysicalDrive%d", driveNumber); }

void IdentifyPhysicalDrives(tresults_array_dv& results, const DriveIdServices& services) {
  // Both halves of the identity go, so the summary never pairs an empty
  // serial number with the model number of an earlier run's drive.
  RecordedIdentity& identity = RecordedDriveIdentity();
  identity.serial.clear();
  identity.model.clear();

  if (services.system.IsNtPlatform()) {
    // Every probe runs: each reaches drives the others may not.
    for (const NtProbe& step : kNtProbes) {
      services.sink.LogText(step.announcement);
      step.probe(results, services);
    }
  } else {
    int attempts = 0;
    bool found = false;
    do {
      found = ReadDrivesThroughPortDriver(results, services);
      ++attempts;
    } while (attempts < kPortDriverAttempts && !found && identity.serial.empty());
  }

  services.sink.LogText(
      hwid::FormatText("\r\nHard Drive Serial Number__________: %s\r\n", identity.serial.c_str()));
  services.sink.LogText(
      hwid::FormatText("\r\nHard Drive Model Number___________: %s\r\n", identity.model.c_str()));
}

}  // namespace sw
