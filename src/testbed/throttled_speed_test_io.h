// The speed measurement's files on the simulated machine: real files through
// the system's implementation, paced to the simulated stick's throttle (per
// MiB and per file, before or after its format), so a run shows the speed
// the machine file describes. Paths on other drives are not slowed down.
#pragma once

#include <chrono>

#include "platform/speed_test_io.h"
#include "testbed/machine.h"

namespace sw::testbed {

class ThrottledSpeedTestIo : public ISpeedTestIo {
 public:
  ThrottledSpeedTestIo(const Machine& machine, ISpeedTestIo& system) : machine_(machine), system_(system) {}

  std::optional<VolumeSpace> Space(const std::string& root) override { return system_.Space(root); }
  bool CreateFolder(const std::string& path) override { return system_.CreateFolder(path); }
  bool RemoveFolder(const std::string& path) override { return system_.RemoveFolder(path); }
  std::unique_ptr<ISpeedTestFile> CreateNewFile(const std::string& path) override;
  std::unique_ptr<ISpeedTestFile> OpenForReading(const std::string& path) override;
  bool RemoveFile(const std::string& path) override { return system_.RemoveFile(path); }
  uint32_t LastError() override { return system_.LastError(); }

  // Holds the caller until `milliseconds` more of simulated transfer time
  // have passed. Time already spent on the real I/O counts toward it, and an
  // oversleep is made up by the next pause, so the pace holds over a run.
  void Pause(double milliseconds);

 private:
  const SimulatedDrive* DriveOf(const std::string& path) const;

  const Machine& machine_;
  ISpeedTestIo& system_;
  std::chrono::steady_clock::time_point due_{};
};

}  // namespace sw::testbed
