#include "capacity/capacity_probe.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <utility>

#include "platform/block_device.h"

// How the probe works.
//
// Layout: with S the probe spacing (1 MiB) and b the sector size, one
// probe sector ends every S bytes (at k*S - b), the last one ends at the
// device's end, and the whole first span [0, S) is probe sectors. Each
// probe sector that reads back intact proves that everything up to its end
// is usable, so the real size is found to within S.
//
// Wrap: a write at A past the real size R lands at A mod R. Probes are
// written from the highest down, the first span last, so every probe below
// R is written after every write that could wrap onto it and keeps its own
// data. The lowest probe at or above R, A0, lands at A0 - R, which lies in
// the first span (A0 is less than S above R) and is overwritten there
// afterwards: reading A0 then returns a block that names another offset.
//
// Write cache: a cache answers reads of recent writes whatever the flash
// holds. After the probes, more than the largest assumed cache is read and
// written back unchanged, so no probe can still be answered from a cache.
// Writing back unchanged data needs no putting back, which keeps the whole
// cost within the write budget.
//
// Putting back: every block is read before it is written and its saved
// copy logged; at the end the log is written back newest first. Undoing in
// reverse order restores every sector whatever the device did with the
// writes, wraps included, because each saved copy is what the device held
// just before that write.

namespace sw {
namespace {

constexpr std::uint32_t kMaxTransfer = 1u << 20;  // largest single read or write
constexpr std::size_t kBufferAlignment = 4096;    // unbuffered device I/O needs sector-aligned buffers
constexpr std::uint64_t kProbeMagic = 0x31424f5250575357;  // "WSWPROB1"

struct AlignedFree {
  void operator()(std::byte* data) const { ::operator delete[](data, std::align_val_t{kBufferAlignment}); }
};
using AlignedBytes = std::unique_ptr<std::byte[], AlignedFree>;

AlignedBytes AllocateAligned(std::size_t size) {
  return AlignedBytes(static_cast<std::byte*>(::operator new[](size, std::align_val_t{kBufferAlignment})));
}

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9;
  x = (x ^ (x >> 27)) * 0x94d049bb133111eb;
  return x ^ (x >> 31);
}

// Word i of the probe sector at `offset`: magic, run tag, offset, filler
// drawn from all three, and last a checksum of the words before it.
class ProbeSector {
 public:
  ProbeSector(std::uint64_t tag, std::uint64_t offset, std::uint32_t size)
      : tag_(tag), offset_(offset), words_(size / 8) {}

  void Fill(std::byte* out) const {
    std::uint64_t sum = 0;
    for (std::uint32_t i = 0; i < words_; ++i) {
      const std::uint64_t word = i + 1 == words_ ? sum : Word(i);
      sum = Mix(sum ^ word);
      std::memcpy(out + i * 8, &word, 8);
    }
  }

  bool Matches(const std::byte* in) const {
    std::uint64_t sum = 0;
    for (std::uint32_t i = 0; i < words_; ++i) {
      const std::uint64_t expected = i + 1 == words_ ? sum : Word(i);
      std::uint64_t word;
      std::memcpy(&word, in + i * 8, 8);
      if (word != expected) return false;
      sum = Mix(sum ^ word);
    }
    return true;
  }

 private:
  std::uint64_t Word(std::uint32_t i) const {
    switch (i) {
      case 0: return kProbeMagic;
      case 1: return tag_;
      case 2: return offset_;
      default: return Mix(tag_ ^ Mix(offset_ + i));
    }
  }
  std::uint64_t tag_, offset_;
  std::uint32_t words_;
};

std::string SizeText(std::uint32_t size, std::uint64_t offset) {
  return std::to_string(size) + " bytes at offset " + std::to_string(offset);
}

// Where the probes and the cache flush go for one spacing.
struct Layout {
  std::uint32_t sector = 0;
  std::uint64_t usable = 0;   // the reported size in whole sectors
  std::uint64_t spacing = 0;
  std::uint64_t firstSpan = 0;  // [0, firstSpan) is probe sectors throughout
  std::uint64_t gridCount = 0;  // single probe sectors after the first span
  std::vector<std::pair<std::uint64_t, std::uint64_t>> flush;  // offset and length of each span read and rewritten
  std::uint64_t flushBytes = 0;

