// The measurement's files through CreateFileW with FILE_FLAG_NO_BUFFERING
// and FILE_FLAG_WRITE_THROUGH, so the figures are the drive's, not the
// system cache's.
#pragma once

#include "platform/speed_test_io.h"

namespace sw {

class Win32SpeedTestIo : public ISpeedTestIo {
 public:
  std::optional<VolumeSpace> Space(const std::string& root) override;
  bool CreateFolder(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  std::unique_ptr<ISpeedTestFile> CreateNewFile(const std::string& path) override;
  std::unique_ptr<ISpeedTestFile> OpenForReading(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  uint32_t LastError() override { return lastError_; }

 private:
  friend class Win32SpeedTestFile;
  bool Succeeded(bool ok);
  uint32_t lastError_ = 0;
};

}  // namespace sw
