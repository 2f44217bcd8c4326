// The testbed's whole disks for the real-capacity check: each simulated
// drive's flash, genuine or counterfeit as its machine description says.
// The flash lives as long as the testbed, so a second check meets what the
// first one left.
#pragma once

#include <map>
#include <memory>

#include "platform/raw_disks.h"
#include "testbed/machine.h"
#include "testbed/sim_block_device.h"

namespace sw::testbed {

class SimulatedRawDisks final : public IRawDisks {
 public:
  explicit SimulatedRawDisks(Machine& machine) : machine_(machine) {}
  std::unique_ptr<IBlockDevice> OpenDiskOf(char letter, std::string& why) override;
  std::unique_ptr<IBlockDevice> OpenDiskWithIdentity(const std::string& identity, std::string& why) override;
  // The flash of the drive of `letter` as the checks left it; null before the first.
  const TSimBlockDevice* Flash(char letter) const;

 private:
  TSimBlockDevice& FlashOf(const SimulatedDrive& drive);
  Machine& machine_;
  std::map<char, std::unique_ptr<TSimBlockDevice>> flash_;
};

}  // namespace sw::testbed
