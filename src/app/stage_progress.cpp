#include "app/stage_progress.h"

#include <algorithm>
#include <cmath>

#include "platform/locale.h"

namespace sw {
namespace {

// Weight of a new pace sample against the smoothed pace before it.
constexpr double kNewSampleWeight = 0.3;

}  // namespace

void TStageProgress::Start(const std::string& stage, std::int64_t files, std::int64_t bytes, std::uint64_t nowMs) {
  *this = TStageProgress{};
  stage_ = stage;
  filesPlanned_ = files;
  bytesPlanned_ = bytes;
  startMs_ = sampleMs_ = nowMs;
}

void TStageProgress::AddBytes(std::int64_t bytes, std::uint64_t nowMs) {
  bytesDone_ += bytes;
  if (nowMs - sampleMs_ < kSampleMs) return;
  const double pace = static_cast<double>(bytesDone_ - sampleBytes_) / static_cast<double>(nowMs - sampleMs_);
  bytesPerMs_ = bytesPerMs_ == 0 ? pace : kNewSampleWeight * pace + (1 - kNewSampleWeight) * bytesPerMs_;
  sampleMs_ = nowMs;
  sampleBytes_ = bytesDone_;
}

void TStageProgress::Finish() {
  if (filesPlanned_ >= 0) filesDone_ = std::max(filesDone_, filesPlanned_);
  if (bytesPlanned_ >= 0) bytesDone_ = std::max(bytesDone_, bytesPlanned_);
}

int TStageProgress::Percent() const {
  double share = 0;
  if (bytesPlanned_ > 0) share = static_cast<double>(bytesDone_) / static_cast<double>(bytesPlanned_);
  else if (filesPlanned_ > 0) share = static_cast<double>(filesDone_) / static_cast<double>(filesPlanned_);
  else if (filesPlanned_ == 0) share = 1;
  return std::clamp(static_cast<int>(share * 100), 0, 100);
}

long long TStageProgress::SecondsLeft(std::uint64_t nowMs) const {
  if (bytesPlanned_ < 0 || bytesPerMs_ <= 0 || nowMs - startMs_ < kFirstEstimateMs) return -1;
  const double left = static_cast<double>(std::max<std::int64_t>(bytesPlanned_ - bytesDone_, 0));
  return std::llround(left / bytesPerMs_ / 1000.0);
}

std::string TStageProgress::StatusText(std::uint64_t nowMs, const std::string& thousandSeparator,
                                       const std::string& decimalSeparator) const {
  if (filesPlanned_ < 0) {
    return stage_ + ": " + FormatThousands(filesDone_, thousandSeparator) + " files, " +
           FormatSize(static_cast<std::uint64_t>(std::max<std::int64_t>(bytesDone_, 0)), decimalSeparator) + " found";
  }
  std::string text = stage_ + ": " + FormatThousands(std::min(filesDone_, filesPlanned_), thousandSeparator) + " of " +
                     FormatThousands(filesPlanned_, thousandSeparator) + " files, " +
                     BytesOfText(std::min(bytesDone_, bytesPlanned_), bytesPlanned_, decimalSeparator);
  const long long left = SecondsLeft(nowMs);
  if (left >= 0) text += ", " + TimeLeftText(left);
  return text;
}

std::string TimeLeftText(long long seconds) {
  if (seconds < 60) return "about " + std::to_string(std::max(5LL, (seconds + 4) / 5 * 5)) + " s left";
  const long long minutes = (seconds + 30) / 60;
  if (minutes < 60) return "about " + std::to_string(minutes) + " min left";
  return "about " + std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min left";
}

std::string BytesOfText(std::int64_t done, std::int64_t total, const std::string& decimalSeparator) {
  const auto size = [](std::int64_t bytes) { return static_cast<std::uint64_t>(std::max<std::int64_t>(bytes, 0)); };
  const TSizeUnit unit = SizeUnitFor(size(total));
  return FormatInUnit(size(done), unit, decimalSeparator) + " of " + FormatInUnit(size(total), unit, decimalSeparator) +
         " " + unit.name;
}

}  // namespace sw
