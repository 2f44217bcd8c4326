// Runs the real capacity probe with its default plan against simulated
// sticks (genuine, wrapping and losing writes; 1 GB to 2 TB claimed; real
// sizes on and off a power of two, some within 1 MiB of the claim; write
// caches of 0 to 512 MiB) priced as a slow real stick: 25.7 ms a scattered
// write, 112 us a scattered read, 20 MB/s written and 60 MB/s read in
// sequence. It prints for each what it found and what it cost, then one
// line for all.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "capacity/capacity_probe.h"
#include "testbed/sim_block_device.h"

namespace {

using sw::TSimStickKind;
constexpr std::uint64_t kMiB = 1 << 20, kGiB = 1 << 30, kGB = 1000000000, kTB = 1000 * kGB;
constexpr sw::TSimCosts kSlowStick{.probeWriteMs = 25.7, .probeReadUs = 112, .seqWriteMBs = 20, .seqReadMBs = 60};
constexpr std::uint64_t kMostScatteredWrites = 2200;
constexpr double kMostSeconds = 120;

struct BenchStick {
  TSimStickKind kind;
  bool stale;
  std::uint64_t claimed, real;
  std::uint32_t cacheMiB;
};

const BenchStick kSticks[] = {
    {TSimStickKind::Genuine, false, 1 * kGB, 1 * kGB, 0},
    {TSimStickKind::Genuine, false, 8 * kGB, 8 * kGB, 64},
    {TSimStickKind::Genuine, false, 16 * kGB, 16 * kGB, 0},
    {TSimStickKind::Genuine, false, 64 * kGB, 64 * kGB, 512},
    {TSimStickKind::Genuine, false, 256 * kGB, 256 * kGB, 128},
    {TSimStickKind::Genuine, false, 2 * kTB, 2 * kTB, 512},
    {TSimStickKind::Genuine, false, 2 * kTB, 2 * kTB, 0},
    {TSimStickKind::Wrap, false, 1 * kGB, 1 * kGB - 3 * 512, 16},
    {TSimStickKind::Wrap, false, 8 * kGB, 7812480 * std::uint64_t{512}, 128},
    {TSimStickKind::Wrap, false, 16 * kGB, 8 * kGiB, 0},
    {TSimStickKind::Wrap, false, 32 * kGB, 4 * kGiB, 64},
    {TSimStickKind::Wrap, false, 64 * kGB, 29 * kGiB + 123 * 512, 32},
    {TSimStickKind::Wrap, false, 256 * kGB, 32 * kGiB, 512},
    {TSimStickKind::Wrap, false, 2 * kTB, 64 * kGiB, 256},
    {TSimStickKind::Wrap, false, 2 * kTB, 2 * kTB - 700 * 1024, 0},
    {TSimStickKind::Limbo, false, 1 * kGB, 1 * kGB - 512, 512},
    {TSimStickKind::Limbo, false, 8 * kGB, 7 * kGB, 0},
    {TSimStickKind::Limbo, false, 32 * kGB, 16 * kGB - kMiB, 256},
    {TSimStickKind::Limbo, false, 128 * kGB, 8 * kGiB + 77 * 512, 64},
    {TSimStickKind::Limbo, false, 256 * kGB, 250 * kGB, 0},
    {TSimStickKind::Limbo, false, 2 * kTB, 2 * kTB - 300 * 1024, 32},
    {TSimStickKind::Limbo, true, 16 * kGB, 4 * kGiB, 512},
    {TSimStickKind::Limbo, true, 64 * kGB, 60 * kGB, 0},
    {TSimStickKind::Limbo, true, 128 * kGB, 127 * kGB, 128},
    {TSimStickKind::Limbo, true, 256 * kGB, 128 * kGiB + 511 * 512, 16},
    {TSimStickKind::Limbo, true, 2 * kTB, 61500 * kMiB + 1536, 448},
    {TSimStickKind::Limbo, true, 2 * kTB, 100 * kGB, 512},
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
  std::uint64_t mostScattered = 0;
  double mostWrittenMiB = 0, longestSeconds = 0;
  std::printf("%-11s %8s %12s %5s  %-11s %12s %9s %6s %6s %6s %5s %6s\n", "kind", "claimed", "real", "cache",
              "verdict", "found", "within", "writes", "scatt.", "reads", "MiB", "time");
  for (std::size_t i = 0; i < std::size(kSticks); ++i) {
    const BenchStick& stick = kSticks[i];
    sw::TSimBlockDevice device({.claimedBytes = stick.claimed, .realBytes = stick.real, .kind = stick.kind,
                                .limboReadsStale = stick.stale, .cacheMiB = stick.cacheMiB, .contentSeed = i,
                                .costs = kSlowStick});
    sw::TProbeOptions options;
    options.runTag = 0x6a09e667f3bcc908 ^ i;
    const sw::TProbeResult result = sw::ProbeCapacity(device, options);

    const bool genuine = stick.kind == TSimStickKind::Genuine;
    const std::uint64_t real = genuine ? device.Size() : stick.real;
    const double seconds = device.ModelledSeconds();
    bool correct = result.notPutBack.empty() && device.ChangedOffsets().empty() && result.realBytes <= real &&
                   real <= result.realBytesAtMost && device.BytesWritten() <= kGiB &&
                   device.ScatteredWrites() <= kMostScatteredWrites && seconds <= kMostSeconds;
    if (genuine) {
      correct = correct && result.verdict == sw::TProbeVerdict::Genuine;
      genuineCalledCounterfeit += result.verdict == sw::TProbeVerdict::Counterfeit;
    } else {
      correct = correct && result.verdict == sw::TProbeVerdict::Counterfeit;
      counterfeitMissed += result.verdict == sw::TProbeVerdict::Genuine;
    }
    right += correct;
    mostScattered = std::max(mostScattered, device.ScatteredWrites());
    mostWrittenMiB = std::max(mostWrittenMiB, MiB(device.BytesWritten()));
    longestSeconds = std::max(longestSeconds, seconds);
    std::printf("%-11s %5.0f GB %9.3f GB %3u M  %-11s %9.3f GB %5.1f MiB %6llu %6llu %6llu %5.0f %5.1fs%s%s\n",
                KindText(stick), GB(stick.claimed), GB(real), stick.cacheMiB, VerdictText(result.verdict),
                GB(result.realBytes), MiB(result.realBytesAtMost - result.realBytes),
                static_cast<unsigned long long>(device.Writes()),
                static_cast<unsigned long long>(device.ScatteredWrites()),
                static_cast<unsigned long long>(device.Reads()), MiB(device.BytesWritten()), seconds,
                correct ? "" : "  WRONG ", result.problem.c_str());
  }
  std::printf(
      "capacity probe: %zu sticks, %d right, %d genuine called counterfeit, %d counterfeit missed, at most %llu "
      "scattered writes, at most %.0f MiB written, at most %.0f s modelled\n",
      std::size(kSticks), right, genuineCalledCounterfeit, counterfeitMissed,
      static_cast<unsigned long long>(mostScattered), std::ceil(mostWrittenMiB), std::ceil(longestSeconds));
  return right == static_cast<int>(std::size(kSticks)) ? 0 : 1;
}
