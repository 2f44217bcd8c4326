// What happens to files that already exist at the destination.
#include <gtest/gtest.h>

#include "copy/copy_times.h"
#include "copy_fixture.h"
#include "platform/text.h"

namespace sw::testing {
namespace {

class ReplaceTest : public CopyTest {
 protected:
  // src\<name> dated `sourceDay`, dst\<name> dated `destinationDay`.
  void Duplicate(const std::string& name, int sourceDay, int destinationDay) {
    tree.Write("src\\" + name, "new " + name);
    tree.Write("dst\\" + name, "old " + name);
    SetWriteTime(Src(name), DayTime(sourceDay));
    SetWriteTime(Dst(name), DayTime(destinationDay));
  }
  CopyOptions Mode(std::int32_t mode) {
    CopyOptions options;
    options.replaceMode = mode;
    return options;
  }
  static std::string Shown(const FILETIME& time) {
    fakes::FakeLocale locale;
    return FormatFileTime(locale, time);
  }
};

TEST_F(ReplaceTest, WhenNewerKeepsEqualAndOlderFilesUntouched) {
  Duplicate("same.txt", 3, 3);
  Duplicate("older.txt", 1, 3);
  EXPECT_TRUE(Run(Mode(ReplaceWhenNewer)));
  EXPECT_EQ(ReadAll(Dst("same.txt")), "old same.txt");
  EXPECT_EQ(ReadAll(Dst("older.txt")), "old older.txt");
  EXPECT_EQ(stats.FilesCopied, 0);
  EXPECT_EQ(stats.DuplicatesOverwritten, 0);
  EXPECT_EQ(stats.DuplicatesKept, 0);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ReplaceTest, WhenNewerReplacesALaterSource) {
  Duplicate("later.txt", 4, 3);
  EXPECT_TRUE(Run(Mode(ReplaceWhenNewer)));
  EXPECT_EQ(ReadAll(Dst("later.txt")), "new later.txt");
  EXPECT_EQ(stats.FilesCopied, 1);
  EXPECT_EQ(stats.DuplicatesOverwritten, 1);
}

TEST_F(ReplaceTest, AlwaysAndNever) {
  Duplicate("a.txt", 1, 3);
  EXPECT_TRUE(Run(Mode(0)));
  EXPECT_EQ(ReadAll(Dst("a.txt")), "old a.txt");
  EXPECT_EQ(stats.FilesCopied + stats.DuplicatesKept + stats.DuplicatesOverwritten, 0);

  EXPECT_TRUE(Run(Mode(ReplaceAlways)));
  EXPECT_EQ(ReadAll(Dst("a.txt")), "new a.txt");
  EXPECT_EQ(stats.DuplicatesOverwritten, 1);
}

TEST_F(ReplaceTest, AskShowsBothFilesWithTheirLocalTimes) {
  Duplicate("a.txt", 1, 3);
  dialogs.replaceAnswers = {ReplaceAnswer::Yes};
  EXPECT_TRUE(Run(Mode(ReplaceAsk)));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "replace");
  EXPECT_EQ(dialogs.shown[0].text, "Replace " + Dst("a.txt") + " created " + Shown(DayTime(3)) + "\rwith " +
                                       Src("a.txt") + " created " + Shown(DayTime(1)));
  EXPECT_EQ(ReadAll(Dst("a.txt")), "new a.txt");
  EXPECT_EQ(stats.DuplicatesOverwritten, 1);
}

TEST_F(ReplaceTest, AskNoKeepsAndCancelKeepsAndStops) {
  Duplicate("a.txt", 1, 3);
  dialogs.replaceAnswers = {ReplaceAnswer::No};
  EXPECT_TRUE(Run(Mode(ReplaceAsk)));
  EXPECT_EQ(ReadAll(Dst("a.txt")), "old a.txt");
  EXPECT_EQ(stats.DuplicatesKept, 1);

  Duplicate("b.txt", 1, 3);
  dialogs.replaceAnswers = {ReplaceAnswer::Cancel};
  EXPECT_FALSE(Run(Mode(ReplaceAsk)));
  EXPECT_EQ(dialogs.shown.size(), 2u);  // one question in each run: Cancel ended the second
  EXPECT_EQ(stats.DuplicatesKept, 1);
  EXPECT_EQ(stats.DuplicatesOverwritten, 0);
}

TEST_F(ReplaceTest, YesToAllReplacesTheRestWithoutAsking) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) Duplicate(name, 1, 3);
  dialogs.replaceAnswers = {ReplaceAnswer::YesToAll};
  EXPECT_TRUE(Run(Mode(ReplaceAsk)));
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_TRUE(stats.YesToAll);
  EXPECT_EQ(stats.DuplicatesOverwritten, 3);
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) EXPECT_EQ(ReadAll(Dst(name)), std::string("new ") + name);
}

