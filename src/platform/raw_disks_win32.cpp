#include "platform/raw_disks_win32.h"

#include <windows.h>
#include <winioctl.h>

#include <optional>

#include "platform/block_device_win32.h"
#include "platform/handles.h"
#include "platform/module_path.h"
#include "platform/text.h"
#include "platform/win_error.h"

namespace sw {
namespace {

UniqueHandle OpenVolume(char letter, DWORD access) {
  const std::wstring path = L"\\\\.\\" + Widen(std::string(1, letter)) + L":";
  return UniqueHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
}

// The number of the disk that holds the volume of `letter`.
std::optional<DWORD> DiskNumberOf(char letter) {
  UniqueHandle volume = OpenVolume(letter, 0);
  if (!volume) return std::nullopt;
  STORAGE_DEVICE_NUMBER number{};
  DWORD returned = 0;
  if (!DeviceIoControl(volume.Get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof(number), &returned,
                       nullptr) ||
      number.DeviceType != FILE_DEVICE_DISK)
    return std::nullopt;
  return number.DeviceNumber;
}

bool OnUsbBus(char letter) {
  UniqueHandle volume = OpenVolume(letter, 0);
  if (!volume) return false;
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  STORAGE_DEVICE_DESCRIPTOR descriptor{};
  DWORD returned = 0;
  return DeviceIoControl(volume.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), &descriptor,
                         sizeof(descriptor), &returned, nullptr) &&
         returned >= offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof(descriptor.BusType) &&
         descriptor.BusType == BusTypeUsb;
}

char LetterOfPath(const std::wstring& path) { return path.size() >= 2 && path[1] == L':' ? static_cast<char>(path[0]) : 0; }

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length < MAX_PATH ? length : 0);
}

}  // namespace

std::unique_ptr<IBlockDevice> Win32RawDisks::OpenDiskOf(char letter, std::string& why) {
  letter = static_cast<char>(AsciiUpper(std::string(1, letter))[0]);
  const std::wstring root = Widen(std::string(1, letter)) + L":\\";
  if (GetDriveTypeW(root.c_str()) != DRIVE_REMOVABLE || !OnUsbBus(letter)) {
    why = "it is not a removable USB disk";
    return nullptr;
  }
  const std::optional<DWORD> disk = DiskNumberOf(letter);
  if (!disk) {
    why = "the system does not say which disk holds it";
    return nullptr;
  }
  // The disk must hold neither the running system nor this program, under
  // whatever letter they are.
  for (const auto& [other, holds] : {std::pair{LetterOfPath(SystemFolder()), "the running system"},
                                     std::pair{LetterOfPath(Widen(ExecutablePath())), "this program"}})
    if (other != 0 && DiskNumberOf(other) == disk) {
      why = std::string("its disk holds ") + holds;
      return nullptr;
    }

  DWORD error = 0;
  std::unique_ptr<Win32BlockDevice> device =
      Win32BlockDevice::Open(L"\\\\.\\PhysicalDrive" + std::to_wstring(*disk), error);
  if (!device) {
    why = "its disk cannot be opened (" + SystemErrorText(error) + ")";
    return nullptr;
  }
  return device;
}

}  // namespace sw
