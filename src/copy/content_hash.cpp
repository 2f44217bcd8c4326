// XXH3-64 from xxHash, compiled in here (header-only): its streaming state
// takes the pieces as the copy reads them.
#include "copy/content_hash.h"

#include <new>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace sw {
namespace {

static_assert(sizeof(XXH3_state_t) <= sizeof(TContentHash) && alignof(XXH3_state_t) <= alignof(TContentHash),
              "TContentHash's storage must hold xxHash's XXH3_state_t");

}  // namespace

TContentHash::TContentHash() {
  // The state is plain data (XXH3_copyState is a memcpy), so the object may
  // be copied like any value.
  XXH3_64bits_reset(::new (state_) XXH3_state_t);
}

void TContentHash::Update(const void* data, size_t size) {
  if (size == 0) return;
  XXH3_64bits_update(std::launder(reinterpret_cast<XXH3_state_t*>(state_)), data, size);
}

std::uint64_t TContentHash::Value() const {
  return XXH3_64bits_digest(std::launder(reinterpret_cast<const XXH3_state_t*>(state_)));
}

std::uint64_t ContentHashOf(const void* data, size_t size) { return XXH3_64bits(data, size); }

}  // namespace sw