  Layout(std::uint64_t claimed, std::uint32_t sectorSize, std::uint64_t spacingBytes, std::uint64_t cacheBytes)
      : sector(sectorSize), usable(claimed / sectorSize * sectorSize), spacing(spacingBytes) {
    firstSpan = std::min(spacing, usable);
    const std::uint64_t spans = usable / spacing;
    gridCount = (spans >= 2 ? spans - 1 : 0) + (usable > spacing && usable % spacing != 0 ? 1 : 0);
    // Each flush span runs up to the probe sector that ends its spacing.
    const std::uint64_t target = cacheBytes + cacheBytes / 64;
    for (std::uint64_t start = spacing; flushBytes < target && start < usable; start += spacing) {
      const std::uint64_t end = std::min(start + spacing, usable) - sector;
      if (end <= start) break;
      flush.emplace_back(start, end - start);
      flushBytes += end - start;
    }
  }

  std::uint64_t GridOffset(std::uint64_t i) const {  // i-th single probe, ascending
    const std::uint64_t end = (i + 2) * spacing;
    return (end <= usable ? end : usable) - sector;
  }
  std::uint64_t ProbeBytes() const { return firstSpan + gridCount * sector; }
  // Probes written and put back, and the flush written once.
  std::uint64_t WrittenBytes() const { return 2 * ProbeBytes() + flushBytes; }
};

// The saved copy of every block the probe wrote, in write order, in one
// aligned arena (each copy sector-aligned, ready to be written back).
class UndoLog {
 public:
  void Reserve(std::size_t entries, std::size_t bytes) {
    entries_.reserve(entries);
    arena_ = AllocateAligned(bytes);
    capacity_ = bytes;
  }
  std::byte* Add(std::uint64_t offset, std::uint32_t size) {
    if (used_ + size > capacity_) throw std::bad_alloc();
    entries_.push_back({offset, size, used_});
    used_ += size;
    return arena_.get() + entries_.back().position;
  }
  void DropLast() {
    used_ = entries_.back().position;
    entries_.pop_back();
  }
  std::size_t Count() const { return entries_.size(); }
  std::uint64_t Offset(std::size_t i) const { return entries_[i].offset; }
  std::uint32_t Size(std::size_t i) const { return entries_[i].size; }
  const std::byte* Data(std::size_t i) const { return arena_.get() + entries_[i].position; }

 private:
  struct Entry {
    std::uint64_t offset;
    std::uint32_t size;
    std::size_t position;
  };
  std::vector<Entry> entries_;
  AlignedBytes arena_;
  std::size_t capacity_ = 0, used_ = 0;
};

class ProbeRun {
 public:
  ProbeRun(IBlockDevice& device, const TProbeOptions& options, const TProbePlan& plan)
      : device_(device), options_(options), plan_(plan) {}

  TProbeResult Run() {
    Step step = Step::Fail;
    try {
      if (Prepare()) {
        step = WriteProbes();
        if (step == Step::Go) step = FlushCache();
        if (step == Step::Go) step = Verify();
      }
    } catch (const std::bad_alloc&) {
      result_.problem = "not enough memory for the probe";
    } catch (const std::exception& error) {
      result_.problem = std::string("the probe stopped: ") + error.what();
    } catch (...) {
      result_.problem = "the probe stopped on an unexpected error";
    }
    if (step == Step::Stop) result_.verdict = TProbeVerdict::Cancelled;
    if (step == Step::Fail) result_.verdict = TProbeVerdict::Failed;
    PutBack();
    Report(100);
    return std::move(result_);
  }

 private:
  enum class Step { Go, Stop, Fail };

