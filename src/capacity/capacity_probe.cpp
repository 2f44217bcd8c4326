#include "capacity/capacity_probe.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <map>
#include <numeric>
#include <set>

#include "capacity/probe_disk.h"
#include "capacity/probe_sector.h"
#include "platform/block_device.h"

// How the probe searches.
//
// The grid: with S the resolution (1 MiB) and b the sector size, the probe
// sector of grid point k is the last sector of the k-th MiB, [kS - b, kS).
// One that reads back intact proves that sector usable; the real size lies
// between the end of the highest intact sector below the lowest one that
// lost its data, and the start of that one.
//
// First round: about 500 grid sectors spread evenly and 8 at random places
// are written from the highest down, then the top block, the last L bytes
// of the stick (4 to 32 MiB), from its start up. Its last sector, the
// newest write of all, is the marker.
//
// Write cache: a cache answers reads of recent writes whatever the flash
// holds, so no read is trusted until the cache has let go of the batch.
// The flush reads and rewrites unchanged, 1 MiB at a time, a region below
// the top block that skips the batch's own sectors, and reads the marker
// before each piece: a marker that no longer reads back was lost and has
// left the cache, and the cache lets go of the oldest writes first, so the
// whole batch has left it too. A marker that stays (a stick that keeps its
// top) is flushed for the largest cache assumed, 520 MiB. The size of the
// cache measured that way prices each further round.
//
// Wrap: a write at A past the real size R lands at A mod R. The top block
// is written last, so nothing overwrites where it landed; reading one
// sector every L below it finds that landing place (every stretch of L
// bytes holds one such sector), and the offset the sector names, less the
// offset it was read at, is a multiple of R: the smallest, R itself, is
// always among them (the landing one period down). Every sector read that
// names another offset adds a multiple of R; their greatest common divisor
// is R. Probes are written from the highest down, so a probe below R is
// only ever overwritten by the top block, and then counts for nothing.
//
// Later rounds (a stick that loses writes, one boundary): grid sectors
// spread evenly between the bracket's ends, a lost sector rewritten as the
// marker, the flush, the reads. The number per round is chosen so that the
// rounds the budgets still allow narrow the bracket to one grid step; when
// the budgets allow no further round, the bracket stays wider and the
// result says so (realBytesAtMost).
//
// Putting back: see probe_disk.h.

namespace sw {
namespace {

using probe::Block;
using probe::Step;

enum class Seen { Good, Bad, Unknown };

class Search {
 public:
  Search(probe::ProbeDisk& disk, IBlockDevice& device, const TProbeOptions& options, const TProbePlan& plan,
         TProbeResult& result)
      : disk_(disk), options_(options), plan_(plan), result_(result), tag_(options.runTag) {
    sector_ = device.SectorSize();
    result_.claimedBytes = device.Size();
  }

  Step Run() {
    if (!Layout()) return Step::Fail;
    buffer_ = probe::AllocateAligned(probe::kMaxTransfer);
    if (const Step step = FirstRound(); step != Step::Go) return step;
    while (!wrapGcd_ && LowestBad() < usable_) {
      std::vector<std::uint64_t> points = NextRound();
      if (points.empty()) break;
      if (const Step step = LaterRound(points); step != Step::Go) return step;
    }
    Conclude();
    return Step::Go;
  }

 private:
  bool Layout() {
    const std::uint32_t b = sector_;
    if (b < 64 || b % 8 != 0 || b > probe::kMaxTransfer || probe::kMaxTransfer % b != 0 ||
        result_.claimedBytes < 64 * std::uint64_t{probe::kMaxTransfer}) {
      result_.problem = "the device reports a sector size of " + std::to_string(b) + " bytes and a size of " +
                        std::to_string(result_.claimedBytes) + " bytes, which the probe cannot use";
      return false;
    }
    usable_ = result_.claimedBytes / b * b;
    grid_ = std::max<std::uint64_t>(plan_.resolutionBytes, b) / b * b;
    const std::uint64_t mib = std::uint64_t{1} << 20;
    topLength_ = std::clamp<std::uint64_t>((usable_ / 65536 + mib - 1) / mib * mib, 4 * mib, 32 * mib);
    topStart_ = usable_ - topLength_;
    const std::uint64_t flush = plan_.largestCacheBytes + plan_.largestCacheBytes / 64;
    flushLength_ = std::min(flush, topStart_) / b * b;
    flushStart_ = topStart_ - flushLength_;
    return true;
  }

  std::uint64_t GridSector(std::uint64_t k) const { return k * grid_ - sector_; }

  // ---- Writing a batch

