// The copy that backs up and restores a drive: every file streamed through
// its hash, its times and attributes kept, a list of what was copied, the
// backup's own note left where it is, and a folder standing in a file's
// place counted as a failure rather than passed over. (A drive that goes
// away during the copy is tested with the whole operation.)
#include <gtest/gtest.h>

#include "copy/content_hash.h"
#include "copy/folder_look.h"
#include "copy_fixture.h"
#include "platform/text.h"

namespace sw::testing {
namespace {

TEST(ContentHashTest, TheHashDependsOnEveryByteAndNotOnHowTheyArrive) {
  std::string data(1000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 3);
  const std::uint64_t whole = ContentHashOf(data.data(), data.size());
  for (size_t piece : {1u, 3u, 31u, 32u, 33u, 999u}) {
    TContentHash hash;
    for (size_t at = 0; at < data.size(); at += piece) hash.Update(data.data() + at, std::min(piece, data.size() - at));
    EXPECT_EQ(hash.Value(), whole) << piece;
  }
  for (size_t at : {0u, 31u, 500u, 999u}) {
    std::string changed = data;
    changed[at] ^= 1;
    EXPECT_NE(ContentHashOf(changed.data(), changed.size()), whole) << at;
  }
  const std::string zeros(64, '\0');
  EXPECT_NE(ContentHashOf(zeros.data(), 63), ContentHashOf(zeros.data(), 64));
  EXPECT_NE(ContentHashOf(zeros.data(), 0), ContentHashOf(zeros.data(), 1));
}

TEST(ContentHashTest, KnownInputsGiveTheLibrarysXxh3Values) {
  const std::string fox = "The quick brown fox jumps over the lazy dog";
  EXPECT_EQ(ContentHashOf("", 0), 0x2D06800538D394C2ull);
  EXPECT_EQ(ContentHashOf("a", 1), 0xE6C632B61E964E1Full);
  EXPECT_EQ(ContentHashOf(fox.data(), fox.size()), 0xCE7D19A5418FB365ull);
  const std::string large(3 << 20, 'x');  // past the library's internal blocks, fed in pieces
  TContentHash hash;
  for (size_t at = 0; at < large.size(); at += 100000) hash.Update(large.data() + at, std::min<size_t>(100000, large.size() - at));
  EXPECT_EQ(hash.Value(), 0x56227A6F1CA2F7D9ull);
}

class GuardedCopyTest : public CopyTest {
 protected:
  bool RunGuarded(TCopySafeguards& safeguards) {
    return Keep(CopyFolder({.source = Src(), .destination = Dst(), .host = TCopyHost{&dialogs, &locale, nullptr},
                            .nameRules = TNameRules::WholeDrive, .safeguards = &safeguards}));
  }
};

TEST_F(GuardedCopyTest, EachFileIsListedWithItsHashAndKeepsItsTimeAndAttributes) {
  tree.Write("src\\a.txt", "hello");
  tree.Write("src\\sub\\b.bin", std::string(3 << 20, 'x'));  // more than one piece of the stream
  tree.Write("src\\note.txt", "kept where it is");
  tree.Write("src\\sub\\note.txt", "an ordinary file of that name");
  SetWriteTime(Src("a.txt"), DayTime(10));
  SetFileAttributesW(Widen(Src("a.txt")).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

  std::vector<TCopiedFile> copied;
  TCopySafeguards safeguards;
  safeguards.readBack = true;
  safeguards.copied = &copied;
  safeguards.skippedTopLevelFile = "NOTE.TXT";
  EXPECT_TRUE(RunGuarded(safeguards));

  EXPECT_EQ(stats.FilesCopied, 3);
  EXPECT_EQ(stats.DroppedByError, 0);
  EXPECT_FALSE(Exists(Dst("note.txt")));
  EXPECT_EQ(ReadAll(Dst("sub\\note.txt")), "an ordinary file of that name");
  EXPECT_EQ(ReadAll(Dst("a.txt")), "hello");
  const FILETIME copiedTime = WriteTime(Dst("a.txt")), sourceTime = WriteTime(Src("a.txt"));
  EXPECT_EQ(CompareFileTime(&copiedTime, &sourceTime), 0);
  EXPECT_EQ(Attributes(Dst("a.txt")) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_EQ(copied.size(), 3u);
  for (const TCopiedFile& file : copied) {
    const std::string content = ReadAll(Src(file.relativePath));
    EXPECT_EQ(file.size, static_cast<std::int64_t>(content.size())) << file.relativePath;
    EXPECT_EQ(file.hash, ContentHashOf(content.data(), content.size())) << file.relativePath;
  }
  SetFileAttributesW(Widen(Dst("a.txt")).c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW(Widen(Src("a.txt")).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(GuardedCopyTest, EachFolderComesWithItsAttributesAndTimesAfterItsFilesAreWritten) {
  tree.Write("src\\plain\\a.txt", "a");
  tree.Write("src\\kept\\inner\\b.txt", "b");
  constexpr DWORD kLook = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  const struct {
    const char* folder;
    DWORD attributes;
    int day;
  } folders[] = {{"plain", 0, 11}, {"kept", kLook, 12}, {"kept\\inner", FILE_ATTRIBUTE_HIDDEN, 13}};
  for (const auto& folder : folders) {
    ASSERT_TRUE(ApplyFolderLook(Src(folder.folder), {folder.attributes, DayTime(folder.day), DayTime(folder.day)}));
  }
  TCopySafeguards safeguards;
  EXPECT_TRUE(RunGuarded(safeguards));
  for (const auto& folder : folders) {
    const std::optional<TFolderLook> look = ReadFolderLook(Dst(folder.folder));
    ASSERT_TRUE(look) << folder.folder;
    // What the source's file system keeps of them (Wine keeps no read-only folder).
    const DWORD kept = ReadFolderLook(Src(folder.folder))->attributes & kLook;
    EXPECT_EQ(kept & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), folder.attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(look->attributes & kLook, kept) << folder.folder;
    const FILETIME expected = DayTime(folder.day);
    EXPECT_EQ(CompareFileTime(&look->modified, &expected), 0) << folder.folder;
  }
  for (const char* folder : {"kept\\inner", "kept"}) {
    SetFileAttributesW(Widen(Src(folder)).c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW(Widen(Dst(folder)).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(GuardedCopyTest, AFolderInAFilesPlaceIsACopyErrorInEveryKindOfRun) {
  for (bool guarded : {false, true}) {
    tree.Write("src\\report.txt", "the file");
    tree.MakeFolder("dst\\report.txt");
    dialogs.shown.clear();
    TCopySafeguards safeguards;
    if (guarded)
      RunGuarded(safeguards);
    else
      Run(CopyOptions{.nameRules = TNameRules::WholeDrive});
    EXPECT_EQ(stats.DroppedByError, 1) << guarded;
    EXPECT_EQ(stats.FilesCopied, 0) << guarded;
    ASSERT_EQ(dialogs.shown.size(), 1u) << guarded;
    EXPECT_EQ(dialogs.shown[0].text.rfind("Copy from " + Src("report.txt"), 0), 0u) << dialogs.shown[0].text;
  }
}

}  // namespace
}  // namespace sw::testing
