// The capacity probe against simulated sticks: its verdict and the real
// size it finds, that every block it touched holds what it held before,
// also after a stop request, a failing or refused write or a stick that
// vanished, and that every block is journalled before it is changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
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
  ProbedStick(const TSimStickDescription& description, const TProbePlan& plan, std::uint64_t stopAfterAsks = 0,
              std::function<bool(const std::vector<TSavedBlockView>&, std::string&)> journal = nullptr)
      : stick(description), device(stick), recorder(device) {
    TProbeOptions options;
    options.runTag = 0x5eed0000 + stick.claimedBytes;
    options.stopRequested = [&, asks = std::uint64_t{0}]() mutable { return stopAfterAsks && ++asks >= stopAfterAsks; };
    options.journal = std::move(journal);
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
  std::uint64_t widestBracket = MiB;  // how far apart the real size's two bounds may lie
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
  EXPECT_GE(result.realBytesAtMost, real);
  EXPECT_LT(result.realBytesAtMost - result.realBytes, c.widestBracket);
  EXPECT_LE(result.bytesWritten, GiB);
  EXPECT_LE(result.scatteredWrites, 2200u);
  EXPECT_EQ(result.bytesWritten, probed.device.BytesWritten());
  EXPECT_EQ(result.bytesRead, probed.device.BytesRead());
  EXPECT_EQ(result.scatteredWrites, probed.device.ScatteredWrites());
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
        VerdictCase{"wrap_inside_the_top_block", Stick(TSimStickKind::Wrap, 2 * GiB, 2 * GiB - 3 * MiB - 512, 16), kSmallCachePlan},
        VerdictCase{"wrap_in_the_last_MiB", Stick(TSimStickKind::Wrap, 2 * GiB, 2 * GiB - 700 * 512, 0), kSmallCachePlan},
        VerdictCase{"limbo_zeros_cached", Stick(TSimStickKind::Limbo, 4 * GiB, 3 * GiB - 5 * 512, 16), kSmallCachePlan},
        VerdictCase{"limbo_stale_cached", Stick(TSimStickKind::Limbo, 2 * GiB, 512 * MiB, 16, true), kSmallCachePlan},
        VerdictCase{"limbo_on_a_grid_step", Stick(TSimStickKind::Limbo, 2 * GiB, 777 * MiB, 4), kSmallCachePlan},
        VerdictCase{"limbo_one_sector_past_a_grid_step", Stick(TSimStickKind::Limbo, 2 * GiB, 777 * MiB + 512, 4, true), kSmallCachePlan},
        VerdictCase{"limbo_below_the_first_round", Stick(TSimStickKind::Limbo, 2 * GiB, 2 * MiB + 512, 0), kSmallCachePlan},
        VerdictCase{"limbo_last_sector_only", Stick(TSimStickKind::Limbo, 1 * GiB + 512, GiB, 0), kSmallCachePlan},
        VerdictCase{"default_plan_limbo_256MiB_cache", Stick(TSimStickKind::Limbo, 16 * GB, 4 * GiB + 12345 * 512, 256, true), {}},
        // A cache this large leaves the budget no second round: the first round's spread is the bracket.
        VerdictCase{"default_plan_limbo_512MiB_cache", Stick(TSimStickKind::Limbo, 16 * GB, 4 * GiB + 12345 * 512, 512, true), {}, 33 * MiB},
        VerdictCase{"default_plan_wrap_256MiB_cache", Stick(TSimStickKind::Wrap, 32 * GB, 8 * GiB, 256), {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The writes grow with the logarithm of the size: a stick 64 times larger
// costs the same first round and a few more probes.
TEST(ProbeCost, GrowsWithTheLogarithmOfTheSize) {
  const ProbedStick small(Stick(TSimStickKind::Limbo, 2 * GiB, GiB + 4096, 0), kSmallCachePlan);
  const ProbedStick large(Stick(TSimStickKind::Limbo, 128 * GiB, 64 * GiB + 4096, 0), kSmallCachePlan);
  ASSERT_EQ(large.result.verdict, TProbeVerdict::Counterfeit);
  EXPECT_LT(large.result.writes, small.result.writes + 100);
}

// The faults, each on a 2 GiB stick: the first round saves and writes 512
// blocks, flushes about 17 MiB and reads 512 blocks back and 511 sectors
// for wraps.
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
                      FaultCase{"stop_among_the_probes", TSimStickKind::Wrap, 800, 0, TProbeVerdict::Cancelled},
                      FaultCase{"stop_during_the_flush", TSimStickKind::Limbo, 1030, 0, TProbeVerdict::Cancelled},
                      FaultCase{"stop_while_reading_back", TSimStickKind::Genuine, 1300, 0, TProbeVerdict::Cancelled},
                      FaultCase{"stop_while_looking_for_wraps", TSimStickKind::Genuine, 1800, 0, TProbeVerdict::Cancelled},
                      FaultCase{"stop_in_a_later_round", TSimStickKind::Limbo, 2075, 0, TProbeVerdict::Cancelled},
                      FaultCase{"first_write_fails", TSimStickKind::Genuine, 0, 1, TProbeVerdict::Failed},
                      FaultCase{"probe_write_fails_after_wraps", TSimStickKind::Wrap, 0, 400, TProbeVerdict::Failed},
                      FaultCase{"flush_write_fails", TSimStickKind::Limbo, 0, 515, TProbeVerdict::Failed},
                      FaultCase{"put_back_fails_once", TSimStickKind::Wrap, 0, 600, TProbeVerdict::Counterfeit}),
    [](const auto& info) { return std::string(info.param.name); });

// A write-protected stick refuses every write: the check fails and says
// so, and never calls the stick counterfeit.
TEST(ProbeRefusal, AWriteTheStickRefusesIsNotALostBlock) {
  TSimStickDescription stick = Stick(TSimStickKind::Limbo, 2 * GiB, GiB, 0);
  stick.writeProtected = true;
  const ProbedStick probed(stick, kSmallCachePlan);
  EXPECT_EQ(probed.result.verdict, TProbeVerdict::Failed);
  EXPECT_EQ(probed.result.refusedError, kSimErrorWriteProtect);
  EXPECT_NE(probed.result.problem.find("the stick refused the write"), std::string::npos) << probed.result.problem;
  EXPECT_NE(probed.result.problem.find("(error 19)"), std::string::npos) << probed.result.problem;
  probed.ExpectAllPutBack();
}

// A stick that vanishes right after a write: every block left changed is
// named, and at most one more (the write that failed may have landed),
// whatever the probe was doing (among the probes, the flush, the reads
// back or the putting back).
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
  const std::vector<std::uint64_t> changed = probed.ChangedBlocks();
  EXPECT_TRUE(std::includes(named.begin(), named.end(), changed.begin(), changed.end()));
  EXPECT_LE(named.size(), changed.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(Calls, ProbeGone, ::testing::Values(520, 700, 1040, 1300, 1900, 2400));

// Every write lands on sectors the journal already holds, and the journal
// holds them as they were before the probe's first write.
TEST(ProbeJournal, HoldsEveryBlockBeforeItIsWritten) {
  std::map<std::uint64_t, std::vector<std::byte>> journalled;  // sector -> as journalled first
  TSimBlockDevice* stickSeen = nullptr;
  std::uint64_t batches = 0;
  struct Checker : TForwardingBlockDevice {
    using TForwardingBlockDevice::TForwardingBlockDevice;
    // A sector whose write changes what the stick holds must be journalled by then.
    bool Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) override {
      std::vector<std::byte> now(512);
      for (std::uint32_t at = 0; at < size; at += 512) {
        stick->ReadSettled(offset + at, now.data(), 512);
        if (std::memcmp(now.data(), static_cast<const std::byte*>(data) + at, 512) != 0)
          uncovered += journal->count(offset + at) == 0;
      }
      return TForwardingBlockDevice::Write(offset, data, size, error);
    }
    const TSimBlockDevice* stick = nullptr;
    std::map<std::uint64_t, std::vector<std::byte>>* journal = nullptr;
    std::uint64_t uncovered = 0;
  };
  TSimStickDescription description = Stick(TSimStickKind::Limbo, 2 * GiB, 700 * MiB + 512, 4, true);
  TSimBlockDevice stick(description);
  const TSimBlockDevice twin(description);
  stickSeen = &stick;
  Checker checker(stick);
  checker.journal = &journalled;
  checker.stick = &stick;
  TProbeOptions options;
  options.runTag = 77;
  options.journal = [&](const std::vector<TSavedBlockView>& blocks, std::string&) {
    ++batches;
    for (const TSavedBlockView& block : blocks)
      for (std::uint32_t at = 0; at < block.size; at += 512)
        journalled.try_emplace(block.offset + at, block.data + at, block.data + at + 512);
    return true;
  };
  const TProbeResult result = ProbeCapacity(checker, options, kSmallCachePlan);
  ASSERT_EQ(result.verdict, TProbeVerdict::Counterfeit) << result.problem;
  EXPECT_GT(batches, 1u) << "the later rounds journal their own blocks";
  std::vector<std::byte> original(512);
  std::uint64_t wrong = 0;
  for (const auto& [offset, data] : journalled) {
    twin.ReadSettled(offset, original.data(), 512);
    wrong += offset < description.realBytes && data != original;
  }
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(checker.uncovered, 0u);
  EXPECT_EQ(stickSeen->ChangedOffsets(), std::vector<std::uint64_t>{});
}

TEST(ProbeJournal, AJournalThatCannotBeWrittenStopsTheProbeBeforeItsFirstWrite) {
  TSimBlockDevice stick(Stick(TSimStickKind::Genuine, 2 * GiB, 0, 0));
  TProbeOptions options;
  options.journal = [](const std::vector<TSavedBlockView>&, std::string& why) {
    why = "the backup folder's disk is full";
    return false;
  };
  const TProbeResult result = ProbeCapacity(stick, options, kSmallCachePlan);
  EXPECT_EQ(result.verdict, TProbeVerdict::Failed);
  EXPECT_NE(result.problem.find("the backup folder's disk is full"), std::string::npos) << result.problem;
  EXPECT_EQ(stick.BytesWritten(), 0u);
}

}  // namespace
}  // namespace sw
