// The format library's limits at their edges, and the plan the run makes of
// them: the sizes below are worked out by hand from the format's layout
// (512-byte sectors; FAT32 32 reserved, FAT 1 reserved and 32 of top folder;
// two tables), one sector either side of each rule.
#include <gtest/gtest.h>

#include "app/format_plan.h"
#include "format/format_limits.h"

namespace sw {
namespace {

struct LimitCase {
  const char* fileSystem;
  std::uint64_t volumeBytes;
  std::uint32_t cluster;
  const char* label;
  TFormatLimit expected;
};

class FormatLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(FormatLimitTest, RefusesWhatTheLibraryRefuses) {
  const LimitCase& c = GetParam();
  EXPECT_EQ(FormatLimitOf(c.fileSystem, c.volumeBytes, c.cluster, c.label), c.expected)
      << c.fileSystem << " " << c.volumeBytes << " " << c.cluster;
}

constexpr std::uint64_t k32GiB = 32ull << 30;
INSTANTIATE_TEST_SUITE_P(
    Edges, FormatLimitTest,
    ::testing::Values(
        LimitCase{"FAT32", k32GiB, 65536, "", TFormatLimit::Ok},
        LimitCase{"FAT32", k32GiB + 512, 65536, "", TFormatLimit::VolumeTooBig},
        LimitCase{"FAT32", k32GiB + 512, 32768, "", TFormatLimit::VolumeTooBig},
        // 65,525 clusters of 32 KiB from 4,194,656 sectors on.
        LimitCase{"FAT32", 2147663872, 32768, "", TFormatLimit::Ok},
        LimitCase{"FAT32", 2147663360, 32768, "", TFormatLimit::ClusterSizeTooBig},
        LimitCase{"FAT32", 16u << 20, 512, "", TFormatLimit::VolumeTooSmall},
        // FAT: 4,085 clusters of 64 KiB from 522,945 sectors on.
        LimitCase{"FAT", 267747840, 65536, "", TFormatLimit::Ok},
        LimitCase{"FAT", 267747328, 65536, "", TFormatLimit::ClusterSizeTooBig},
        // FAT: 65,525 clusters of 32 KiB (one too many) from 4,194,145 sectors on.
        LimitCase{"FAT", 2147401728, 32768, "", TFormatLimit::Ok},
        LimitCase{"FAT", 2147402240, 32768, "", TFormatLimit::ClusterSizeTooSmall},
        LimitCase{"FAT", 8ull << 30, 65536, "", TFormatLimit::VolumeTooBig},
        LimitCase{"EXFAT", 64ull << 30, 65536, "ELEVENCHARS", TFormatLimit::Ok},
        LimitCase{"exFAT", 64ull << 30, 65536, "TWELVE CHARS", TFormatLimit::BadLabel},
        LimitCase{"NTFS", 2ull << 40, 65536, "a label of thirty-two characters", TFormatLimit::Ok},
        LimitCase{"NTFS", 512 << 10, 65536, "", TFormatLimit::VolumeTooSmall}));

struct PlanCase {
  int fileSystem;
  std::uint64_t volumeBytes;
  std::uint32_t firstCluster;  // 0: refused
  bool smallerRetry;
};

class FormatPlanTest : public ::testing::TestWithParam<PlanCase> {};

// 64 KiB where the rules allow it, 32 KiB at once where only it is
// allowed, the 32 KiB retry only where it would be allowed.
TEST_P(FormatPlanTest, ChoosesTheUnitsTheLibraryAllows) {
  const PlanCase& c = GetParam();
  const TFormatPlan plan = PlanFormat(c.fileSystem, "FAT32", c.volumeBytes, "Q:", ".");
  EXPECT_EQ(plan.firstCluster, c.firstCluster);
  EXPECT_EQ(plan.smallerRetry, c.smallerRetry);
  EXPECT_EQ(plan.refusal.empty(), c.firstCluster != 0) << plan.refusal;
  EXPECT_EQ(plan.note.empty(), c.firstCluster != 32768) << plan.note;
}

INSTANTIATE_TEST_SUITE_P(
    Sticks, FormatPlanTest,
    ::testing::Values(PlanCase{2, 16ull << 30, 65536, true},      // FAT32 on 16 GiB: both units allowed
                      PlanCase{2, 3ull << 30, 32768, false},      // 64 KiB gives too few clusters
                      PlanCase{2, 1ull << 30, 0, false},          // neither unit gives enough
                      PlanCase{2, k32GiB + 512, 0, false},        // over 32 GiB
                      PlanCase{1, 3ull << 30, 65536, false},      // FAT: 32 KiB would give too many
                      PlanCase{1, 200ull << 20, 32768, false},    // FAT: 64 KiB gives too few
                      PlanCase{3, 256ull << 30, 65536, true}));   // exFAT has room for any stick

TEST(FormatPlanTest, TheRefusalOfALargeFat32NamesTheRuleAndTheWayOut) {
  EXPECT_EQ(PlanFormat(2, "FAT32", 64ull << 30, "Q:", ".").refusal,
            "Drive Q: cannot be formatted as FAT32: Windows formats FAT32 only up to 32 GB; exFAT or NTFS hold this "
            "stick.");
}

}  // namespace
}  // namespace sw
