// IDENTIFY data of any content, text fields of any position and length, and
// the report of any drive number: the capacity is a whole number of sectors
// or unknown, never negative; texts never run past the 256 words.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>

#include "fuzz_check.h"
#include "hwid/identify_decode.h"
#include "hwid/recorded_identity.h"

namespace {

class SilentSink : public sw::IDriveIdSink {
 public:
  void LogText(const std::string& text) override { logged += text.size(); }
  void OfferDrive(const sw::OfferedDrive&) override { FUZZ_CHECK(false); }  // decoding never offers
  size_t logged = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const size_t first = input.ConsumeIntegral<size_t>();
  const size_t count = input.ConsumeIntegral<size_t>();
  const int32_t driveNumber = input.ConsumeIntegral<int32_t>();
  sw::IdentifyWords words{};
  for (uint16_t& word : words) word = input.ConsumeIntegral<uint16_t>();

  const std::string text = sw::IdentifyWordsToText(words, first, count);
  const size_t available = first < words.size() ? std::min(count, words.size() - first) : 0;
  FUZZ_CHECK(text.size() <= 2 * available);

  const std::optional<uint64_t> capacity = sw::IdentifyCapacity(words);
  if (capacity) FUZZ_CHECK(*capacity % 512 == 0);

  sw::RecordedDriveIdentity() = {};
  SilentSink sink;
  sw::tresults_dv record;
  sw::ReportIdentifyData(driveNumber, words, record, sink);
  FUZZ_CHECK(record.size == capacity.value_or(0));
  FUZZ_CHECK(record.controller == driveNumber / 2 && record.drive == driveNumber % 2);
  FUZZ_CHECK(record.serial.size() <= 20 && record.model.size() <= 40 && record.revision.size() <= 8);
  FUZZ_CHECK(sink.logged > 0);
  return 0;
}
