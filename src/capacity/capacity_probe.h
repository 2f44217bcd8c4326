// The real capacity probe: finds out whether a USB stick holds as much as
// it reports. Counterfeit sticks report a large size over a small flash;
// what is written past the real size is dropped or lands on another block.
// The probe writes self-describing blocks across the reported size, makes
// sure the drive's write cache no longer answers for them, reads them back,
// and puts every block it changed back as it was, on every way out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sw {

class IBlockDevice;

struct TProbeOptions {
  std::uint64_t runTag = 0;                     // random per run; written into every probe block
  std::function<bool()> stopRequested;          // asked between blocks; true ends the probe (Cancelled) after putting everything back
  std::function<void(int percent)> onProgress;  // optional
};

enum class TProbeVerdict { Genuine, Counterfeit, Failed, Cancelled };

struct TProbeResult {
  TProbeVerdict verdict = TProbeVerdict::Failed;
  std::uint64_t claimedBytes = 0;                 // Size()
  std::uint64_t realBytes = 0;                    // the highest usable size found (== claimed for genuine)
  std::uint64_t bytesWritten = 0, bytesRead = 0;  // what the probe cost, restore included
  std::string problem;                            // why it Failed, in words
  std::vector<std::uint64_t> notPutBack;          // offsets of saved blocks that could not be written back
};

// How hard the probe works. The defaults beat a write cache of up to
// 512 MiB, find the real size to within 1 MiB and write at most 1 GiB in
// all; on sticks too large for that budget the probes are spread wider.
struct TProbePlan {
  std::uint64_t largestCacheBytes = std::uint64_t{512} << 20;  // the largest write cache a stick is assumed to have
  std::uint64_t writeBudgetBytes = std::uint64_t{1} << 30;     // everything written, putting back included
  std::uint64_t resolutionBytes = std::uint64_t{1} << 20;      // distance between probes: the real size's precision
};

// Probes `device`. Never throws; the callbacks run on the calling thread.
TProbeResult ProbeCapacity(IBlockDevice& device, const TProbeOptions& options);
TProbeResult ProbeCapacity(IBlockDevice& device, const TProbeOptions& options, const TProbePlan& plan);

}  // namespace sw
