// The speed-up operation's drive and size rules.
#include "app/speedup_rules.h"

#include <windows.h>

#include "devices/device_list.h"
#include "platform/module_path.h"
#include "platform/text.h"

namespace sw {
namespace {

char UpperLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The letter of a drive path such as "E:\..." or "\\?\E:\...", else 0.
char LetterOfAbsolutePath(const std::wstring& path) {
  std::wstring rest = path;
  if (rest.rfind(L"\\\\?\\", 0) == 0 || rest.rfind(L"\\\\.\\", 0) == 0) rest = rest.substr(4);
  if (rest.size() < 2 || rest[1] != L':' || rest[0] > 0x7F) return 0;
  const char letter = static_cast<char>(rest[0]);
  return IsLetter(letter) ? UpperLetter(letter) : 0;
}

}  // namespace

char OperationDriveLetter(const std::string& entry, char selectedLetter) {
  const std::string text = Trim(entry);
  char named = EntryDriveLetter(text);
  // The device list never selects C, but an entry that names it still names
  // a drive: the operation refuses it as the system drive, not as a device
  // without a letter.
  if (named == 0 && text.size() >= 6 && text.compare(text.size() - 3, 3, ":\\)") == 0 &&
      text[text.size() - 5] == '(' && IsLetter(text[text.size() - 4]))
    named = text[text.size() - 4];
  if (named == 0 && text.size() == 3 && IsLetter(text[0]) && text[1] == ':' && text[2] == '\\') named = text[0];
  if (named == 0) return 0;
  return SameDriveLetter(named, selectedLetter) ? selectedLetter : named;
}

bool FatSizeRefused(int fileSystemIndex, long long sizeNumber, const std::string& sizeUnit) {
  // "greater than 1.7" on a whole number of GB: 2 GB and more.
  return fileSystemIndex == kFsFat && sizeUnit == "GB" && sizeNumber * 10 > 17;
}

bool Fat32SizeWarned(int fileSystemIndex, long long sizeNumber, const std::string& sizeUnit) {
  // "greater than 3.7" on a whole number of GB: 4 GB and more.
  return fileSystemIndex == kFsFat32 && sizeUnit == "GB" && sizeNumber * 10 > 37;
}

int MediaKindOf(char driveLetter) { return UpperLetter(driveLetter) < 'C' ? 1 : 0; }

bool SameDriveLetter(char a, char b) { return a != 0 && UpperLetter(a) == UpperLetter(b); }

char DriveLetterOfPath(const std::string& path) {
  if (path.empty()) return 0;
  const std::wstring wide = Widen(path);
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return LetterOfAbsolutePath(wide);
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return LetterOfAbsolutePath(wide);
  full.resize(length);
  return LetterOfAbsolutePath(full);
}

char SystemDriveLetter() {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
  if (length == 0 || length > MAX_PATH) return 0;
  return LetterOfAbsolutePath(folder);
}

std::string ProgramPath() { return ExecutablePath(); }

char ProgramDriveLetter() { return DriveLetterOfPath(ProgramPath()); }

std::string DefaultBackupFolder() {
  const std::string program = ProgramPath();
  const size_t slash = program.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : program.substr(0, slash)) + "\\backup";
}

}  // namespace sw
