// The check of attributes and modified times after a copy back: one file
// and one folder each way the look can differ, and the times the rule
// takes as the same.
#include "copy/look_check.h"

#include <gtest/gtest.h>

#include "platform/handles.h"
#include "platform/text.h"
#include "temp_tree.h"

namespace sw::testing {
namespace {

constexpr unsigned long long kSecond = 10000000ull;

// A folder opens for its times only with backup semantics.
void SetFolderTime(const std::string& path, const FILETIME& time) {
  UniqueHandle folder(CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(folder.Valid()) << path;
  EXPECT_TRUE(SetFileTime(folder.Get(), nullptr, nullptr, &time));
}

void SetAttributes(const std::string& path, DWORD attributes) { SetFileAttributesW(Widen(path).c_str(), attributes); }

TEST(LookCheckTest, ModifiedTimesWithinTheFatRoundingOrAnHourApartAreTheSame) {
  const unsigned long long t = 1000000 * kSecond;
  const struct {
    unsigned long long other;
    bool same;
  } cases[] = {{t, true},
               {t + 2 * kSecond, true},
               {t + 3 * kSecond, false},
               {t + 3600 * kSecond + kSecond, true},
               {t - 3600 * kSecond, true},
               {t + 7200 * kSecond, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(SameModifiedTime(t, c.other), c.same) << (static_cast<long long>(c.other - t) / 10000000);
    EXPECT_EQ(SameModifiedTime(c.other, t), c.same);
  }
}

TEST(LookCheckTest, AFileOrFolderWithOtherAttributesOrTimesOrMissingIsNamed) {
  enum class Change { None, Hidden, ReadOnly, Time, Missing };
  for (const Change change : {Change::None, Change::Hidden, Change::ReadOnly, Change::Time, Change::Missing}) {
    TempTree source, target;
    for (const TempTree* tree : {&source, &target}) {
      if (tree == &target && change == Change::Missing) continue;
      tree->Write("docs\\a.txt", "hello");
      SetWriteTime(tree->Path("docs\\a.txt"), DayTime(3));
      SetFolderTime(tree->Path("docs"), DayTime(4));
    }
    const std::string file = target.Path("docs\\a.txt");
    if (change == Change::Hidden) SetAttributes(file, FILE_ATTRIBUTE_HIDDEN);
    if (change == Change::ReadOnly) SetAttributes(file, FILE_ATTRIBUTE_READONLY);
    if (change == Change::Time) SetFolderTime(target.Path("docs"), DayTime(5));
    const std::vector<std::string> differing =
        LooksDiffering(source.Root(), target.Root(), {"docs\\a.txt"}, {"docs\\"});
    switch (change) {
      case Change::None: EXPECT_TRUE(differing.empty()); break;
      case Change::Hidden:
      case Change::ReadOnly: EXPECT_EQ(differing, std::vector<std::string>{file}); break;
      case Change::Time: EXPECT_EQ(differing, std::vector<std::string>{target.Path("docs")}); break;
      case Change::Missing: EXPECT_EQ(differing, (std::vector<std::string>{file, target.Path("docs")})); break;
    }
    if (Exists(file)) SetAttributes(file, FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
}  // namespace sw::testing
