#include "testbed/sim_raw_disks.h"

#include <windows.h>

#include "platform/text.h"
#include "testbed/sim_device_io.h"
#include "testbed/sim_format_library.h"
#include "testbed/wine_mount.h"

namespace sw::testbed {
namespace {

TSimStickDescription FlashOf(const SimulatedDrive& drive) {
  TSimStickDescription flash;
  flash.claimedBytes = static_cast<std::uint64_t>(drive.sizeBytes);
  const CapacityBehaviour& capacity = drive.capacity;
  if (capacity.realBytes > 0 && capacity.realBytes < drive.sizeBytes) {
    flash.realBytes = static_cast<std::uint64_t>(capacity.realBytes);
    flash.kind = capacity.wraps ? TSimStickKind::Wrap : TSimStickKind::Limbo;
    flash.limboReadsStale = capacity.staleReads;
  }
  flash.cacheMiB = static_cast<std::uint32_t>(capacity.writeCacheMib);
  flash.contentSeed = static_cast<std::uint64_t>(drive.number);
  return flash;
}

// The disk as Windows hands it out: a write-protected stick refuses every
// write, and a write under a volume that is not locked is refused with
// access denied, as for any mounted volume.
class TGuardedDisk final : public TForwardingBlockDevice {
 public:
  TGuardedDisk(IBlockDevice& flash, const SimulatedDrive& drive) : TForwardingBlockDevice(flash), drive_(drive) {}
  bool Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) override {
    if (drive_.writeProtected) {
      error = ERROR_WRITE_PROTECT;
      return false;
    }
    if (UnderUnlockedVolume(offset, size)) {
      error = ERROR_ACCESS_DENIED;
      return false;
    }
    return TForwardingBlockDevice::Write(offset, data, size, error);
  }

 private:
  bool UnderUnlockedVolume(std::uint64_t offset, std::uint32_t size) const {
    const struct {
      std::int64_t start, bytes;
    } volumes[] = {{kPartitionOffset, drive_.VolumeBytes()}, {drive_.SecondVolumeOffset(), drive_.secondVolumeBytes}};
    for (int v = 0; v < 2; ++v) {
      const auto start = static_cast<std::uint64_t>(volumes[v].start);
      const auto end = start + static_cast<std::uint64_t>(volumes[v].bytes);
      if (volumes[v].bytes > 0 && offset < end && offset + size > start && !drive_.volumeLocked[v]) return true;
    }
    return false;
  }

  const SimulatedDrive& drive_;
};

}  // namespace

std::unique_ptr<IBlockDevice> SimulatedRawDisks::OpenDiskOf(char letter, std::string& why) {
  letter = AsciiUpper(std::string(1, letter))[0];
  SimulatedDrive* drive = FindByLetter(machine_, letter);
  if (drive == nullptr || drive->mediaType != 11 || !IsRemovableDrivePresent(letter)) {
    why = "it is not a removable USB disk";
    return nullptr;
  }
  std::unique_ptr<TSimBlockDevice>& flash = flash_[letter];
  if (!flash) flash = std::make_unique<TSimBlockDevice>(FlashOf(*drive));
  // The check borrows the flash, which stays with the testbed.
  return std::make_unique<TGuardedDisk>(*flash, *drive);
}

const TSimBlockDevice* SimulatedRawDisks::Flash(char letter) const {
  const auto found = flash_.find(AsciiUpper(std::string(1, letter))[0]);
  return found != flash_.end() ? found->second.get() : nullptr;
}

}  // namespace sw::testbed
