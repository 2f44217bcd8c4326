// An earlier backup in the folder a new backup is about to use. The program
// deletes only what it wrote itself and can prove unchanged: a restored
// backup is deleted file by file from the list its note keeps, and only
// where a file still has the size and content hash the note records.
// Anything else (a file the note does not list, a listed file that changed,
// a folder that is not empty afterwards) stays, and the folder with what is
// left moves aside. A backup that was never copied back moves aside whole,
// and so does one that holds a link (whose files the backup did not write)
// or whose note lists a path outside its folder. A folder without our note
// is never renamed, moved or emptied.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sw {

struct TOldBackupOutcome {
  bool ready = false;           // the folder is now missing or empty and may take the new backup
  bool ours = false;            // the folder held a backup of ours
  bool foreign = false;         // the folder holds files that are not a backup of ours: untouched
  std::int64_t deleted = 0;     // files of a restored backup deleted
  bool unrestored = false;      // the folder held a backup that was not copied back
  bool keptWhole = false;       // a restored backup not trusted for deleting: nothing of it was deleted
  std::string drive;            // the drive root that backup saved, from its note
  std::string keptIn;           // where the folder moved aside, when it did
  std::int64_t keptFiles = 0;   // files in the folder that moved aside (its note and links not counted)
  std::vector<std::string> links;    // reparse points in the folder, as full paths: never followed
  std::vector<std::string> outside;  // entries of its note that lie outside the folder: ignored
};

// Makes `folder` ready for a new backup as far as that can be done safely;
// `stamp` ("yyyy-mm-dd hhmmss") names the folder when it moves aside.
TOldBackupOutcome ClearOldBackup(const std::string& folder, const std::string& stamp);

// The files of the backup in `folder` that are not on `driveRoot` as the
// backup holds them: a file missing there, or of another size or content,
// counts. The note's list gives each file's size and hash (entries outside
// the folder are not used); a note without one (a run stopped early) has
// each backup file compared with the drive's by reading both.
std::int64_t FilesNotOnDrive(const std::string& folder, const std::string& driveRoot);

}  // namespace sw