  bool Prepare() {
    result_.claimedBytes = device_.Size();
    const std::uint32_t sector = device_.SectorSize();
    if (sector < 64 || sector % 8 != 0 || sector > kMaxTransfer || result_.claimedBytes < sector) {
      result_.problem = "the device reports a sector size of " + std::to_string(sector) + " bytes and a size of " +
                        std::to_string(result_.claimedBytes) + " bytes, which the probe cannot use";
      return false;
    }
    // Spread the probes wider until the whole run fits the write budget.
    std::uint64_t spacing = (std::max<std::uint64_t>(plan_.resolutionBytes, sector) + sector - 1) / sector * sector;
    layout_ = std::make_unique<Layout>(result_.claimedBytes, sector, spacing, plan_.largestCacheBytes);
    while (layout_->WrittenBytes() > plan_.writeBudgetBytes && spacing < layout_->usable) {
      spacing *= 2;
      layout_ = std::make_unique<Layout>(result_.claimedBytes, sector, spacing, plan_.largestCacheBytes);
    }
    if (layout_->WrittenBytes() > plan_.writeBudgetBytes) {
      result_.problem = "the probe needs " + std::to_string(layout_->WrittenBytes()) +
                        " bytes written, more than its budget of " + std::to_string(plan_.writeBudgetBytes);
      return false;
    }
    const std::uint64_t firstSpanPieces = (layout_->firstSpan + kMaxTransfer - 1) / kMaxTransfer;
    const std::size_t entries = layout_->gridCount + firstSpanPieces + 1;  // one more: a failed flush write
    log_.Reserve(entries, layout_->ProbeBytes() + kMaxTransfer);
    result_.notPutBack.reserve(entries);
    buffer_ = AllocateAligned(kMaxTransfer);
    plannedBytes_ = 4 * layout_->ProbeBytes() + 2 * layout_->flushBytes;  // save, write, verify, put back; flush
    return true;
  }

  // The first-span pieces of at most one transfer each, ascending.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> FirstSpanPieces() const {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> pieces;
    for (std::uint64_t at = 0; at < layout_->firstSpan; at += kMaxTransfer)
      pieces.emplace_back(at, static_cast<std::uint32_t>(std::min<std::uint64_t>(kMaxTransfer, layout_->firstSpan - at)));
    return pieces;
  }

