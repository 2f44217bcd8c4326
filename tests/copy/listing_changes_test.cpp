// The comparison of a drive's later listing with what its backup copied.
#include <gtest/gtest.h>

#include "copy/listing_changes.h"

namespace sw {
namespace {

constexpr std::uint64_t kSecond = 10'000'000;
constexpr std::uint64_t kCopiedAt = 1000 * kSecond;

TCopiedFile Copied(const std::string& path, std::int64_t size = 5, std::uint64_t lastWrite = 10 * kSecond,
                   std::uint32_t attributes = 0x20) {
  return {path, size, 0x1234, lastWrite, kCopiedAt, attributes};
}
TCopiedFile Listed(const std::string& path, std::int64_t size = 5, std::uint64_t lastWrite = 10 * kSecond,
                   std::uint32_t attributes = 0x20) {
  return {path, size, 0, lastWrite, 0, attributes};
}

TEST(ListingChangesTest, EachKindOfChangeIsFoundByItsOwnSign) {
  using Paths = std::vector<std::string>;
  struct Case {
    const char* name;
    std::vector<TCopiedFile> now;
    Paths added, changed, removed, doubtful;
  } cases[] = {
      {"nothing changed", {Listed("a.txt"), Listed("d\\b.txt")}, {}, {}, {}, {}},
      {"a file saved later", {Listed("a.txt"), Listed("d\\b.txt"), Listed("d\\new.txt")}, {"d\\new.txt"}, {}, {}, {}},
      {"another size", {Listed("a.txt", 6), Listed("d\\b.txt")}, {}, {"a.txt"}, {}, {}},
      {"another write time", {Listed("a.txt", 5, 11 * kSecond), Listed("d\\b.txt")}, {}, {"a.txt"}, {}, {}},
      {"other attributes", {Listed("a.txt", 5, 10 * kSecond, 0x21), Listed("d\\b.txt")}, {}, {"a.txt"}, {}, {}},
      {"a file removed", {Listed("a.txt")}, {}, {}, {"d\\b.txt"}, {}},
      // Paths compare exactly: a name that changed only in case is another file.
      {"renamed in case", {Listed("A.txt"), Listed("d\\b.txt")}, {"A.txt"}, {}, {"a.txt"}, {}},
  };
  const std::vector<TCopiedFile> backedUp = {Copied("a.txt"), Copied("d\\b.txt")};
  for (const Case& c : cases) {
    const TListingChanges changes = CompareWithBackup(backedUp, c.now);
    EXPECT_EQ(changes.added, c.added) << c.name;
    EXPECT_EQ(changes.changed, c.changed) << c.name;
    EXPECT_EQ(changes.removed, c.removed) << c.name;
    EXPECT_EQ(changes.doubtful, c.doubtful) << c.name;
    EXPECT_EQ(changes.Any(), !c.added.empty() || !c.changed.empty() || !c.removed.empty()) << c.name;
  }
}

TEST(ListingChangesTest, AWriteWithinTheDoubtOfItsCopyIsCheckedByContent) {
  struct Case {
    std::uint64_t lastWrite;
    bool doubtful;
  } cases[] = {
      {kCopiedAt - kWriteTimeDoubt - 1, false},
      {kCopiedAt - kWriteTimeDoubt, true},
      {kCopiedAt - 1, true},
      {kCopiedAt + 3 * kSecond, true},  // a clock behind, or a time rounded up
  };
  for (const Case& c : cases) {
    const TListingChanges changes =
        CompareWithBackup({Copied("a.txt", 5, c.lastWrite)}, {Listed("a.txt", 5, c.lastWrite)});
    EXPECT_TRUE(changes.changed.empty());
    EXPECT_EQ(changes.doubtful.size(), c.doubtful ? 1u : 0u) << c.lastWrite;
  }
}

}  // namespace
}  // namespace sw
