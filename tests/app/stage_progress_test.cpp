// Where a stage stands: the status line's figures and the time left.
#include <gtest/gtest.h>

#include "app/stage_progress.h"
#include "platform/locale.h"

namespace sw {
namespace {

constexpr std::int64_t kGiB = 1LL << 30;

TEST(StageProgressTest, TheStatusLineShowsFilesBytesAndTimeLeftOnlyOnceThePaceIsKnown) {
  TStageProgress backup;
  backup.Start("Backing up", 3019, 4 * kGiB + kGiB / 2, 0);
  for (int i = 0; i < 1234; ++i) backup.AddFile();
  // 1.2 GiB in the first 2 s: too early for an estimate.
  backup.AddBytes(kGiB / 5 * 6, 2000);
  EXPECT_EQ(backup.StatusText(2000, ",", "."), "Backing up: 1,234 of 3,019 files, 1.2 of 4.5 GB");
  EXPECT_EQ(backup.Percent(), 26);
  // From 3 s on: 3.3 GiB left at 0.6 GiB/s, in steps of 5 s.
  EXPECT_EQ(backup.StatusText(3000, ",", "."), "Backing up: 1,234 of 3,019 files, 1.2 of 4.5 GB, about 10 s left");
  EXPECT_EQ(backup.SecondsLeft(3000), 6);
  // The pace is smoothed: a sudden stall moves the estimate, not to infinity.
  backup.AddBytes(0, 4000);
  EXPECT_EQ(backup.SecondsLeft(4000), 8);

  TStageProgress listing;
  listing.Start("Listing", -1, -1, 0);
  listing.AddFile();
  listing.AddBytes(1536, 10);
  EXPECT_EQ(listing.StatusText(5000, ".", ","), "Listing: 1 files, 1,5 KB found");
  EXPECT_EQ(listing.SecondsLeft(5000), -1);

  TStageProgress emptyFiles;
  emptyFiles.Start("Copying back", 2, 0, 0);
  EXPECT_EQ(emptyFiles.Percent(), 0);
  emptyFiles.Finish();
  EXPECT_EQ(emptyFiles.Percent(), 100);
  EXPECT_EQ(emptyFiles.StatusText(0, ",", "."), "Copying back: 2 of 2 files, 0 of 0 bytes");
}

TEST(StageProgressTest, TimeLeftIsRoundedToWhatAUserReads) {
  const std::pair<long long, const char*> cases[] = {
      {0, "about 5 s left"},          {41, "about 45 s left"},   {59, "about 60 s left"},
      {89, "about 1 min left"},       {150, "about 3 min left"}, {3629, "about 1 h 0 min left"},
      {3900, "about 1 h 5 min left"},
  };
  for (const auto& [seconds, text] : cases) EXPECT_EQ(TimeLeftText(seconds), text) << seconds;
}

// Every message that shows a size: 1024-based units, one decimal, halves up.
TEST(StageProgressTest, SizesReadTheSameInEveryMessage) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0 bytes"},           {1023, "1023 bytes"},       {1024, "1.0 KB"},
      {1536, "1.5 KB"},         {(1 << 20) - 1, "1024.0 KB"}, {1 << 20, "1.0 MB"},
      {kGiB - 1, "1024.0 MB"},  {kGiB, "1.0 GB"},           {1342177280, "1.3 GB"},  // 1.25 GiB
      {kGiB / 20 * 21, "1.0 GB"}, {16 * kGiB, "16.0 GB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatSize(bytes, "."), text) << bytes;
  EXPECT_EQ(BytesOfText(1342177280, 4 * kGiB, ","), "1,3 of 4,0 GB");
}

}  // namespace
}  // namespace sw