  // Saves, journals and writes the blocks in order: probe sectors
  // throughout. `pending` receives every sector written.
  Step WriteBatch(const std::vector<Block>& blocks) {
    if (const Step step = disk_.SaveBatch(blocks); step != Step::Go) return step;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      const Block& block = blocks[i];
      if (disk_.StopRequested()) return Step::Stop;
      for (std::uint32_t at = 0; at < block.size; at += sector_)
        probe::FillSector(tag_, block.offset + at, sector_, buffer_.get() + at);
      if (!disk_.WriteSaved(i, buffer_.get(), "writing a probe")) return Step::Fail;
      disk_.Done();
      for (std::uint32_t at = 0; at < block.size; at += sector_) pending_.insert(block.offset + at);
    }
    return Step::Go;
  }

  // True when the marker no longer reads back as written: the cache has
  // let go of it and of everything written before it.
  bool MarkerGone(std::uint64_t marker, Step& step) {
    if (!disk_.Read(marker, buffer_.get(), sector_, "reading the marker")) return (step = Step::Fail), false;
    const auto named = probe::SectorOffset(tag_, buffer_.get(), sector_);
    return !named || *named != marker;
  }

  // Rewrites the flush region unchanged until the marker has left the cache
  // or `limit` bytes are done, skipping the batch's own sectors.
  Step Flush(std::uint64_t marker, std::uint64_t limit, std::uint64_t& flushed, bool& gone) {
    flushed = 0;
    gone = false;
    Step step = Step::Go;
    const std::uint64_t end = flushStart_ + flushLength_;
    for (std::uint64_t at = flushStart_; at < end && flushed < limit;) {
      if (disk_.StopRequested()) return Step::Stop;
      if ((gone = MarkerGone(marker, step)) || step != Step::Go) return step;
      const std::uint64_t pieceEnd = std::min({at + probe::kMaxTransfer, end, at + (limit - flushed)});
      for (std::uint64_t from = at; from < pieceEnd;) {
        auto next = pending_.lower_bound(from);
        const std::uint64_t to = next != pending_.end() && *next < pieceEnd ? *next : pieceEnd;
        if (to > from) {
          const auto size = static_cast<std::uint32_t>(to - from);
          if (!disk_.Read(from, buffer_.get(), size, "reading for the flush") ||
              !disk_.Write(from, buffer_.get(), size, "rewriting for the flush"))
            return Step::Fail;
          flushed += size;
        }
        from = to == pieceEnd ? pieceEnd : to + sector_;
      }
      disk_.Done();
      at = pieceEnd;
    }
    gone = MarkerGone(marker, step);
    return step;
  }

  // ---- Reading back

  void Classify(std::uint64_t offset, const std::byte* data) {
    const auto named = probe::SectorOffset(tag_, data, sector_);
    if (named && *named == offset) {
      seen_[offset] = Seen::Good;
      return;
    }
    if (named) AddWrap(*named > offset ? *named - offset : offset - *named);
    // Overwritten by a later, higher write (the top block): says nothing of
    // its own flash. Holding a lower one's data: it lies past the real size.
    seen_[offset] = named && *named > offset ? Seen::Unknown : Seen::Bad;
  }

  void AddWrap(std::uint64_t distance) { wrapGcd_ = std::gcd(wrapGcd_, distance); }

  Step ReadBack(const std::vector<Block>& blocks) {
    for (const Block& block : blocks) {
      if (disk_.StopRequested()) return Step::Stop;
      if (!disk_.Read(block.offset, buffer_.get(), block.size, "reading back")) return Step::Fail;
      for (std::uint32_t at = 0; at < block.size; at += sector_) Classify(block.offset + at, buffer_.get() + at);
    }
    return Step::Go;
  }

  // One sector every top-block length below it: where the top block landed, if it wrapped.
  Step ScanForWraps() {
    for (std::uint64_t at = 0; at + sector_ <= topStart_; at += topLength_) {
      if (disk_.StopRequested()) return Step::Stop;
      if (!disk_.Read(at, buffer_.get(), sector_, "looking for wrapped blocks")) return Step::Fail;
      if (const auto named = probe::SectorOffset(tag_, buffer_.get(), sector_); named && *named != at)
        AddWrap(*named > at ? *named - at : at - *named);
    }
    return Step::Go;
  }

  // ---- Rounds

