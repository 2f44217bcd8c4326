#include <gtest/gtest.h>

#include <algorithm>

#include "copy_fixture.h"
#include "fakes/host_links.h"
#include "platform/exceptions.h"
#include "platform/text.h"

namespace sw::testing {
namespace {

TEST_F(CopyTest, StarDotStarCopiesOnlyNamesWithADotButWalksEveryFolder) {
  tree.Write("src\\notes.txt", "12345");
  tree.Write("src\\README", "readme");
  tree.Write("src\\sub\\deep.bin", "xy");
  tree.Write("src\\sub\\LICENSE", "l");

  EXPECT_TRUE(Run());
  EXPECT_EQ(ReadAll(Dst("notes.txt")), "12345");
  EXPECT_EQ(ReadAll(Dst("sub\\deep.bin")), "xy");
  EXPECT_FALSE(Exists(Dst("README")));
  EXPECT_FALSE(Exists(Dst("sub\\LICENSE")));
  EXPECT_EQ(stats.FilesCopied, 2);
  EXPECT_EQ(stats.BytesCopied, 7);
}

TEST_F(CopyTest, RecycleBinsAndDotNamesAreNeverEnteredOrCopied) {
  tree.Write("src\\RECYCLED\\a.txt", "1");
  tree.Write("src\\Recycled\\b.txt", "1");
  tree.Write("src\\$Recycle.Bin\\c.txt", "1");
  tree.Write("src\\.git\\config.txt", "1");
  tree.Write("src\\.profile", "1");
  tree.Write("src\\kept.txt", "1");

  EXPECT_TRUE(Run());
  EXPECT_EQ(stats.FilesCopied, 1);
  EXPECT_TRUE(Exists(Dst("kept.txt")));
  for (const char* skipped : {"RECYCLED", "recycled", "$Recycle.Bin", ".git", ".profile"})
    EXPECT_FALSE(Exists(Dst(skipped))) << skipped;
}

TEST_F(CopyTest, DestinationInsideTheSourceIsNotWalkedAgain) {
  tree.Write("src\\a.txt", "a");
  tree.Write("src\\inner\\b.txt", "b");

  // Directly inside, and written in another letter case.
  EXPECT_TRUE(Run(Src(), AsciiUpper(Src("out")), {}));
  EXPECT_EQ(stats.FilesCopied, 2);
  EXPECT_TRUE(Exists(Src("out\\inner\\b.txt")));
  EXPECT_FALSE(Exists(Src("out\\out")));

  // Several levels down: the walk must not follow its own growing copy.
  EXPECT_TRUE(Run(Src(), Src("inner\\copy"), {}));
  EXPECT_TRUE(Exists(Src("inner\\copy\\inner\\b.txt")));
  EXPECT_FALSE(Exists(Src("inner\\copy\\inner\\copy")));
}

TEST_F(CopyTest, EmptySourceStillCreatesTheDestination) {
  tree.MakeFolder("src");
  EXPECT_TRUE(Run());
  EXPECT_TRUE(Exists(Dst()));
  EXPECT_EQ(stats.FilesCopied, 0);
}

TEST_F(CopyTest, MissingSourceCountsAsDone) {
  EXPECT_TRUE(Run(tree.Path("nowhere"), Dst(), {}));
  EXPECT_EQ(stats.FilesCopied, 0);
}

TEST_F(CopyTest, DestinationThatCannotBeCreatedEndsTheRunWithAnError) {
  tree.Write("src\\a.txt", "a");
  const std::string target = tree.Path("missing\\parent");
  try {
    Run(Src(), target, {});
    FAIL() << "no error raised";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Cannot create " + target + "\\");
  }
}

TEST_F(CopyTest, ListOnlyCreatesNothingAndCountsEveryMatchingFile) {
  tree.Write("src\\a.txt", "aaa");
  tree.Write("src\\sub\\b.txt", "bb");
  std::vector<std::string> destinations;
  auto handler = [&](const std::string&, const std::string& destination, const std::string&, std::int64_t, bool&) {
    destinations.push_back(destination);
    return true;
  };
  CopyOptions options;
  options.listOnly = true;
  EXPECT_TRUE(Run(options, handler));
  EXPECT_FALSE(Exists(Dst()));
  EXPECT_EQ(stats.FilesCopied, 2);
  EXPECT_EQ(stats.BytesCopied, 5);
  EXPECT_EQ(destinations, (std::vector<std::string>{"", ""}));
}

TEST_F(CopyTest, ListOnlyDoesNotLookAtExistingDestinationFiles) {
  tree.Write("src\\a.txt", "new");
  tree.Write("dst\\a.txt", "old");
  SetWriteTime(Src("a.txt"), DayTime(0));
  SetWriteTime(Dst("a.txt"), DayTime(5));  // newer: mode 2 would skip it
  CopyOptions options;
  options.listOnly = true;
  EXPECT_TRUE(Run(options));
  EXPECT_EQ(stats.FilesCopied, 1);
  EXPECT_EQ(stats.DuplicatesOverwritten, 0);
  EXPECT_EQ(ReadAll(Dst("a.txt")), "old");
}

TEST_F(CopyTest, TwoRunsReportTheirOwnTotals) {
  tree.Write("src\\a.txt", "aaaa");
  tree.Write("src\\b.txt", "bb");
  ASSERT_TRUE(Run());
  EXPECT_EQ(stats.FilesCopied, 2);
  EXPECT_EQ(stats.BytesCopied, 6);

  tree.Write("other\\c.txt", "c");
  ASSERT_TRUE(Run(tree.Path("other"), tree.Path("dst2"), {}));
  EXPECT_EQ(stats.FilesCopied, 1);
  EXPECT_EQ(stats.BytesCopied, 1);
}

TEST_F(CopyTest, KeepFolderNameFlattenAndNoRecursion) {
  tree.Write("src\\top.txt", "t");
  tree.Write("src\\sub\\low.txt", "l");

  tree.MakeFolder("dst");  // the folder name is added as one new level
  CopyOptions keep;
  keep.keepFolderName = true;
  EXPECT_TRUE(Run(keep));
  EXPECT_TRUE(Exists(Dst("src\\top.txt")));
  EXPECT_TRUE(Exists(Dst("src\\sub\\low.txt")));

  CopyOptions flat;
  flat.flatten = true;
  EXPECT_TRUE(Run(Src(), tree.Path("flat"), flat));
  EXPECT_TRUE(Exists(tree.Path("flat\\low.txt")));
  EXPECT_FALSE(Exists(tree.Path("flat\\sub")));

  CopyOptions shallow;
  shallow.recurse = false;
  EXPECT_TRUE(Run(Src(), tree.Path("shallow"), shallow));
  EXPECT_EQ(stats.FilesCopied, 1);
  EXPECT_FALSE(Exists(tree.Path("shallow\\sub")));
}

TEST_F(CopyTest, ClearReadOnlyDropsOnlyTheReadOnlyAttribute) {
  tree.Write("src\\locked.txt", "r");
  SetFileAttributesW(Widen(Src("locked.txt")).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  CopyOptions options;
  options.clearReadOnly = true;
  EXPECT_TRUE(Run(options));
  DWORD attributes = Attributes(Dst("locked.txt"));
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);

  EXPECT_TRUE(Run(Src(), tree.Path("kept"), {}));
  EXPECT_NE(Attributes(tree.Path("kept\\locked.txt")) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(CopyTest, HandlerCanSkipAFileOrStopTheRunAtEveryLevel) {
  tree.Write("src\\a\\one.txt", "1");
  tree.Write("src\\a\\two.txt", "2");
  tree.Write("src\\b\\three.txt", "3");

  auto skipAll = [](const std::string&, const std::string&, const std::string&, std::int64_t, bool& proceed) {
    proceed = false;
    return true;
  };
  EXPECT_TRUE(Run({}, skipAll));
  EXPECT_EQ(stats.DroppedByUser, 3);
  EXPECT_EQ(stats.FilesCopied, 0);

  int calls = 0;
  auto stopAtFirst = [&](const std::string&, const std::string&, const std::string&, std::int64_t, bool&) {
    ++calls;
    return false;
  };
  EXPECT_FALSE(Run(Src(), tree.Path("stopped"), {}, stopAtFirst));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(stats.FilesCopied, 1);  // the file at hand is still copied
}

TEST_F(CopyTest, AStopCheckEndsTheRunBeforeTheNextFile) {
  tree.Write("src\\a\\one.txt", "1");
  tree.Write("src\\b\\two.txt", "2");
  int asked = 0;
  const TCopyResult result = CopyFolder({.source = Src(), .destination = Dst(),
                                         .host = TCopyHost{&dialogs, &locale, nullptr},
                                         .stopRequested = [&] { return ++asked > 1; }});
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(result.statistics.FilesCopied, 1);
  EXPECT_EQ(result.statistics.DroppedByUser, 0);  // the file not reached is not one the user dropped
}

TEST_F(CopyTest, AFileThatCannotBeCopiedIsReportedAndTheRunGoesOn) {
  tree.Write("src\\busy.txt", "b");
  tree.Write("src\\free.txt", "f");
  HANDLE held = CreateFileW(Widen(Src("busy.txt")).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(Run());
  CloseHandle(held);

  EXPECT_EQ(stats.DroppedByError, 1);
  EXPECT_EQ(stats.FilesCopied, 1);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "message");
  const std::string prefix = "Copy from " + Src("busy.txt") + " to " + Dst("busy.txt") + " failed: ";
  ASSERT_EQ(dialogs.shown[0].text.rfind(prefix, 0), 0u) << dialogs.shown[0].text;
  const std::string code = dialogs.shown[0].text.substr(prefix.size());
  EXPECT_FALSE(code.empty());
  EXPECT_TRUE(std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; })) << code;
}

TEST_F(CopyTest, MalformedMaskIsShownAndStopsTheRun) {
  tree.Write("src\\a.txt", "a");
  tree.Write("src\\b.txt", "b");
  CopyOptions options;
  options.mask = "[a";
  EXPECT_FALSE(Run(options));
  EXPECT_EQ(stats.FilesCopied, 0);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Invalid mask \"[a\" entered, see documentation");
}

TEST_F(CopyTest, AnErrorInTheHandlerIsShownAndStopsTheRun) {
  tree.Write("src\\a.txt", "a");
  tree.Write("src\\b.txt", "b");
  auto failing = [](const std::string&, const std::string&, const std::string&, std::int64_t, bool&) -> bool {
    throw Exception("handler broke");
  };
  EXPECT_FALSE(Run({}, failing));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "handler broke");
}

