// What a guarded run tells beyond its counters: the outcome of every file,
// the folders it entered and the folders it left out on purpose, the files
// a listing run saw; and a destination it never writes twice, even where
// two source names differ only in case.
#include <gtest/gtest.h>

#include <algorithm>

#include "copy_fixture.h"
#include "platform/text.h"
#include "platform/win_error.h"

namespace sw::testing {
namespace {

struct Outcome {
  std::string file;  // source folder and name
  bool copied = false;
  std::string reason;
};

class GuardedRunTest : public CopyTest {
 protected:
  GuardedRunTest() {
    safeguards.copied = &copied;
    safeguards.folders = &folders;
    safeguards.skipped = &skipped;
    safeguards.onFileDone = [this](const std::string& folder, const std::string& name, std::int64_t,
                                   const TFileOutcome& outcome) {
      outcomes.push_back({folder + name, outcome.copied, outcome.reason});
    };
  }

  bool RunGuarded(bool listOnly = false, const TFileEvent& onFile = nullptr) {
    return CopyFolder(Src(), Dst(), "*.*", ReplaceWhenNewer, listOnly, false, true, false, false, onFile,
                      TCopyHost{&dialogs, &locale, nullptr}, TNameRules::WholeDrive, &safeguards);
  }

  std::vector<std::string> CopiedPaths() const {
    std::vector<std::string> paths;
    for (const TCopiedFile& file : copied) paths.push_back(file.relativePath);
    std::sort(paths.begin(), paths.end());
    return paths;
  }

