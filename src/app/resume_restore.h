// The copy-back of a backup whose restore did not finish (the run was
// killed, the power cut, the stick pulled), run on the worker as a run of
// its own once the window found the note and its stick. It asks first; Yes
// copies back what is missing on the stick or differs from the backup, with
// the same flush, read-back from the stick's disk and comparison as the
// restore of a speed-up, and the note says "restored" only when every file
// is identical. A file on the stick that the backup does not hold is never
// touched, and one that differs and may be the user's own is replaced only
// when the user agrees. No leaves everything as it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/backup_marker.h"
#include "app/run_context.h"

namespace sw {

// What became of a listed file on the stick since the backup was made.
enum class TStickFileState {
  Same,          // identical to the backup
  Missing,
  CutShort,      // what it holds is the start of the backup's copy: a copy stopped half way
  Stale,         // differs, and was not written after the backup's copy
  ChangedSince,  // differs, and was written after it (or the stick is not known for sure)
};

// The state from what was read: `onStick` false when the file is not there;
// `prefixHash` the hash of the backup's first `stickSize` bytes; the
// last-write times in system file time units. `sureOfStick` is false when
// the stick was recognised only by its letter and size: then no file of
// its own is ever taken for a stale copy.
struct TStickFileFacts {
  bool onStick = false;
  std::int64_t stickSize = 0, backupSize = 0;
  std::uint64_t stickHash = 0, backupHash = 0, prefixHash = 0;
  std::uint64_t stickWritten = 0, backupWritten = 0;
  bool sureOfStick = true;
};
TStickFileState StickFileState(const TStickFileFacts& facts);

class TResumeRestore {
 public:
  explicit TResumeRestore(TRunContext& run);
  TResumeRestore(const TResumeRestore&) = delete;
  TResumeRestore& operator=(const TResumeRestore&) = delete;

  void Run();
  // Every file is back and checked; the note says "restored".
  bool Succeeded() const { return succeeded_; }
  // Nothing was done: the user said No, or the note was no longer unfinished.
  bool Declined() const { return declined_; }

 private:
  bool Offer();
  // Sorts the listed files into those to copy back; asks about those that
  // may be the user's own. False when the run was stopped.
  bool Compare(std::vector<std::string>& toCopy);
  bool CopyBack(const std::vector<std::string>& toCopy);
  // Makes the backup's folders on the stick (empty ones too) and gives
  // each the look the backup holds for it.
  void RestoreFolders();
  bool Check();
  void Finish(bool succeeded);
  void Log(const std::string& text) { run_.Log(text); }
  std::string DriveRoot() const;
  std::string DriveName() const;

  TRunContext& run_;
  const std::string folder_;
  TBackupMarker note_;
  std::vector<std::string> folders_;  // the backup's folders, relative, as given their look on the stick
  bool succeeded_ = false;
  bool declined_ = false;
};

}  // namespace sw
