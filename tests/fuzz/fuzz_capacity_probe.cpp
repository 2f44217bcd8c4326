// The capacity probe on any simulated stick (genuine, wrapping or losing
// writes, with a write cache) and any fault point: a genuine stick is never
// called counterfeit, the real size lies within the bracket the probe
// names, the budget holds, and every block is put back unless the stick
// vanished, in which case the probe says so.
#include <fuzzer/FuzzedDataProvider.h>

#include "capacity/capacity_probe.h"
#include "fuzz_check.h"
#include "testbed/sim_block_device.h"

using namespace sw;
constexpr std::uint64_t kMiB = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  TSimStickDescription stick;
  stick.kind = static_cast<TSimStickKind>(in.ConsumeIntegralInRange(0, 2));
  stick.sectorSize = in.ConsumeIntegralInRange(0, 7) == 0 ? 4096 : 512;
  stick.claimedBytes = in.ConsumeIntegralInRange<std::uint64_t>(64, 2048) * kMiB +
                       in.ConsumeIntegralInRange<std::uint64_t>(0, 4095) * stick.sectorSize;
  stick.realBytes = in.ConsumeIntegralInRange<std::uint64_t>(1, stick.claimedBytes);
  stick.limboReadsStale = in.ConsumeBool();
  TProbePlan plan;
  plan.largestCacheBytes = in.ConsumeIntegralInRange<std::uint64_t>(0, 32) * kMiB;
  plan.resolutionBytes = std::uint64_t{64} << 10 << in.ConsumeIntegralInRange(0, 4);
  stick.cacheMiB = static_cast<std::uint32_t>(in.ConsumeIntegralInRange<std::uint64_t>(0, plan.largestCacheBytes / kMiB));
  const int fault = in.ConsumeIntegralInRange(0, 3);  // none, a failing write, the stick gone, a stop request
  const auto faultAt = in.ConsumeIntegralInRange<std::uint64_t>(1, 6000);
  stick.failWriteNumber = fault == 1 ? faultAt : 0;
  stick.goneAfterCalls = fault == 2 ? faultAt : 0;
  stick.contentSeed = in.ConsumeIntegral<std::uint64_t>();

  TSimBlockDevice device(stick);
  std::uint64_t asks = 0;
  TProbeOptions options;
  options.runTag = in.ConsumeIntegral<std::uint64_t>();
  options.stopRequested = [&] { return fault == 3 && ++asks >= faultAt; };
  int lastPercent = -1;
  options.onProgress = [&](const TProbeProgress& progress) {
    FUZZ_CHECK(progress.percent >= lastPercent && progress.percent <= 100);
    FUZZ_CHECK(progress.blocksDone <= progress.blocksPlanned);
    lastPercent = progress.percent;
  };
  const TProbeResult result = ProbeCapacity(device, options, plan);

  const std::uint64_t sector = stick.sectorSize, claimed = device.Size();
  const std::uint64_t real = stick.kind == TSimStickKind::Genuine ? claimed : std::max(stick.realBytes / sector * sector, sector);
  const std::uint64_t spacing = std::max<std::uint64_t>(plan.resolutionBytes, sector) / sector * sector;
  FUZZ_CHECK(result.claimedBytes == claimed && lastPercent == 100);
  FUZZ_CHECK(result.bytesWritten == device.BytesWritten() && result.bytesRead == device.BytesRead());
  FUZZ_CHECK(result.refusedError == 0 || result.verdict == TProbeVerdict::Failed);
  FUZZ_CHECK((result.verdict == TProbeVerdict::Failed) == !result.problem.empty());
  FUZZ_CHECK(real < claimed || result.verdict != TProbeVerdict::Counterfeit);
  if (result.verdict == TProbeVerdict::Counterfeit) FUZZ_CHECK(result.realBytes <= real && real <= result.realBytesAtMost);
  if (result.verdict == TProbeVerdict::Genuine) FUZZ_CHECK(result.realBytes == claimed);
  if (fault != 2) {
    FUZZ_CHECK(result.notPutBack.empty() && device.ChangedOffsets().empty());
  } else if (!device.ChangedOffsets().empty()) {
    FUZZ_CHECK(!result.notPutBack.empty() && result.verdict == TProbeVerdict::Failed);
  }
  if (fault == 0) {
    FUZZ_CHECK(result.bytesWritten <= plan.writeBudgetBytes);
    // No miss when the cache can be flushed: the stick holds more than twice the largest cache.
    if (claimed >= 2 * (plan.largestCacheBytes + spacing) + spacing)
      FUZZ_CHECK(result.verdict == (real < claimed ? TProbeVerdict::Counterfeit : TProbeVerdict::Genuine));
  }
  return 0;
}
