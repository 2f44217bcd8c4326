// The capacity probe against simulated sticks: its verdict and the real
// size it finds, and that every block it touched holds what it held before,
// also after a stop request, a failing write or a stick that vanished.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <utility>
#include <vector>

#include "capacity/capacity_probe.h"
#include "testbed/sim_block_device.h"

namespace sw {
namespace {

constexpr std::uint64_t MiB = 1 << 20, GiB = 1 << 30, GB = 1000000000;
const TProbePlan kSmallCachePlan{16 * MiB};  // keeps each run short; the defaults run in the last rows

// Passes every call on and keeps the ranges written.
class WriteRecorder : public TForwardingBlockDevice {
 public:
  using TForwardingBlockDevice::TForwardingBlockDevice;
  bool Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) override {
    written.emplace_back(offset, size);
    return TForwardingBlockDevice::Write(offset, data, size, error);
  }
  std::vector<std::pair<std::uint64_t, std::uint32_t>> written;
};

// One probe of a simulated stick, and the stick's content compared with an
// untouched twin.
struct ProbedStick {
  ProbedStick(const TSimStickDescription& description, const TProbePlan& plan, std::uint64_t stopAfterAsks = 0)
      : stick(description), device(stick), recorder(device) {
    TProbeOptions options;
    options.runTag = 0x5eed0000 + stick.claimedBytes;
    options.stopRequested = [&, asks = std::uint64_t{0}]() mutable { return stopAfterAsks && ++asks >= stopAfterAsks; };
    result = ProbeCapacity(recorder, options, plan);
  }

  // Offsets of the written blocks that read differently from the twin, as
  // the stick reads once plugged in again; ascending, each once.
  std::vector<std::uint64_t> ChangedBlocks() const {
    TSimStickDescription original = stick;
    original.failWriteNumber = original.goneAfterCalls = 0;
    const TSimBlockDevice twin(original);
    std::vector<std::uint64_t> changed;
    std::vector<std::byte> before, after;
    for (const auto& [offset, size] : recorder.written) {
      before.resize(size), after.resize(size);
      twin.ReadSettled(offset, before.data(), size);
      device.ReadSettled(offset, after.data(), size);
      if (before != after) changed.push_back(offset);
    }
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    return changed;
  }

  void ExpectAllPutBack() const {
    EXPECT_TRUE(result.notPutBack.empty());
    EXPECT_EQ(ChangedBlocks(), std::vector<std::uint64_t>{});
    EXPECT_EQ(device.ChangedOffsets(), std::vector<std::uint64_t>{}) << "a sector no write named was left changed";
  }

