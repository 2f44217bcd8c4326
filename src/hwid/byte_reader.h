// Little-endian fields read from a device's answer, strictly within the
// bytes it returned: a field that runs past the end reads its missing bytes
// as zero, as in a buffer that was zero-filled before the request.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "hwid/hwid_types.h"

namespace sw::hwid {

inline uint64_t ReadLittleEndian(std::span<const uint8_t> bytes, size_t offset, size_t width) {
  // Compared without adding to `offset`, which could wrap past the top of
  // size_t and land back inside the buffer.
  if (offset >= bytes.size()) return 0;
  const size_t available = std::min({width, bytes.size() - offset, size_t{8}});
  uint64_t value = 0;
  for (size_t i = 0; i < available; ++i) value |= static_cast<uint64_t>(bytes[offset + i]) << (8 * i);
  return value;
}

// True when an answer of `returned` bytes holds a whole structure of `size`
// bytes at `offset`. A shorter answer is a failed request: decoding it
// would read the missing bytes as zeros (media type 0, a blank drive).
inline bool AnswerCovers(uint32_t returned, size_t offset, size_t size) {
  return returned >= offset && returned - offset >= size;
}

inline uint8_t ReadU8(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint8_t>(ReadLittleEndian(bytes, offset, 1));
}
inline uint16_t ReadU16(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>(ReadLittleEndian(bytes, offset, 2));
}
inline uint32_t ReadU32(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint32_t>(ReadLittleEndian(bytes, offset, 4));
}
inline int64_t ReadI64(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<int64_t>(ReadLittleEndian(bytes, offset, 8));
}

// The 256 IDENTIFY words that start at `offset` (512 bytes).
inline IdentifyWords ReadIdentifyWords(std::span<const uint8_t> bytes, size_t offset) {
  IdentifyWords words{};
  for (size_t i = 0; i < words.size(); ++i) words[i] = ReadU16(bytes, offset + 2 * i);
  return words;
}

}  // namespace sw::hwid
