#include "testbed/sim_device_io.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "testbed/wine_mount.h"

namespace sw::testbed {
namespace {

constexpr char kPhysicalDrivePrefix[] = "\\\\.\\physicaldrive";
constexpr char kDevicePrefix[] = "\\\\.\\";

// The physical drive number of "\\.\PhysicalDrive<n>", -1 for other paths.
int PhysicalDriveNumber(const std::string& path) {
  const std::string lower = AsciiLower(path);
  const size_t prefix = sizeof(kPhysicalDrivePrefix) - 1;
  if (lower.rfind(kPhysicalDrivePrefix, 0) != 0 || lower.size() == prefix || lower.size() > prefix + 2) return -1;
  int number = 0;
  for (size_t i = prefix; i < lower.size(); ++i) {
    if (lower[i] < '0' || lower[i] > '9') return -1;
    number = number * 10 + (lower[i] - '0');
  }
  return number;
}

// The letter of a volume path "\\.\E:", 0 for other paths.
char VolumeLetter(const std::string& path) {
  const size_t prefix = sizeof(kDevicePrefix) - 1;
  if (path.size() != prefix + 2 || path.rfind(kDevicePrefix, 0) != 0 || path[prefix + 1] != ':') return 0;
  return path[prefix];
}

// A padded structure followed by texts: each text gets its offset written
// at `offsetField` of the header.
void AppendText(std::vector<uint8_t>& bytes, size_t offsetField, const std::string& text) {
  const auto offset = static_cast<DWORD>(bytes.size());
  std::memcpy(bytes.data() + offsetField, &offset, sizeof(offset));
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes.push_back(0);
}

}  // namespace

std::vector<uint8_t> StorageDescriptorBytes(const SimulatedDrive& drive) {
  std::vector<uint8_t> bytes(sizeof(STORAGE_DEVICE_DESCRIPTOR), 0);
  STORAGE_DEVICE_DESCRIPTOR header{};
  header.Version = sizeof(STORAGE_DEVICE_DESCRIPTOR);
  header.DeviceType = 0;  // direct-access device
  header.RemovableMedia = drive.mediaType != 12;
  header.BusType = BusTypeUsb;
  std::memcpy(bytes.data(), &header, sizeof(header));
  AppendText(bytes, offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset), drive.vendor);
  AppendText(bytes, offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset), drive.product);
  AppendText(bytes, offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset), drive.revision);
  AppendText(bytes, offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset), drive.serial);
  const auto size = static_cast<DWORD>(bytes.size());
  std::memcpy(bytes.data() + offsetof(STORAGE_DEVICE_DESCRIPTOR, Size), &size, sizeof(size));
  return bytes;
}

std::vector<uint8_t> GeometryBytes(const SimulatedDrive& drive) {
  constexpr LONGLONG kTracks = 255, kSectors = 63, kSectorBytes = 512;
  DISK_GEOMETRY_EX geometry{};
  geometry.Geometry.MediaType = static_cast<MEDIA_TYPE>(drive.mediaType);
  geometry.Geometry.TracksPerCylinder = kTracks;
  geometry.Geometry.SectorsPerTrack = kSectors;
  geometry.Geometry.BytesPerSector = kSectorBytes;
  geometry.Geometry.Cylinders.QuadPart = drive.sizeBytes / (kTracks * kSectors * kSectorBytes);
  geometry.DiskSize.QuadPart = drive.sizeBytes;
  std::vector<uint8_t> bytes(sizeof(geometry));
  std::memcpy(bytes.data(), &geometry, sizeof(geometry));
  return bytes;
}

std::vector<uint8_t> VolumeExtentBytes(const SimulatedDrive& drive) {
  VOLUME_DISK_EXTENTS extents{};
  extents.NumberOfDiskExtents = 1;
  extents.Extents[0].DiskNumber = static_cast<DWORD>(drive.number);
  extents.Extents[0].StartingOffset.QuadPart = kPartitionOffset;
  extents.Extents[0].ExtentLength.QuadPart = drive.VolumeBytes();
  std::vector<uint8_t> bytes(sizeof(extents));
  std::memcpy(bytes.data(), &extents, sizeof(extents));
  return bytes;
}

std::vector<uint8_t> VolumeLengthBytes(const SimulatedDrive& drive) {
  GET_LENGTH_INFORMATION length{};
  length.Length.QuadPart = drive.VolumeBytes();
  std::vector<uint8_t> bytes(sizeof(length));
  std::memcpy(bytes.data(), &length, sizeof(length));
  return bytes;
}