  TSimStickDescription stick;
  TSimBlockDevice device;
  WriteRecorder recorder;
  TProbeResult result;
};

TSimStickDescription Stick(TSimStickKind kind, std::uint64_t claimed, std::uint64_t real, std::uint32_t cacheMiB,
                           bool stale = false) {
  return {.claimedBytes = claimed, .realBytes = real, .kind = kind, .limboReadsStale = stale, .cacheMiB = cacheMiB};
}

struct VerdictCase {
  const char* name;
  TSimStickDescription stick;
  TProbePlan plan;
};

void PrintTo(const VerdictCase& c, std::ostream* out) { *out << c.name; }

class ProbeVerdict : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(ProbeVerdict, FindsTheRealSizeAndPutsEverythingBack) {
  const VerdictCase& c = GetParam();
  const ProbedStick probed(c.stick, c.plan);
  const TProbeResult& result = probed.result;
  const bool genuine = c.stick.kind == TSimStickKind::Genuine;
  ASSERT_EQ(result.verdict, genuine ? TProbeVerdict::Genuine : TProbeVerdict::Counterfeit) << result.problem;
  EXPECT_EQ(result.claimedBytes, c.stick.claimedBytes);
  const std::uint64_t real = genuine ? c.stick.claimedBytes : c.stick.realBytes;
  EXPECT_LE(result.realBytes, real);
  EXPECT_LT(real - result.realBytes, MiB);
  EXPECT_LE(result.bytesWritten, GiB);
  EXPECT_EQ(result.bytesWritten, probed.device.BytesWritten());
  EXPECT_EQ(result.bytesRead, probed.device.BytesRead());
  probed.ExpectAllPutBack();
}

INSTANTIATE_TEST_SUITE_P(
    Sticks, ProbeVerdict,
    ::testing::Values(
        VerdictCase{"genuine_2GiB", Stick(TSimStickKind::Genuine, 2 * GiB, 0, 0), kSmallCachePlan},
        VerdictCase{"genuine_3GB_odd_size_cached", Stick(TSimStickKind::Genuine, 3 * GB + 7 * 512, 0, 16), kSmallCachePlan},
        VerdictCase{"wrap_4GiB_on_1GiB", Stick(TSimStickKind::Wrap, 4 * GiB, GiB, 0), kSmallCachePlan},
        VerdictCase{"wrap_odd_real_size_cached", Stick(TSimStickKind::Wrap, 4 * GiB, GiB + 3 * 512, 16), kSmallCachePlan},
        VerdictCase{"wrap_real_just_below_a_probe", Stick(TSimStickKind::Wrap, 2 * GB, 700 * MiB - 512, 8), kSmallCachePlan},
        VerdictCase{"wrap_more_than_twice", Stick(TSimStickKind::Wrap, 2 * GiB, 300 * MiB + 4096, 16), kSmallCachePlan},
        VerdictCase{"limbo_zeros_cached", Stick(TSimStickKind::Limbo, 4 * GiB, 3 * GiB - 5 * 512, 16), kSmallCachePlan},
        VerdictCase{"limbo_stale_cached", Stick(TSimStickKind::Limbo, 2 * GiB, 512 * MiB, 16, true), kSmallCachePlan},
        VerdictCase{"limbo_last_sector_only", Stick(TSimStickKind::Limbo, 1 * GiB + 512, GiB, 0), kSmallCachePlan},
        VerdictCase{"default_plan_limbo_512MiB_cache", Stick(TSimStickKind::Limbo, 16 * GB, 4 * GiB + 12345 * 512, 512, true), {}},
        VerdictCase{"default_plan_wrap_256MiB_cache", Stick(TSimStickKind::Wrap, 32 * GB, 8 * GiB, 256), {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The faults, each on a 2 GiB stick whose probe makes about 2,050 probe
// writes, 17 flush writes and 2,050 reads back.
struct FaultCase {
  const char* name;
  TSimStickKind kind;
  std::uint64_t stopAfterAsks, failWriteNumber;
  TProbeVerdict verdict;
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

class ProbeFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ProbeFault, PutsEverythingBack) {
  const FaultCase& c = GetParam();
  TSimStickDescription stick = Stick(c.kind, 2 * GiB, GiB + 512, 16);
  stick.failWriteNumber = c.failWriteNumber;
  const ProbedStick probed(stick, kSmallCachePlan, c.stopAfterAsks);
  EXPECT_EQ(probed.result.verdict, c.verdict) << probed.result.problem;
  EXPECT_EQ(probed.result.problem.empty(), c.verdict != TProbeVerdict::Failed);
  probed.ExpectAllPutBack();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProbeFault,
    ::testing::Values(FaultCase{"stop_before_the_first_write", TSimStickKind::Wrap, 1, 0, TProbeVerdict::Cancelled},
                      FaultCase{"stop_among_the_probes", TSimStickKind::Wrap, 1500, 0, TProbeVerdict::Cancelled},
                      FaultCase{"stop_during_the_flush", TSimStickKind::Limbo, 2055, 0, TProbeVerdict::Cancelled},
                      FaultCase{"stop_while_reading_back", TSimStickKind::Genuine, 3000, 0, TProbeVerdict::Cancelled},
                      FaultCase{"first_write_fails", TSimStickKind::Genuine, 0, 1, TProbeVerdict::Failed},
                      FaultCase{"probe_write_fails_after_wraps", TSimStickKind::Wrap, 0, 1800, TProbeVerdict::Failed},
                      FaultCase{"flush_write_fails", TSimStickKind::Limbo, 0, 2055, TProbeVerdict::Failed},
                      FaultCase{"put_back_fails_once", TSimStickKind::Wrap, 0, 2200, TProbeVerdict::Counterfeit}),
    [](const auto& info) { return std::string(info.param.name); });

// A stick that vanishes right after a write: the blocks left changed are
// exactly the ones the result names, whatever the probe was doing (among
// the probes, the flush, the reads back or the putting back).
class ProbeGone : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(ProbeGone, NamesTheBlocksNotPutBack) {
  TSimStickDescription stick = Stick(TSimStickKind::Genuine, 2 * GiB, 0, 16);
  stick.goneAfterCalls = GetParam();
  const ProbedStick probed(stick, kSmallCachePlan);
  const TProbeResult& result = probed.result;
  EXPECT_EQ(result.verdict, TProbeVerdict::Failed);
  EXPECT_NE(result.problem.find("could not be written back"), std::string::npos) << result.problem;
  std::vector<std::uint64_t> named = result.notPutBack;
  std::sort(named.begin(), named.end());
  EXPECT_EQ(probed.ChangedBlocks(), named);
}

INSTANTIATE_TEST_SUITE_P(Calls, ProbeGone, ::testing::Values(2, 1000, 4110, 6000, 8200));

}  // namespace
}  // namespace sw
