// The capacity probe's transfers: each read and write with what it cost at
// the plan's prices, the batches of saved blocks and their putting back.
// Every block is saved (and journalled) before the first write of its
// batch; putting back writes the batches newest first, so each sector ends
// as it was before the earliest write that touched it, wraps included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "capacity/capacity_probe.h"
#include "platform/block_device.h"

namespace sw::probe {

constexpr std::uint32_t kMaxTransfer = 1u << 20;  // largest single read or write
constexpr std::size_t kBufferAlignment = 4096;    // unbuffered device I/O needs sector-aligned buffers

struct AlignedFree {
  void operator()(std::byte* data) const { ::operator delete[](data, std::align_val_t{kBufferAlignment}); }
};
using AlignedBytes = std::unique_ptr<std::byte[], AlignedFree>;
AlignedBytes AllocateAligned(std::size_t size);

enum class Step { Go, Stop, Fail };

struct Block {
  std::uint64_t offset = 0;
  std::uint32_t size = 0;
};

class ProbeDisk {
 public:
  ProbeDisk(IBlockDevice& device, const TProbeOptions& options, const TProbePlan& plan, TProbeResult& result)
      : device_(device), options_(options), plan_(plan), result_(result) {}

  bool Read(std::uint64_t offset, std::byte* data, std::uint32_t size, const char* doing);
  bool Write(std::uint64_t offset, const std::byte* data, std::uint32_t size, const char* doing);
  bool StopRequested() const { return options_.stopRequested && options_.stopRequested(); }

  // Reads every block of the batch and hands the copies to the journal;
  // only then may the batch be written.
  Step SaveBatch(const std::vector<Block>& blocks);
  // Writes the batch's i-th block (in the order saved). A block is put back
  // once a write to it was tried, unless a refused write left it reading
  // exactly as saved.
  bool WriteSaved(std::size_t i, const std::byte* data, const char* doing);
  // Writes every saved block back, newest batch first (ascending within a
  // batch: its copies all show the disk before the batch). Never throws.
  void PutBack() noexcept;
  std::uint64_t SavedBytes() const { return savedBytes_; }
  std::uint64_t SavedBlocks() const { return savedBlocks_; }

  // Modelled seconds of one transfer at the plan's prices.
  double Cost(bool write, bool scattered, std::uint64_t bytes) const;
  // Counts a planned block in the progress, and one written.
  void Plan(std::uint64_t blocks, double seconds);
  void Done() noexcept;
  // Everything planned is done: the progress reads 100.
  void Finish() noexcept;

 private:
  struct Saved {
    std::uint64_t offset;
    std::uint32_t size;
    AlignedBytes data;
    bool written = false;
  };
  bool Transfer(bool write, std::uint64_t offset, std::byte* data, std::uint32_t size, std::uint32_t& error) noexcept;
  void Fail(bool write, const char* doing, std::uint64_t offset, std::uint32_t size, std::uint32_t error);
  void Report() noexcept;

  IBlockDevice& device_;
  const TProbeOptions& options_;
  const TProbePlan& plan_;
  TProbeResult& result_;
  std::vector<std::vector<Saved>> batches_;
  std::uint64_t savedBytes_ = 0, savedBlocks_ = 0;
  std::uint64_t lastWriteEnd_ = ~std::uint64_t{0}, lastReadEnd_ = ~std::uint64_t{0};
  TProbeProgress progress_;
  int lastPercent_ = -1;
};

}  // namespace sw::probe
