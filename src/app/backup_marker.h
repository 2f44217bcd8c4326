// The small note a backup leaves in its folder: which drive it saved (its
// letter and the stick's identity), when, how many files and bytes, the
// stage the run had reached, whether it has been copied back and checked,
// and every file it holds with its size and content hash. A folder whose
// note says "not restored" holds the only copy of a drive's files and is
// never deleted; the file list is what lets a restored backup be deleted
// file by file, and only where a file is still what the backup wrote.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/stick_identity.h"
#include "copy/copy_folder.h"

namespace sw {

// The note's file name, at the top of the backup folder. It is never copied
// onto the drive.
inline constexpr char kBackupMarkerName[] = "stickwise-backup.txt";

// How far the run of a backup got. A note of an older program has no stage:
// Unknown, which counts as "the stick may have been erased".
enum class TBackupStage { Unknown, BackingUp, BackedUp, Erased, Restoring, Restored };

struct TBackupMarker {
  std::string drive;    // the drive root the files came from, as "E:\"
  std::string started;  // "yyyy-mm-dd hh:mm:ss", local time
  std::int64_t files = 0;
  std::int64_t bytes = 0;
  bool restored = false;
  std::vector<TCopiedFile> list;  // every file the backup wrote, once it has been made
  TBackupStage stage = TBackupStage::Unknown;
  // The stick the files came from; a note of an older program knows only
  // the letter of `drive`.
  TStickIdentity stick;
  // The stick may hold less than the backup: its erase has begun and the
  // files were not all copied back and checked.
  bool RestoreUnfinished() const {
    return !restored && (stage == TBackupStage::Unknown || stage == TBackupStage::Erased ||
                         stage == TBackupStage::Restoring);
  }
};

// The stage as the note writes it ("backed up", "erased", ...).
std::string StageText(TBackupStage stage);

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
// Writes the note into `folder` (through a temporary file, so a note is
// never left half written); false when it cannot be written.
bool WriteBackupMarker(const std::string& folder, const TBackupMarker& marker);
std::optional<TBackupMarker> ReadBackupMarker(const std::string& folder);
// The note without its file list, read from its first part only: cheap
// enough for the window's thread however many files the backup holds.
std::optional<TBackupMarker> ReadBackupMarkerHeader(const std::string& folder);
// Renames `folder` aside to "<folder> yyyy-mm-dd hhmmss" (with a number
// added if that exists); the new path, or empty when it could not be renamed.
std::string KeepFolderAside(const std::string& folder, const std::string& stamp);

}  // namespace sw