// One open simulated device: the physical drive or the volume of a drive.
class SimulatedDevice : public IDevice {
 public:
  SimulatedDevice(SimulatedDeviceIo& io, SimulatedDrive& drive, bool volume)
      : io_(io), drive_(drive), volume_(volume) {}

  bool IoControl(uint32_t controlCode, const void* /*input*/, uint32_t /*inputSize*/, void* output,
                 uint32_t outputSize, uint32_t& bytesReturned) override {
    bytesReturned = 0;
    std::vector<uint8_t> answer;
    if (volume_ && IsLockRequest(controlCode)) {
      return AnswerLockRequest(controlCode);
    } else if (volume_ && controlCode == IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS) {
      answer = VolumeExtentBytes(drive_);
    } else if (volume_ && controlCode == IOCTL_DISK_GET_LENGTH_INFO) {
      answer = VolumeLengthBytes(drive_);
    } else if (!volume_ && controlCode == IOCTL_STORAGE_QUERY_PROPERTY) {
      answer = StorageDescriptorBytes(drive_);
    } else if (!volume_ && controlCode == IOCTL_DISK_GET_DRIVE_GEOMETRY_EX) {
      answer = GeometryBytes(drive_);
    } else {
      // A USB stick answers no IDENTIFY, SMART or miniport request.
      io_.lastError_ = ERROR_INVALID_FUNCTION;
      return false;
    }
    if (output == nullptr || outputSize < answer.size()) {
      io_.lastError_ = ERROR_INSUFFICIENT_BUFFER;
      return false;
    }
    std::memcpy(output, answer.data(), answer.size());
    bytesReturned = static_cast<uint32_t>(answer.size());
    return true;
  }

 private:
  static bool IsLockRequest(uint32_t code) {
    return code == FSCTL_LOCK_VOLUME || code == FSCTL_UNLOCK_VOLUME || code == FSCTL_DISMOUNT_VOLUME;
  }
  // A held volume refuses the lock as Windows does while another program
  // has it open; the dismount ends that program's hold.
  bool AnswerLockRequest(uint32_t code) {
    if (code == FSCTL_DISMOUNT_VOLUME) drive_.dismounted = true;
    if (code == FSCTL_LOCK_VOLUME && drive_.HeldNow()) {
      io_.lastError_ = ERROR_ACCESS_DENIED;
      return false;
    }
    return true;
  }

  SimulatedDeviceIo& io_;
  SimulatedDrive& drive_;
  bool volume_;
};

// A device of the system, passed through; its errors become this seam's.
class SystemDevice : public IDevice {
 public:
  SystemDevice(SimulatedDeviceIo& io, std::unique_ptr<IDevice> inner) : io_(io), inner_(std::move(inner)) {}

  bool IoControl(uint32_t controlCode, const void* input, uint32_t inputSize, void* output, uint32_t outputSize,
                 uint32_t& bytesReturned) override {
    const bool ok = inner_->IoControl(controlCode, input, inputSize, output, outputSize, bytesReturned);
    if (!ok) io_.lastError_ = io_.system_.LastError();
    return ok;
  }

 private:
  SimulatedDeviceIo& io_;
  std::unique_ptr<IDevice> inner_;
};

std::unique_ptr<IDevice> SimulatedDeviceIo::Open(const std::string& path, const DeviceOpenOptions& options) {
  if (const int number = PhysicalDriveNumber(path); number >= 0) {
    if (SimulatedDrive* drive = FindByNumber(machine_, number)) {
      // An unplugged drive is gone; its number does not fall back to the system.
      if (!IsRemovableDrivePresent(drive->letter)) {
        lastError_ = ERROR_FILE_NOT_FOUND;
        return nullptr;
      }
      return std::make_unique<SimulatedDevice>(*this, *drive, false);
    }
  } else if (const char letter = VolumeLetter(path); letter != 0) {
    SimulatedDrive* drive = FindByLetter(machine_, letter);
    if (drive != nullptr && IsRemovableDrivePresent(drive->letter)) {
      // The other program's open files admit only opens for queries and
      // opens that share reading and writing, as on Windows.
      constexpr uint32_t kShared = FILE_SHARE_READ | FILE_SHARE_WRITE;
      if (drive->HeldNow() && options.desiredAccess != 0 && (options.shareMode & kShared) != kShared) {
        lastError_ = ERROR_SHARING_VIOLATION;
        return nullptr;
      }
      return std::make_unique<SimulatedDevice>(*this, *drive, true);
    }
  }
  auto device = system_.Open(path, options);
  if (!device) {
    lastError_ = system_.LastError();
    return nullptr;
  }
  return std::make_unique<SystemDevice>(*this, std::move(device));
}

}  // namespace sw::testbed
