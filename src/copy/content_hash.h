// A 64-bit hash of a file's content, fed in pieces as the copy streams the
// file, so that a copy and the file it came from can be compared without
// holding either in memory: XXH3-64 of xxHash (seed 0), so a value can be
// checked with any other implementation of it. Plain logic: no system calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sw {

class TContentHash {
 public:
  TContentHash();
  // Adds `size` bytes; pieces may have any length, the result depends only
  // on the bytes in order.
  void Update(const void* data, size_t size);
  // The hash of every byte added so far (the object stays usable).
  std::uint64_t Value() const;

 private:
  // xxHash's streaming state (XXH3_state_t), held here so that this header
  // needs no xxHash; the source checks that size and alignment fit.
  static constexpr size_t kStateBytes = 576;
  alignas(64) unsigned char state_[kStateBytes];
};

// The hash of one block of bytes.
std::uint64_t ContentHashOf(const void* data, size_t size);

}  // namespace sw
