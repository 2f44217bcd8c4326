// A simulated USB stick behind the block-device seam, for the capacity
// probe's tests, fuzz target and benchmark and for the testbed. It can be
// genuine or counterfeit (writes past the real size wrap around or are
// lost), answer reads of recent writes from a write cache, and fail a write
// or vanish on cue. It keeps only the sectors whose content differs from
// the original, so a 256 GB stick costs what was written to it; the
// original content is a pattern drawn from each sector's position, so a
// test can tell exactly what was left changed.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/block_device.h"

namespace sw {

// The price of a transfer on real flash, charged as modelled time (never
// slept): a transfer that does not start where the previous one of its kind
// ended pays the latency of a scattered access; every byte pays the
// sequential rate. Zero prices are free.
struct TSimCosts {
  double probeWriteMs = 0;  // per scattered write
  double probeReadUs = 0;   // per scattered read
  double seqWriteMBs = 0;   // sequential write rate, 10^6 bytes a second; 0: free
  double seqReadMBs = 0;
};

enum class TSimStickKind {
  Genuine,
  Wrap,   // a write at or past the real size lands at offset modulo the real size
  Limbo,  // a write past the real size is lost; reads there return zeros or the old content
};

struct TSimStickDescription {
  std::uint64_t claimedBytes = 0;     // Size(), rounded down to whole sectors
  std::uint64_t realBytes = 0;        // the flash behind it; ignored when genuine
  TSimStickKind kind = TSimStickKind::Genuine;
  bool limboReadsStale = false;       // past the real size reads return the old content rather than zeros
  std::uint32_t cacheMiB = 0;         // write cache: answers reads of the most recently written sectors
  std::uint32_t sectorSize = 512;
  std::uint64_t failWriteNumber = 0;  // this write (1 = the first) fails after its first sector landed; 0: none
  std::uint64_t goneAfterCalls = 0;   // every read and write after this many fails; 0: never
  std::uint64_t contentSeed = 0;      // picks the original content
  bool writeProtected = false;        // every write is refused (kSimErrorWriteProtect)
  std::string identity = "sim-stick"; // Identity(), with the size appended
  TSimCosts costs;                    // what each transfer is charged, as modelled time
};

// The system error codes the simulated stick fails with.
inline constexpr std::uint32_t kSimErrorBadRequest = 87, kSimErrorIo = 1117, kSimErrorGone = 1167,
                               kSimErrorWriteProtect = 19;

class TSimBlockDevice final : public IBlockDevice {
 public:
  explicit TSimBlockDevice(const TSimStickDescription& description);

  std::uint64_t Size() const override { return sectors_ * sectorSize_; }
  std::uint32_t SectorSize() const override { return sectorSize_; }
  bool Read(std::uint64_t offset, void* data, std::uint32_t size, std::uint32_t& error) override;
  bool Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) override;
  std::string Identity() const override { return description_.identity + " " + std::to_string(Size()); }

  // What the stick holds, as it reads once plugged in again (the cache
  // gone): not counted, never failing, offsets and sizes in whole sectors.
  void ReadSettled(std::uint64_t offset, void* data, std::uint32_t size) const;
  // Byte offsets (of the flash) of the sectors that differ from the original content, ascending.
  std::vector<std::uint64_t> ChangedOffsets() const;

  std::uint64_t BytesWritten() const { return bytesWritten_; }
  std::uint64_t BytesRead() const { return bytesRead_; }
  // Transfers that went through, those that paid the scattered latency, and
  // the modelled seconds they cost at the description's prices.
  std::uint64_t Writes() const { return writes_ok_; }
  std::uint64_t Reads() const { return reads_; }
  std::uint64_t ScatteredWrites() const { return scatteredWrites_; }
  std::uint64_t ScatteredReads() const { return scatteredReads_; }
  double ModelledSeconds() const { return modelledSeconds_; }

 private:
  // Sectors of data keyed by sector number, in one slab.
  class SectorStore {
   public:
    explicit SectorStore(std::uint32_t sectorSize) : sectorSize_(sectorSize) {}
    bool Get(std::uint64_t sector, std::byte* out) const;
    void Put(std::uint64_t sector, const std::byte* data);
    void Erase(std::uint64_t sector);
    std::vector<std::uint64_t> Keys() const;

   private:
    std::uint32_t sectorSize_;
    std::unordered_map<std::uint64_t, std::uint32_t> slots_;
    std::vector<std::byte> slab_;
    std::vector<std::uint32_t> free_;
  };
  struct CacheEntry {
    std::list<std::uint64_t>::iterator age;
    bool ownCopy = false;  // false: the flash at its physical sector still holds what was written
  };

  bool Physical(std::uint64_t sector, std::uint64_t& physical) const;
  void Original(std::uint64_t sector, std::byte* out) const;
  void FlashRead(std::uint64_t physical, std::byte* out) const;
  void SettledRead(std::uint64_t sector, std::byte* out) const;
  void ReadSector(std::uint64_t sector, std::byte* out) const;
  void WriteSector(std::uint64_t sector, const std::byte* data);
  void KeepAliasesAnswering(std::uint64_t physical, std::uint64_t writer);
  void Cache(std::uint64_t sector, const std::byte* lostData);
  void Evict(std::uint64_t sector);
  bool Refused(std::uint64_t offset, std::uint32_t size, std::uint32_t& error);
  void Charge(bool write, std::uint64_t offset, std::uint32_t size);

  TSimStickDescription description_;
  std::uint32_t sectorSize_;
  std::uint64_t sectors_, realSectors_, cacheSectors_;
  SectorStore flash_, cacheCopies_;
  std::list<std::uint64_t> cacheAge_;  // cached sectors, the oldest write first
  std::unordered_map<std::uint64_t, CacheEntry> cache_;
  std::unordered_map<std::uint64_t, std::vector<std::uint64_t>> wrapAliases_;  // physical sector -> cached sectors past the real size
  std::vector<std::byte> scratch_;  // one sector
  std::uint64_t calls_ = 0, writes_ = 0, bytesWritten_ = 0, bytesRead_ = 0;
  std::uint64_t writes_ok_ = 0, reads_ = 0, scatteredWrites_ = 0, scatteredReads_ = 0;
  std::uint64_t lastWriteEnd_ = ~std::uint64_t{0}, lastReadEnd_ = ~std::uint64_t{0};
  double modelledSeconds_ = 0;
};

}  // namespace sw
