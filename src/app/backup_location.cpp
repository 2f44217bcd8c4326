#include "app/backup_location.h"

#include <windows.h>


#include "copy/copy_paths.h"
#include "copy/folder_listing.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace sw {
namespace {

struct FileIdentity {
  DWORD volumeSerial = 0;
  DWORD indexHigh = 0, indexLow = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Opens a file or folder (folders need backup semantics) just to ask who it is.
UniqueHandle OpenToAsk(const std::wstring& path) {
  return UniqueHandle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
  UniqueHandle handle = OpenToAsk(path);
  if (!handle) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle.Get(), &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// The system's device of the volume that really holds a file, through any
// subst letter, junction or mount point ("\Device\HarddiskVolume5");
// empty where the system names none. `atRoot` tells whether the file is the
// device's root folder.
std::wstring DeviceOf(const std::wstring& path, bool* atRoot = nullptr) {
  UniqueHandle handle = OpenToAsk(path);
  if (!handle) return {};
  std::wstring finalPath(32768, L'\0');
  const DWORD length = GetFinalPathNameByHandleW(handle.Get(), finalPath.data(), static_cast<DWORD>(finalPath.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_NT);
  if (length == 0 || length >= finalPath.size()) return {};
  finalPath.resize(length);
  constexpr std::wstring_view kDevice = L"\\Device\\";
  if (!finalPath.starts_with(kDevice)) return {};
  const size_t end = finalPath.find(L'\\', kDevice.size());
  if (atRoot != nullptr) *atRoot = end == std::wstring::npos || end + 1 == finalPath.size();
  return end == std::wstring::npos ? finalPath : finalPath.substr(0, end);
}

std::wstring WithBackslash(std::wstring path) {
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path;
}

// The root of the volume a path lies on ("C:\", or a mounted folder).
std::wstring VolumePathOf(const std::wstring& path) {
  wchar_t volumePath[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(path.c_str(), volumePath, MAX_PATH)) return {};
  return WithBackslash(volumePath);
}

// The volume's own name (\\?\Volume{...}\); empty where the system has none.
std::wstring VolumeNameOf(const std::wstring& path) {
  const std::wstring volumePath = VolumePathOf(path);
  if (volumePath.empty()) return {};
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeNameForVolumeMountPointW(volumePath.c_str(), name, MAX_PATH)) return {};
  return name;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The folder above `path`, or empty at a root.
std::wstring ParentOf(const std::wstring& path) {
  std::wstring trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == L'\\') trimmed.pop_back();
  const size_t slash = trimmed.find_last_of(L'\\');
  if (slash == std::wstring::npos) return {};
  std::wstring parent = trimmed.substr(0, slash + 1);
  if (parent.size() >= trimmed.size() + 1 || parent == L"\\" || parent == L"\\\\") return {};
  return parent;
}

}  // namespace

std::optional<std::string> BackupLocationRefusal(const std::string& folder, const std::string& driveRoot) {
  const std::string drive = AsciiUpper(driveRoot);
  const std::wstring full = WithBackslash(FullPathOf(Widen(folder)));
  const std::wstring volumePath = VolumePathOf(full);
  if (!volumePath.empty() && SameText(volumePath, full))
    return "it is the root of a drive; choose or type a folder of its own";

  const std::optional<FileIdentity> driveIdentity = IdentityOf(Widen(driveRoot));
  if (!driveIdentity) return "drive " + drive + " cannot be read";
  const std::wstring driveVolume = VolumeNameOf(Widen(driveRoot));
  // The device counts only where the drive is a volume of its own (a folder
  // given a letter of its own is no volume, and its device holds other folders).
  bool driveAtDeviceRoot = false;
  std::wstring driveDevice = DeviceOf(Widen(driveRoot), &driveAtDeviceRoot);
  if (!driveAtDeviceRoot) driveDevice.clear();

  const std::string onTheDrive = "it lies on drive " + drive + ", which is about to be formatted";
  if (!driveVolume.empty() && SameText(driveVolume, VolumeNameOf(full))) return onTheDrive;
  // The folder itself (once it exists) and every folder above it: any one
  // of them that is the drive's root, or lies on the drive's volume, refuses it.
  for (std::wstring step = full; !step.empty(); step = ParentOf(step)) {
    const std::optional<FileIdentity> identity = IdentityOf(step);
    if (!identity) continue;  // a folder still to be made
    if (*identity == *driveIdentity) return onTheDrive;
    if (!driveDevice.empty() && SameText(driveDevice, DeviceOf(step))) return onTheDrive;
  }
  return std::nullopt;
}

std::optional<std::uint64_t> FreeBytesAt(const std::string& folder) {
  for (std::wstring step = WithBackslash(FullPathOf(Widen(folder))); !step.empty(); step = ParentOf(step)) {
    ULARGE_INTEGER free{};
    if (GetDiskFreeSpaceExW(step.c_str(), &free, nullptr, nullptr)) return free.QuadPart;
    if (GetFileAttributesW(step.c_str()) != INVALID_FILE_ATTRIBUTES) return std::nullopt;
  }
  return std::nullopt;
}

std::uint64_t ClusterBytesAt(const std::string& folder) {
  constexpr std::uint64_t kUsualCluster = 4096;
  const std::wstring volumePath = VolumePathOf(WithBackslash(FullPathOf(Widen(folder))));
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (volumePath.empty() ||
      !GetDiskFreeSpaceW(volumePath.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
    return kUsualCluster;
  const std::uint64_t cluster = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
  return cluster == 0 ? kUsualCluster : cluster;
}

bool FlushVolumeOf(const std::string& path) {
  std::wstring volume = VolumePathOf(WithBackslash(FullPathOf(Widen(path))));
  if (volume.empty()) return false;
  // "E:\" opens as the device "\\.\E:"; a volume mounted in a folder by its own name.
  if (volume.size() == 3 && volume[1] == L':') {
    volume = L"\\\\.\\" + volume.substr(0, 2);
  } else {
    volume = VolumeNameOf(volume);
    if (volume.empty()) return false;
    volume.pop_back();  // the volume itself, not its root folder
  }
  UniqueHandle device(CreateFileW(volume.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  return device && FlushFileBuffers(device.Get()) != FALSE;
}

bool DriveReadable(const std::string& driveRoot) {
  const std::wstring root = Widen(driveRoot);
  // The root itself must open and list: a drive whose root cannot be read
  // cannot be backed up, whatever its volume reports.
  if (!IdentityOf(root)) return false;
  const TFolderListing listing = TFolderListing::OfPattern(WithBackslash(root) + L"*");
  if (!listing.IsOpen() && !listing.FoundNothing()) return false;
  wchar_t fileSystem[MAX_PATH + 1] = {};
  DWORD serial = 0, maxComponent = 0, flags = 0;
  if (!GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, &maxComponent, &flags, fileSystem, MAX_PATH))
    return false;
  ULARGE_INTEGER free{};
  return GetDiskFreeSpaceExW(root.c_str(), &free, nullptr, nullptr) != FALSE;
}

}  // namespace sw
