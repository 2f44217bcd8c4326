#include "testbed/sim_block_device.h"

#include <algorithm>
#include <cstring>

namespace sw {
namespace {

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9;
  x = (x ^ (x >> 27)) * 0x94d049bb133111eb;
  return x ^ (x >> 31);
}

}  // namespace

bool TSimBlockDevice::SectorStore::Get(std::uint64_t sector, std::byte* out) const {
  const auto found = slots_.find(sector);
  if (found == slots_.end()) return false;
  std::memcpy(out, slab_.data() + std::size_t{found->second} * sectorSize_, sectorSize_);
  return true;
}

void TSimBlockDevice::SectorStore::Put(std::uint64_t sector, const std::byte* data) {
  auto [found, added] = slots_.try_emplace(sector, 0);
  if (added) {
    if (!free_.empty()) {
      found->second = free_.back();
      free_.pop_back();
    } else {
      found->second = static_cast<std::uint32_t>(slab_.size() / sectorSize_);
      slab_.resize(slab_.size() + sectorSize_);
    }
  }
  std::memcpy(slab_.data() + std::size_t{found->second} * sectorSize_, data, sectorSize_);
}

void TSimBlockDevice::SectorStore::Erase(std::uint64_t sector) {
  const auto found = slots_.find(sector);
  if (found == slots_.end()) return;
  free_.push_back(found->second);
  slots_.erase(found);
  if (slots_.empty()) slab_.clear(), slab_.shrink_to_fit(), free_.clear();
}

std::vector<std::uint64_t> TSimBlockDevice::SectorStore::Keys() const {
  std::vector<std::uint64_t> keys;
  for (const auto& slot : slots_) keys.push_back(slot.first);
  std::sort(keys.begin(), keys.end());
  return keys;
}

TSimBlockDevice::TSimBlockDevice(const TSimStickDescription& description)
    : description_(description),
      sectorSize_(std::max<std::uint32_t>(8, description.sectorSize / 8 * 8)),
      sectors_(description.claimedBytes / sectorSize_),
      realSectors_(description.kind == TSimStickKind::Genuine
                       ? sectors_
                       : std::clamp<std::uint64_t>(description.realBytes / sectorSize_, 1, std::max<std::uint64_t>(sectors_, 1))),
      cacheSectors_(std::uint64_t{description.cacheMiB} * 1024 * 1024 / sectorSize_),
      flash_(sectorSize_),
      cacheCopies_(sectorSize_),
      scratch_(sectorSize_) {}

bool TSimBlockDevice::Physical(std::uint64_t sector, std::uint64_t& physical) const {
  physical = description_.kind == TSimStickKind::Wrap ? sector % realSectors_ : sector;
  return sector < realSectors_ || description_.kind == TSimStickKind::Wrap;
}

void TSimBlockDevice::Original(std::uint64_t sector, std::byte* out) const {
  const std::uint64_t words = sectorSize_ / 8;
  for (std::uint64_t i = 0; i < words; ++i) {
    const std::uint64_t word = Mix(description_.contentSeed ^ (sector * words + i));
    std::memcpy(out + i * 8, &word, 8);
  }
}

void TSimBlockDevice::FlashRead(std::uint64_t physical, std::byte* out) const {
  if (!flash_.Get(physical, out)) Original(physical, out);
}

void TSimBlockDevice::SettledRead(std::uint64_t sector, std::byte* out) const {
  std::uint64_t physical;
  if (Physical(sector, physical))
    FlashRead(physical, out);
  else if (description_.limboReadsStale)
    Original(sector, out);
  else
    std::memset(out, 0, sectorSize_);
}

void TSimBlockDevice::ReadSector(std::uint64_t sector, std::byte* out) const {
  const auto cached = cache_.find(sector);
  if (cached != cache_.end() && cached->second.ownCopy)
    cacheCopies_.Get(sector, out);
  else
    SettledRead(sector, out);  // uncached, or the flash still holds what was written there
}

void TSimBlockDevice::WriteSector(std::uint64_t sector, const std::byte* data) {
  std::uint64_t physical;
  const bool stored = Physical(sector, physical);
  if (stored) {
    if (cacheSectors_ > 0 && description_.kind == TSimStickKind::Wrap) KeepAliasesAnswering(physical, sector);
    Original(physical, scratch_.data());
    if (std::memcmp(scratch_.data(), data, sectorSize_) == 0)
      flash_.Erase(physical);
    else
      flash_.Put(physical, data);
  }
  if (cacheSectors_ > 0) Cache(sector, stored ? nullptr : data);
}

