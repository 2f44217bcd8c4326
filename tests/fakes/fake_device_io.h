// Scripted devices: which paths open, and the exact bytes each device-control
// request answers, so probes are tested without real drives.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/device_io.h"

namespace sw::fakes {

struct ScriptedReply {
  bool ok = true;
  std::vector<uint8_t> bytes;  // copied up to the caller's output size
  uint32_t error = 0;          // last error when !ok
};

struct IoControlCall {
  std::string path;
  uint32_t code;
  std::vector<uint8_t> input;
  uint32_t outputSize;
};

class FakeDeviceIo : public IDeviceIo {
 public:
  std::unique_ptr<IDevice> Open(const std::string& path, const DeviceOpenOptions& options) override;
  std::vector<std::string> VolumeNames() override { return volumeNames; }
  uint32_t LastError() override { return lastError; }

  // A path that opens; requests without a scripted reply fail with error 1
  // (ERROR_INVALID_FUNCTION).
  void AddDevice(const std::string& path) { devices[path]; }
  // The reply to `code` on `path`; replies for one code are used in order,
  // and the last one repeats.
  void Reply(const std::string& path, uint32_t code, ScriptedReply reply) {
    devices[path][code].push_back(std::move(reply));
  }

  // A volume another program holds: FSCTL_LOCK_VOLUME on it fails with
  // ERROR_ACCESS_DENIED, and an open that does not share reading and
  // writing with ERROR_SHARING_VIOLATION, until FSCTL_DISMOUNT_VOLUME was
  // sent to it (which succeeds and is recorded); from then on it answers
  // as scripted. The path opens as a device.
  void HoldVolume(const std::string& path) {
    AddDevice(path);
    heldVolumes.insert(path);
  }
  // How many requests with `code` were sent, to any device.
  size_t CallCount(uint32_t code) const;

  std::map<std::string, std::map<uint32_t, std::vector<ScriptedReply>>> devices;
  std::set<std::string> heldVolumes;
  std::vector<std::string> volumeNames;
  std::vector<std::string> dismounted;  // every dismount of a held volume, in order
  std::map<std::string, uint32_t> openErrors;  // paths that fail to open with this error
  std::vector<std::string> opened;             // every successful open, in order
  std::vector<DeviceOpenOptions> openOptions;
  std::vector<IoControlCall> calls;
  int openDevices = 0;  // devices open right now (leak check)
  uint32_t lastError = 0;
};

}  // namespace sw::fakes
