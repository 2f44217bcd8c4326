// Where a long stage of the run stands: the files and bytes done of those
// planned, the share for the progress bar, and the status line with the
// time left, estimated from the stage's own pace so far. Plain logic: the
// caller passes the clock, so it is tested without a window or a timer.
#pragma once

#include <cstdint>
#include <string>

namespace sw {

class TStageProgress {
 public:
  // The pace is not trusted for an estimate before this much of the stage.
  static constexpr std::uint64_t kFirstEstimateMs = 3000;
  // The pace is sampled at most this often and smoothed over the samples.
  static constexpr std::uint64_t kSampleMs = 1000;

  // A stage that will handle `files` files of `bytes` bytes in all (both
  // -1 when unknown: the listing, which counts what it finds).
  void Start(const std::string& stage, std::int64_t files, std::int64_t bytes, std::uint64_t nowMs);
  void AddBytes(std::int64_t bytes, std::uint64_t nowMs);
  void AddFile() { ++filesDone_; }
  // Everything planned is done (a stage that ends as planned reads 100 %).
  void Finish();

  // 0..100 by bytes; by files when the stage has no bytes to speak of.
  int Percent() const;
  std::int64_t BytesDone() const { return bytesDone_; }
  std::int64_t BytesPlanned() const { return bytesPlanned_; }
  // "Backing up: 1,234 of 3,019 files, 1.2 of 4.5 GB, about 2 min left";
  // a stage of unknown size: "Listing: 1,234 files, 1.2 GB found".
  std::string StatusText(std::uint64_t nowMs, const std::string& thousandSeparator,
                         const std::string& decimalSeparator) const;
  // Seconds left at the smoothed pace; -1 while there is no estimate yet.
  long long SecondsLeft(std::uint64_t nowMs) const;

 private:
  std::string stage_;
  std::int64_t filesPlanned_ = -1, bytesPlanned_ = -1;
  std::int64_t filesDone_ = 0, bytesDone_ = 0;
  std::uint64_t startMs_ = 0;
  std::uint64_t sampleMs_ = 0;         // when the pace was last sampled
  std::int64_t sampleBytes_ = 0;       // bytes done then
  double bytesPerMs_ = 0;              // smoothed pace; 0 until the first sample
};

// "about 40 s left", "about 2 min left", "about 1 h 5 min left".
std::string TimeLeftText(long long seconds);

// "1.2 of 4.5 GB": both figures in the unit of the total (1024-based).
std::string BytesOfText(std::int64_t done, std::int64_t total, const std::string& decimalSeparator);

}  // namespace sw
