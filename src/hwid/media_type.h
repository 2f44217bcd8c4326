// The one rule for which physical drives count as removable, shared by the
// identification probes and the companion tool: any geometry media type
// other than fixed media. Sticks report removable media (11), but card
// readers and some sticks report unknown (0).
#pragma once

#include <cstdint>

namespace sw {

inline constexpr uint32_t kFixedMediaType = 12;  // FixedMedia of MEDIA_TYPE

constexpr bool IsRemovableMediaType(uint32_t mediaType) { return mediaType != kFixedMediaType; }

}  // namespace sw
