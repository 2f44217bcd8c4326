#include "capacity/probe_disk.h"

#include <algorithm>
#include <cstring>

namespace sw::probe {

AlignedBytes AllocateAligned(std::size_t size) {
  return AlignedBytes(static_cast<std::byte*>(::operator new[](size, std::align_val_t{kBufferAlignment})));
}

double ProbeDisk::Cost(bool write, bool scattered, std::uint64_t bytes) const {
  const double latency = write ? plan_.writeLatencyMs / 1e3 : plan_.readLatencyUs / 1e6;
  const double rate = (write ? plan_.writeMBs : plan_.readMBs) * 1e6;
  return (scattered ? latency : 0) + (rate > 0 ? static_cast<double>(bytes) / rate : 0);
}

bool ProbeDisk::Transfer(bool write, std::uint64_t offset, std::byte* data, std::uint32_t size,
                         std::uint32_t& error) noexcept {
  bool done = false;
  try {
    done = write ? device_.Write(offset, data, size, error) : device_.Read(offset, data, size, error);
  } catch (...) {
  }
  if (!done) return false;
  std::uint64_t& lastEnd = write ? lastWriteEnd_ : lastReadEnd_;
  const bool scattered = offset != lastEnd;
  lastEnd = offset + size;
  result_.modelledSeconds += Cost(write, scattered, size);
  if (write) {
    ++result_.writes;
    result_.scatteredWrites += scattered;
    result_.bytesWritten += size;
  } else {
    ++result_.reads;
    result_.bytesRead += size;
  }
  return true;
}

void ProbeDisk::Fail(bool write, const char* doing, std::uint64_t offset, std::uint32_t size, std::uint32_t error) {
  const std::string where = std::to_string(size) + " bytes at offset " + std::to_string(offset);
  if (write) {
    // A refused write says nothing about the flash: it is never taken for a lost block.
    result_.refusedError = error;
    result_.problem = std::string(doing) + ": the stick refused the write of " + where + " (error " +
                      std::to_string(error) + ")";
  } else {
    result_.problem = std::string(doing) + ": reading " + where + " failed (error " + std::to_string(error) + ")";
  }
}

bool ProbeDisk::Read(std::uint64_t offset, std::byte* data, std::uint32_t size, const char* doing) {
  std::uint32_t error = 0;
  if (Transfer(false, offset, data, size, error)) return true;
  Fail(false, doing, offset, size, error);
  return false;
}

bool ProbeDisk::Write(std::uint64_t offset, const std::byte* data, std::uint32_t size, const char* doing) {
  std::uint32_t error = 0;
  if (Transfer(true, offset, const_cast<std::byte*>(data), size, error)) return true;
  Fail(true, doing, offset, size, error);
  return false;
}

Step ProbeDisk::SaveBatch(const std::vector<Block>& blocks) {
  std::vector<Saved> batch;
  batch.reserve(blocks.size());
  for (const Block& block : blocks) {
    if (StopRequested()) return Step::Stop;
    Saved saved{block.offset, block.size, AllocateAligned(block.size)};
    if (!Read(block.offset, saved.data.get(), block.size, "saving a block")) return Step::Fail;
    batch.push_back(std::move(saved));
  }
  if (options_.journal) {
    std::vector<TSavedBlockView> views;
    views.reserve(batch.size());
    for (const Saved& saved : batch) views.push_back({saved.offset, saved.data.get(), saved.size});
    std::string why;
    bool journalled = false;
    try {
      journalled = options_.journal(views, why);
    } catch (const std::exception& error) {
      why = error.what();
    } catch (...) {
      why = "an unexpected error";
    }
    if (!journalled) {
      result_.problem = "the journal of the blocks about to be changed could not be written: " + why;
      return Step::Fail;
    }
  }
  for (const Saved& saved : batch) savedBytes_ += saved.size;
  savedBlocks_ += batch.size();
  batches_.push_back(std::move(batch));
  return Step::Go;
}

bool ProbeDisk::WriteSaved(std::size_t i, const std::byte* data, const char* doing) {
  Saved& saved = batches_.back()[i];
  saved.written = true;
  if (Write(saved.offset, data, saved.size, doing)) return true;
  // Refused: a block that reads exactly as saved was left alone.
  AlignedBytes now = AllocateAligned(saved.size);
  std::uint32_t error = 0;
  if (Transfer(false, saved.offset, now.get(), saved.size, error) &&
      std::memcmp(now.get(), saved.data.get(), saved.size) == 0)
    saved.written = false;
  return false;
}

// A write that fails is tried once more before its block is named as not put back.
void ProbeDisk::PutBack() noexcept {
  std::uint32_t firstError = 0;
  std::size_t count = 0;
  for (auto batch = batches_.rbegin(); batch != batches_.rend(); ++batch) {
    // Ascending within the batch, so a block of many pieces goes back in one sequence.
    std::sort(batch->begin(), batch->end(), [](const Saved& a, const Saved& b) { return a.offset < b.offset; });
    for (Saved& saved : *batch) {
      if (!saved.written) continue;
      ++count;
      std::uint32_t error = 0;
      if (Transfer(true, saved.offset, saved.data.get(), saved.size, error) ||
          Transfer(true, saved.offset, saved.data.get(), saved.size, error)) {
        Done();
        continue;
      }
      if (result_.notPutBack.empty()) firstError = error;
      try {
        result_.notPutBack.push_back(saved.offset);
      } catch (...) {
      }
    }
  }
  if (result_.notPutBack.empty()) return;
  try {
    result_.verdict = TProbeVerdict::Failed;
    if (!result_.problem.empty()) result_.problem += "; ";
    result_.problem += std::to_string(result_.notPutBack.size()) + " of " + std::to_string(count) +
                       " saved blocks could not be written back, the first at offset " +
                       std::to_string(result_.notPutBack.front()) + " (error " + std::to_string(firstError) +
                       "): the journal keeps what they held";
  } catch (...) {
  }
}

void ProbeDisk::Plan(std::uint64_t blocks, double seconds) {
  progress_.blocksPlanned += blocks;
  progress_.secondsPlanned += seconds;
  Report();
}

void ProbeDisk::Done() noexcept {
  ++progress_.blocksDone;
  Report();
}

void ProbeDisk::Finish() noexcept {
  if (!options_.onProgress) return;
  progress_.blocksPlanned = progress_.blocksDone;
  progress_.secondsDone = progress_.secondsPlanned = result_.modelledSeconds;
  progress_.percent = 100;
  try {
    options_.onProgress(progress_);
  } catch (...) {
  }
}

void ProbeDisk::Report() noexcept {
  if (!options_.onProgress) return;
  progress_.secondsDone = result_.modelledSeconds;
  progress_.blocksPlanned = std::max(progress_.blocksPlanned, progress_.blocksDone);
  progress_.secondsPlanned = std::max(progress_.secondsPlanned, progress_.secondsDone);
  // A round added to the plan slows the bar down, never moves it back.
  const int percent = std::max(
      lastPercent_, progress_.secondsPlanned > 0
                        ? static_cast<int>(std::min(99.0, 100 * progress_.secondsDone / progress_.secondsPlanned))
                        : 0);
  // Told at each percent and every 16 blocks, so the status line's count moves too.
  if (percent == lastPercent_ && progress_.blocksDone % 16 != 0) return;
  lastPercent_ = percent;
  progress_.percent = percent;
  try {
    options_.onProgress(progress_);
  } catch (...) {  // a progress display that fails must not keep the blocks from being put back
  }
}

}  // namespace sw::probe
