#include "app/backup_marker.h"

#include <windows.h>

#include <vector>

#include "copy/copy_paths.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace sw {
namespace {

constexpr char kFirstLine[] = "Stickwise backup";
constexpr char kRestored[] = "restored";
constexpr char kNotRestored[] = "not restored";

bool ReadNumber(const std::string& text, std::int64_t& number) {
  if (text.empty() || text.size() > 18) return false;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  number = value;
  return true;
}

}  // namespace

std::string FormatBackupMarker(const TBackupMarker& marker) {
  return std::string(kFirstLine) + "\r\ndrive=" + marker.drive + "\r\nstarted=" + marker.started +
         "\r\nfiles=" + std::to_string(marker.files) + "\r\nbytes=" + std::to_string(marker.bytes) +
         "\r\nstate=" + (marker.restored ? kRestored : kNotRestored) + "\r\n";
}

std::optional<TBackupMarker> ParseBackupMarker(const std::string& text) {
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty() || Trim(lines[0]) != kFirstLine) return std::nullopt;
  TBackupMarker marker;
  bool hasState = false;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string line = Trim(lines[i]);
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
    if (key == "drive") marker.drive = value;
    else if (key == "started") marker.started = value;
    else if (key == "files" && !ReadNumber(value, marker.files)) return std::nullopt;
    else if (key == "bytes" && !ReadNumber(value, marker.bytes)) return std::nullopt;
    else if (key == "state") {
      // Anything but a clear "restored" keeps the folder.
      marker.restored = value == kRestored;
      hasState = true;
    }
  }
  if (!hasState) marker.restored = false;
  return marker;
}

std::optional<TBackupMarker> ReadBackupMarker(const std::string& folder) {
  UniqueHandle file(CreateFileW(LongPath(WithTrailingBackslash(folder) + kBackupMarkerName).c_str(), GENERIC_READ,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  char buffer[4096];
  DWORD read = 0;
  if (!ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr)) return std::nullopt;
  return ParseBackupMarker(std::string(buffer, read));
}

bool WriteBackupMarker(const std::string& folder, const TBackupMarker& marker) {
  const std::wstring path = LongPath(WithTrailingBackslash(folder) + kBackupMarkerName);
  UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const std::string text = FormatBackupMarker(marker);
  DWORD written = 0;
  if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size())
    return false;
  return FlushFileBuffers(file.Get()) != FALSE;
}

TBackupFolderState InspectBackupFolder(const std::string& folder) {
  if (!FolderExists(folder)) return TBackupFolderState::Missing;
  const std::string base = WithTrailingBackslash(folder);
  WIN32_FIND_DATAW entry{};
  UniqueFind listing(FindFirstFileExW((LongPath(base) + L"*").c_str(), FindExInfoBasic, &entry,
                                      FindExSearchNameMatch, nullptr, 0));
  // A folder that cannot be listed may hold anything: it is not ours to empty.
  if (!listing) return GetLastError() == ERROR_FILE_NOT_FOUND ? TBackupFolderState::Empty
                                                              : TBackupFolderState::ForeignFiles;
  bool anything = false;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") anything = true;
  } while (!anything && FindNextFileW(listing.Get(), &entry));
  if (!anything) return TBackupFolderState::Empty;
  const std::optional<TBackupMarker> marker = ReadBackupMarker(folder);
  if (!marker) return TBackupFolderState::ForeignFiles;
  return marker->restored ? TBackupFolderState::RestoredBackup : TBackupFolderState::UnrestoredBackup;
}

std::string KeepFolderAside(const std::string& folder, const std::string& stamp) {
  std::string base = folder;
  while (base.size() > 3 && (base.back() == '\\' || base.back() == '/')) base.pop_back();
  base += " " + stamp;
  for (int attempt = 1; attempt < 100; ++attempt) {
    const std::string target = attempt == 1 ? base : base + " (" + std::to_string(attempt) + ")";
    if (PathExists(target)) continue;
    if (MoveFileExW(LongPath(folder).c_str(), LongPath(target).c_str(), 0)) return target;
    return {};
  }
  return {};
}

}  // namespace sw