TEST_F(ReplaceTest, NoToAllKeepsTheRestWithoutAskingAndTheFlagsLastOneRun) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) Duplicate(name, 1, 3);
  dialogs.replaceAnswers = {ReplaceAnswer::NoToAll};
  EXPECT_TRUE(Run(Mode(ReplaceAsk)));
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(stats.DuplicatesKept, 3);
  EXPECT_EQ(stats.FilesCopied, 0);

  dialogs.replaceAnswers = {ReplaceAnswer::No, ReplaceAnswer::No, ReplaceAnswer::No};
  EXPECT_TRUE(Run(Mode(ReplaceAsk)));
  EXPECT_FALSE(stats.NoToAll);
  EXPECT_EQ(dialogs.shown.size(), 4u);  // the next run asks again
}

TEST_F(ReplaceTest, AReplacedFileThatThenFailsCountsTwice) {
  Duplicate("busy.txt", 4, 3);
  HANDLE held = CreateFileW(Widen(Src("busy.txt")).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(Run(Mode(ReplaceWhenNewer)));
  CloseHandle(held);
  EXPECT_EQ(stats.DuplicatesOverwritten, 1);
  EXPECT_EQ(stats.DroppedByError, 1);
  EXPECT_EQ(stats.FilesCopied, 0);
  EXPECT_EQ(ReadAll(Dst("busy.txt")), "old busy.txt");
}

TEST_F(ReplaceTest, ALockedDestinationFileIsSkippedUncounted) {
  Duplicate("locked.txt", 4, 3);
  HANDLE held = CreateFileW(Widen(Dst("locked.txt")).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(Run(Mode(ReplaceAlways)));
  CloseHandle(held);
  EXPECT_EQ(ReadAll(Dst("locked.txt")), "old locked.txt");
  EXPECT_EQ(stats.FilesCopied + stats.DuplicatesOverwritten + stats.DroppedByError, 0);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST(FileTimes, AnUnconvertibleTimeShowsAsTheFirstOfJanuary1900) {
  LocalDateTime when = FileTimeToLocalDateTime(FILETIME{0xFFFFFFFFu, 0xFFFFFFFFu});
  EXPECT_EQ(when.year, 1900);
  EXPECT_EQ(when.month, 1);
  EXPECT_EQ(when.day, 1);
  EXPECT_EQ(when.hour, 0);
  EXPECT_EQ(when.minute, 0);
  fakes::FakeLocale locale;
  EXPECT_EQ(FormatFileTime(locale, FILETIME{0xFFFFFFFFu, 0xFFFFFFFFu}), "1/1/1900 12:00 AM");
}

TEST(FileTimes, ConvertsToTheLocalClock) {
  FILETIME local{};
  FILETIME universal = DayTime(10);
  ASSERT_TRUE(FileTimeToLocalFileTime(&universal, &local));
  SYSTEMTIME expected{};
  ASSERT_TRUE(FileTimeToSystemTime(&local, &expected));
  LocalDateTime when = FileTimeToLocalDateTime(universal);
  EXPECT_EQ(when.year, expected.wYear);
  EXPECT_EQ(when.day, expected.wDay);
  EXPECT_EQ(when.hour, expected.wHour);
}

}  // namespace
}  // namespace sw::testing
