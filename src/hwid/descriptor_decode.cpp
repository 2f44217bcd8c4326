#include "hwid/descriptor_decode.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "hwid/byte_reader.h"
#include "hwid/char_class.h"
#include "hwid/format_text.h"

namespace sw {
namespace {

using hwid::IsBlank;
using hwid::IsPrintable;

// The raw bytes of the text at `start`: up to the first zero byte, or to the
// end of the returned data when the text has no terminator.
std::span<const uint8_t> RawText(std::span<const uint8_t> bytes, size_t start) {
  auto text = bytes.subspan(start);
  auto zero = std::find(text.begin(), text.end(), uint8_t{0});
  return text.first(static_cast<size_t>(zero - text.begin()));
}

std::optional<int> HexDigitValue(uint8_t c) {
  c = hwid::ToLowerAscii(c);
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;  // blanks included: they read as the non-digit 0
}

// Two digits a character; fails on a non-digit or on a decoded character
// that is neither zero nor printable. A lone last digit is dropped; decoded
// zero bytes are kept here and end the text later.
std::optional<std::string> ReadHexadecimal(std::span<const uint8_t> raw) {
  std::string decoded;
  for (size_t i = 0; i < raw.size(); i += 2) {
    auto high = HexDigitValue(raw[i]);
    if (!high) return std::nullopt;
    if (i + 1 == raw.size()) break;
    auto low = HexDigitValue(raw[i + 1]);
    if (!low) return std::nullopt;
    auto c = static_cast<uint8_t>((*high << 4) | *low);
    if (c != 0 && !IsPrintable(c)) return std::nullopt;
    decoded.push_back(static_cast<char>(c));
  }
  return decoded;
}

std::string ReadPlain(std::span<const uint8_t> raw) {
  if (!std::all_of(raw.begin(), raw.end(), IsPrintable)) return {};
  return std::string(raw.begin(), raw.end());
}

// Exchanges the characters of each pair; an odd last character is dropped
// (it would change places with the terminator).
void SwapPairs(std::string& text) {
  if (text.size() % 2 != 0) text.pop_back();
  for (size_t i = 0; i + 1 < text.size(); i += 2) std::swap(text[i], text[i + 1]);
}

void TrimUnlessAllBlank(std::string& text) {
  auto isBlank = [](char c) { return IsBlank(static_cast<uint8_t>(c)); };
  auto first = std::find_if_not(text.begin(), text.end(), isBlank);
  if (first == text.end()) return;
  auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
  text = std::string(first, last);
}

}  // namespace

std::string DecodeDescriptorText(std::span<const uint8_t> bytes, int32_t offset, bool swap) {
  if (offset <= 0 || static_cast<size_t>(offset) >= bytes.size()) return {};
  const auto raw = RawText(bytes, static_cast<size_t>(offset));
  std::string text;
  if (auto decoded = ReadHexadecimal(raw))
    text = std::move(*decoded);
  else
    text = ReadPlain(raw);
  if (swap) SwapPairs(text);
  if (size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  TrimUnlessAllBlank(text);
  return text;
}

DescriptorTexts DecodeDescriptorTexts(std::span<const uint8_t> bytes) {
  using namespace descriptor_offset;
  auto offsetAt = [bytes](size_t field) { return static_cast<int32_t>(hwid::ReadU32(bytes, field)); };
  return {DecodeDescriptorText(bytes, offsetAt(kVendorIdOffset), false),
          DecodeDescriptorText(bytes, offsetAt(kProductIdOffset), false),
          DecodeDescriptorText(bytes, offsetAt(kProductRevisionOffset), false),
          DecodeDescriptorText(bytes, offsetAt(kSerialNumberOffset), true)};
}

std::string DescriptorDump(std::span<const uint8_t> bytes, int32_t driveNumber) {
  using namespace descriptor_offset;
  using hwid::ReadU32;
  using hwid::ReadU8;
  return hwid::FormatText(
      "\r\n%d STORAGE_DEVICE_DESCRIPTOR contents for drive %d\r\n"
      "                Version: %s\r\n"
      "                   Size: %d\r\n"
      "             DeviceType: %2X\r\n"
      "     DeviceTypeModifier: %2X\r\n"
      "         RemovableMedia: %d\r\n"
      "        CommandQueueing: %d\r\n"
      "         VendorIdOffset: %X\r\n"
      "        ProductIdOffset: %X\r\n"
      "  ProductRevisionOffset: %X\r\n"
      "     SerialNumberOffset: %X\r\n"
      "                BusType: %d\r\n"
      "    RawPropertiesLength: %s\r\n",
      0, driveNumber, std::to_string(ReadU32(bytes, kVersion)).c_str(),
      static_cast<int32_t>(ReadU32(bytes, kSize)), ReadU8(bytes, kDeviceType), ReadU8(bytes, kDeviceTypeModifier),
      ReadU8(bytes, kRemovableMedia), ReadU8(bytes, kCommandQueueing), ReadU32(bytes, kVendorIdOffset),
      ReadU32(bytes, kProductIdOffset), ReadU32(bytes, kProductRevisionOffset), ReadU32(bytes, kSerialNumberOffset),
      ReadU8(bytes, kBusType), std::to_string(ReadU32(bytes, kRawPropertiesLength)).c_str());
}

}  // namespace sw
