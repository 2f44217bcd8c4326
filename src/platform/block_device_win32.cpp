#include "platform/block_device_win32.h"

#include <winioctl.h>

#include <cstring>

namespace sw {

std::unique_ptr<Win32BlockDevice> Win32BlockDevice::Open(const std::wstring& path, DWORD& error) {
  UniqueHandle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH, nullptr));
  if (!handle) {
    error = GetLastError();
    return nullptr;
  }
  DWORD returned = 0;
  GET_LENGTH_INFORMATION length{};
  LARGE_INTEGER fileSize{};
  std::uint64_t size = 0;
  if (DeviceIoControl(handle.Get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof(length), &returned,
                      nullptr))
    size = static_cast<std::uint64_t>(length.Length.QuadPart);
  else if (GetFileSizeEx(handle.Get(), &fileSize))
    size = static_cast<std::uint64_t>(fileSize.QuadPart);
  DISK_GEOMETRY_EX geometry{};
  std::uint32_t sectorSize = 512;
  if (DeviceIoControl(handle.Get(), IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &geometry, sizeof(geometry),
                      &returned, nullptr) &&
      geometry.Geometry.BytesPerSector >= 512)
    sectorSize = geometry.Geometry.BytesPerSector;
  return std::unique_ptr<Win32BlockDevice>(new Win32BlockDevice(std::move(handle), size, sectorSize));
}

Win32BlockDevice::Win32BlockDevice(UniqueHandle handle, std::uint64_t size, std::uint32_t sectorSize)
    : handle_(std::move(handle)), size_(size), sectorSize_(sectorSize) {}

bool Win32BlockDevice::Prepare(std::uint64_t offset, std::uint32_t size, std::uint32_t& error) {
  if (size == 0 || offset % sectorSize_ != 0 || size % sectorSize_ != 0 || offset > size_ || size > size_ - offset) {
    error = ERROR_INVALID_PARAMETER;
    return false;
  }
  if (size > bufferSize_) {
    void* pages = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (pages == nullptr) {
      error = GetLastError();
      return false;
    }
    buffer_.reset(static_cast<unsigned char*>(pages));
    bufferSize_ = size;
  }
  return true;
}

bool Win32BlockDevice::Seek(std::uint64_t offset, std::uint32_t& error) {
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (SetFilePointerEx(handle_.Get(), position, nullptr, FILE_BEGIN)) return true;
  error = GetLastError();
  return false;
}

bool Win32BlockDevice::Read(std::uint64_t offset, void* data, std::uint32_t size, std::uint32_t& error) {
  if (!Prepare(offset, size, error) || !Seek(offset, error)) return false;
  DWORD read = 0;
  if (!ReadFile(handle_.Get(), buffer_.get(), size, &read, nullptr)) {
    error = GetLastError();
    return false;
  }
  if (read != size) {
    error = ERROR_HANDLE_EOF;  // a disk smaller than it said
    return false;
  }
  std::memcpy(data, buffer_.get(), size);
  return true;
}

bool Win32BlockDevice::Write(std::uint64_t offset, const void* data, std::uint32_t size, std::uint32_t& error) {
  if (!Prepare(offset, size, error) || !Seek(offset, error)) return false;
  std::memcpy(buffer_.get(), data, size);
  DWORD written = 0;
  if (!WriteFile(handle_.Get(), buffer_.get(), size, &written, nullptr)) {
    error = GetLastError();
    return false;
  }
  if (written != size) {
    error = ERROR_HANDLE_DISK_FULL;
    return false;
  }
  return true;
}

}  // namespace sw
