// Runs the real capacity probe with its default plan against 24 simulated
// sticks (genuine, wrapping and losing writes; 8 to 256 GB claimed; write
// caches of 0 to 512 MiB) and prints for each what it found and what it
// cost, with the time it would take at 20 MB/s writing and 60 MB/s reading.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "capacity/capacity_probe.h"
#include "testbed/sim_block_device.h"

namespace {

using sw::TSimStickKind;
constexpr std::uint64_t kMiB = 1 << 20, kGiB = 1 << 30, kGB = 1000000000;
constexpr double kWriteBytesPerSecond = 20e6, kReadBytesPerSecond = 60e6;

struct BenchStick {
  TSimStickKind kind;
  bool stale;
  std::uint64_t claimed, real;
  std::uint32_t cacheMiB;
};

const BenchStick kSticks[] = {
    {TSimStickKind::Genuine, false, 8 * kGB, 8 * kGB, 0},
    {TSimStickKind::Genuine, false, 16 * kGB, 16 * kGB, 32},
    {TSimStickKind::Genuine, false, 16 * kGB, 16 * kGB, 512},
    {TSimStickKind::Genuine, false, 32 * kGB, 32 * kGB, 128},
    {TSimStickKind::Genuine, false, 64 * kGB, 64 * kGB, 512},
    {TSimStickKind::Genuine, false, 128 * kGB, 128 * kGB, 256},
    {TSimStickKind::Genuine, false, 256 * kGB, 256 * kGB, 0},
    {TSimStickKind::Genuine, false, 256 * kGB, 256 * kGB, 512},
    {TSimStickKind::Wrap, false, 8 * kGB, 7812480 * std::uint64_t{512}, 128},
    {TSimStickKind::Wrap, false, 16 * kGB, 8 * kGiB, 0},
    {TSimStickKind::Wrap, false, 32 * kGB, 4 * kGiB, 64},
    {TSimStickKind::Wrap, false, 64 * kGB, 8 * kGiB, 512},
    {TSimStickKind::Wrap, false, 64 * kGB, 29 * kGiB + 123 * 512, 32},
    {TSimStickKind::Wrap, false, 128 * kGB, 16 * kGiB, 256},
    {TSimStickKind::Wrap, false, 256 * kGB, 32 * kGiB, 512},
    {TSimStickKind::Wrap, false, 256 * kGB, 14648437 * std::uint64_t{512}, 512},
    {TSimStickKind::Limbo, false, 8 * kGB, 7 * kGB, 512},
    {TSimStickKind::Limbo, true, 16 * kGB, 4 * kGiB, 512},
    {TSimStickKind::Limbo, false, 32 * kGB, 16 * kGB - kMiB, 256},
    {TSimStickKind::Limbo, true, 64 * kGB, 60 * kGB, 0},
    {TSimStickKind::Limbo, false, 128 * kGB, 8 * kGiB, 512},
    {TSimStickKind::Limbo, true, 128 * kGB, 127 * kGB, 512},
    {TSimStickKind::Limbo, true, 256 * kGB, 128 * kGiB + 511 * 512, 128},
    {TSimStickKind::Limbo, false, 256 * kGB, 250 * kGB, 512},
};

const char* KindText(const BenchStick& stick) {
  switch (stick.kind) {
    case TSimStickKind::Genuine: return "genuine";
    case TSimStickKind::Wrap: return "wrap";
    default: return stick.stale ? "limbo-stale" : "limbo-zeros";
  }
}

const char* VerdictText(sw::TProbeVerdict verdict) {
  switch (verdict) {
    case sw::TProbeVerdict::Genuine: return "genuine";
    case sw::TProbeVerdict::Counterfeit: return "counterfeit";
    case sw::TProbeVerdict::Cancelled: return "cancelled";
    default: return "failed";
  }
}

double GB(std::uint64_t bytes) { return static_cast<double>(bytes) / kGB; }
double MiB(std::uint64_t bytes) { return static_cast<double>(bytes) / kMiB; }

}  // namespace

int main() {
  int right = 0, genuineCalledCounterfeit = 0, counterfeitMissed = 0;
  double worstOffMiB = 0, mostWrittenMiB = 0, longestSeconds = 0;
  std::printf("%-12s %9s %13s %7s  %-11s %13s %9s %8s %8s %7s\n", "kind", "claimed", "real", "cache", "verdict", "found",
              "short by", "written", "read", "time");
  for (std::size_t i = 0; i < std::size(kSticks); ++i) {
    const BenchStick& stick = kSticks[i];
    sw::TSimBlockDevice device({.claimedBytes = stick.claimed, .realBytes = stick.real, .kind = stick.kind,
                                .limboReadsStale = stick.stale, .cacheMiB = stick.cacheMiB, .contentSeed = i});
    sw::TProbeOptions options;
    options.runTag = 0x6a09e667f3bcc908 ^ i;
    const sw::TProbeResult result = sw::ProbeCapacity(device, options);

    const bool genuine = stick.kind == TSimStickKind::Genuine;
    const double seconds = result.bytesWritten / kWriteBytesPerSecond + result.bytesRead / kReadBytesPerSecond;
    const double offMiB = MiB(stick.real - std::min(stick.real, result.realBytes));
    bool correct = result.bytesWritten <= kGiB && result.notPutBack.empty() && device.ChangedOffsets().empty();
    if (genuine) {
      correct = correct && result.verdict == sw::TProbeVerdict::Genuine && result.realBytes == stick.claimed;
      genuineCalledCounterfeit += result.verdict == sw::TProbeVerdict::Counterfeit;
    } else {
      correct = correct && result.verdict == sw::TProbeVerdict::Counterfeit && result.realBytes <= stick.real &&
                offMiB < 1;
      counterfeitMissed += result.verdict == sw::TProbeVerdict::Genuine;
      if (result.verdict == sw::TProbeVerdict::Counterfeit)
        worstOffMiB = std::max(worstOffMiB, result.realBytes <= stick.real ? offMiB : 1e9);
    }
    right += correct;
    mostWrittenMiB = std::max(mostWrittenMiB, MiB(result.bytesWritten));
    longestSeconds = std::max(longestSeconds, seconds);
    std::printf("%-12s %6.0f GB %10.3f GB %3u MiB  %-11s %10.3f GB %5.2f MiB %4.0f MiB %4.0f MiB %5.1f s%s%s\n",
                KindText(stick), GB(stick.claimed), GB(stick.real), stick.cacheMiB, VerdictText(result.verdict),
                GB(result.realBytes), offMiB, MiB(result.bytesWritten), MiB(result.bytesRead), seconds,
                correct ? "" : "  WRONG ", result.problem.c_str());
  }
  std::printf(
      "capacity probe: %zu sticks, %d right, %d genuine called counterfeit, %d counterfeit missed, real size off by at "
      "most %.0f MiB, at most %.0f MiB written, at most %.0f s\n",
      std::size(kSticks), right, genuineCalledCounterfeit, counterfeitMissed, std::ceil(worstOffMiB),
      std::ceil(mostWrittenMiB), std::ceil(longestSeconds));
  return right == static_cast<int>(std::size(kSticks)) ? 0 : 1;
}
