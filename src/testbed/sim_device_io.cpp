#include "testbed/sim_device_io.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdio>
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

std::string SimVolumeName(const SimulatedDrive& drive, int volume) {
  char text[64];
  std::snprintf(text, sizeof(text), "\\\\?\\Volume{5354494b-%04d-%04d-0000-000000000000}", drive.number, volume + 1);
  return text;
}

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

std::vector<uint8_t> VolumeExtentBytes(const SimulatedDrive& drive, int volume) {
  VOLUME_DISK_EXTENTS extents{};
  extents.NumberOfDiskExtents = 1;
  extents.Extents[0].DiskNumber = static_cast<DWORD>(drive.number);
  extents.Extents[0].StartingOffset.QuadPart = volume == 0 ? kPartitionOffset : drive.SecondVolumeOffset();
  extents.Extents[0].ExtentLength.QuadPart = volume == 0 ? drive.VolumeBytes() : drive.secondVolumeBytes;
  std::vector<uint8_t> bytes(sizeof(extents));
  std::memcpy(bytes.data(), &extents, sizeof(extents));
  return bytes;
}

std::vector<uint8_t> VolumeLengthBytes(const SimulatedDrive& drive, int volume) {
  GET_LENGTH_INFORMATION length{};
  length.Length.QuadPart = volume == 0 ? drive.VolumeBytes() : drive.secondVolumeBytes;
  std::vector<uint8_t> bytes(sizeof(length));
  std::memcpy(bytes.data(), &length, sizeof(length));
  return bytes;
}

bool HeldNow(SimulatedDrive& drive) { return drive.HeldAt(static_cast<int64_t>(GetTickCount64())); }

// One open simulated device: the physical drive, or one volume of a drive.
// A lock this handle took ends when it is closed, as on Windows.
class SimulatedDevice : public IDevice {
 public:
  static constexpr int kPhysical = -1;
  SimulatedDevice(SimulatedDeviceIo& io, SimulatedDrive& drive, int volume)
      : io_(io), drive_(drive), volume_(volume) {}
  ~SimulatedDevice() override {
    if (locked_) drive_.volumeLocked[volume_] = false;
  }

  bool IoControl(uint32_t controlCode, const void* /*input*/, uint32_t /*inputSize*/, void* output,
                 uint32_t outputSize, uint32_t& bytesReturned) override {
    bytesReturned = 0;
    std::vector<uint8_t> answer;
    const bool volume = volume_ != kPhysical;
    if (volume && IsLockRequest(controlCode)) {
      return AnswerLockRequest(controlCode);
    } else if (controlCode == IOCTL_DISK_IS_WRITABLE) {
      if (!drive_.writeProtected) return true;
      io_.lastError_ = ERROR_WRITE_PROTECT;
      return false;
    } else if (controlCode == IOCTL_STORAGE_GET_DEVICE_NUMBER) {
      STORAGE_DEVICE_NUMBER number{};
      number.DeviceType = FILE_DEVICE_DISK;
      number.DeviceNumber = static_cast<DWORD>(drive_.number);
      number.PartitionNumber = volume ? static_cast<DWORD>(volume_ + 1) : 0;
      answer.resize(sizeof(number));
      std::memcpy(answer.data(), &number, sizeof(number));
    } else if (volume && controlCode == IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS) {
      answer = VolumeExtentBytes(drive_, volume_);
    } else if (volume && controlCode == IOCTL_DISK_GET_LENGTH_INFO) {
      answer = VolumeLengthBytes(drive_, volume_);
    } else if (!volume && controlCode == IOCTL_STORAGE_QUERY_PROPERTY) {
      answer = StorageDescriptorBytes(drive_);
    } else if (!volume && controlCode == IOCTL_DISK_GET_DRIVE_GEOMETRY_EX) {
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
  // has it open; the dismount ends that program's hold. A volume another
  // handle has locked refuses a second lock.
  bool AnswerLockRequest(uint32_t code) {
    if (code == FSCTL_DISMOUNT_VOLUME) {
      if (volume_ == 0) drive_.dismounted = true;
      return true;
    }
    if (code == FSCTL_UNLOCK_VOLUME) {
      if (!locked_) {
        io_.lastError_ = ERROR_NOT_LOCKED;
        return false;
      }
      locked_ = drive_.volumeLocked[volume_] = false;
      return true;
    }
    if ((volume_ == 0 && HeldNow(drive_)) || (drive_.volumeLocked[volume_] && !locked_)) {
      io_.lastError_ = ERROR_ACCESS_DENIED;
      return false;
    }
    locked_ = drive_.volumeLocked[volume_] = true;
    return true;
  }

  SimulatedDeviceIo& io_;
  SimulatedDrive& drive_;
  int volume_;
  bool locked_ = false;
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

SimulatedDrive* SimulatedDeviceIo::VolumeOf(const std::string& path, int& volume) {
  const char letter = VolumeLetter(path);
  for (SimulatedDrive& drive : machine_.drives) {
    for (volume = 0; volume < (drive.secondVolumeBytes > 0 ? 2 : 1); ++volume) {
      const char own = volume == 0 ? drive.letter : drive.secondLetter;
      if ((letter != 0 && own != 0 && AsciiUpper(std::string(1, letter)) == std::string(1, own)) ||
          AsciiLower(path) == AsciiLower(SimVolumeName(drive, volume)))
        return &drive;
    }
  }
  return nullptr;
}

std::vector<std::string> SimulatedDeviceIo::VolumeNames() {
  std::vector<std::string> names = system_.VolumeNames();
  for (const SimulatedDrive& drive : machine_.drives) {
    if (!IsRemovableDrivePresent(drive.letter)) continue;
    for (int volume = 0; volume < (drive.secondVolumeBytes > 0 ? 2 : 1); ++volume)
      names.push_back(SimVolumeName(drive, volume));
  }
  return names;
}

std::unique_ptr<IDevice> SimulatedDeviceIo::Open(const std::string& path, const DeviceOpenOptions& options) {
  if (const int number = PhysicalDriveNumber(path); number >= 0) {
    if (SimulatedDrive* drive = FindByNumber(machine_, number)) {
      // An unplugged drive is gone; its number does not fall back to the system.
      if (!IsRemovableDrivePresent(drive->letter)) {
        lastError_ = ERROR_FILE_NOT_FOUND;
        return nullptr;
      }
      return std::make_unique<SimulatedDevice>(*this, *drive, SimulatedDevice::kPhysical);
    }
  } else {
    int volume = 0;
    SimulatedDrive* drive = VolumeOf(path, volume);
    if (drive != nullptr && IsRemovableDrivePresent(drive->letter)) {
      // The other program's open files admit only opens for queries and
      // opens that share reading and writing, as on Windows.
      constexpr uint32_t kShared = FILE_SHARE_READ | FILE_SHARE_WRITE;
      if (volume == 0 && options.desiredAccess != 0 && (options.shareMode & kShared) != kShared && HeldNow(*drive)) {
        lastError_ = ERROR_SHARING_VIOLATION;
        return nullptr;
      }
      return std::make_unique<SimulatedDevice>(*this, *drive, volume);
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
