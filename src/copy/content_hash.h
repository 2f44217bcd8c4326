// A 64-bit hash of a file's content, fed in pieces as the copy streams the
// file, so that a copy and the file it came from can be compared without
// holding either in memory. Plain logic: no system calls.
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
  void Stripe(const unsigned char* stripe);

  std::uint64_t lanes_[4];
  unsigned char pending_[32];
  size_t pendingSize_ = 0;
  std::uint64_t total_ = 0;
};

// The hash of one block of bytes.
std::uint64_t ContentHashOf(const void* data, size_t size);

}  // namespace sw
