// Seam: the file operations of the drive speed measurement. The measurement
// writes and reads real files, but the testbed must slow them down to the
// simulated stick's speeds and tests must make them fail or report little
// free space, so they go through this interface.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace sw {

struct VolumeSpace {
  uint64_t freeBytes = 0;        // free to the caller
  uint32_t bytesPerSector = 512;
  uint32_t bytesPerCluster = 4096;
};

// A file opened by the measurement, bypassing the system cache; closed when
// the object is destroyed. Sizes and buffer addresses must be multiples of
// the volume's sector size.
class ISpeedTestFile {
 public:
  virtual ~ISpeedTestFile() = default;
  // Writes all of `size` bytes; false on failure.
  virtual bool Write(const void* data, uint32_t size) = 0;
  // Reads up to `size` bytes; `bytesRead` 0 at the end; false on failure.
  virtual bool Read(void* data, uint32_t size, uint32_t& bytesRead) = 0;
};

class ISpeedTestIo {
 public:
  virtual ~ISpeedTestIo() = default;
  // Free space and sector and cluster sizes of the volume of `root` (E:\).
  virtual std::optional<VolumeSpace> Space(const std::string& root) = 0;
  // Creates a folder; false when it exists already or cannot be made.
  virtual bool CreateFolder(const std::string& path) = 0;
  virtual bool RemoveFolder(const std::string& path) = 0;
  // Creates a file that did not exist (never opens an existing one), with
  // no buffering and write-through; null on failure.
  virtual std::unique_ptr<ISpeedTestFile> CreateNewFile(const std::string& path) = 0;
  // Opens a file for reading with no buffering; null on failure.
  virtual std::unique_ptr<ISpeedTestFile> OpenForReading(const std::string& path) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // The error code of the last failed call.
  virtual uint32_t LastError() = 0;
};

}  // namespace sw
