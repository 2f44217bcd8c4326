// Seam: a whole block device, the raw sectors of a USB stick, as the
// capacity probe reads and writes it. The Win32 implementation opens the
// physical drive; the tests and the testbed hand a simulated stick.
#pragma once

#include <cstdint>
#include <string>

namespace sw {

class IBlockDevice {
 public:
  virtual ~IBlockDevice() = default;
  virtual std::uint64_t Size() const = 0;        // bytes the device reports
  virtual std::uint32_t SectorSize() const = 0;  // bytes; offsets and sizes are multiples of it
  // false with a system error code in `error` when the transfer failed
  virtual bool Read(std::uint64_t offset, void* data, std::uint32_t size, std::uint32_t& error) = 0;
  virtual bool Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) = 0;
  // Who the disk is (maker, product, serial number and size), so that a
  // journal of its blocks is only ever applied to the same disk; empty when
  // the disk does not say.
  virtual std::string Identity() const { return {}; }
};

// Passes every call on to a device it does not own: a device handed out
// while its owner keeps it, and the base of wrappers that watch a call.
class TForwardingBlockDevice : public IBlockDevice {
 public:
  explicit TForwardingBlockDevice(IBlockDevice& inner) : inner_(inner) {}
  std::uint64_t Size() const override { return inner_.Size(); }
  std::uint32_t SectorSize() const override { return inner_.SectorSize(); }
  bool Read(std::uint64_t offset, void* data, std::uint32_t size, std::uint32_t& error) override {
    return inner_.Read(offset, data, size, error);
  }
  bool Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) override {
    return inner_.Write(offset, data, size, error);
  }
  std::string Identity() const override { return inner_.Identity(); }

 private:
  IBlockDevice& inner_;
};

}  // namespace sw
