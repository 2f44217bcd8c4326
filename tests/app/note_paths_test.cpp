// Which entries of a backup's note lie inside its folder: every form a
// path can take to reach elsewhere fails, and names Windows keeps as they
// are (a dot inside, a trailing dot or blank, dots and blanks around a
// name) pass.
#include <gtest/gtest.h>

#include <string>

#include "app/note_paths.h"

namespace sw {
namespace {

struct TEntryCase {
  std::string entry;
  bool inside;
};

class NoteEntryTest : public testing::TestWithParam<TEntryCase> {};

TEST_P(NoteEntryTest, LiesInsideItsFolderOnlyWhenEveryStepIsAName) {
  EXPECT_EQ(NoteEntryStaysInside(GetParam().entry), GetParam().inside) << GetParam().entry;
}

INSTANTIATE_TEST_SUITE_P(
    Inside, NoteEntryTest,
    testing::Values(TEntryCase{"a.txt", true}, TEntryCase{"docs\\b.txt", true}, TEntryCase{"..a", true},
                    TEntryCase{"a..", true}, TEntryCase{"name. ", true}, TEntryCase{".hidden\\x", true},
                    TEntryCase{"d\\...b", true}, TEntryCase{"long name with blanks.txt", true},
                    TEntryCase{"\xC3\xA4rger\\\xF0\x9F\x98\x80.txt", true}));

INSTANTIATE_TEST_SUITE_P(
    Outside, NoteEntryTest,
    testing::Values(
        // Empty, or empty steps.
        TEntryCase{"", false}, TEntryCase{"a\\\\b", false}, TEntryCase{"a\\", false}, TEntryCase{"a/", false},
        // Climbing out, with either separator and as Windows trims it.
        TEntryCase{"..\\..\\victim.txt", false}, TEntryCase{"../victim.txt", false},
        TEntryCase{"docs\\..\\..\\victim.txt", false}, TEntryCase{"docs/../../victim.txt", false},
        TEntryCase{"..", false}, TEntryCase{".", false}, TEntryCase{".\\a", false}, TEntryCase{"a\\.\\b", false},
        TEntryCase{".. \\victim.txt", false}, TEntryCase{"... \\victim.txt", false}, TEntryCase{". .\\x", false},
        TEntryCase{"docs\\ \\x", false}, TEntryCase{"a\\..", false},
        // Absolute, drive, UNC and \\?\ forms.
        TEntryCase{"\\victim.txt", false}, TEntryCase{"/victim.txt", false}, TEntryCase{"C:\\victim.txt", false},
        TEntryCase{"C:victim.txt", false}, TEntryCase{"\\\\server\\share\\x", false},
        TEntryCase{"\\\\?\\C:\\victim.txt", false}, TEntryCase{"//?/C:/victim.txt", false},
        TEntryCase{"\\\\.\\PhysicalDrive0", false}, TEntryCase{"a.txt:stream", false},
        // Characters no name holds.
        TEntryCase{"a*.txt", false}, TEntryCase{"a?", false}, TEntryCase{std::string("a\0b", 3), false},
        TEntryCase{"a\tb", false}, TEntryCase{"a|b", false}));

}  // namespace
}  // namespace sw
