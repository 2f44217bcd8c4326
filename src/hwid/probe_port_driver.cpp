// The probe for systems outside the NT family: the external IDE port driver
// IDE21201.VXD answers one block with the IDENTIFY data of up to eight drives.
#include <vector>

#include "hwid/byte_reader.h"
#include "hwid/format_text.h"
#include "hwid/hwid_impl.h"
#include "hwid/identify_decode.h"
#include "hwid/ioctl_codes.h"
#include "platform/device_io.h"
#include "platform/dialogs.h"
#include "platform/system_facts.h"

namespace sw {

using namespace hwid;

namespace {

constexpr size_t kControllerPresent = 0;  // one byte per controller 0..3
constexpr size_t kDiskPresent = 4;        // one byte per drive slot 0..7
constexpr size_t kSlotIdentify = 12;      // slot i at 12 + 512 * i
constexpr size_t kPortDriverBlockSize = kSlotIdentify + 8 * kIdentifySize;  // 4108
constexpr int kDriveSlots = 8;

static_assert(kPortDriverBlockSize == 4108);

}  // namespace

bool ReadDrivesThroughPortDriver(tresults_array_dv& results, const DriveIdServices& services) {
  uint32_t error = 0;
  if (!services.system.SetProcessPriorityClass(kRealtimePriorityClass, error))
    services.sink.LogText(
        FormatText("\r\nERROR: Could not SetPriorityClass, LastError: %d\r\n", static_cast<int>(error)));

  std::vector<uint8_t> block(kPortDriverBlockSize);
  uint32_t answered = 0;  // bytes of the block the driver filled
  if (auto device = services.deviceIo.Open("\\\\.\\IDE21201.VXD", {0, 0})) {
    // The driver is told the true size of the block, so its answer cannot
    // run past the end; a failed or short answer holds no drive.
    uint32_t returned = 0;
    if (device->IoControl(kPortDriverIdeInfo, nullptr, 0, block.data(), block.size(), returned))
      answered = returned;
  } else {
    services.dialogs.ShowMessage(nullptr, "Error", "ERROR: Could not open IDE21201.VXD file", MessageIcon::Error);
  }

  results.clear();
  for (int slot = 0; slot < kDriveSlots; ++slot) {
    if (!AnswerCovers(answered, kSlotIdentify + kIdentifySize * slot, kIdentifySize)) break;
    if ((block[kDiskPresent + slot] & block[kControllerPresent + slot / 2]) == 0) continue;
    tresults_dv record;
    ReportIdentifyData(slot, ReadIdentifyWords(block, kSlotIdentify + kIdentifySize * slot), record, services.sink);
    results.push_back(std::move(record));
  }

  services.system.SetProcessPriorityClass(kNormalPriorityClass, error);
  return !results.empty();
}

}  // namespace sw
