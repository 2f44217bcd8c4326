// The backup folders the program used last, kept with the settings (values
// "Backups" and "NotOffered" of the settings key), so that a later start
// finds a backup whose restore did not finish. A folder is remembered as
// soon as its note is written: a run that is killed never reaches the
// window's close, where the other settings are saved.
#pragma once

#include <string>
#include <vector>

namespace sw {

// How many folders are remembered, newest first.
inline constexpr size_t kRememberedBackups = 8;

// The list as the value holds it: folders joined by "|", which no path holds.
std::vector<std::string> SplitFolderList(const std::string& value);
std::string JoinFolderList(const std::vector<std::string>& folders);
// `folder` put first in `folders`, once (compared without regard to case),
// the list cut to kRememberedBackups.
std::vector<std::string> WithFolderFirst(std::vector<std::string> folders, const std::string& folder);

// The remembered folders; none when the settings cannot be read.
std::vector<std::string> RememberedBackupFolders();
void RememberBackupFolder(const std::string& folder);
// The user chose not to be asked again about the backup in `folder` made
// at `started`; a later backup in the same folder is asked about again.
void StopOfferingBackup(const std::string& folder, const std::string& started);
bool OfferStopped(const std::string& folder, const std::string& started);

}  // namespace sw
