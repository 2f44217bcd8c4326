// Byte-exact answers of simulated drives for the identification probes: the
// IDENTIFY block, the storage descriptor and the geometry, scripted into a
// FakeDeviceIo; and a sink that records what the probes report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fakes/fake_device_io.h"
#include "hwid/hwid_types.h"

namespace sw::testing {

// IDENTIFY words with the given texts (padded with blanks to their fields).
struct AtaDrive {
  std::string model = "TEST MODEL";
  std::string serial = "SERIAL0001";
  std::string revision = "REV1";
  uint16_t configuration = 0x40;  // fixed device
  uint32_t sectors28 = 0;
  uint64_t sectors48 = 0;
  bool lba48 = false;
  uint16_t bufferUnits = 0;
};
IdentifyWords MakeIdentifyWords(const AtaDrive& drive);
// The words as the drive sends them: little-endian, 512 bytes.
std::vector<uint8_t> IdentifyBytes(const IdentifyWords& words);

// A storage descriptor whose texts follow the 36-byte header in this order;
// an empty text gets offset 0.
struct DescriptorFields {
  std::string vendor, product, revision, serial;
  uint8_t busType = 7;  // USB
  uint8_t removableMedia = 1;
};
std::vector<uint8_t> MakeDescriptor(const DescriptorFields& fields);

// DISK_GEOMETRY_EX with the media type and the disk size.
std::vector<uint8_t> MakeGeometry(uint8_t mediaType, int64_t diskSize);

// The text `text` as hexadecimal digits.
std::string Hex(const std::string& text);

// Scripts \\.\PhysicalDrive<n> to answer the SMART version query, IDENTIFY
// through SMART, and the storage and geometry queries.
struct PhysicalDriveScript {
  bool smartVersion = false;  // answers SMART_GET_VERSION
  uint8_t ideDeviceMap = 0;
  bool identify = false;      // answers SMART_RCV_DRIVE_DATA with `ata`
  AtaDrive ata;
  bool storage = true;
  uint32_t storageError = 0;  // non-zero: the storage query fails with it
  DescriptorFields descriptor;
  bool geometry = true;
  uint8_t mediaType = 11;
  int64_t diskSize = 0;
};
void ScriptPhysicalDrive(fakes::FakeDeviceIo& io, int n, const PhysicalDriveScript& script);

// Scripts \\.\Scsi<port>: to answer the miniport IDENTIFY for position
// `position` (the same answer serves both positions when both are given).
void ScriptScsiPort(fakes::FakeDeviceIo& io, int port, const std::vector<std::pair<int, AtaDrive>>& drives);

class RecordingSink : public IDriveIdSink {
 public:
  void LogText(const std::string& text) override { texts.push_back(text); }
  void OfferDrive(const OfferedDrive& drive) override { offers.push_back(drive); }
  std::string Log() const;
  bool Logged(const std::string& text) const;
  size_t Count(const std::string& text) const;

  std::vector<std::string> texts;
  std::vector<OfferedDrive> offers;
};

}  // namespace sw::testing
