// The shared text rules against plain reference readings: Trim, the ASCII
// casing, SplitLines and ReplaceAll.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/text_rules.h"

namespace {

std::string NaiveReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, from.size(), from) == 0) {
      out += to;
      i += from.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

// Every break (CR LF, CR, LF) becomes LF; the pieces between them are the
// lines, less an empty last piece.
std::vector<std::string> NaiveSplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string from = input.ConsumeRandomLengthString(8);
  const std::string to = input.ConsumeRandomLengthString(8);
  const std::string text = input.ConsumeRemainingBytesAsString();

  FUZZ_CHECK(sw::ReplaceAll(text, from, to) == NaiveReplaceAll(text, from, to));
  FUZZ_CHECK(sw::SplitLines(text) == NaiveSplitLines(text));

  const std::string trimmed = sw::Trim(text);
  FUZZ_CHECK(text.find(trimmed) != std::string::npos);
  FUZZ_CHECK(trimmed.empty() || (!IsBlankOrControl(trimmed.front()) && !IsBlankOrControl(trimmed.back())));
  FUZZ_CHECK(sw::Trim(trimmed) == trimmed);

  const std::string upper = sw::AsciiUpper(text), lower = sw::AsciiLower(text);
  FUZZ_CHECK(upper.size() == text.size() && lower.size() == text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter) FUZZ_CHECK(upper[i] == c && lower[i] == c);
    else FUZZ_CHECK(upper[i] >= 'A' && upper[i] <= 'Z' && lower[i] == upper[i] + 32);
  }
  return 0;
}
