// The one folder listing: what it yields, and how it tells a folder it
// cannot open from one with nothing in it.
#include <gtest/gtest.h>

#include <set>

#include "copy/folder_listing.h"
#include "platform/text.h"
#include "temp_tree.h"

namespace sw::testing {
namespace {

TEST(FolderListing, YieldsEveryEntryButTheDotsWithItsSizeAndKind) {
  TempTree tree;
  tree.Write("f\\a.txt", "hello");
  tree.Write("f\\.dot", "");
  tree.Write("f\\sub\\x", "x");
  TFolderListing listing(tree.Path("f"));
  std::set<std::string> seen;
  for (TFolderEntry entry; listing.Next(entry);)
    seen.insert(entry.name + " " + std::to_string(entry.size) + (entry.IsFolder() ? " folder" : ""));
  EXPECT_EQ(seen, (std::set<std::string>{".dot 0", "a.txt 5", "sub 0 folder"}));
  EXPECT_FALSE(listing.EndedByError());
}

TEST(FolderListing, TellsWhyItDidNotOpen) {
  TempTree tree;
  tree.MakeFolder("empty");
  struct Case {
    std::wstring pattern;
    bool open, nothing;
  };
  const Case cases[] = {
      {LongPath(tree.Path("empty\\*")), true, false},  // "." and ".." only
      {LongPath(tree.Path("empty\\none.txt")), false, true},
      {LongPath(tree.Path("missing\\*")), false, false},
  };
  for (const Case& c : cases) {
    TFolderListing listing = TFolderListing::OfPattern(c.pattern);
    TFolderEntry entry;
    EXPECT_EQ(listing.IsOpen(), c.open) << Narrow(c.pattern);
    EXPECT_EQ(listing.FoundNothing(), c.nothing) << Narrow(c.pattern);
    EXPECT_EQ(listing.OpenError() != 0, !c.open) << Narrow(c.pattern);
    EXPECT_FALSE(listing.Next(entry)) << Narrow(c.pattern);
  }
}

}  // namespace
}  // namespace sw::testing
