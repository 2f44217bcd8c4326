// Four multiply-rotate lanes over 32-byte stripes, folded together with the
// length and the tail at the end: fast enough to run at the speed of the
// copy, and every byte moves the result.
#include "copy/content_hash.h"

#include <cstring>

namespace sw {
namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ull;

std::uint64_t Rotate(std::uint64_t value, int bits) { return (value << bits) | (value >> (64 - bits)); }

std::uint64_t Read64(const unsigned char* bytes) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];  // little-endian on every host
  return value;
}

std::uint32_t Read32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint64_t Round(std::uint64_t lane, std::uint64_t input) {
  lane += input * kPrime2;
  return Rotate(lane, 31) * kPrime1;
}

std::uint64_t Merge(std::uint64_t accumulator, std::uint64_t lane) {
  accumulator ^= Round(0, lane);
  return accumulator * kPrime1 + kPrime4;
}

}  // namespace

TContentHash::TContentHash()
    : lanes_{kPrime1 + kPrime2, kPrime2, 0, 0ull - kPrime1} {}

void TContentHash::Stripe(const unsigned char* stripe) {
  for (int lane = 0; lane < 4; ++lane) lanes_[lane] = Round(lanes_[lane], Read64(stripe + 8 * lane));
}

void TContentHash::Update(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  total_ += size;
  if (pendingSize_ > 0) {
    const size_t take = size < 32 - pendingSize_ ? size : 32 - pendingSize_;
    std::memcpy(pending_ + pendingSize_, bytes, take);
    pendingSize_ += take;
    bytes += take;
    size -= take;
    if (pendingSize_ < 32) return;
    Stripe(pending_);
    pendingSize_ = 0;
  }
  while (size >= 32) {
    Stripe(bytes);
    bytes += 32;
    size -= 32;
  }
  if (size > 0) {
    std::memcpy(pending_, bytes, size);
    pendingSize_ = size;
  }
}

std::uint64_t TContentHash::Value() const {
  std::uint64_t hash = 0;
  if (total_ >= 32) {
    hash = Rotate(lanes_[0], 1) + Rotate(lanes_[1], 7) + Rotate(lanes_[2], 12) + Rotate(lanes_[3], 18);
    for (std::uint64_t lane : lanes_) hash = Merge(hash, lane);
  } else {
    hash = lanes_[2] + kPrime5;
  }
  hash += total_;
  const unsigned char* tail = pending_;
  size_t left = pendingSize_;
  while (left >= 8) {
    hash ^= Round(0, Read64(tail));
    hash = Rotate(hash, 27) * kPrime1 + kPrime4;
    tail += 8;
    left -= 8;
  }
  if (left >= 4) {
    hash ^= static_cast<std::uint64_t>(Read32(tail)) * kPrime1;
    hash = Rotate(hash, 23) * kPrime2 + kPrime3;
    tail += 4;
    left -= 4;
  }
  while (left > 0) {
    hash ^= *tail * kPrime5;
    hash = Rotate(hash, 11) * kPrime1;
    ++tail;
    --left;
  }
  hash ^= hash >> 33;
  hash *= kPrime2;
  hash ^= hash >> 29;
  hash *= kPrime3;
  hash ^= hash >> 32;
  return hash;
}

std::uint64_t ContentHashOf(const void* data, size_t size) {
  TContentHash hash;
  hash.Update(data, size);
  return hash.Value();
}

}  // namespace sw
