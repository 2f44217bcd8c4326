#include "fakes/fake_device_io.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>

namespace sw::fakes {
namespace {

class FakeDevice : public IDevice {
 public:
  FakeDevice(FakeDeviceIo& io, std::string path) : io_(io), path_(std::move(path)) { ++io_.openDevices; }
  ~FakeDevice() override { --io_.openDevices; }

  bool IoControl(uint32_t code, const void* input, uint32_t inputSize, void* output, uint32_t outputSize,
                 uint32_t& bytesReturned) override {
    const auto* in = static_cast<const uint8_t*>(input);
    io_.calls.push_back({path_, code, std::vector<uint8_t>(in, in + (in ? inputSize : 0)), outputSize});
    bytesReturned = 0;
    if (io_.heldVolumes.count(path_) != 0) return AnswerHeld(code);
    auto& replies = io_.devices[path_][code];
    if (replies.empty()) {
      io_.lastError = 1;
      return false;
    }
    size_t& next = used_[code];
    const ScriptedReply& reply = replies[std::min(next, replies.size() - 1)];
    ++next;
    if (!reply.ok) {
      io_.lastError = reply.error;
      return false;
    }
    uint32_t n = static_cast<uint32_t>(std::min<size_t>(reply.bytes.size(), outputSize));
    if (n > 0) std::memcpy(output, reply.bytes.data(), n);
    bytesReturned = n;
    return true;
  }

 private:
  // The lock of a held volume is refused until the dismount frees it.
  bool AnswerHeld(uint32_t code) {
    if (code == FSCTL_DISMOUNT_VOLUME) {
      io_.dismounted.push_back(path_);
      io_.heldVolumes.erase(path_);
      return true;
    }
    if (code == FSCTL_LOCK_VOLUME) {
      io_.lastError = ERROR_ACCESS_DENIED;
      return false;
    }
    io_.lastError = ERROR_INVALID_FUNCTION;
    return false;
  }

  FakeDeviceIo& io_;
  std::string path_;
  std::map<uint32_t, size_t> used_;
};

}  // namespace

size_t FakeDeviceIo::CallCount(uint32_t code) const {
  return static_cast<size_t>(
      std::count_if(calls.begin(), calls.end(), [code](const IoControlCall& call) { return call.code == code; }));
}

std::unique_ptr<IDevice> FakeDeviceIo::Open(const std::string& path, const DeviceOpenOptions& options) {
  if (auto failure = openErrors.find(path); failure != openErrors.end()) {
    lastError = failure->second;
    return nullptr;
  }
  if (devices.find(path) == devices.end()) {
    lastError = 2;  // ERROR_FILE_NOT_FOUND
    return nullptr;
  }
  // A held volume admits only opens for queries and opens that share
  // reading and writing, as on Windows.
  constexpr uint32_t kShared = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if (heldVolumes.count(path) != 0 && options.desiredAccess != 0 && (options.shareMode & kShared) != kShared) {
    lastError = ERROR_SHARING_VIOLATION;
    return nullptr;
  }
  opened.push_back(path);
  openOptions.push_back(options);
  return std::make_unique<FakeDevice>(*this, path);
}

}  // namespace sw::fakes
