// A whole identification run over scripted device answers: which devices
// open, and for every request whether it succeeds, how many bytes come back
// and which. A drive may be offered only on a whole geometry answer whose
// media type is not fixed, at most once a run, and no answer may be read
// or written past the bytes the probe handed over.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <map>
#include <vector>

#include "fuzz_check.h"
#include "hwid/byte_reader.h"
#include "hwid/hwid_impl.h"
#include "hwid/ioctl_codes.h"
#include "hwid/media_type.h"
#include "platform/device_io.h"
#include "platform/dialogs.h"
#include "platform/system_facts.h"

namespace {

using namespace sw;

// The last geometry answer of each drive path, as the probe received it.
struct GeometryAnswer {
  bool ok = false;
  std::vector<uint8_t> bytes;
};

class ScriptedDevice : public IDevice {
 public:
  ScriptedDevice(FuzzedDataProvider& input, GeometryAnswer& geometry) : input_(input), geometry_(geometry) {}
  bool IoControl(uint32_t controlCode, const void*, uint32_t, void* output, uint32_t outputSize,
                 uint32_t& bytesReturned) override {
    const bool ok = input_.ConsumeBool();
    const auto returned = input_.ConsumeIntegralInRange<uint32_t>(0, outputSize);
    std::vector<uint8_t> bytes = input_.ConsumeBytes<uint8_t>(returned);
    bytes.resize(returned);
    // Writes exactly as far as the caller said its buffer reaches.
    if (returned > 0) std::memcpy(output, bytes.data(), returned);
    bytesReturned = ok ? returned : 0;
    if (controlCode == hwid::kDiskGetDriveGeometryEx) geometry_ = {ok, std::move(bytes)};
    return ok;
  }

 private:
  FuzzedDataProvider& input_;
  GeometryAnswer& geometry_;
};

class ScriptedDeviceIo : public IDeviceIo {
 public:
  explicit ScriptedDeviceIo(FuzzedDataProvider& input) : input_(input) {}
  std::unique_ptr<IDevice> Open(const std::string& path, const DeviceOpenOptions&) override {
    if (!input_.ConsumeBool()) return nullptr;
    return std::make_unique<ScriptedDevice>(input_, geometry[path]);
  }
  std::vector<std::string> VolumeNames() override { return {}; }
  uint32_t LastError() override { return 5; }
  std::map<std::string, GeometryAnswer> geometry;

 private:
  FuzzedDataProvider& input_;
};

class ScriptedSystem : public ISystemFacts {
 public:
  explicit ScriptedSystem(bool nt) : nt_(nt) {}
  bool IsNtPlatform() override { return nt_; }
  bool IsAdministrator() override { return true; }
  void EndProcess(unsigned) override {}
  bool SetProcessPriorityClass(uint32_t, uint32_t&) override { return true; }

 private:
  bool nt_;
};

class NoDialogs : public IDialogs {
 public:
  bool AskYesNo(WindowHandle, const std::string&, const std::string&, DefaultAnswer) override { return false; }
  void ShowMessage(WindowHandle, const std::string&, const std::string&, MessageIcon) override {}
  ReplaceAnswer AskReplace(WindowHandle, const std::string&, const std::string&) override {
    return ReplaceAnswer::Cancel;
  }
  std::optional<std::string> SelectFolder(WindowHandle, const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

class CheckingSink : public IDriveIdSink {
 public:
  explicit CheckingSink(ScriptedDeviceIo& io) : io_(io) {}
  void LogText(const std::string&) override {}
  void OfferDrive(const OfferedDrive& drive) override {
    FUZZ_CHECK(offered[drive.drivePath]++ == 0);
    const GeometryAnswer& geometry = io_.geometry[drive.drivePath];
    FUZZ_CHECK(geometry.ok && geometry.bytes.size() >= hwid::kGeometrySize);
    FUZZ_CHECK(IsRemovableMediaType(hwid::ReadU32(geometry.bytes, hwid::kGeometryMediaType)));
    FUZZ_CHECK(drive.size == hwid::ReadI64(geometry.bytes, hwid::kGeometryDiskSize));
  }
  std::map<std::string, int> offered;

 private:
  ScriptedDeviceIo& io_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  SetDriveIdDiagnostics(input.ConsumeBool());
  ScriptedSystem system(!input.ConsumeBool());  // mostly the NT family
  ScriptedDeviceIo io(input);
  NoDialogs dialogs;
  CheckingSink sink(io);
  tresults_array_dv results;
  IdentifyPhysicalDrives(results, {io, system, dialogs, sink});
  for (const tresults_dv& record : results) FUZZ_CHECK(record.serial.size() <= 10000);
  return 0;
}
