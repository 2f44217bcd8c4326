#include "testbed/wine_mount.h"

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/handles.h"
#include "platform/text.h"

namespace sw::testbed {
namespace {

// The mount manager's request that defines a drive letter for a host folder
// or, without a mount point, removes it; the same layout Wine's own
// configuration tool sends.
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
static_assert(offsetof(MountmgrUnixDrive, letter) == 24 && sizeof(MountmgrUnixDrive) == 32, "Wine's x64 layout");
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// Wine's conversion of a Windows path to the host's path; empty outside Wine.
std::string HostPathOf(const std::string& windowsPath) {
  using Convert = char*(__cdecl*)(const wchar_t*);
  auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) return {};
  char* hostPath = convert(Widen(windowsPath).c_str());
  if (hostPath == nullptr) return {};
  std::string result = hostPath;
  HeapFree(GetProcessHeap(), 0, hostPath);
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

WCHAR MountLetter(char letter) { return static_cast<WCHAR>(AsciiLower(std::string(1, letter))[0]); }

}  // namespace

std::string MapRemovableDrive(char letter, const std::string& folder) {
  if (GetFileAttributesW(Widen(folder).c_str()) == INVALID_FILE_ATTRIBUTES)
    return "the folder " + folder + " does not exist";
  // A removable letter may be left from an earlier run and is mapped anew;
  // any other drive on the letter is the machine's own and stays.
  const std::wstring root = Widen(std::string(1, letter) + ":\\");
  const UINT type = GetDriveTypeW(root.c_str());
  if (type != DRIVE_NO_ROOT_DIR && type != DRIVE_REMOVABLE) return "drive " + std::string(1, letter) + ": is in use";
  const std::string mountPoint = HostPathOf(folder);
  if (mountPoint.empty()) return "drive letters for simulated drives need Wine's mount manager";
  const size_t mountPointSize = mountPoint.size() + 1;
  std::vector<char> request(sizeof(MountmgrUnixDrive) + mountPointSize);
  MountmgrUnixDrive header{};
  header.size = static_cast<ULONG>(request.size());
  header.type = DRIVE_REMOVABLE;
  header.letter = MountLetter(letter);
  header.mountPointOffset = sizeof(MountmgrUnixDrive);
  std::memcpy(request.data(), &header, sizeof(header));
  std::memcpy(request.data() + header.mountPointOffset, mountPoint.c_str(), mountPointSize);
  if (!SendToMountManager(request.data(), request.size()) || !IsRemovableDrivePresent(letter))
    return "the mount manager did not map drive " + std::string(1, letter) + ":";
  return {};
}

bool UnmapDrive(char letter) {
  MountmgrUnixDrive removal{};
  removal.size = sizeof(removal);
  removal.letter = MountLetter(letter);
  return SendToMountManager(&removal, sizeof(removal));
}

bool IsRemovableDrivePresent(char letter) {
  const std::wstring root = Widen(std::string(1, letter) + ":\\");
  return GetDriveTypeW(root.c_str()) == DRIVE_REMOVABLE;
}

}  // namespace sw::testbed
