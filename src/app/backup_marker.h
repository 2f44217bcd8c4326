// The small note a backup leaves in its folder: which drive it saved, when,
// how many files and bytes, and whether it has been copied back and checked.
// A folder whose note says "not restored" holds the only copy of a drive's
// files and is never deleted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sw {

// The note's file name, at the top of the backup folder. It is never copied
// onto the drive.
inline constexpr char kBackupMarkerName[] = "stickwise-backup.txt";

struct TBackupMarker {
  std::string drive;    // the drive root the files came from, as "E:\"
  std::string started;  // "yyyy-mm-dd hh:mm:ss", local time
  std::int64_t files = 0;
  std::int64_t bytes = 0;
  bool restored = false;
};

// The note's text, and the note read back from a text; nothing when the
// text is not such a note.
std::string FormatBackupMarker(const TBackupMarker& marker);
std::optional<TBackupMarker> ParseBackupMarker(const std::string& text);

// What a folder chosen for a backup holds.
enum class TBackupFolderState {
  Missing,           // no such folder yet
  Empty,
  RestoredBackup,    // a backup of ours that was copied back and checked
  UnrestoredBackup,  // a backup of ours whose files may exist nowhere else
  ForeignFiles,      // files that are not a backup of ours
};

TBackupFolderState InspectBackupFolder(const std::string& folder);
// Writes the note into `folder`; false when it cannot be written.
bool WriteBackupMarker(const std::string& folder, const TBackupMarker& marker);
std::optional<TBackupMarker> ReadBackupMarker(const std::string& folder);
// Renames `folder` aside to "<folder> yyyy-mm-dd hhmmss" (with a number
// added if that exists); the new path, or empty when it could not be renamed.
std::string KeepFolderAside(const std::string& folder, const std::string& stamp);

}  // namespace sw
