#include "fakes/wine_drive.h"

#include <windows.h>

#include "platform/text.h"
#include "testbed/sim_format_library.h"
#include "testbed/wine_mount.h"

namespace sw::testing {

namespace {

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

char WineDrive::LetterToMap() {
  // By the drive's type, not GetLogicalDrives: under Wine a letter that was
  // mapped and removed again stays in that list while the prefix's server
  // runs, and the suites would soon run out of letters.
  for (char letter = 'Y'; letter >= 'D'; --letter) {
    const std::wstring root = Widen(std::string(1, letter) + ":\\");
    if (GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR && !DriveReadable(letter)) return letter;
  }
  return 0;
}

WineDrive::WineDrive() {
  letter_ = LetterToMap();
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

std::string WineDrive::Folder() const { return Narrow(folder_); }

bool WineDrive::Pull() { return MoveFileW(folder_.c_str(), (folder_ + L"-pulled").c_str()) != FALSE; }

bool WineDrive::PutBack() {
  if (GetFileAttributesW(folder_.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  return MoveFileW((folder_ + L"-pulled").c_str(), folder_.c_str()) != FALSE;
}

WineDrive::~WineDrive() {
  PutBack();
  mapping_.reset();  // the letter goes before its folder
  if (!folder_.empty()) {
    testbed::EmptyFolder(Narrow(folder_));
    RemoveDirectoryW(folder_.c_str());
  }
}

}  // namespace sw::testing
