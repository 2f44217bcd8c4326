// Drive identification: asks every physical drive for its identity through
// the probes below, reports each drive in the log, records the first usable
// serial and model number of the run, and offers removable drives to the
// device list. All device access goes through the device I/O seam.
#pragma once

#include <array>
#include <cstdint>

#include "hwid/hwid_types.h"
#include "hwid/recorded_identity.h"

namespace sw {

class IDeviceIo;
class IDevice;
class ISystemFacts;
class IDialogs;

// What a run works through.
struct DriveIdServices {
  IDeviceIo& deviceIo;
  ISystemFacts& system;
  IDialogs& dialogs;  // the port-driver probe's error box
  IDriveIdSink& sink;
};

// Runs the probes for this platform and logs the two summary lines. Empties
// the recorded serial and model number first; `results` holds the records of
// the last probe afterwards.
void IdentifyPhysicalDrives(tresults_array_dv& results, const DriveIdServices& services);

// Switches the diagnostic texts of the probes on or off (off at start).
void SetDriveIdDiagnostics(bool on);
bool DriveIdDiagnostics();

// The probes. Each clears `results`, adds one record per drive it reports,
// and answers whether it added any.
bool ReadPhysicalDriveInNTWithAdminRights(tresults_array_dv& results, const DriveIdServices& services);
bool ReadDrivesThroughScsiPorts(tresults_array_dv& results, const DriveIdServices& services);
bool ReadPhysicalDriveInNTWithZeroRights(tresults_array_dv& results, const DriveIdServices& services);
bool ReadPhysicalDriveInNTUsingSmart(tresults_array_dv& results, const DriveIdServices& services);
bool ReadDrivesThroughPortDriver(tresults_array_dv& results, const DriveIdServices& services);

// Sends IDENTIFY (or IDENTIFY PACKET) for drive `driveNumber` through the
// SMART receive interface; the answer lands in `answer`.
bool SendIdentifyCommand(IDevice& device, std::array<uint8_t, 33>& command, std::array<uint8_t, 528>& answer,
                         int32_t driveNumber, uint8_t commandByte, uint32_t& bytesReturned);

// "\\.\PhysicalDrive<n>".
std::string PhysicalDrivePath(int driveNumber);

}  // namespace sw
