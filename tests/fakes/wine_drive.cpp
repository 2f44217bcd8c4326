#include "fakes/wine_drive.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "platform/handles.h"
#include "platform/text.h"

namespace sw::testing {

namespace {

// Wine's mount manager request that defines (or, without a mount point,
// removes) a drive letter for a host folder, as its configuration tool does.
struct MountmgrUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDev;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// Wine's own conversion of a Windows path to the host's path.
std::string UnixPathOf(const std::wstring& windowsPath) {
  using Fn = char*(__cdecl*)(const wchar_t*);
  auto convert = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) return {};
  char* unixPath = convert(windowsPath.c_str());
  if (unixPath == nullptr) return {};
  std::string result = unixPath;
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}

bool SendToMountManager(const void* request, size_t size) {
  UniqueHandle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!manager) return false;
  DWORD returned = 0;
  return DeviceIoControl(manager.Get(), kDefineUnixDrive, const_cast<void*>(request), static_cast<DWORD>(size),
                         nullptr, 0, &returned, nullptr) != FALSE;
}

void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

bool DriveReadable(char letter) {
  ULARGE_INTEGER available, total, free;
  std::wstring root = Widen(std::string(1, letter) + ":\\");
  return GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free) != FALSE;
}

}  // namespace

char WineDrive::UnusedLetter() {
  DWORD used = GetLogicalDrives();
  for (char letter = 'Y'; letter >= 'D'; --letter)
    if (!(used & (1u << (letter - 'A'))) && !DriveReadable(letter)) return letter;
  return 0;
}

WineDrive::WineDrive(const std::string& label) {
  letter_ = UnusedLetter();
  if (letter_ == 0) {
    problem_ = "no free drive letter";
    return;
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  folder_ = std::wstring(temp) + L"sw-format-drive-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder_.c_str(), nullptr);
  std::string mountPoint = UnixPathOf(folder_);
  if (mountPoint.empty()) {
    problem_ = "needs Wine (no host path for the folder)";
    return;
  }

  std::wstring wideLabel = Widen(label);
  const size_t mountPointSize = mountPoint.size() + 1;
  const size_t labelSize = (wideLabel.size() + 1) * sizeof(wchar_t);
  std::vector<char> request(sizeof(MountmgrUnixDrive) + mountPointSize + labelSize);
  MountmgrUnixDrive header{};
  header.size = static_cast<ULONG>(request.size());
  header.type = DRIVE_REMOVABLE;
  header.letter = static_cast<WCHAR>(letter_ + 32);
  header.mountPointOffset = sizeof(MountmgrUnixDrive);
  header.labelOffset = static_cast<USHORT>(sizeof(MountmgrUnixDrive) + mountPointSize);
  std::memcpy(request.data(), &header, sizeof(header));
  std::memcpy(request.data() + header.mountPointOffset, mountPoint.c_str(), mountPointSize);
  std::memcpy(request.data() + header.labelOffset, wideLabel.c_str(), labelSize);
  defined_ = SendToMountManager(request.data(), request.size());
  if (!defined_ || !DriveReadable(letter_)) problem_ = "the mount manager did not map the drive letter";
}

WineDrive::~WineDrive() {
  if (defined_) {
    MountmgrUnixDrive removal{};
    removal.size = sizeof(removal);
    removal.letter = static_cast<WCHAR>(letter_ + 32);
    SendToMountManager(&removal, sizeof(removal));
  }
  if (!folder_.empty()) DeleteTree(folder_);
}

}  // namespace sw::testing
