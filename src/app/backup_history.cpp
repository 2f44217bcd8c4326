#include "app/backup_history.h"

#include <algorithm>
#include <exception>

#include "app/fmtmain.h"
#include "platform/registry.h"
#include "platform/text_rules.h"

namespace sw {
namespace {

constexpr char kBackupsValue[] = "Backups";
constexpr char kNotOfferedValue[] = "NotOffered";
// A folder and the start of its backup, in one entry of "NotOffered".
constexpr char kStartedSeparator = '*';

bool SameFolder(const std::string& a, const std::string& b) { return AsciiUpper(a) == AsciiUpper(b); }

// A value of the wrong type (written by hand) reads as none: it must not
// keep the program from starting.
std::vector<std::string> ReadList(const char* name) {
  try {
    UniqueRegKey key = registry::OpenForReading(HKEY_CURRENT_USER, kSettingsKey);
    if (!key || !registry::ValueExists(key.Get(), name)) return {};
    return SplitFolderList(registry::ReadString(key.Get(), name));
  } catch (const std::exception&) {
    return {};
  }
}

void WriteList(const char* name, const std::vector<std::string>& list) {
  try {
    UniqueRegKey key = registry::OpenOrCreate(HKEY_CURRENT_USER, kSettingsKey);
    if (key) registry::WriteString(key.Get(), name, JoinFolderList(list));
  } catch (const std::exception&) {
    // Not remembered: the backup itself is not harmed.
  }
}

}  // namespace

std::vector<std::string> SplitFolderList(const std::string& value) {
  std::vector<std::string> folders;
  size_t start = 0;
  while (start <= value.size()) {
    const size_t end = std::min(value.find('|', start), value.size());
    if (end > start) folders.push_back(value.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

std::string JoinFolderList(const std::vector<std::string>& folders) {
  std::string value;
  for (const std::string& folder : folders) value += (value.empty() ? "" : "|") + folder;
  return value;
}

std::vector<std::string> WithFolderFirst(std::vector<std::string> folders, const std::string& folder) {
  std::erase_if(folders, [&](const std::string& other) { return SameFolder(other, folder); });
  folders.insert(folders.begin(), folder);
  if (folders.size() > kRememberedBackups) folders.resize(kRememberedBackups);
  return folders;
}

std::vector<std::string> RememberedBackupFolders() { return ReadList(kBackupsValue); }

void RememberBackupFolder(const std::string& folder) {
  WriteList(kBackupsValue, WithFolderFirst(RememberedBackupFolders(), folder));
}

void StopOfferingBackup(const std::string& folder, const std::string& started) {
  WriteList(kNotOfferedValue, WithFolderFirst(ReadList(kNotOfferedValue), folder + kStartedSeparator + started));
}

bool OfferStopped(const std::string& folder, const std::string& started) {
  const std::string entry = folder + kStartedSeparator + started;
  for (const std::string& stopped : ReadList(kNotOfferedValue))
    if (SameFolder(stopped, entry)) return true;
  return false;
}

}  // namespace sw
