// Seam: a whole block device, the raw sectors of a USB stick, as the
// capacity probe reads and writes it. The Win32 implementation opens the
// physical drive; the tests and the testbed hand a simulated stick.
#pragma once

#include <cstdint>

namespace sw {

class IBlockDevice {
 public:
  virtual ~IBlockDevice() = default;
  virtual std::uint64_t Size() const = 0;        // bytes the device reports
  virtual std::uint32_t SectorSize() const = 0;  // bytes; offsets and sizes are multiples of it
  // false with a system error code in `error` when the transfer failed
  virtual bool Read(std::uint64_t offset, void* data, std::uint32_t size, std::uint32_t& error) = 0;
  virtual bool Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) = 0;
};

}  // namespace sw
