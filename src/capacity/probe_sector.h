// A self-describing probe sector: magic, the run's tag, its own offset,
// filler drawn from all three and a checksum. A sector that reads back as
// another offset's probe of this run shows where that write landed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace sw::probe {

constexpr std::uint64_t kProbeMagic = 0x31424f5250575357;  // "WSWPROB1"

inline std::uint64_t Mix(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9;
  x = (x ^ (x >> 27)) * 0x94d049bb133111eb;
  return x ^ (x >> 31);
}

inline std::uint64_t Filler(std::uint64_t tag, std::uint64_t offset, std::uint32_t i) {
  return Mix(tag ^ Mix(offset + i));
}

// Writes the probe sector of `offset` (size a multiple of 8, at least 32).
inline void FillSector(std::uint64_t tag, std::uint64_t offset, std::uint32_t size, std::byte* out) {
  const std::uint32_t words = size / 8;
  std::uint64_t sum = 0;
  for (std::uint32_t i = 0; i < words; ++i) {
    std::uint64_t word = i == 0 ? kProbeMagic : i == 1 ? tag : i == 2 ? offset : Filler(tag, offset, i);
    if (i + 1 == words) word = sum;
    sum = Mix(sum ^ word);
    std::memcpy(out + std::size_t{i} * 8, &word, 8);
  }
}

// The offset a sector of this run names, when it is one whole and intact.
inline std::optional<std::uint64_t> SectorOffset(std::uint64_t tag, const std::byte* in, std::uint32_t size) {
  const std::uint32_t words = size / 8;
  std::uint64_t head[3];
  std::memcpy(head, in, sizeof head);
  if (head[0] != kProbeMagic || head[1] != tag) return std::nullopt;
  std::uint64_t sum = 0;
  for (std::uint32_t i = 0; i < words; ++i) {
    std::uint64_t word;
    std::memcpy(&word, in + std::size_t{i} * 8, 8);
    const std::uint64_t expected = i + 1 == words ? sum : i < 3 ? head[i] : Filler(tag, head[2], i);
    if (word != expected) return std::nullopt;
    sum = Mix(sum ^ word);
  }
  return head[2];
}

}  // namespace sw::probe