  std::vector<std::string> NamesIn(const std::string& folder) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry{};
    HANDLE listing = FindFirstFileW(Widen(folder + "*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return names;
    do {
      const std::string name = Narrow(entry.cFileName);
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
    std::sort(names.begin(), names.end());
    return names;
  }

  TCopySafeguards safeguards;
  std::vector<TCopiedFile> copied;
  std::vector<std::string> folders;
  std::vector<TSkippedFolder> skipped;
  std::vector<Outcome> outcomes;
};

// Under Wine a host folder can hold Index.html and index.html side by side,
// and both are listed; on the destination, which Wine treats without case
// like Windows does, the second would replace the first.
TEST_F(GuardedRunTest, TwoNamesThatDifferOnlyInCaseAreNeverCopiedToOneFile) {
  if (!UnderWine()) GTEST_SKIP() << "needs a folder that keeps names apart by case";
  tree.Write("src\\Index.html", "the first page");
  ASSERT_TRUE(tree.WriteCaseTwin("src\\index.html", "the second page"));
  ASSERT_EQ(NamesIn(Src()), (std::vector<std::string>{"Index.html", "index.html"}));

  EXPECT_TRUE(RunGuarded());

  EXPECT_EQ(CopyStatistics.FilesCopied, 1);
  EXPECT_EQ(CopyStatistics.DroppedByError, 1);
  ASSERT_EQ(outcomes.size(), 2u);
  ASSERT_TRUE(outcomes[0].copied);
  ASSERT_FALSE(outcomes[1].copied);
  // The listing decides which one comes first.
  const std::string first = outcomes[0].file.substr(Src().size()), second = outcomes[1].file.substr(Src().size());
  EXPECT_EQ(outcomes[1].reason, first + " was already copied under the same name; the names differ only in case");
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Copy from " + Src(second) + " to " + Dst(second) + " failed: " + Src(first) +
                                       " was already copied there (the names differ only in case)");
  // The first file is intact at the destination, and alone there.
  EXPECT_EQ(NamesIn(Dst()), std::vector<std::string>{first});
  EXPECT_EQ(ReadAll(Dst(first)), ReadAll(Src(first)));
  EXPECT_EQ(CopiedPaths(), std::vector<std::string>{first});
}

TEST_F(GuardedRunTest, EveryFileLetThroughIsToldItsOutcome) {
  tree.Write("src\\a.txt", "alpha");
  tree.Write("src\\blocked.txt", "a folder stands in its place");
  tree.Write("src\\sub\\refused.txt", "the handler says no");
  tree.MakeFolder("dst\\blocked.txt");
  auto refuse = [](const std::string&, const std::string&, const std::string& name, std::int64_t, bool& proceed) {
    proceed = name != "refused.txt";
    return true;
  };

  EXPECT_TRUE(RunGuarded(false, refuse));

  std::sort(outcomes.begin(), outcomes.end(), [](const Outcome& a, const Outcome& b) { return a.file < b.file; });
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].file, Src("a.txt"));
  EXPECT_TRUE(outcomes[0].copied);
  EXPECT_EQ(outcomes[1].file, Src("blocked.txt"));
  EXPECT_FALSE(outcomes[1].copied);
  // The reason is the system's text for the code the box shows.
  ASSERT_EQ(dialogs.shown.size(), 1u);
  const std::string& box = dialogs.shown[0].text;
  EXPECT_EQ(outcomes[1].reason, SystemErrorText(std::stoul(box.substr(box.rfind(' ') + 1))));
  EXPECT_EQ(CopyStatistics.FilesCopied, 1);
  EXPECT_EQ(CopyStatistics.DroppedByError, 1);
  EXPECT_EQ(CopyStatistics.DroppedByUser, 1);
}

TEST_F(GuardedRunTest, RecycleBinsAndSystemVolumeInformationAreLeftOutAndReported) {
  tree.Write("src\\System Volume Information\\IndexerVolumeGuid", "x");
  tree.Write("src\\System Volume Information\\tracking\\log", "x");
  tree.Write("src\\RECYCLER\\S-1-5-21\\Dc1.txt", "x");
  tree.Write("src\\$RECYCLE.BIN\\$R1.txt", "x");
  tree.MakeFolder("src\\sub\\Recycled");
  tree.Write("src\\sub\\System Volume Information\\kept.txt", "below the top it is an ordinary folder");
  tree.Write("src\\keep.txt", "kept");

  EXPECT_TRUE(RunGuarded());

  std::vector<std::string> reported;
  for (const TSkippedFolder& folder : skipped)
    reported.push_back(folder.path.substr(Src().size()) + " " + std::to_string(folder.files) +
                       (folder.recycleBin ? " bin" : ""));
  std::sort(reported.begin(), reported.end());
  EXPECT_EQ(reported, (std::vector<std::string>{"$RECYCLE.BIN\\ 1 bin", "RECYCLER\\ 1 bin",
                                                "System Volume Information\\ 2", "sub\\Recycled\\ 0 bin"}));
  EXPECT_EQ(CopiedPaths(), (std::vector<std::string>{"keep.txt", "sub\\System Volume Information\\kept.txt"}));
  EXPECT_EQ(NamesIn(Dst()), (std::vector<std::string>{"keep.txt", "sub"}));
  EXPECT_EQ(CopyStatistics.DroppedByError, 0);

  // An unguarded run copies them as it always did (but the recycle bins it always knew).
  Run(Src(), tree.Path("plain"), CopyOptions{.nameRules = TNameRules::WholeDrive});
  EXPECT_EQ(NamesIn(tree.Path("plain\\")),
            (std::vector<std::string>{"RECYCLER", "System Volume Information", "keep.txt", "sub"}));
}

TEST_F(GuardedRunTest, FoldersEnteredAndFilesListedAreRecorded) {
  tree.Write("src\\a.txt", "alpha");
  tree.Write("src\\sub\\deeper\\c.txt", "charlie");
  tree.MakeFolder("src\\empty");
  const std::vector<std::string> allFolders = {"empty\\", "sub\\", "sub\\deeper\\"};

  EXPECT_TRUE(RunGuarded(true));
  EXPECT_FALSE(Exists(Dst()));
  EXPECT_TRUE(outcomes.empty()) << "a listing copies nothing";
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, allFolders);
  EXPECT_EQ(CopiedPaths(), (std::vector<std::string>{"a.txt", "sub\\deeper\\c.txt"}));
  for (const TCopiedFile& file : copied)
    EXPECT_EQ(file.size, static_cast<std::int64_t>(ReadAll(Src(file.relativePath)).size()));
  for (const TCopiedFile& file : copied) EXPECT_EQ(file.hash, 0u);

  folders.clear();
  EXPECT_TRUE(RunGuarded());
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, allFolders);
  EXPECT_EQ(outcomes.size(), 2u);
}

}  // namespace
}  // namespace sw::testing
