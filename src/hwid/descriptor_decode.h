// Decoding of the storage device descriptor that the storage stack returns
// for any disk: its texts (plain or hexadecimal-encoded) and the diagnostic
// dump of its fields.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace sw {

// Byte offsets in a STORAGE_DEVICE_DESCRIPTOR.
namespace descriptor_offset {
inline constexpr size_t kVersion = 0;
inline constexpr size_t kSize = 4;
inline constexpr size_t kDeviceType = 8;
inline constexpr size_t kDeviceTypeModifier = 9;
inline constexpr size_t kRemovableMedia = 10;
inline constexpr size_t kCommandQueueing = 11;
inline constexpr size_t kVendorIdOffset = 12;
inline constexpr size_t kProductIdOffset = 16;
inline constexpr size_t kProductRevisionOffset = 20;
inline constexpr size_t kSerialNumberOffset = 24;
inline constexpr size_t kBusType = 28;
inline constexpr size_t kRawPropertiesLength = 32;
}  // namespace descriptor_offset

// The text that starts at `offset` in the descriptor bytes the device
// returned: read as hexadecimal digits (two a character) when every byte is
// a digit and every decoded character printable, else as plain printable
// characters (any other byte gives the empty text). With `swap` the
// characters of each pair are exchanged, an odd last character being
// dropped. Blanks at both ends are then trimmed, unless the text is all
// blanks. An offset of 0 or less, or at or past the end of `bytes`, gives the
// empty text; a text without terminator ends at the end of `bytes`.
std::string DecodeDescriptorText(std::span<const uint8_t> bytes, int32_t offset, bool swap);

// The four texts of a descriptor: vendor, product and revision read plain,
// the serial number pair-swapped.
struct DescriptorTexts {
  std::string vendorId;
  std::string productId;
  std::string productRevision;
  std::string serialNumber;
};
DescriptorTexts DecodeDescriptorTexts(std::span<const uint8_t> bytes);

// The diagnostic dump of the descriptor's fields for drive `driveNumber`.
std::string DescriptorDump(std::span<const uint8_t> bytes, int32_t driveNumber);

}  // namespace sw
