// Little-endian fields read from a device's answer, strictly within the
// bytes it returned: a field that runs past the end reads its missing bytes
// as zero, as in a buffer that was zero-filled before the request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "hwid/hwid_types.h"

namespace sw::hwid {

inline uint64_t ReadLittleEndian(std::span<const uint8_t> bytes, size_t offset, size_t width) {
  uint64_t value = 0;
  for (size_t i = 0; i < width; ++i) {
    if (offset + i >= bytes.size()) break;
    value |= static_cast<uint64_t>(bytes[offset + i]) << (8 * i);
  }
  return value;
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
