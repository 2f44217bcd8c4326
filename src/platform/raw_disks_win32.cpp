#include "platform/raw_disks_win32.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <optional>
#include <vector>

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

UniqueHandle OpenDisk(DWORD number, DWORD access) {
  const std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(number);
  return UniqueHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
}

// The text at `offset` of a storage descriptor, trimmed; empty when absent or out of bounds.
std::string DescriptorText(const std::vector<unsigned char>& bytes, DWORD returned, DWORD offset) {
  if (offset == 0 || offset >= returned) return {};
  std::string text;
  for (DWORD at = offset; at < returned && bytes[at] != 0; ++at) text += static_cast<char>(bytes[at]);
  const auto first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// Maker, product and serial number as the disk reports them, and its
// size: what a journal of its blocks is tied to. Empty when the disk does
// not say; USB sticks on the USB bus only.
std::string DiskIdentity(HANDLE disk, bool& usb) {
  usb = false;
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  std::vector<unsigned char> bytes(4096);
  DWORD returned = 0;
  if (!DeviceIoControl(disk, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), bytes.data(),
                       static_cast<DWORD>(bytes.size()), &returned, nullptr) ||
      returned < sizeof(STORAGE_DEVICE_DESCRIPTOR))
    return {};
  STORAGE_DEVICE_DESCRIPTOR descriptor{};
  std::memcpy(&descriptor, bytes.data(), sizeof(descriptor));
  usb = descriptor.BusType == BusTypeUsb && descriptor.RemovableMedia;
  GET_LENGTH_INFORMATION length{};
  DWORD lengthReturned = 0;
  if (!DeviceIoControl(disk, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof(length), &lengthReturned, nullptr))
    return {};
  const std::string serial = DescriptorText(bytes, returned, descriptor.SerialNumberOffset);
  if (serial.empty()) return {};  // without a serial number two sticks of one kind look alike
  return DescriptorText(bytes, returned, descriptor.VendorIdOffset) + " " +
         DescriptorText(bytes, returned, descriptor.ProductIdOffset) + " " + serial + " " +
         std::to_string(length.Length.QuadPart);
}

char LetterOfPath(const std::wstring& path) { return path.size() >= 2 && path[1] == L':' ? static_cast<char>(path[0]) : 0; }

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length < MAX_PATH ? length : 0);
}

// The disk of that number; with `lockVolumes`, every volume of it (found by
// volume name, letterless ones too) locked and dismounted while it lives.
std::unique_ptr<IBlockDevice> OpenNumbered(DWORD disk, bool lockVolumes, std::string& why);

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
  return OpenNumbered(*disk, false, why);
}

std::unique_ptr<IBlockDevice> Win32RawDisks::OpenDiskWithIdentity(const std::string& identity, std::string& why) {
  for (DWORD number = 0; number < 64; ++number) {
    UniqueHandle disk = OpenDisk(number, GENERIC_READ);  // the length query needs read access
    if (!disk) continue;
    bool usb = false;
    if (DiskIdentity(disk.Get(), usb) != identity || identity.empty()) continue;
    if (!usb) break;
    disk.Reset();
    return OpenNumbered(number, true, why);
  }
  why = "no removable USB disk attached is that disk";
  return nullptr;
}

namespace {

// Locks and dismounts every volume on `disk`; the handles stay with `device`.
bool LockVolumesOf(DWORD disk, Win32BlockDevice& device, std::string& why) {
  wchar_t name[MAX_PATH] = {};
  UniqueVolumeFind search(FindFirstVolumeW(name, MAX_PATH));
  if (!search) return true;
  do {
    std::wstring path = name;
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    UniqueHandle volume(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    STORAGE_DEVICE_NUMBER number{};
    DWORD returned = 0;
    if (!volume || !DeviceIoControl(volume.Get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                                    sizeof(number), &returned, nullptr) ||
        number.DeviceNumber != disk)
      continue;
    if (!DeviceIoControl(volume.Get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr) ||
        !DeviceIoControl(volume.Get(), FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr)) {
      why = "the volume " + Narrow(path) + " of its disk is in use (" + SystemErrorText(GetLastError()) + ")";
      return false;
    }
    device.KeepOpen(std::move(volume));
  } while (FindNextVolumeW(search.Get(), name, MAX_PATH));
  return true;
}

std::unique_ptr<IBlockDevice> OpenNumbered(DWORD disk, bool lockVolumes, std::string& why) {
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
      Win32BlockDevice::Open(L"\\\\.\\PhysicalDrive" + std::to_wstring(disk), error);
  if (!device) {
    why = "its disk cannot be opened (" + SystemErrorText(error) + ")";
    return nullptr;
  }
  if (lockVolumes && !LockVolumesOf(disk, *device, why)) return nullptr;
  bool usb = false;
  device->SetIdentity(DiskIdentity(device->Handle(), usb));
  return device;
}

}  // namespace

}  // namespace sw
