// The shared text rules the parsers stand on.
#include <gtest/gtest.h>

#include <string>

#include "platform/text_rules.h"

namespace sw {
namespace {

TEST(ReplaceAll, EveryOccurrenceOnceAndNeverInsideWhatWasPutIn) {
  struct Case {
    const char* text;
    const char* from;
    const char* to;
    const char* result;
  };
  const Case cases[] = {
      {"C:\\a\\b", "\\", "\\\\", "C:\\\\a\\\\b"},
      {"aaa", "a", "aa", "aaaaaa"},
      {"abab", "ab", "", ""},
      {"xyz", "", "-", "xyz"},
      {"1.5", ".", ",", "1,5"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceAll(c.text, c.from, c.to), c.result) << c.text;
}

TEST(ReplaceAll, EightMebibytesOfReplacementsAreOnePass) {
  // Replacing in place moved the tail once per occurrence: about a quarter
  // of an hour for this text, far past the suite's time limit.
  const std::string text(size_t{1} << 23, '.');
  EXPECT_TRUE(ReplaceAll(text, ".", ",,") == std::string(size_t{2} << 23, ','));  // no 16 MiB failure print
}

}  // namespace
}  // namespace sw
