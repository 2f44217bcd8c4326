// The recursive folder copy: copies a directory tree file by file with a
// name mask, a rule for files that already exist at the destination, a
// per-file handler that can skip a file or stop the run, and counters that
// the run returns for the caller to print.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "copy/copied_file.h"

namespace sw {

class IDialogs;
class ILocale;

// The counters of one run.
struct TCopyStatistics {
  std::int32_t FilesCopied = 0;        // copied (in list-only mode: listed)
  std::int64_t BytesCopied = 0;        // sizes of the files in FilesCopied
  std::int32_t DuplicatesOverwritten = 0;
  std::int32_t DuplicatesKept = 0;     // the user chose to keep them
  std::int32_t DroppedByUser = 0;      // refused by the per-file handler
  std::int32_t DroppedByError = 0;     // the copy failed
  bool YesToAll = false;
  bool NoToAll = false;
  // Set when a guarded run stopped because its source or destination went
  // away or the destination ran full (see TCopySafeguards).
  bool Interrupted = false;
};

// Called for every matching file before it is copied, with the source
// folder and destination folder (both ending in a backslash; the
// destination is empty in list-only mode), the name and the size. Setting
// `proceed` false skips this file; returning false stops the run once this
// file is done.
using TFileEvent = std::function<bool(const std::string& sourceFolder, const std::string& destinationFolder,
                                      const std::string& fileName, std::int64_t size, bool& proceed)>;

// The rules for files that already exist at the destination.
enum TReplaceMode : std::int32_t {
  ReplaceAlways = 1,
  ReplaceWhenNewer = 2,  // the source's last-write time is strictly later
  ReplaceAsk = 3,        // the five-button question; any other value never replaces
};

// Which names a run takes.
enum class TNameRules {
  // Skips names beginning with ".", and names RECYCLED or beginning with
  // $RECYCLE (files and folders alike); the mask is matched strictly, so
  // "*.*" needs a dot in the name.
  Standard,
  // A whole drive, for a backup that must leave nothing behind: skips only
  // "." and ".." and the recycle-bin folders; the mask is matched the way
  // the platform's listing matches it, so "*.*" takes every file.
  WholeDrive,
};

// Where the copy's boxes go: the replace question and the error boxes
// through `dialogs` (owned by `owner`), the times in the question through
// `locale`.
struct TCopyHost {
  IDialogs* dialogs = nullptr;
  ILocale* locale = nullptr;
  HWND owner = nullptr;
};

// A folder a guarded run leaves out on purpose: a recycle bin (at any level)
// or, at the top of a whole drive, System Volume Information.
struct TSkippedFolder {
  std::string path;         // full path on the source, ending in a backslash
  std::int64_t files = -1;  // files below it; -1 when it cannot be listed
  bool recycleBin = false;  // false: System Volume Information
};

// What became of one file of a guarded run, told once the attempt is over.
struct TFileOutcome {
  bool copied = false;
  std::string reason;  // why it was not copied, in words, when it was not
};
using TFileDoneEvent = std::function<void(const std::string& sourceFolder, const std::string& fileName,
                                          std::int64_t size, const TFileOutcome& outcome)>;

// What a run does beyond the plain copy when it saves or restores a drive
// that is about to be, or has just been, erased:
// - each file is streamed through a hash, takes its source's times and
//   attributes, is removed again when its copy fails half way, with
//   `flush` is flushed to its disk before it is closed, and with `readBack`
//   is read again and compared (a difference is a copy error);
// - a file is never written twice in one run: a second source file whose
//   name differs only in case from one already copied to the same place is
//   a copy error that names both;
// - a folder that cannot be listed counts as a copy error;
// - when the source or destination is no longer there, or the destination
//   is full, the run stops after one message, and every file it did not
//   reach (of `plannedFiles`, when known) counts as a copy error;
// - every file the handler let through is told to `onFileDone`, copied or
//   not (with the reason), after its attempt;
// - `onProgress` is told every entry listed (0 bytes) and every piece of a
//   file copied (its bytes); returning false stops the run at once: the
//   file under way is removed and counts as dropped by the user.
struct TCopySafeguards {
  bool readBack = false;
  bool flush = false;
  std::vector<TCopiedFile>* copied = nullptr;      // every file copied (or listed), in order
  std::vector<std::string>* folders = nullptr;     // every folder entered below the source, relative, ending in "\"
  std::vector<TSkippedFolder>* skipped = nullptr;  // the folders left out on purpose
  // A whole-drive run never follows nor copies a reparse point (a symbolic
  // link, junction or mount point, file or folder, whatever its tag): what
  // it points at is not on the source. Each is recorded here, relative, a
  // folder's with a trailing backslash.
  std::vector<std::string>* links = nullptr;
  std::string skippedTopLevelFile;                 // a name at the source's top level that is never copied
  std::int32_t plannedFiles = -1;                  // files the run is expected to copy; -1 when unknown
  TFileDoneEvent onFileDone;
  std::function<bool(std::int64_t bytes)> onProgress;
};

// One run of the copy: what is copied where, and how.
struct TCopyRequest {
  std::string source = {};
  std::string destination = {};  // unused in list-only mode
  std::string mask = "*.*";
  std::int32_t replaceMode = ReplaceWhenNewer;
  bool listOnly = false;        // lists the matching files, copies nothing
  bool keepFolderName = false;  // adds FolderNameToKeep(source) below the destination
  bool recurse = true;
  bool flatten = false;         // every file straight into the destination
  bool clearReadOnly = false;   // the copies lose the read-only attribute
  TFileEvent onFile = nullptr;  // may be empty
  TCopyHost host = {};
  TNameRules nameRules = TNameRules::Standard;
  const TCopySafeguards* safeguards = nullptr;  // a guarded run when set
  // Asked before each file; true ends the run before that file. May be empty.
  std::function<bool()> stopRequested = nullptr;
};

struct TCopyResult {
  // True unless the run was stopped (by the handler, the stop check, a
  // Cancel in the replace question or a malformed mask).
  bool completed = true;
  TCopyStatistics statistics;
};

// Runs one copy. Raises Exception("Cannot create <folder>") when a
// destination folder cannot be created.
TCopyResult CopyFolder(const TCopyRequest& request);

// The level added below the destination for `keepFolderName`: the source's
// own folder name with a trailing backslash ("Data\" for D:\Work\Data), or
// empty for a drive root.
std::string FolderNameToKeep(const std::string& source);

}  // namespace sw
