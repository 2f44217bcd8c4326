#include "testbed/sim_raw_disks.h"

#include "platform/text.h"
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

}  // namespace

std::unique_ptr<IBlockDevice> SimulatedRawDisks::OpenDiskOf(char letter, std::string& why) {
  letter = AsciiUpper(std::string(1, letter))[0];
  SimulatedDrive* drive = FindByLetter(machine_, letter);
  if (drive == nullptr || drive->mediaType != 11 || !IsRemovableDrivePresent(letter)) {
    why = "it is not a removable USB disk";
    return nullptr;
  }
  if (drive->HeldNow()) {
    why = "drive " + std::string(1, letter) + ": of its disk is in use";
    return nullptr;
  }
  // The check borrows the flash, which stays with the testbed.
  return std::make_unique<TForwardingBlockDevice>(FlashOf(*drive));
}

std::unique_ptr<IBlockDevice> SimulatedRawDisks::OpenDiskWithIdentity(const std::string& identity, std::string& why) {
  for (SimulatedDrive& drive : machine_.drives) {
    if (drive.mediaType != 11 || drive.HeldNow() || FlashOf(drive).Identity() != identity) continue;
    return std::make_unique<TForwardingBlockDevice>(FlashOf(drive));
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