  Step WriteProbes() {
    for (std::uint64_t i = layout_->gridCount; i-- > 0;)
      if (const Step step = WriteProbe(layout_->GridOffset(i), layout_->sector); step != Step::Go) return step;
    const auto pieces = FirstSpanPieces();
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece)
      if (const Step step = WriteProbe(piece->first, piece->second); step != Step::Go) return step;
    return Step::Go;
  }

  // Saves the block, logs the copy, then writes probe sectors over it. A
  // failed write stays logged: it may have changed part of the block.
  Step WriteProbe(std::uint64_t offset, std::uint32_t size) {
    if (StopRequested()) return Step::Stop;
    std::byte* saved = log_.Add(offset, size);
    if (!ReadAt(offset, saved, size, "saving")) {
      log_.DropLast();
      return Step::Fail;
    }
    for (std::uint32_t at = 0; at < size; at += layout_->sector)
      ProbeSector(options_.runTag, offset + at, layout_->sector).Fill(buffer_.get() + at);
    return WriteAt(offset, buffer_.get(), size, "writing a probe") ? Step::Go : Step::Fail;
  }

  // Reads and rewrites unchanged more than any cache holds, so that every
  // probe has left the cache before it is read back.
  Step FlushCache() {
    for (const auto& [start, length] : layout_->flush) {
      for (std::uint64_t at = start; at < start + length; at += kMaxTransfer) {
        if (StopRequested()) return Step::Stop;
        const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(kMaxTransfer, start + length - at));
        if (!ReadAt(at, buffer_.get(), size, "reading")) return Step::Fail;
        if (!WriteAt(at, buffer_.get(), size, "rewriting")) {
          std::memcpy(log_.Add(at, size), buffer_.get(), size);  // what it held, to be written again
          return Step::Fail;
        }
      }
    }
    return Step::Go;
  }

  // Reads the probes back from the lowest; the first one that does not
  // hold its own data ends the usable size.
  Step Verify() {
    std::uint64_t usableEnd = 0;
    auto check = [&](std::uint64_t offset, std::uint32_t size, Step& step) {
      step = Step::Go;
      if (StopRequested()) return (step = Step::Stop), false;
      if (!ReadAt(offset, buffer_.get(), size, "reading back")) return (step = Step::Fail), false;
      for (std::uint32_t at = 0; at < size; at += layout_->sector) {
        if (!ProbeSector(options_.runTag, offset + at, layout_->sector).Matches(buffer_.get() + at)) return false;
        usableEnd = offset + at + layout_->sector;
      }
      return true;
    };
    Step step = Step::Go;
    bool intact = true;
    for (const auto& [offset, size] : FirstSpanPieces())
      if (!(intact = check(offset, size, step))) break;
    for (std::uint64_t i = 0; intact && i < layout_->gridCount; ++i) intact = check(layout_->GridOffset(i), layout_->sector, step);
    if (step != Step::Go) return step;
    result_.verdict = intact ? TProbeVerdict::Genuine : TProbeVerdict::Counterfeit;
    result_.realBytes = intact ? result_.claimedBytes : usableEnd;
    return Step::Go;
  }

  // Writes every saved copy back, newest first; a write that fails is
  // tried once more before its block is named as not put back.
  void PutBack() {
    std::uint32_t firstError = 0;
    for (std::size_t i = log_.Count(); i-- > 0;) {
      std::uint32_t error = 0;
      if (WriteAt(log_.Offset(i), log_.Data(i), log_.Size(i), nullptr, error) ||
          WriteAt(log_.Offset(i), log_.Data(i), log_.Size(i), nullptr, error))
        continue;
      if (result_.notPutBack.empty()) firstError = error;
      result_.notPutBack.push_back(log_.Offset(i));
    }
    if (result_.notPutBack.empty()) return;
    result_.verdict = TProbeVerdict::Failed;
    if (!result_.problem.empty()) result_.problem += "; ";
    result_.problem += std::to_string(result_.notPutBack.size()) + " of " + std::to_string(log_.Count()) +
                       " saved blocks could not be written back, the first at offset " +
                       std::to_string(result_.notPutBack.front()) + " (system error " + std::to_string(firstError) +
                       "): what they held is lost";
  }

  bool ReadAt(std::uint64_t offset, std::byte* data, std::uint32_t size, const char* doing) {
    std::uint32_t error = 0;
    bool done = false;
    try {
      done = device_.Read(offset, data, size, error);
    } catch (...) {
    }
    if (!done) return Fail("reading", doing, offset, size, error);
    result_.bytesRead += size;
    Advance(size);
    return true;
  }

  bool WriteAt(std::uint64_t offset, const std::byte* data, std::uint32_t size, const char* doing) {
    std::uint32_t error = 0;
    return WriteAt(offset, data, size, doing, error) || Fail("writing", doing, offset, size, error);
  }

  // Never throws: also used while putting back, after an exception.
  bool WriteAt(std::uint64_t offset, const std::byte* data, std::uint32_t size, const char*, std::uint32_t& error) noexcept {
    bool done = false;
    try {
      done = device_.Write(offset, data, size, error);
    } catch (...) {
    }
    if (!done) return false;
    result_.bytesWritten += size;
    Advance(size);
    return true;
  }

  bool Fail(const char* transfer, const char* doing, std::uint64_t offset, std::uint32_t size, std::uint32_t error) {
    result_.problem = std::string(doing) + ": " + transfer + " " + SizeText(size, offset) + " failed (system error " +
                      std::to_string(error) + ")";
    return false;
  }

  bool StopRequested() const { return options_.stopRequested && options_.stopRequested(); }

  void Advance(std::uint64_t bytes) noexcept {
    doneBytes_ += bytes;
    if (plannedBytes_ > 0) Report(static_cast<int>(std::min<std::uint64_t>(99, doneBytes_ * 100 / plannedBytes_)));
  }

  void Report(int percent) noexcept {
    if (percent == lastPercent_ || !options_.onProgress) return;
    lastPercent_ = percent;
    try {
      options_.onProgress(percent);
    } catch (...) {  // a progress display that fails must not keep the blocks from being put back
    }
  }

  IBlockDevice& device_;
  const TProbeOptions& options_;
  const TProbePlan& plan_;
  TProbeResult result_;
  std::unique_ptr<Layout> layout_;
  UndoLog log_;
  AlignedBytes buffer_;
  std::uint64_t plannedBytes_ = 0, doneBytes_ = 0;
  int lastPercent_ = -1;
};

}  // namespace

TProbeResult ProbeCapacity(IBlockDevice& device, const TProbeOptions& options) {
  return ProbeCapacity(device, options, TProbePlan{});
}

TProbeResult ProbeCapacity(IBlockDevice& device, const TProbeOptions& options, const TProbePlan& plan) {
  return ProbeRun(device, options, plan).Run();
}

}  // namespace sw
