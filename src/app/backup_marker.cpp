#include "app/backup_marker.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "copy/copy_paths.h"
#include "copy/folder_listing.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace sw {
namespace {

constexpr char kFirstLine[] = "Stickwise backup";
constexpr char kRestored[] = "restored";
constexpr char kNotRestored[] = "not restored";
constexpr char kTemporarySuffix[] = ".new";
// A note of a backup of a million files stays well below this.
constexpr DWORD kLargestMarker = 512u << 20;
// The note's lines before its file list fit in this with room to spare.
constexpr DWORD kHeaderBytes = 64 * 1024;

struct TStageName {
  TBackupStage stage;
  const char* text;
};
constexpr TStageName kStageNames[] = {
    {TBackupStage::BackingUp, "backing up"}, {TBackupStage::BackedUp, "backed up"},
    {TBackupStage::Erased, "erased"},        {TBackupStage::Restoring, "restoring"},
    {TBackupStage::Restored, "restored"},
};

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

bool ReadHash(const std::string& text, std::uint64_t& hash) {
  if (text.size() != 16) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint64_t>(digit);
  }
  hash = value;
  return true;
}

// "file=<size> <hash> <path>": the path is last, so it may hold blanks.
bool ReadListedFile(const std::string& value, TCopiedFile& file) {
  const size_t first = value.find(' ');
  if (first == std::string::npos) return false;
  const size_t second = value.find(' ', first + 1);
  if (second == std::string::npos || second + 1 >= value.size()) return false;
  file.relativePath = value.substr(second + 1);
  return ReadNumber(value.substr(0, first), file.size) && ReadHash(value.substr(first + 1, second - first - 1), file.hash);
}

// Reads up to `limit` bytes of the note in `folder`; nothing when it cannot
// be read or is larger than kLargestMarker.
std::optional<std::string> ReadNoteText(const std::string& folder, DWORD limit) {
  UniqueHandle file(CreateFileW(LongPath(WithTrailingBackslash(folder) + kBackupMarkerName).c_str(), GENERIC_READ,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLargestMarker) return std::nullopt;
  std::string text(static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, limit)), '\0');
  DWORD read = 0;
  if (!text.empty() && (!ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr) ||
                        read != text.size()))
    return std::nullopt;
  return text;
}

}  // namespace

std::string StageText(TBackupStage stage) {
  for (const TStageName& name : kStageNames)
    if (name.stage == stage) return name.text;
  return "unknown";
}

std::string FormatBackupMarker(const TBackupMarker& marker) {
  std::string text = std::string(kFirstLine) + "\r\ndrive=" + marker.drive + "\r\nstarted=" + marker.started +
                     "\r\nfiles=" + std::to_string(marker.files) + "\r\nbytes=" + std::to_string(marker.bytes) +
                     "\r\nstate=" + (marker.restored ? kRestored : kNotRestored) + "\r\n";
  // Read by this program only; an older one skips the keys it does not know.
  if (marker.stage != TBackupStage::Unknown) text += "stage=" + StageText(marker.stage) + "\r\n";
  if (marker.stick.Identified())
    text += "serial=" + marker.stick.serial + "\r\nvendor=" + marker.stick.vendor + "\r\nproduct=" +
            marker.stick.product + "\r\n";
  if (marker.stick.diskBytes > 0) text += "disk=" + std::to_string(marker.stick.diskBytes) + "\r\n";
  for (const TCopiedFile& file : marker.list) {
    char hash[17];
    std::snprintf(hash, sizeof(hash), "%016llx", static_cast<unsigned long long>(file.hash));
    text += "file=" + std::to_string(file.size) + " " + hash + " " + file.relativePath + "\r\n";
  }
  return text;
}

std::optional<TBackupMarker> ParseBackupMarker(const std::string& text) {
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty() || Trim(lines[0]) != kFirstLine) return std::nullopt;
  TBackupMarker marker;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, equals));
    // A listed path keeps its blanks; every other value is trimmed.
    if (key == "file") {
      TCopiedFile file;
      std::string value = line.substr(equals + 1);
      while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
      if (!ReadListedFile(value, file)) return std::nullopt;
      marker.list.push_back(std::move(file));
      continue;
    }
    const std::string value = Trim(line.substr(equals + 1));
    if (key == "drive") marker.drive = value;
    else if (key == "started") marker.started = value;
    else if (key == "files" && !ReadNumber(value, marker.files)) return std::nullopt;
    else if (key == "bytes" && !ReadNumber(value, marker.bytes)) return std::nullopt;
    // Anything but a clear "restored" keeps the folder.
    else if (key == "state") marker.restored = value == kRestored;
    else if (key == "stage") {
      for (const TStageName& name : kStageNames)
        if (value == name.text) marker.stage = name.stage;
    } else if (key == "serial") marker.stick.serial = value;
    else if (key == "vendor") marker.stick.vendor = value;
    else if (key == "product") marker.stick.product = value;
    else if (key == "disk" && !ReadNumber(value, marker.stick.diskBytes)) return std::nullopt;
  }
  // "restored" is the one word that frees the folder: a stage says no more than it.
  if (marker.stage == TBackupStage::Restored && !marker.restored) marker.stage = TBackupStage::Unknown;
  if (marker.restored) marker.stage = TBackupStage::Restored;
  if (marker.drive.size() >= 2 && marker.drive[1] == ':') marker.stick.letter = AsciiUpper(marker.drive.substr(0, 1))[0];
  return marker;
}

std::optional<TBackupMarker> ReadBackupMarker(const std::string& folder) {
  const std::optional<std::string> text = ReadNoteText(folder, kLargestMarker);
  if (!text) return std::nullopt;
  return ParseBackupMarker(*text);
}

std::optional<TBackupMarker> ReadBackupMarkerHeader(const std::string& folder) {
  std::optional<std::string> text = ReadNoteText(folder, kHeaderBytes);
  if (!text) return std::nullopt;
  // Up to the first listed file, or the last whole line read.
  const size_t list = text->find("\nfile=");
  text->resize(list != std::string::npos ? list + 1 : text->rfind('\n') + 1);
  return ParseBackupMarker(*text);
}

bool WriteBackupMarker(const std::string& folder, const TBackupMarker& marker) {
  const std::string path = WithTrailingBackslash(folder) + kBackupMarkerName;
  const std::wstring temporary = LongPath(path + kTemporarySuffix);
  {
    UniqueHandle file(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const std::string text = FormatBackupMarker(marker);
    DWORD written = 0;
    if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file.Get())) {
      file.Reset();
      DeleteFileW(temporary.c_str());
      return false;
    }
  }
  if (MoveFileExW(temporary.c_str(), LongPath(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temporary.c_str());
  return false;
}

TBackupFolderState InspectBackupFolder(const std::string& folder) {
  if (!FolderExists(folder)) return TBackupFolderState::Missing;
  const std::string base = WithTrailingBackslash(folder);
  TFolderListing listing(base);
  // A folder that cannot be listed may hold anything: it is not ours to empty.
  if (!listing.IsOpen()) return listing.FoundNothing() ? TBackupFolderState::Empty : TBackupFolderState::ForeignFiles;
  TFolderEntry entry;
  if (!listing.Next(entry)) return TBackupFolderState::Empty;
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
