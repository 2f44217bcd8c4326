// Seam: the whole disk behind a drive letter, opened for raw reads and
// writes (the real-capacity check). The system's disks in the program, a
// simulated stick in the testbed.
#pragma once

#include <memory>
#include <string>

#include "platform/block_device.h"

namespace sw {

class IRawDisks {
 public:
  virtual ~IRawDisks() = default;
  // The disk that holds the volume of `letter`; nothing, and why in words,
  // when it may not or cannot be opened. The caller locks and dismounts
  // every volume of the disk first and keeps them so while the device
  // lives: a raw write under a mounted volume is refused.
  virtual std::unique_ptr<IBlockDevice> OpenDiskOf(char letter, std::string& why) = 0;
  // The attached disk whose Identity() is `identity`, opened the same way
  // and on the same conditions (a journal's disk may have lost its volume
  // and its letter); nothing, and why, when there is none.
  virtual std::unique_ptr<IBlockDevice> OpenDiskWithIdentity(const std::string& identity, std::string& why) = 0;
};

}  // namespace sw
