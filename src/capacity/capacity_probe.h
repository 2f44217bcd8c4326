// The real capacity probe: finds out whether a USB stick holds as much as
// it reports. Counterfeit sticks report a large size over a small flash;
// what is written past the real size is dropped or lands on another block.
// The probe searches for the real size with self-describing blocks (a
// number of writes that grows with the logarithm of the size), makes sure
// the drive's write cache no longer answers for them before it trusts a
// read, and puts every block it changed back as it was, on every way out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sw {

class IBlockDevice;

// A block as it was before the probe changed it.
struct TSavedBlockView {
  std::uint64_t offset = 0;
  const std::byte* data = nullptr;
  std::uint32_t size = 0;
};

// Where the probe stands: blocks written of those planned (the plan grows
// while the search narrows) and the same as seconds at the plan's prices.
struct TProbeProgress {
  std::uint64_t blocksDone = 0, blocksPlanned = 0;
  double secondsDone = 0, secondsPlanned = 0;
  int percent = 0;
};

struct TProbeOptions {
  std::uint64_t runTag = 0;                     // random per run; written into every probe block
  std::function<bool()> stopRequested;          // asked between transfers; true ends the probe (Cancelled) after putting everything back
  std::function<void(const TProbeProgress&)> onProgress;  // optional
  // Told the blocks about to be changed, as they are now, before the first
  // of them is written (once per batch, in write order). False, with why,
  // stops the probe before it writes them. Unset: nothing is journalled.
  std::function<bool(const std::vector<TSavedBlockView>&, std::string& why)> journal;
};

enum class TProbeVerdict { Genuine, Counterfeit, Failed, Cancelled };

struct TProbeResult {
  TProbeVerdict verdict = TProbeVerdict::Failed;
  std::uint64_t claimedBytes = 0;     // Size()
  std::uint64_t realBytes = 0;        // proven usable from the start (== claimed for genuine)
  std::uint64_t realBytesAtMost = 0;  // the first block found not to keep its data (== claimed for genuine)
  std::uint64_t bytesWritten = 0, bytesRead = 0;  // what the probe cost, putting back included
  std::uint64_t writes = 0, scatteredWrites = 0, reads = 0;
  double modelledSeconds = 0;         // at the plan's prices
  std::string problem;                // why it Failed, in words
  std::uint32_t refusedError = 0;     // the system error of a write the stick refused; 0: none
  std::vector<std::uint64_t> notPutBack;  // offsets of saved blocks that could not be written back
};

// How hard the probe works and what a transfer is taken to cost. The
// defaults beat a write cache of up to 512 MiB, find the real size to
// within 1 MiB where the budget allows and keep to 1 GiB written, 2,150
// scattered writes and 115 s at the prices of a slow stick.
struct TProbePlan {
  std::uint64_t largestCacheBytes = std::uint64_t{512} << 20;  // the largest write cache a stick is assumed to have
  std::uint64_t writeBudgetBytes = std::uint64_t{1} << 30;     // everything written, putting back included
  std::uint64_t resolutionBytes = std::uint64_t{1} << 20;      // grid of the probes: the real size's precision
  std::uint32_t scatteredWriteBudget = 2150;
  double secondsBudget = 115;
  std::uint32_t spreadProbes = 500;   // first round, evenly spread
  std::uint32_t randomProbes = 8;     // first round, anywhere
  double writeLatencyMs = 25.7, readLatencyUs = 112, writeMBs = 20, readMBs = 60;
};

// Probes `device`. Never throws; the callbacks run on the calling thread.
TProbeResult ProbeCapacity(IBlockDevice& device, const TProbeOptions& options);
TProbeResult ProbeCapacity(IBlockDevice& device, const TProbeOptions& options, const TProbePlan& plan);

}  // namespace sw
