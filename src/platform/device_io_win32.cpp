#include "platform/device_io_win32.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/text.h"

namespace sw {

class Win32Device : public IDevice {
 public:
  Win32Device(UniqueHandle handle, Win32DeviceIo& io) : handle_(std::move(handle)), io_(io) {}

  bool IoControl(uint32_t controlCode, const void* input, uint32_t inputSize, void* output, uint32_t outputSize,
                 uint32_t& bytesReturned) override {
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(handle_.Get(), controlCode, const_cast<void*>(input), inputSize, output, outputSize,
                              &returned, nullptr);
    bytesReturned = ok ? returned : 0;
    if (!ok) io_.lastError_ = GetLastError();
    return ok != FALSE;
  }

 private:
  UniqueHandle handle_;
  Win32DeviceIo& io_;
};

std::unique_ptr<IDevice> Win32DeviceIo::Open(const std::string& path, const DeviceOpenOptions& options) {
  UniqueHandle handle(CreateFileW(Widen(path).c_str(), options.desiredAccess, options.shareMode, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  if (!handle) {
    lastError_ = GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32Device>(std::move(handle), *this);
}

std::vector<std::string> Win32DeviceIo::VolumeNames() {
  std::vector<std::string> names;
  wchar_t name[MAX_PATH] = {};
  UniqueVolumeFind search(FindFirstVolumeW(name, MAX_PATH));
  if (!search) return names;
  do {
    std::wstring path = name;
    if (!path.empty() && path.back() == L'\\') path.pop_back();  // the device, not its root folder
    names.push_back(Narrow(path));
  } while (FindNextVolumeW(search.Get(), name, MAX_PATH));
  return names;
}

}  // namespace sw
