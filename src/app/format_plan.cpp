#include "app/format_plan.h"

#include "app/speedup_rules.h"
#include "format/format_limits.h"
#include "platform/locale.h"

namespace sw {
namespace {

constexpr std::uint32_t kLarge = 65536;
constexpr std::uint32_t kSmaller = 32768;

const char* LibraryName(int fileSystemIndex) {
  switch (fileSystemIndex) {
    case kFsFat: return "FAT";
    case kFsFat32: return "FAT32";
    case kFsExfat: return "EXFAT";
    default: return "NTFS";
  }
}

// What the count of clusters of this size breaks, in words.
std::string ClusterRule(int fileSystemIndex, TFormatLimit limit) {
  if (fileSystemIndex == kFsFat32) return "FAT32 needs at least 65,525 clusters";
  if (limit == TFormatLimit::ClusterSizeTooSmall) return "FAT holds at most 65,524 clusters";
  return "FAT needs at least 4,085 clusters";
}

}  // namespace

TFormatPlan PlanFormat(int fileSystemIndex, const std::string& fileSystemName, std::uint64_t volumeBytes,
                       const std::string& drive, const std::string& decimal) {
  TFormatPlan plan;
  const char* name = LibraryName(fileSystemIndex);
  const TFormatLimit large = FormatLimitOf(name, volumeBytes, kLarge);
  const TFormatLimit smaller = FormatLimitOf(name, volumeBytes, kSmaller);
  const std::string cannot = "Drive " + drive + " cannot be formatted as " + fileSystemName + ": ";
  if (fileSystemIndex == kFsFat32 && large == TFormatLimit::VolumeTooBig) {
    plan.refusal = cannot + "Windows formats FAT32 only up to 32 GB; exFAT or NTFS hold this stick.";
  } else if (large != TFormatLimit::Ok && smaller != TFormatLimit::Ok) {
    plan.refusal = cannot + "with clusters of 65536 or 32768 bytes its " + FormatSize(volumeBytes, decimal) +
                   " break the rule that " + ClusterRule(fileSystemIndex, large) + " (" + FormatLimitName(large) +
                   "); exFAT or NTFS hold this stick.";
  } else if (large != TFormatLimit::Ok) {
    plan.firstCluster = kSmaller;
    plan.smallerRetry = false;
    plan.note = "With clusters of 65536 bytes drive " + drive + " would break the rule that " +
                ClusterRule(fileSystemIndex, large) + " (" + FormatLimitName(large) +
                "), so it is formatted with clusters of 32768 bytes.";
  } else if (smaller != TFormatLimit::Ok) {
    plan.smallerRetry = false;  // a second try with 32 KiB would be refused
  }
  if (!plan.refusal.empty()) plan = TFormatPlan{0, false, plan.refusal, {}};
  return plan;
}

}  // namespace sw
