// A block device over a handle opened without the system's cache: a
// physical disk, or (in tests) a plain file. Transfers must start and end on
// sector boundaries; they go through a page-aligned buffer of its own, so the
// caller's buffers need no alignment.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/block_device.h"
#include "platform/handles.h"

namespace sw {

class Win32BlockDevice final : public IBlockDevice {
 public:
  // Opens `path` (\\.\PhysicalDriveN, or a file) for unbuffered, written-
  // through reads and writes. Its size comes from the disk's length query,
  // else from the file's size; its sector size from the disk's geometry,
  // else 512. Nothing (and the system's error) when it cannot be opened.
  static std::unique_ptr<Win32BlockDevice> Open(const std::wstring& path, DWORD& error);

  std::uint64_t Size() const override { return size_; }
  std::uint32_t SectorSize() const override { return sectorSize_; }
  bool Read(std::uint64_t offset, void* data, std::uint32_t size, std::uint32_t& error) override;
  bool Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) override;
  std::string Identity() const override { return identity_; }
  void SetIdentity(std::string identity) { identity_ = std::move(identity); }
  HANDLE Handle() const { return handle_.Get(); }

  // Handles that must stay open while the device is used (the locks of the
  // disk's volumes); closed with it.
  void KeepOpen(UniqueHandle handle) { held_.push_back(std::move(handle)); }

 private:
  Win32BlockDevice(UniqueHandle handle, std::uint64_t size, std::uint32_t sectorSize);
  // False (and ERROR_INVALID_PARAMETER) for a transfer off the sector grid
  // or past the end; else makes the bounce buffer large enough.
  bool Prepare(std::uint64_t offset, std::uint32_t size, std::uint32_t& error);
  bool Seek(std::uint64_t offset, std::uint32_t& error);

  struct TPagesRelease {
    void operator()(unsigned char* pages) const { VirtualFree(pages, 0, MEM_RELEASE); }
  };

  UniqueHandle handle_;
  std::uint64_t size_;
  std::uint32_t sectorSize_;
  std::unique_ptr<unsigned char, TPagesRelease> buffer_;
  std::uint32_t bufferSize_ = 0;
  std::vector<UniqueHandle> held_;
  std::string identity_;
};

}  // namespace sw
