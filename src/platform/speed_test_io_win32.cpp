#include "platform/speed_test_io_win32.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/text.h"

namespace sw {

class Win32SpeedTestFile : public ISpeedTestFile {
 public:
  Win32SpeedTestFile(Win32SpeedTestIo& io, UniqueHandle file) : io_(io), file_(std::move(file)) {}

  bool Write(const void* data, uint32_t size) override {
    DWORD written = 0;
    const bool ok = WriteFile(file_.Get(), data, size, &written, nullptr) != FALSE;
    if (ok && written != size) {
      io_.lastError_ = ERROR_DISK_FULL;  // a short write leaves no last error of its own
      return false;
    }
    return io_.Succeeded(ok);
  }

  bool Read(void* data, uint32_t size, uint32_t& bytesRead) override {
    DWORD read = 0;
    const bool ok = ReadFile(file_.Get(), data, size, &read, nullptr) != FALSE;
    bytesRead = ok ? read : 0;
    return io_.Succeeded(ok);
  }

 private:
  Win32SpeedTestIo& io_;
  UniqueHandle file_;
};

bool Win32SpeedTestIo::Succeeded(bool ok) {
  if (!ok) {
    lastError_ = GetLastError();
    if (lastError_ == 0) lastError_ = ERROR_GEN_FAILURE;  // a failure is a failure, whatever it reports
  }
  return ok;
}

std::optional<VolumeSpace> Win32SpeedTestIo::Space(const std::string& root) {
  const std::wstring wideRoot = Widen(root);
  ULARGE_INTEGER available{}, total{}, free{};
  if (!Succeeded(GetDiskFreeSpaceExW(wideRoot.c_str(), &available, &total, &free) != FALSE)) return std::nullopt;
  VolumeSpace space;
  space.freeBytes = available.QuadPart;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (GetDiskFreeSpaceW(wideRoot.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) &&
      bytesPerSector != 0) {
    space.bytesPerSector = bytesPerSector;
    space.bytesPerCluster = bytesPerSector * (sectorsPerCluster == 0 ? 1 : sectorsPerCluster);
  }
  return space;
}

bool Win32SpeedTestIo::CreateFolder(const std::string& path) {
  return Succeeded(CreateDirectoryW(Widen(path).c_str(), nullptr) != FALSE);
}

bool Win32SpeedTestIo::RemoveFolder(const std::string& path) {
  return Succeeded(RemoveDirectoryW(Widen(path).c_str()) != FALSE);
}

std::unique_ptr<ISpeedTestFile> Win32SpeedTestIo::CreateNewFile(const std::string& path) {
  UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH, nullptr));
  if (!Succeeded(file.Valid())) return nullptr;
  return std::make_unique<Win32SpeedTestFile>(*this, std::move(file));
}

std::unique_ptr<ISpeedTestFile> Win32SpeedTestIo::OpenForReading(const std::string& path) {
  UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!Succeeded(file.Valid())) return nullptr;
  return std::make_unique<Win32SpeedTestFile>(*this, std::move(file));
}

bool Win32SpeedTestIo::RemoveFile(const std::string& path) {
  return Succeeded(DeleteFileW(Widen(path).c_str()) != FALSE);
}

}  // namespace sw