  Step FirstRound() {
    const std::uint64_t points = topStart_ / grid_;  // grid sectors below the top block
    std::set<std::uint64_t> ks;
    const std::uint64_t spread = std::min<std::uint64_t>(plan_.spreadProbes, points);
    for (std::uint64_t i = 1; i <= spread; ++i) ks.insert(std::max<std::uint64_t>(1, i * points / (spread + 1)));
    for (std::uint32_t i = 0; i < plan_.randomProbes && points > 0; ++i)
      ks.insert(1 + probe::Mix(tag_ ^ (0x5a17 + i)) % points);
    std::vector<Block> blocks;
    for (auto k = ks.rbegin(); k != ks.rend(); ++k) blocks.push_back({GridSector(*k), sector_});
    const std::size_t probes = blocks.size();
    for (std::uint64_t at = topStart_; at < usable_; at += probe::kMaxTransfer)
      blocks.push_back({at, static_cast<std::uint32_t>(std::min<std::uint64_t>(probe::kMaxTransfer, usable_ - at))});
    const std::uint64_t marker = usable_ - sector_;

    const std::uint64_t flushPieces = (flushLength_ + probe::kMaxTransfer - 1) / probe::kMaxTransfer;
    const double seconds = 2 * (probes * disk_.Cost(true, true, sector_) + disk_.Cost(true, true, topLength_)) +
                           disk_.Cost(true, false, flushLength_) + disk_.Cost(false, false, flushLength_) +
                           2 * disk_.Cost(false, false, topLength_) +
                           (topStart_ / topLength_) * disk_.Cost(false, true, sector_);
    disk_.Plan(2 * blocks.size() + flushPieces, seconds);

    if (const Step step = WriteBatch(blocks); step != Step::Go) return step;
    std::uint64_t flushed = 0;
    bool gone = false;
    if (const Step step = Flush(marker, flushLength_, flushed, gone); step != Step::Go) return step;
    // A marker lost and gone shows the cache's size; one that stayed, the largest assumed.
    cacheBytes_ = gone ? flushed : flushLength_;
    pending_.clear();
    if (const Step step = ReadBack(blocks); step != Step::Go) return step;
    return ScanForWraps();
  }

  // The highest sector end proven usable below `below`.
  std::uint64_t HighestGoodEnd(std::uint64_t below) const {
    for (auto it = seen_.lower_bound(below); it != seen_.begin();) {
      --it;
      if (it->second == Seen::Good && it->first + sector_ <= below) return it->first + sector_;
    }
    return 0;
  }

  std::uint64_t LowestBad() const {
    for (const auto& [offset, seen] : seen_)
      if (seen == Seen::Bad) return offset;
    return usable_;
  }

  struct RoundCost {
    std::uint64_t writes, bytes;
    double seconds;
  };
  RoundCost CostOf(std::uint64_t n) const {
    const std::uint64_t blocks = n + 1;  // the probes and the marker
    const std::uint64_t flush = std::min(flushLength_, cacheBytes_ + 2 * grid_);
    return {2 * blocks + 1 + n, 2 * blocks * sector_ + flush,
            2 * blocks * disk_.Cost(true, true, sector_) + disk_.Cost(true, false, flush) +
                disk_.Cost(false, false, flush) + (3 * blocks + flush / probe::kMaxTransfer) * disk_.Cost(false, true, sector_)};
  }

  // What is left of each budget once everything saved is written back.
  RoundCost Left() const {
    const std::uint64_t putBackWrites = disk_.SavedBlocks();
    const double putBackSeconds = disk_.SavedBlocks() * disk_.Cost(true, true, sector_) +
                                  disk_.Cost(true, false, disk_.SavedBytes());
    auto less = [](double budget, double used) { return budget > used ? budget - used : 0.0; };
    return {static_cast<std::uint64_t>(less(plan_.scatteredWriteBudget, double(result_.scatteredWrites + putBackWrites))),
            static_cast<std::uint64_t>(less(double(plan_.writeBudgetBytes), double(result_.bytesWritten + disk_.SavedBytes()))),
            less(plan_.secondsBudget, result_.modelledSeconds + putBackSeconds)};
  }

  static bool Fits(const RoundCost& cost, std::uint64_t rounds, const RoundCost& left) {
    return cost.writes * rounds <= left.writes && cost.bytes * rounds <= left.bytes &&
           cost.seconds * static_cast<double>(rounds) <= left.seconds;
  }