// The cache knows sectors by the offset they were written to: when a write
// lands on the flash behind another cached offset, that entry keeps
// answering with what it was given, whatever the flash holds now.
void TSimBlockDevice::KeepAliasesAnswering(std::uint64_t physical, std::uint64_t writer) {
  auto keep = [&](std::uint64_t alias) {
    const auto cached = cache_.find(alias);
    if (alias == writer || cached == cache_.end() || cached->second.ownCopy) return;
    FlashRead(physical, scratch_.data());
    cacheCopies_.Put(alias, scratch_.data());
    cached->second.ownCopy = true;
  };
  keep(physical);
  if (const auto found = wrapAliases_.find(physical); found != wrapAliases_.end())
    for (std::uint64_t alias : found->second) keep(alias);
}

void TSimBlockDevice::Cache(std::uint64_t sector, const std::byte* lostData) {
  auto [entry, added] = cache_.try_emplace(sector);
  if (added) {
    entry->second.age = cacheAge_.insert(cacheAge_.end(), sector);
    if (description_.kind == TSimStickKind::Wrap && sector >= realSectors_)
      wrapAliases_[sector % realSectors_].push_back(sector);
  } else {
    cacheAge_.splice(cacheAge_.end(), cacheAge_, entry->second.age);
  }
  entry->second.ownCopy = lostData != nullptr;
  if (lostData)
    cacheCopies_.Put(sector, lostData);
  else
    cacheCopies_.Erase(sector);
  while (cache_.size() > cacheSectors_) Evict(cacheAge_.front());
}

void TSimBlockDevice::Evict(std::uint64_t sector) {
  const auto entry = cache_.find(sector);
  cacheAge_.erase(entry->second.age);
  cache_.erase(entry);
  cacheCopies_.Erase(sector);
  if (description_.kind == TSimStickKind::Wrap && sector >= realSectors_) {
    const auto aliases = wrapAliases_.find(sector % realSectors_);
    std::erase(aliases->second, sector);
    if (aliases->second.empty()) wrapAliases_.erase(aliases);
  }
}

bool TSimBlockDevice::Refused(std::uint64_t offset, std::uint32_t size, std::uint32_t& error) {
  ++calls_;
  if (description_.goneAfterCalls != 0 && calls_ > description_.goneAfterCalls) {
    error = kSimErrorGone;
    return true;
  }
  if (offset % sectorSize_ != 0 || size % sectorSize_ != 0 || offset > Size() || size > Size() - offset) {
    error = kSimErrorBadRequest;
    return true;
  }
  return false;
}

// A refused transfer costs nothing: the stick answered at once.
void TSimBlockDevice::Charge(bool write, std::uint64_t offset, std::uint32_t size) {
  const TSimCosts& costs = description_.costs;
  std::uint64_t& lastEnd = write ? lastWriteEnd_ : lastReadEnd_;
  const bool scattered = offset != lastEnd;
  lastEnd = offset + size;
  (write ? writes_ok_ : reads_) += 1;
  if (scattered) {
    (write ? scatteredWrites_ : scatteredReads_) += 1;
    modelledSeconds_ += write ? costs.probeWriteMs / 1e3 : costs.probeReadUs / 1e6;
  }
  const double rate = write ? costs.seqWriteMBs : costs.seqReadMBs;
  if (rate > 0) modelledSeconds_ += size / (rate * 1e6);
}

bool TSimBlockDevice::Read(std::uint64_t offset, void* data, std::uint32_t size, std::uint32_t& error) {
  if (Refused(offset, size, error)) return false;
  Charge(false, offset, size);
  auto* out = static_cast<std::byte*>(data);
  for (std::uint32_t at = 0; at < size; at += sectorSize_) ReadSector((offset + at) / sectorSize_, out + at);
  bytesRead_ += size;
  return true;
}

bool TSimBlockDevice::Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) {
  if (Refused(offset, size, error)) return false;
  if (description_.writeProtected) {
    error = kSimErrorWriteProtect;
    return false;
  }
  const auto* in = static_cast<const std::byte*>(data);
  if (++writes_ == description_.failWriteNumber) {
    if (size > 0) WriteSector(offset / sectorSize_, in);
    error = kSimErrorIo;
    return false;
  }
  Charge(true, offset, size);
  for (std::uint32_t at = 0; at < size; at += sectorSize_) WriteSector((offset + at) / sectorSize_, in + at);
  bytesWritten_ += size;
  return true;
}

void TSimBlockDevice::ReadSettled(std::uint64_t offset, void* data, std::uint32_t size) const {
  auto* out = static_cast<std::byte*>(data);
  for (std::uint32_t at = 0; at < size; at += sectorSize_) SettledRead((offset + at) / sectorSize_, out + at);
}

std::vector<std::uint64_t> TSimBlockDevice::ChangedOffsets() const {
  std::vector<std::uint64_t> offsets = flash_.Keys();
  for (std::uint64_t& offset : offsets) offset *= sectorSize_;
  return offsets;
}

}  // namespace sw
