#include <gtest/gtest.h>
#include <set>
#include <tuple>

#include "copy_fixture.h"
#include "platform/win_error.h"

namespace sw::testing {
namespace {

class GuardedRunTest : public CopyTest {
 protected:
  using Texts = std::multiset<std::string>;  // sorted, whatever order the listing had
  bool RunGuarded(bool listOnly = false) {  // the handler refuses the files named refused.txt
    return Keep(CopyFolder({.source = Src(), .destination = Dst(), .listOnly = listOnly,
                            .onFile = [](auto&, auto&, auto& name, auto, bool& go) { go = name != "refused.txt"; return true; },
                            .host = TCopyHost{&dialogs, &locale, nullptr}, .nameRules = TNameRules::WholeDrive,
                            .safeguards = &safeguards}));
  }
  std::vector<TCopiedFile> copied;
  std::vector<std::string> folders;
  std::vector<TSkippedFolder> skipped;
  Texts outcomes;  // "<name> copied" or "<name> not: <reason>"
  TCopySafeguards safeguards{.copied = &copied, .folders = &folders, .skipped = &skipped,
                             .skippedTopLevelFile = {}, .plannedFiles = -1,
                             .onFileDone = [this](auto&, auto& name, auto, const TFileOutcome& outcome) {
                               outcomes.insert(name + (outcome.copied ? " copied" : " not: " + outcome.reason));
                             }};
};

TEST_F(GuardedRunTest, TwoNamesThatDifferOnlyInCaseAreNeverCopiedToOneFile) {
  tree.Write("src\\Index.html", "Index.html");  // each file holds its own name
  if (!tree.WriteCaseTwin("src\\index.html", "index.html")) GTEST_SKIP() << "needs names kept apart by case";
  EXPECT_TRUE(RunGuarded());
  const std::string first = ReadAll(Dst("index.html")), second = first == "Index.html" ? "index.html" : "Index.html";
  EXPECT_EQ(outcomes, (Texts{first + " copied", second + " not: " + first + " was already copied under the same name; "
                                                                                "the names differ only in case"}));
  EXPECT_EQ(dialogs.shown.at(0).text, "Copy from " + Src(second) + " to " + Dst(second) + " failed: " + Src(first) +
                                          " was already copied there (the names differ only in case)");
  EXPECT_EQ(stats.DroppedByError, 1);
}

TEST_F(GuardedRunTest, EveryFileLetThroughIsToldItsOutcomeAndTheCountersAgree) {
  for (auto file : {"src\\a.txt", "src\\blocked.txt", "src\\refused.txt", "dst\\blocked.txt\\x"}) tree.Write(file, "x");
  EXPECT_TRUE(RunGuarded());
  EXPECT_EQ(outcomes, (Texts{"a.txt copied", "blocked.txt not: " + SystemErrorText(ERROR_ACCESS_DENIED)}));
  EXPECT_EQ(std::tuple(stats.FilesCopied, stats.DroppedByError, stats.DroppedByUser),
            std::tuple(1, 1, 1));
}

TEST_F(GuardedRunTest, AStopAskedForHalfWayThroughAFileRemovesItAndEndsTheRun) {
  tree.Write("src\\big.bin", std::string(3 << 20, 'b'));  // several pieces
  std::int64_t told = 0;
  safeguards.onProgress = [&told](std::int64_t bytes) {
    told += bytes;
    return told == 0;  // entries listed go on; the first piece copied asks to stop
  };
  EXPECT_FALSE(RunGuarded());
  EXPECT_EQ(outcomes, (Texts{"big.bin not: the copy was stopped"}));
  EXPECT_FALSE(Exists(Dst("big.bin")));
  EXPECT_EQ(std::tuple(stats.FilesCopied, stats.DroppedByError, stats.DroppedByUser),
            std::tuple(0, 0, 1));
  EXPECT_LT(told, 3 << 20);
}

TEST_F(GuardedRunTest, RecycleBinsAndSystemVolumeInformationAreLeftOutAndReportedOnlyByAGuardedRun) {
  for (auto file : {"sub\\System Volume Information\\kept.txt", "sub\\Recycled\\a", "System Volume Information\\b",
                    "System Volume Information\\x\\c", "RECYCLER\\S-1-5-21\\d", "$RECYCLE.BIN\\e"})
    tree.Write("src\\" + std::string(file), "x");
  EXPECT_TRUE(RunGuarded());
  for (const TSkippedFolder& dir : skipped)  // told beside the outcomes
    outcomes.insert(dir.path.substr(Src().size()) + " " + std::to_string(dir.files) + (dir.recycleBin ? " bin" : ""));
  EXPECT_EQ(outcomes, (Texts{"$RECYCLE.BIN\\ 1 bin", "RECYCLER\\ 1 bin", "System Volume Information\\ 2",
                             "kept.txt copied", "sub\\Recycled\\ 1 bin"}));
  Run(Src(), tree.Path("plain"), CopyOptions{.nameRules = TNameRules::WholeDrive});
  EXPECT_EQ(stats.FilesCopied, 4) << "an unguarded run copies all but the recycle bins it always knew";
}

TEST_F(GuardedRunTest, AListingRecordsTheFoldersItEntersAndTheFilesItSees) {
  for (auto file : {"src\\a.txt", "src\\sub\\in\\c.txt"}) tree.Write(file, "x");
  EXPECT_TRUE(RunGuarded(true));
  for (const TCopiedFile& file : copied) folders.push_back(file.relativePath + " " + std::to_string(file.size));
  EXPECT_EQ(Texts(folders.begin(), folders.end()), (Texts{"a.txt 1", "sub\\", "sub\\in\\", "sub\\in\\c.txt 1"}));
}

}  // namespace
}  // namespace sw::testing
