// The two probes that send IDENTIFY through the SMART receive interface of
// \\.\PhysicalDriveN: with admin rights (guided by the IDE device map) and
// the plain SMART one.
#include <array>

#include "hwid/byte_reader.h"
#include "hwid/format_text.h"
#include "hwid/hwid_impl.h"
#include "hwid/identify_decode.h"
#include "hwid/ioctl_codes.h"
#include "platform/device_io.h"

namespace sw {

using namespace hwid;

namespace {

constexpr int kPhysicalDrives = 16;

// The SMART version block, zeroed; on a failed or short answer it stays
// zero, so the device map reads as "no device".
bool QuerySmartVersion(IDevice& device, std::array<uint8_t, kVersionParamsSize>& version) {
  version.fill(0);
  uint32_t returned = 0;
  bool ok = device.IoControl(kSmartGetVersion, nullptr, 0, version.data(), version.size(), returned) &&
            AnswerCovers(returned, 0, kVersionParamsSize);
  if (!ok) version.fill(0);
  return ok;
}

}  // namespace

bool SendIdentifyCommand(IDevice& device, std::array<uint8_t, 33>& command, std::array<uint8_t, 528>& answer,
                         int32_t driveNumber, uint8_t commandByte, uint32_t& bytesReturned) {
  command[kCmdBufferSize] = static_cast<uint8_t>(kIdentifySize & 0xFF);
  command[kCmdBufferSize + 1] = static_cast<uint8_t>(kIdentifySize >> 8);
  command[kCmdBufferSize + 2] = 0;
  command[kCmdBufferSize + 3] = 0;
  command[kCmdFeatures] = 0;
  command[kCmdSectorCount] = 1;
  command[kCmdCylinderLow] = 0;
  command[kCmdCylinderHigh] = 0;
  command[kCmdDriveHead] = static_cast<uint8_t>(0xA0 | ((driveNumber & 1) << 4));
  command[kCmdCommand] = commandByte;
  command[kCmdDriveNumber] = static_cast<uint8_t>(driveNumber);
  return device.IoControl(kSmartReceiveDriveData, command.data(), kSendCmdInInputSize, answer.data(),
                          answer.size(), bytesReturned);
}

bool ReadPhysicalDriveInNTWithAdminRights(tresults_array_dv& results, const DriveIdServices& services) {
  results.clear();
  IDriveIdSink& sink = services.sink;
  for (int n = 0; n < kPhysicalDrives; ++n) {
    const std::string path = PhysicalDrivePath(n);
    auto device = services.deviceIo.Open(path, {kGenericRead | kGenericWrite, kShareRead | kShareWrite});
    if (!device) {
      if (DriveIdDiagnostics())
        sink.LogText(FormatText("\r\n%d ReadPhysicalDriveInNTWithAdminRights ERROR\r\n"
                                "CreateFile(%s) returned INVALID_HANDLE_VALUE\r\n",
                                0, path.c_str()));
      continue;
    }

    std::array<uint8_t, kVersionParamsSize> version{};
    if (!QuerySmartVersion(*device, version) && DriveIdDiagnostics()) {
      // The seam hides the OS handle, so the handle field reads 0.
      sink.LogText(FormatText("\r\n%d ReadPhysicalDriveInNTWithAdminRights ERROR\r\n"
                              "DeviceIoControl(%d, DFP_GET_VERSION) returned 0, error is %d\r\n",
                              0, 0, static_cast<int>(services.deviceIo.LastError())));
    }
    const uint8_t deviceMap = version[kVersionIdeDeviceMap];
    if (deviceMap == 0) {
      if (DriveIdDiagnostics())
        sink.LogText(FormatText("\r\n%d ReadPhysicalDriveInNTWithAdminRights ERROR\r\n"
                                "No device found at position %d (%d)\r\n",
                                0, n, deviceMap));
      continue;
    }

    // An ATAPI device answers IDENTIFY PACKET DEVICE only.
    const uint8_t commandByte = ((deviceMap >> n) & 0x10) ? kIdentifyPacketDevice : kIdentifyDevice;
    std::array<uint8_t, kSendCmdInSize> command{};
    std::array<uint8_t, kSendCmdOutSize> answer{};
    uint32_t returned = 0;
    if (SendIdentifyCommand(*device, command, answer, n, commandByte, returned) &&
        AnswerCovers(returned, kSendCmdOutData, kIdentifySize)) {
      tresults_dv record;
      ReportIdentifyData(n, ReadIdentifyWords(answer, kSendCmdOutData), record, sink);
      results.push_back(std::move(record));
    }
  }
  return !results.empty();
}

bool ReadPhysicalDriveInNTUsingSmart(tresults_array_dv& results, const DriveIdServices& services) {
  results.clear();
  IDriveIdSink& sink = services.sink;
  for (int n = 0; n < kPhysicalDrives; ++n) {
    const std::string path = PhysicalDrivePath(n);
    auto device =
        services.deviceIo.Open(path, {kGenericRead | kGenericWrite, kShareRead | kShareWrite | kShareDelete});
    if (!device) {
      if (DriveIdDiagnostics())
        sink.LogText(FormatText("\r\n%d ReadPhysicalDriveInNTUsingSmart ERROR\r\n"
                                "CreateFile(%s) returned INVALID_HANDLE_VALUE\r\nError Code %d\r\n",
                                0, path.c_str(), static_cast<int>(services.deviceIo.LastError())));
      continue;
    }

    std::array<uint8_t, kVersionParamsSize> version{};
    if (!QuerySmartVersion(*device, version)) {
      if (DriveIdDiagnostics())
        sink.LogText(FormatText("\r\n%d ReadPhysicalDriveInNTUsingSmart ERROR\r\n"
                                "DeviceIoControl(%d, SMART_GET_VERSION) returned 0, error is %d\r\n",
                                0, 0, static_cast<int>(services.deviceIo.LastError())));
      continue;
    }

    // The whole block starts zeroed: only the command register is meant to
    // carry a value, and no stale bytes may reach the driver.
    std::array<uint8_t, kSendCmdInSize + kIdentifySize> block{};
    block[kCmdCommand] = kIdentifyDevice;
    uint32_t returned = 0;
    if (device->IoControl(kSmartReceiveDriveData, block.data(), kSendCmdInSize, block.data(), block.size(),
                          returned) &&
        AnswerCovers(returned, kSendCmdOutData, kIdentifySize)) {
      tresults_dv record;
      ReportIdentifyData(n, ReadIdentifyWords(block, kSendCmdOutData), record, sink);
      results.push_back(std::move(record));
    }
  }
  return !results.empty();
}

}  // namespace sw
