// Seam: opening devices by path and sending them device-control requests.
// Wine has no removable physical drives, and tests need byte-exact answers,
// so drive identification and volume probing go through this interface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sw {

// An open device; closed when the object is destroyed.
class IDevice {
 public:
  virtual ~IDevice() = default;
  // Sends a device-control request. `output` is sized by the caller to the
  // most the request may return; on success `bytesReturned` tells how much
  // of it the device filled. False on failure (LastError tells why).
  virtual bool IoControl(uint32_t controlCode, const void* input, uint32_t inputSize, void* output,
                         uint32_t outputSize, uint32_t& bytesReturned) = 0;
};

struct DeviceOpenOptions {
  uint32_t desiredAccess = 0;  // GENERIC_READ | GENERIC_WRITE, or 0 for queries only
  uint32_t shareMode = 0;      // FILE_SHARE_READ | FILE_SHARE_WRITE, 0 for exclusive
};

class IDeviceIo {
 public:
  virtual ~IDeviceIo() = default;
  // Opens a device path such as "\\.\PhysicalDrive0" or "\\.\E:"; null on
  // failure (LastError tells why).
  virtual std::unique_ptr<IDevice> Open(const std::string& path, const DeviceOpenOptions& options) = 0;
  // The names of every volume of the machine, "\\?\Volume{...}", without
  // the trailing backslash, so that each opens as a device; a volume
  // without a drive letter is reachable only so.
  virtual std::vector<std::string> VolumeNames() = 0;
  // The error code of the last failed Open or IoControl.
  virtual uint32_t LastError() = 0;
};

}  // namespace sw
