// Any text as the companion tool's output, with volumes lying on disks the
// input chooses: every map entry is a drive number 1 to 99, alone or with
// one letter D to Z; a listing without a header leaves the map alone.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "devices/tool_output.h"
#include "fuzz_check.h"

namespace {

bool IsEntry(const std::string& entry) {
  const size_t bar = entry.find('|');
  const std::string number = entry.substr(0, bar);
  if (number.empty() || number.size() > 2 || number[0] == '0') return false;
  for (char c : number)
    if (c < '0' || c > '9') return false;
  if (bar == std::string::npos) return true;
  return entry.size() == bar + 2 && entry[bar + 1] >= 'D' && entry[bar + 1] <= 'Z';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  uint8_t disks[26];
  for (uint8_t& disk : disks) disk = input.ConsumeIntegralInRange<uint8_t>(0, 20);
  const std::string text = input.ConsumeRemainingBytesAsString();

  const std::vector<std::string> before{"sentinel"};
  std::vector<std::string> map = before;
  sw::ParseToolOutput(text, map, [&disks](char letter) {
    FUZZ_CHECK(letter >= 'D' && letter <= 'Z');
    return static_cast<int>(disks[letter - 'A']);
  });
  if (map == before) return 0;
  FUZZ_CHECK(text.find("Partition Type") != std::string::npos);
  for (const std::string& entry : map) FUZZ_CHECK(IsEntry(entry));
  return 0;
}
