// The drive speed measurement: on a drive root, a sequential write and read
// of one file and the write and read of many small files, all bypassing the
// system cache. It only ever creates new files in a folder it creates
// itself, and removes every one of them again on every way out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "speedtest/speed_figures.h"

namespace sw {

class ISpeedTestIo;

inline constexpr uint64_t kMiB = 1024 * 1024;

struct TSpeedTestPlan {
  uint64_t largestFileBytes = 256 * kMiB;  // sequential file, less when the drive has less free space
  uint64_t smallestFileBytes = 16 * kMiB;  // below this the measurement is skipped
  uint32_t chunkBytes = 1 * kMiB;          // one write or read of the sequential file
  int smallFileCount = 500;
  uint32_t smallFileBytes = 16 * 1024;
};

struct TSpeedTestCallbacks {
  std::function<void(int percent)> onProgress;  // 0 to 100
  std::function<bool()> cancelRequested;        // asked before every chunk and every small file
};

// Measures the drive of `root` (E:\). Never throws.
TSpeedFigures RunSpeedTest(ISpeedTestIo& io, const std::string& root, const TSpeedTestCallbacks& callbacks,
                           const TSpeedTestPlan& plan = {});

}  // namespace sw
