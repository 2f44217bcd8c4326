#include "testbed/sim_raw_disks.h"

#include <windows.h>

#include "platform/text.h"
#include "testbed/sim_device_io.h"
#include "testbed/sim_format_library.h"
#include "testbed/wine_mount.h"

namespace sw::testbed {
namespace {

TSimStickDescription DescribeFlash(const SimulatedDrive& drive) {
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
  flash.identity = drive.vendor + " " + drive.product + " " + drive.serial;
  flash.costs = {capacity.probeWriteMs, capacity.probeReadUs, capacity.seqWriteMBs, capacity.seqReadMBs};
  return flash;
}

// The disk as Windows hands it out: a write-protected stick refuses every
// write, and a write under a volume that is not locked is refused with
// access denied, as for any mounted volume. A disk found by its identity
// comes with its volumes locked (`locksVolumes`) for as long as it lives.
class TGuardedDisk final : public TForwardingBlockDevice {
 public:
  TGuardedDisk(IBlockDevice& flash, SimulatedDrive& drive, bool locksVolumes)
      : TForwardingBlockDevice(flash), drive_(drive), locksVolumes_(locksVolumes) {
    if (locksVolumes_) drive_.volumeLocked[0] = drive_.volumeLocked[1] = true;
  }
  ~TGuardedDisk() override {
    if (locksVolumes_) drive_.volumeLocked[0] = drive_.volumeLocked[1] = false;
  }
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

  SimulatedDrive& drive_;
  bool locksVolumes_;
};

}  // namespace

std::unique_ptr<IBlockDevice> SimulatedRawDisks::OpenDiskOf(char letter, std::string& why) {
  letter = AsciiUpper(std::string(1, letter))[0];
  SimulatedDrive* drive = FindByLetter(machine_, letter);
  if (drive == nullptr || drive->mediaType != 11 || !IsRemovableDrivePresent(letter)) {
    why = "it is not a removable USB disk";
    return nullptr;
  }
  // The check borrows the flash, which stays with the testbed.
  return std::make_unique<TGuardedDisk>(FlashOf(*drive), *drive, false);
}

std::unique_ptr<IBlockDevice> SimulatedRawDisks::OpenDiskWithIdentity(const std::string& identity, std::string& why) {
  for (SimulatedDrive& drive : machine_.drives) {
    if (drive.mediaType != 11 || HeldNow(drive) || drive.volumeLocked[0] || drive.volumeLocked[1] ||
        FlashOf(drive).Identity() != identity)
      continue;
    return std::make_unique<TGuardedDisk>(FlashOf(drive), drive, true);
  }
  why = "no removable USB disk attached is that disk";
  return nullptr;
}

TSimBlockDevice& SimulatedRawDisks::FlashOf(const SimulatedDrive& drive) {
  std::unique_ptr<TSimBlockDevice>& flash = flash_[drive.letter];
  if (!flash) flash = std::make_unique<TSimBlockDevice>(DescribeFlash(drive));
  return *flash;
}

const TSimBlockDevice* SimulatedRawDisks::Flash(char letter) const {
  const auto found = flash_.find(AsciiUpper(std::string(1, letter))[0]);
  return found != flash_.end() ? found->second.get() : nullptr;
}

}  // namespace sw::testbed