TEST_F(CopyTest, NamesOutsideTheAnsiCodePageCopyLikeAnyOther) {
  const std::string name = "\xCE\xA9mega_\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB_\xE6\x97\xA5\xE6\x9C\xAC.txt";  // Ωmega_файл_日本.txt
  const std::string folder = "\xC3\xA9t\xC3\xA9";                                                         // été
  tree.Write("src\\" + folder + "\\" + name, "unicode");
  EXPECT_TRUE(Run());
  EXPECT_EQ(ReadAll(Dst(folder + "\\" + name)), "unicode");
}

TEST_F(CopyTest, DeepTreesBeyondTheOldPathLimitCopy) {
  std::string deep;
  for (int level = 0; level < 12; ++level) deep += "folder_level_" + std::to_string(level) + "_abcdefghij\\";
  ASSERT_GT(Src(deep).size(), 300u);
  tree.Write("src\\" + deep + "deep.txt", "deep");
  EXPECT_TRUE(Run());
  EXPECT_EQ(ReadAll(Dst(deep + "deep.txt")), "deep");
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CopyTest, NamesEndingInADotOrBlankKeepTheirNames) {
  tree.Write("src\\odd.name.", "dot");
  EXPECT_TRUE(Run());
  EXPECT_EQ(ReadAll(Dst("odd.name.")), "dot");
}

TEST_F(CopyTest, FolderLinksAreNotFollowed) {
  tree.Write("src\\real\\a.txt", "a");
  if (!MakeFolderLink(Src("loop"), Src())) GTEST_SKIP() << "folder links are not available here";
  EXPECT_TRUE(Run());
  EXPECT_EQ(stats.FilesCopied, 1);
  EXPECT_FALSE(Exists(Dst("loop")));
  EXPECT_TRUE(RemoveTreeOnHost(Src("loop")));
}

}  // namespace
}  // namespace sw::testing
