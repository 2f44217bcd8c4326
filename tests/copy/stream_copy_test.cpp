// The copy of named streams between two folders through the strict fake:
// what a volume, a file or a name refuses is a failure that names the
// stream, never a stream quietly left behind.
#include "copy/stream_copy.h"

#include <gtest/gtest.h>

#include <functional>

#include "fakes/fake_named_streams.h"
#include "platform/text.h"
#include "temp_tree.h"

namespace sw::testing {
namespace {

constexpr char kMark[] = "Zone.Identifier";

// setup.exe in "from", with the mark of a download, and its copy in "to".
struct StreamFolders {
  StreamFolders() {
    tree.Write("from\\setup.exe", "program");
    tree.Write("to\\setup.exe", "program");
    streams.Put(From(), kMark, "ZoneId=3");
  }
  std::string From() const { return tree.Path("from\\setup.exe"); }
  std::string To() const { return tree.Path("to\\setup.exe"); }
  std::vector<TFileStreams> Listed() { return ListFileStreams(streams, tree.Path("from"), {"setup.exe"}).files; }
  TStreamRun Copy(std::vector<TFileStreams>& files, bool expectHashes) {
    return CopyFileStreams(streams, tree.Path("from"), tree.Path("to"), files, expectHashes);
  }

  TempTree tree;
  fakes::FakeNamedStreams streams;
};

TEST(StreamCopyTest, WhatTheTargetRefusesIsAFailureThatNamesTheStream) {
  struct Case {
    const char* fault;
    std::function<void(StreamFolders&)> make;
  };
  const Case cases[] = {
      {"the target's volume is FAT32", [](StreamFolders& f) { f.streams.SetFileSystem(f.tree.Path("to"), "FAT32"); }},
      {"the target file is gone", [](StreamFolders& f) { DeleteFileW(Widen(f.To()).c_str()); }},
      {"the source's volume is exFAT",
       [](StreamFolders& f) { f.streams.SetFileSystem(f.tree.Path("from"), "exFAT"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    StreamFolders folders;
    std::vector<TFileStreams> files = folders.Listed();
    ASSERT_EQ(files.size(), 1u);
    c.make(folders);
    const TStreamRun copy = folders.Copy(files, false);
    ASSERT_EQ(copy.failed.size(), 1u);
    EXPECT_TRUE(copy.failed[0].path.ends_with("setup.exe:Zone.Identifier")) << copy.failed[0].path;
    EXPECT_EQ(copy.streams, 0);
    EXPECT_GT(folders.streams.refused, 0);
  }
}

TEST(StreamCopyTest, AStreamThatChangedSinceItsBackupIsNotCopiedBack) {
  StreamFolders folders;
  std::vector<TFileStreams> files = folders.Listed();
  ASSERT_TRUE(folders.Copy(files, false).failed.empty());
  folders.streams.Put(folders.From(), kMark, "ZoneId=4");
  const TStreamRun again = folders.Copy(files, true);
  ASSERT_EQ(again.failed.size(), 1u);
  EXPECT_EQ(again.failed[0].reason, "it is not as it was backed up");
  EXPECT_EQ(folders.streams.Content(folders.To(), kMark), "ZoneId=3");
}

}  // namespace
}  // namespace sw::testing
