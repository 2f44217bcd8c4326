// A drive identification run over simulated drives: fakes behind the device
// I/O, system facts and dialogs seams, and a sink that records the log and
// the offers. The diagnostic switch and the recorded identity are reset
// around each test.
#pragma once

#include <gtest/gtest.h>

#include "fakes/fake_device_io.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_system_facts.h"
#include "hwid/hwid_impl.h"
#include "simulated_drives.h"

namespace sw::testing {

class ProbeTest : public ::testing::Test {
 protected:
  ProbeTest() { Reset(); }
  ~ProbeTest() override { Reset(); }

  static void Reset() {
    SetDriveIdDiagnostics(false);
    RecordedDriveIdentity() = {};
  }

  void Run() { IdentifyPhysicalDrives(results, services); }

  // The device-control calls made on `path` with `code`, in order.
  std::vector<fakes::IoControlCall> CallsTo(const std::string& path, uint32_t code) const {
    std::vector<fakes::IoControlCall> found;
    for (const auto& call : io.calls)
      if (call.path == path && call.code == code) found.push_back(call);
    return found;
  }

  fakes::FakeDeviceIo io;
  fakes::FakeSystemFacts system;
  fakes::FakeDialogs dialogs;
  RecordingSink sink;
  DriveIdServices services{io, system, dialogs, sink};
  tresults_array_dv results;
};

inline constexpr char kAdminAnnouncement[] =
    "\r\nTrying to read the drive IDs using physical access with admin rights\r\n";
inline constexpr char kScsiAnnouncement[] = "\r\nTrying to read the drive IDs using the SCSI interface\r\n";
inline constexpr char kZeroRightsAnnouncement[] =
    "\r\nTrying to read the drive IDs using physical access with zero rights\r\n";
inline constexpr char kSmartAnnouncement[] = "\r\nTrying to read the drive IDs using SMART\r\n";

inline std::string SerialSummary(const std::string& serial) {
  return "\r\nHard Drive Serial Number__________: " + serial + "\r\n";
}
inline std::string ModelSummary(const std::string& model) {
  return "\r\nHard Drive Model Number___________: " + model + "\r\n";
}

}  // namespace sw::testing
