// The records and the reporting channel of drive identification. The unit
// reports to whoever runs it through IDriveIdSink, so it never needs to know
// the main window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sw {

// One drive found by a probe.
struct tresults_dv {
  int32_t controller = 0;  // drive number / 2: 0 primary .. 3 quaternary controller
  int32_t drive = 0;       // drive number % 2: 0 master, 1 slave
  std::string model;
  std::string serial;
  std::string revision;
  int64_t buffer_size = 0;  // bytes
  std::string drive_type;   // "Removable"/"Fixed"/"Unknown", or "removable"/"fixed" from the geometry
  uint64_t size = 0;        // capacity in bytes, 0 when unknown
};

// The records of one probe. A vector grows as drives are found, so a probe
// that finds more drives than it expected (up to 32 through the SCSI ports)
// never writes past the end.
using tresults_array_dv = std::vector<tresults_dv>;

// The 256 words of an ATA IDENTIFY answer, word i at index i.
using IdentifyWords = std::array<uint16_t, 256>;

// A removable drive that the storage-descriptor probe offers to the device list.
struct OfferedDrive {
  std::string vendor;
  std::string product;
  std::string revision;
  std::string drivePath;  // e.g. \\.\PhysicalDrive2
  int64_t size = 0;       // bytes
  std::string serial;     // as the descriptor reads; empty when it holds none
};

class IDriveIdSink {
 public:
  virtual ~IDriveIdSink() = default;
  // Appends one text to the activity log, unchanged.
  virtual void LogText(const std::string& text) = 0;
  // Offers one drive as a device-list entry.
  virtual void OfferDrive(const OfferedDrive& drive) = 0;
};

}  // namespace sw
