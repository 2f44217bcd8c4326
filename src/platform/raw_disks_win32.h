// The system's disks for the real-capacity check: the physical disk behind a
// drive letter, found by the volume's device number (never from a list's
// text), and opened only when it is a removable USB disk that holds neither
// the running system nor this program.
#pragma once

#include "platform/raw_disks.h"

namespace sw {

class Win32RawDisks final : public IRawDisks {
 public:
  std::unique_ptr<IBlockDevice> OpenDiskOf(char letter, std::string& why) override;
  std::unique_ptr<IBlockDevice> OpenDiskWithIdentity(const std::string& identity, std::string& why) override;
};

}  // namespace sw
