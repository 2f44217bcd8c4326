// The storage descriptor as a device might answer it: any bytes, any
// offsets. The texts must stay within the answer and hold only printable
// characters; the dump must format every field.
#include <cstdint>
#include <cstring>
#include <span>

#include "fuzz_check.h"
#include "hwid/descriptor_decode.h"

namespace {

void CheckPrintable(const std::string& text) {
  for (char c : text) FUZZ_CHECK(c >= 0x20 && c <= 0x7E);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const sw::DescriptorTexts texts = sw::DecodeDescriptorTexts(bytes);
  for (const std::string* text : {&texts.vendorId, &texts.productId, &texts.productRevision, &texts.serialNumber}) {
    CheckPrintable(*text);
    FUZZ_CHECK(text->size() <= size);
  }
  FUZZ_CHECK(!sw::DescriptorDump(bytes, 3).empty());

  // Any offset, the top and bottom of the 32-bit range included.
  if (size >= 5) {
    int32_t offset = 0;
    std::memcpy(&offset, data, sizeof offset);
    const std::string text = sw::DecodeDescriptorText(bytes, offset, (data[4] & 1) != 0);
    CheckPrintable(text);
    if (offset <= 0 || static_cast<size_t>(offset) >= size) FUZZ_CHECK(text.empty());
  }
  return 0;
}
