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

TEST(ReplaceAll, AMebibyteOfReplacementsIsOnePass) {
  // Replacing in place moved the tail once per occurrence: this ran for
  // minutes and ran into the suite's time limit.
  const std::string text(1 << 20, '.');
  const std::string replaced = ReplaceAll(text, ".", ",,");
  EXPECT_EQ(replaced, std::string(2 << 20, ','));
}

}  // namespace
}  // namespace sw