  // The grid sectors of the next round, ascending; none when the bracket
  // is one grid step or the budgets allow no further round.
  std::vector<std::uint64_t> NextRound() {
    const std::uint64_t high = LowestBad(), low = HighestGoodEnd(high);
    const std::uint64_t kLow = (low + sector_ + grid_ - 1) / grid_, kHigh = std::min(high, topStart_) / grid_;
    if (kHigh < kLow) return {};
    const std::uint64_t candidates = kHigh - kLow + 1;
    const RoundCost left = Left();
    // The fewest modelled seconds over the rounds still needed, within every budget.
    std::uint64_t bestN = 0;
    double bestSeconds = 0;
    for (std::uint64_t rounds = 1; rounds <= 64; ++rounds) {
      const double root = std::pow(static_cast<double>(candidates + 1), 1.0 / static_cast<double>(rounds));
      const std::uint64_t n = std::clamp<std::uint64_t>(static_cast<std::uint64_t>(std::ceil(root - 1e-9)) - 1, 1, candidates);
      const RoundCost cost = CostOf(n);
      if (!Fits(cost, rounds, left)) continue;
      const double seconds = cost.seconds * static_cast<double>(rounds);
      if (bestN == 0 || seconds < bestSeconds) bestN = n, bestSeconds = seconds;
      if (n == 1) break;
    }
    // No full search fits: one round as large as the budgets allow.
    if (bestN == 0)
      for (std::uint64_t n = candidates; n >= 1 && bestN == 0; n = n > 64 ? n * 3 / 4 : n - 1)
        if (Fits(CostOf(n), 1, left)) bestN = n;
    if (bestN == 0) return {};
    std::vector<std::uint64_t> points;
    for (std::uint64_t i = 1; i <= bestN; ++i) {
      const std::uint64_t k = kLow + (i * (candidates + 1)) / (bestN + 1) - 1;
      if (points.empty() || points.back() != GridSector(k)) points.push_back(GridSector(k));
    }
    const RoundCost cost = CostOf(points.size());
    disk_.Plan(2 * (points.size() + 1) + std::min(flushLength_, cacheBytes_ + 2 * grid_) / probe::kMaxTransfer,
               cost.seconds);
    return points;
  }

  Step LaterRound(const std::vector<std::uint64_t>& points) {
    // The marker: a sector known to be lost, written after the round's probes.
    const auto top = seen_.find(usable_ - sector_);
    const std::uint64_t marker = top != seen_.end() && top->second == Seen::Bad ? top->first : LowestBad();
    std::vector<Block> blocks;
    for (auto point = points.rbegin(); point != points.rend(); ++point) blocks.push_back({*point, sector_});
    blocks.push_back({marker, sector_});
    if (const Step step = WriteBatch(blocks); step != Step::Go) return step;
    std::uint64_t flushed = 0;
    bool gone = false;
    const std::uint64_t limit = std::min(flushLength_, cacheBytes_ + 2 * grid_);
    if (const Step step = Flush(marker, limit, flushed, gone); step != Step::Go) return step;
    pending_.clear();
    if (!gone) {
      // The cache still holds the round: nothing it read is trusted, and a
      // further round is priced for the largest cache.
      cacheBytes_ = flushLength_;
      return Step::Go;
    }
    blocks.pop_back();
    return ReadBack(blocks);
  }

  void Conclude() {
    const std::uint64_t lowestBad = LowestBad();
    if (lowestBad == usable_ && !wrapGcd_) {
      result_.verdict = TProbeVerdict::Genuine;
      result_.realBytes = result_.realBytesAtMost = result_.claimedBytes;
      return;
    }
    result_.verdict = TProbeVerdict::Counterfeit;
    if (wrapGcd_ && wrapGcd_ <= lowestBad) {
      result_.realBytes = result_.realBytesAtMost = wrapGcd_;
      return;
    }
    const std::uint64_t cutoff = wrapGcd_ ? std::min(wrapGcd_, lowestBad) : lowestBad;
    result_.realBytes = HighestGoodEnd(cutoff);
    result_.realBytesAtMost = cutoff;
  }

  probe::ProbeDisk& disk_;
  const TProbeOptions& options_;
  const TProbePlan& plan_;
  TProbeResult& result_;
  const std::uint64_t tag_;
  std::uint32_t sector_ = 0;
  std::uint64_t usable_ = 0, grid_ = 0, topStart_ = 0, topLength_ = 0, flushStart_ = 0, flushLength_ = 0;
  std::uint64_t cacheBytes_ = 0, wrapGcd_ = 0;
  std::map<std::uint64_t, Seen> seen_;  // sector offset -> what its read back showed
  std::set<std::uint64_t> pending_;     // sectors of the batch under way, which the flush must not rewrite
  probe::AlignedBytes buffer_;
};

}  // namespace

TProbeResult ProbeCapacity(IBlockDevice& device, const TProbeOptions& options) {
  return ProbeCapacity(device, options, TProbePlan{});
}

TProbeResult ProbeCapacity(IBlockDevice& device, const TProbeOptions& options, const TProbePlan& plan) {
  TProbeResult result;
  probe::ProbeDisk disk(device, options, plan, result);
  Step step = Step::Fail;
  try {
    step = Search(disk, device, options, plan, result).Run();
  } catch (const std::bad_alloc&) {
    result.problem = "not enough memory for the probe";
  } catch (const std::exception& error) {
    result.problem = std::string("the probe stopped: ") + error.what();
  } catch (...) {
    result.problem = "the probe stopped on an unexpected error";
  }
  if (step == Step::Stop) result.verdict = TProbeVerdict::Cancelled;
  if (step == Step::Fail) result.verdict = TProbeVerdict::Failed;
  if (step != Step::Go) result.realBytes = result.realBytesAtMost = 0;
  disk.PutBack();
  disk.Finish();
  return result;
}

}  // namespace sw
