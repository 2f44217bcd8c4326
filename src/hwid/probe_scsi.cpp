// IDENTIFY through the SCSI miniport interface of the ports \\.\ScsiN:, for
// IDE drives behind a SCSI port driver; two drive positions a port.
#include <array>
#include <cstring>

#include "hwid/byte_reader.h"
#include "hwid/format_text.h"
#include "hwid/hwid_impl.h"
#include "hwid/identify_decode.h"
#include "hwid/ioctl_codes.h"
#include "platform/device_io.h"

namespace sw {

using namespace hwid;

namespace {

constexpr int kScsiPorts = 16;
constexpr size_t kRequestCommand = kSrbSize;                          // SENDCMDINPARAMS after the header
constexpr size_t kRequestIdentify = kSrbSize + kSendCmdOutData;       // 44: IDENTIFY data in the answer
constexpr size_t kRequestSize = kSrbSize + kSendCmdInSize + kIdentifySize - 16;  // 557
constexpr uint32_t kRequestInputSize = kSrbSize + kSendCmdInInputSize;           // 60
constexpr uint32_t kRequestPayloadLength = kSendCmdInSize + kIdentifySize - 16;  // 529
// The first byte of the model number field in memory order (low byte of word 27).
constexpr size_t kModelFirstByte = 54;

static_assert(kRequestSize == 557 && kRequestInputSize == 60 && kRequestPayloadLength == 529);

void PutU32(std::array<uint8_t, kRequestSize>& block, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::array<uint8_t, kRequestSize> IdentifyRequest(uint8_t drivePosition) {
  std::array<uint8_t, kRequestSize> block{};
  PutU32(block, kSrbHeaderLength, kSrbSize);
  std::memcpy(&block[kSrbSignature], "SCSIDISK", 8);
  PutU32(block, kSrbTimeout, 10000);
  PutU32(block, kSrbControlCode, kScsiMiniportIdentify);
  PutU32(block, kSrbReturnCode, 0);
  PutU32(block, kSrbLength, kRequestPayloadLength);
  block[kRequestCommand + kCmdCommand] = kIdentifyDevice;
  block[kRequestCommand + kCmdDriveNumber] = drivePosition;
  return block;
}

}  // namespace

bool ReadDrivesThroughScsiPorts(tresults_array_dv& results, const DriveIdServices& services) {
  results.clear();
  for (int port = 0; port < kScsiPorts; ++port) {
    const std::string path = FormatText("\\\\.\\Scsi%d:", port);
    auto device = services.deviceIo.Open(path, {kGenericRead | kGenericWrite, kShareRead | kShareWrite});
    if (!device) continue;  // no such port: nothing to report

    for (uint8_t position = 0; position < 2; ++position) {
      auto block = IdentifyRequest(position);
      uint32_t returned = 0;
      bool ok = device->IoControl(kScsiMiniport, block.data(), kRequestInputSize, block.data(), block.size(),
                                  returned);
      if (!ok || !AnswerCovers(returned, kRequestIdentify, kIdentifySize) ||
          block[kRequestIdentify + kModelFirstByte] == 0)
        continue;
      tresults_dv record;
      ReportIdentifyData(port * 2 + position, ReadIdentifyWords(block, kRequestIdentify), record, services.sink);
      results.push_back(std::move(record));
    }
  }
  return !results.empty();
}

}  // namespace sw
