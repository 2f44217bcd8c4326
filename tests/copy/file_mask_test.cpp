#include <gtest/gtest.h>

#include "copy/file_mask.h"

namespace sw {
namespace {

bool Matches(const char* mask, const char* name, MaskDialect dialect = MaskDialect::Strict) {
  auto parsed = TFileMask::Parse(mask);
  EXPECT_TRUE(parsed.has_value()) << mask;
  return parsed && parsed->Matches(name, dialect);
}

TEST(FileMask, StarAndQuestionMark) {
  EXPECT_TRUE(Matches("*", ""));
  EXPECT_TRUE(Matches("*", "README"));
  EXPECT_TRUE(Matches("*.txt", "notes.txt"));
  EXPECT_TRUE(Matches("*.txt", ".txt"));
  EXPECT_FALSE(Matches("*.txt", "notes.txt.bak"));
  EXPECT_TRUE(Matches("a*b*c", "aXXbYYbZc"));
  EXPECT_FALSE(Matches("a*b*c", "aXXbYY"));
  EXPECT_TRUE(Matches("file?.dat", "file1.dat"));
  EXPECT_FALSE(Matches("file?.dat", "file.dat"));
  EXPECT_FALSE(Matches("file?.dat", "file12.dat"));
}

TEST(FileMask, StarDotStarNeedsADotUnlessMatchedAsThePlatformLists) {
  EXPECT_TRUE(Matches("*.*", "notes.txt"));
  EXPECT_TRUE(Matches("*.*", ".profile"));
  EXPECT_FALSE(Matches("*.*", "README"));
  EXPECT_TRUE(Matches("*.*", "README", MaskDialect::Platform));
  EXPECT_TRUE(Matches("*.", "README", MaskDialect::Platform));
  EXPECT_FALSE(Matches("*.", "notes.txt", MaskDialect::Platform));
  EXPECT_TRUE(Matches("README", "README", MaskDialect::Platform));
}

TEST(FileMask, IgnoresAsciiLetterCase) {
  EXPECT_TRUE(Matches("*.TXT", "notes.txt"));
  EXPECT_TRUE(Matches("Readme", "README"));
  EXPECT_TRUE(Matches("[a-c]*", "Banana"));
  EXPECT_TRUE(Matches("[A-C]*", "banana"));
  EXPECT_FALSE(Matches("[!a-c]*", "Banana"));
}

TEST(FileMask, SetsRangesAndNegation) {
  EXPECT_TRUE(Matches("[abc].txt", "b.txt"));
  EXPECT_FALSE(Matches("[abc].txt", "d.txt"));
  EXPECT_TRUE(Matches("v[0-9]", "v7"));
  EXPECT_FALSE(Matches("v[0-9]", "vx"));
  EXPECT_TRUE(Matches("[!0-9]*", "x1"));
  EXPECT_FALSE(Matches("[!0-9]*", "1x"));
  EXPECT_TRUE(Matches("[a-]", "-"));  // a "-" just before "]" stands for itself
  EXPECT_TRUE(Matches("[z-a]", "m"));  // a reversed range still covers its span
}

TEST(FileMask, CharactersOutsideAsciiCountAsOneCharacter) {
  EXPECT_TRUE(Matches("?.txt", "\xC3\xA9.txt"));              // é
  EXPECT_TRUE(Matches("\xD0\xA4*", "\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB"));  // Ф…
  EXPECT_FALSE(Matches("\xD0\xA4*", "\xD1\x84"));  // ф: only ASCII letters fold
  EXPECT_TRUE(Matches("[\xCE\xB1-\xCF\x89]", "\xCE\xBB"));  // λ within α-ω
}

TEST(FileMask, MalformedMasks) {
  for (const char* mask : {"[abc", "*.[", "[]", "[!]", "[-a]", "[!-a]", "x[a-z"}) {
    EXPECT_FALSE(TFileMask::Parse(mask).has_value()) << mask;
  }
  EXPECT_TRUE(TFileMask::Parse("]").has_value());
  EXPECT_TRUE(TFileMask::Parse("a-b").has_value());
}

TEST(FileMask, DecodeUtf8ReplacesBrokenBytes) {
  EXPECT_EQ(DecodeUtf8("a\xC3\xA9"), std::u32string(U"a\u00E9"));
  EXPECT_EQ(DecodeUtf8("\xC3"), std::u32string(U"\uFFFD"));
  EXPECT_EQ(DecodeUtf8("\xFF" "b"), std::u32string(U"\uFFFDb"));
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80"), std::u32string(U"\U0001F600"));
}

TEST(FileMask, OverlongFormsSurrogatesAndCodePointsPastTheLastAreBroken) {
  struct Case {
    const char* bytes;
    std::u32string decoded;
  };
  const Case cases[] = {
      {"\xC0\xAA", U"\uFFFD\uFFFD"},              // "*" in two bytes
      {"\xE0\x80\xAA", U"\uFFFD\uFFFD\uFFFD"},     // "*" in three bytes
      {"\xF0\x80\x80\xAA", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},     // the surrogate D800
      {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},  // 110000
      {"\xDF\xBF\xEF\xBF\xBF", U"\u07FF\uFFFF"},  // the largest two- and three-byte forms stay
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeUtf8(c.bytes), c.decoded) << c.bytes;
  // An overlong "*" in a name is no star for a mask.
  EXPECT_FALSE(Matches("a\xC0\xAA", "abc"));
}

}  // namespace
}  // namespace sw
