#include "testbed/throttled_speed_test_io.h"

#include <windows.h>

namespace sw::testbed {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double kBytesPerMib = 1024.0 * 1024.0;
// How far back an earlier pause's end may lie and still count: a longer
// idle time between two measurements is not credited to the next one.
constexpr auto kCatchUpWindow = std::chrono::milliseconds(50);

class ThrottledFile : public ISpeedTestFile {
 public:
  ThrottledFile(ThrottledSpeedTestIo& io, std::unique_ptr<ISpeedTestFile> file, int msPerMib)
      : io_(io), file_(std::move(file)), msPerMib_(msPerMib) {}

  bool Write(const void* data, uint32_t size) override {
    if (!file_->Write(data, size)) return false;
    io_.Pause(msPerMib_ * (size / kBytesPerMib));
    return true;
  }
  bool Read(void* data, uint32_t size, uint32_t& bytesRead) override {
    if (!file_->Read(data, size, bytesRead)) return false;
    io_.Pause(msPerMib_ * (bytesRead / kBytesPerMib));
    return true;
  }

 private:
  ThrottledSpeedTestIo& io_;
  std::unique_ptr<ISpeedTestFile> file_;
  int msPerMib_;
};

}  // namespace

const SimulatedDrive* ThrottledSpeedTestIo::DriveOf(const std::string& path) const {
  if (path.size() < 2 || path[1] != ':') return nullptr;
  return FindByLetter(machine_, path[0]);
}

void ThrottledSpeedTestIo::Pause(double milliseconds) {
  if (milliseconds <= 0) return;
  const Clock::time_point now = Clock::now();
  if (due_ < now - kCatchUpWindow) due_ = now;  // idle before: no credit
  due_ += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(milliseconds));
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due_ - now).count();
  if (wait > 0) Sleep(static_cast<DWORD>(wait));
}

std::unique_ptr<ISpeedTestFile> ThrottledSpeedTestIo::CreateNewFile(const std::string& path) {
  std::unique_ptr<ISpeedTestFile> file = system_.CreateNewFile(path);
  const SimulatedDrive* drive = DriveOf(path);
  if (!file || drive == nullptr) return file;
  Pause(drive->CurrentSpeed().writeMsPerFile);
  return std::make_unique<ThrottledFile>(*this, std::move(file), drive->CurrentSpeed().writeMsPerMib);
}

std::unique_ptr<ISpeedTestFile> ThrottledSpeedTestIo::OpenForReading(const std::string& path) {
  std::unique_ptr<ISpeedTestFile> file = system_.OpenForReading(path);
  const SimulatedDrive* drive = DriveOf(path);
  if (!file || drive == nullptr) return file;
  Pause(drive->CurrentSpeed().readMsPerFile);
  return std::make_unique<ThrottledFile>(*this, std::move(file), drive->CurrentSpeed().readMsPerMib);
}

}  // namespace sw::testbed
