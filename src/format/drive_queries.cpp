#include "format/drive_queries.h"

#include <windows.h>

#include <vector>

#include "platform/module_path.h"
#include "platform/text.h"

namespace sw::drive {

namespace {

constexpr DWORD kVolumeTextUnits = 261;  // MAX_PATH + 1, as the volume query expects

std::wstring RootOf(char letter) { return Widen(std::string(1, letter) + ":\\"); }

char UpperLetter(char letter) { return (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 32) : letter; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The drive letter at the start of a Windows path ("C:\..."), 0 when none.
char LetterOfPath(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':' && path[0] < 128 && IsAsciiLetter(static_cast<char>(path[0])))
    return UpperLetter(static_cast<char>(path[0]));
  return 0;
}

std::wstring ProgramPath() { return Widen(ExecutablePath()); }

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH];
  UINT n = GetSystemWindowsDirectoryW(buffer, MAX_PATH);
  return (n == 0 || n >= MAX_PATH) ? std::wstring() : std::wstring(buffer, n);
}

}  // namespace

bool IsDriveRoot(const std::string& root) {
  if (root.size() < 2 || root.size() > 3) return false;
  if (!IsAsciiLetter(root[0]) || root[1] != ':') return false;
  return root.size() == 2 || root[2] == '\\';
}

int64_t TotalBytes(char letter) {
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExW(RootOf(letter).c_str(), &available, &total, &free)) return -1;
  return static_cast<int64_t>(total.QuadPart);
}

int64_t FreeBytes(char letter) {
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExW(RootOf(letter).c_str(), &available, &total, &free)) return -1;
  return static_cast<int64_t>(available.QuadPart);
}

std::optional<VolumeInfo> ReadVolume(char letter) {
  wchar_t label[kVolumeTextUnits] = {};
  wchar_t fileSystem[kVolumeTextUnits] = {};
  if (!GetVolumeInformationW(RootOf(letter).c_str(), label, kVolumeTextUnits, nullptr, nullptr, nullptr, fileSystem,
                             kVolumeTextUnits))
    return std::nullopt;
  return VolumeInfo{Narrow(label), Narrow(fileSystem)};
}

bool IsProtectedDrive(char letter) {
  char upper = UpperLetter(letter);
  char systemLetter = LetterOfPath(SystemFolder());
  char programLetter = LetterOfPath(ProgramPath());
  // When the system folder cannot be read, C: is taken as the system drive.
  if (systemLetter == 0) systemLetter = 'C';
  return upper == systemLetter || upper == programLetter;
}

}  // namespace sw::drive
