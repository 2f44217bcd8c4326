#include "fakes/wine_drive.h"

#include <windows.h>

#include "platform/text.h"
#include "testbed/wine_mount.h"

namespace sw::testing {

namespace {

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

WineDrive::WineDrive() {
  letter_ = UnusedLetter();
  if (letter_ == 0) {
    problem_ = "no free drive letter";
    return;
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  folder_ = std::wstring(temp) + L"sw-format-drive-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder_.c_str(), nullptr);
  mapping_ = std::make_unique<testbed::MappedDrive>(letter_, Narrow(folder_));
  problem_ = mapping_->Problem();
  if (problem_.empty() && !DriveReadable(letter_)) problem_ = "the mapped drive cannot be read";
}

WineDrive::~WineDrive() {
  mapping_.reset();  // the letter goes before its folder
  if (!folder_.empty()) DeleteTree(folder_);
}

}  // namespace sw::testing
