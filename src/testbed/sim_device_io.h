// Device I/O of the simulated machine: the physical drives and volumes of
// the simulated USB drives answer the storage-descriptor, geometry,
// volume-extent and length queries as a USB stick does, and their volumes
// take the lock, unlock and dismount requests of the format (a volume held
// by another program refuses the lock until it is dismounted); every other
// path goes to the system, so the machine's own disks still answer.
#pragma once

#include "platform/device_io.h"
#include "testbed/machine.h"

namespace sw::testbed {

class SimulatedDeviceIo : public IDeviceIo {
 public:
  SimulatedDeviceIo(Machine& machine, IDeviceIo& system) : machine_(machine), system_(system) {}
  std::unique_ptr<IDevice> Open(const std::string& path, const DeviceOpenOptions& options) override;
  std::vector<std::string> VolumeNames() override;
  uint32_t LastError() override { return lastError_; }

 private:
  // The simulated drive whose volume `path` names ("\\.\E:" or its volume
  // name), with which of its volumes; null for other paths.
  SimulatedDrive* VolumeOf(const std::string& path, int& volume);

  friend class SimulatedDevice;
  friend class SystemDevice;
  Machine& machine_;  // a dismount is recorded on its drive
  IDeviceIo& system_;
  uint32_t lastError_ = 0;
};

// The bytes a USB stick returns for the storage-property query: the
// descriptor header, then the vendor, product, revision and serial texts.
std::vector<uint8_t> StorageDescriptorBytes(const SimulatedDrive& drive);
// DISK_GEOMETRY_EX with the drive's media type and size.
std::vector<uint8_t> GeometryBytes(const SimulatedDrive& drive);
// VOLUME_DISK_EXTENTS: the first (0) or second (1) volume's extent on the drive's physical disk.
std::vector<uint8_t> VolumeExtentBytes(const SimulatedDrive& drive, int volume = 0);
// GET_LENGTH_INFORMATION: the volume's size.
std::vector<uint8_t> VolumeLengthBytes(const SimulatedDrive& drive, int volume = 0);

// The volume name of a drive's first (0) or second (1) volume.
std::string SimVolumeName(const SimulatedDrive& drive, int volume);
// Another program's hold on the drive's first volume now.
bool HeldNow(SimulatedDrive& drive);

}  // namespace sw::testbed
