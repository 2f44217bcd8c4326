// Devices opened with CreateFileW and queried with DeviceIoControl.
#pragma once

#include "platform/device_io.h"

namespace sw {

class Win32DeviceIo : public IDeviceIo {
 public:
  std::unique_ptr<IDevice> Open(const std::string& path, const DeviceOpenOptions& options) override;
  std::vector<std::string> VolumeNames() override;
  uint32_t LastError() override { return lastError_; }

 private:
  friend class Win32Device;
  uint32_t lastError_ = 0;
};

}  // namespace sw
