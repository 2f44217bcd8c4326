// One run of the folder copy: CopyTree walks one folder level, CopyOneFile
// copies one file and counts it, and the replace rules decide what happens
// to files that already exist at the destination.
#include "copy/copy_folder.h"

#include <optional>
#include <unordered_map>

#include "copy/copy_paths.h"
#include "copy/copy_times.h"
#include "copy/file_mask.h"
#include "copy/folder_look.h"
#include "copy/folder_listing.h"
#include "copy/verified_copy.h"
#include "platform/dialogs.h"
#include "platform/exceptions.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "toolkit/application.h"

namespace sw {

namespace {

// Attribute 8 marks a volume-label entry on the old file systems.
constexpr DWORD kVolumeLabelAttribute = 0x8;
constexpr char kReplaceTitle[] = "Confirm";

bool IsRecycleBinName(const std::string& name) {
  std::string upper = AsciiUpper(name);
  return upper == "RECYCLED" || upper.starts_with("$RECYCLE");
}

// The recycle bins a guarded whole-drive run leaves out: the names above and
// the one of the NT versions before Vista.
bool IsRecycleBinFolderName(const std::string& name) { return IsRecycleBinName(name) || AsciiUpper(name) == "RECYCLER"; }

// The system's folder at the top of a volume; Windows makes it anew, and on
// NTFS it cannot even be listed.
bool IsSystemVolumeInformation(const std::string& name) { return AsciiUpper(name) == "SYSTEM VOLUME INFORMATION"; }

// `path` below `base`, which it begins with; the whole path when it does not.
std::string Below(const std::string& path, const std::string& base) {
  return path.starts_with(base) ? path.substr(base.size()) : path;
}

// The files anywhere below `folder` (ending in a backslash), counted by a
// listing that tells no one of its failures: -1 when any part of it cannot
// be listed. Links to folders are not followed.
std::int64_t CountFilesBelow(const std::string& folder) {
  TFolderListing listing(folder, TFolderListing::TFetch::Large);
  if (!listing.IsOpen()) return listing.FoundNothing() && FolderExists(folder) ? 0 : -1;
  std::int64_t files = 0;
  TFolderEntry entry;
  while (listing.Next(entry)) {
    if (!entry.IsFolder()) {
      ++files;
    } else if (!entry.IsLink()) {
      const std::int64_t below = CountFilesBelow(folder + entry.name + "\\");
      if (below < 0) return -1;
      files += below;
    }
  }
  return listing.EndedByError() ? -1 : files;
}

// The last-write time of an existing file, read through a handle opened
// without sharing; nothing when the file is locked or unreadable.
std::optional<FILETIME> ExclusiveLastWriteTime(const std::string& path) {
  UniqueHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  FILETIME written{};
  if (!GetFileTime(file.Get(), nullptr, nullptr, &written)) return std::nullopt;
  return written;
}

class TFolderCopyRun {
 public:
  explicit TFolderCopyRun(const TCopyRequest& request)
      : maskText_(request.mask),
        mask_(TFileMask::Parse(request.mask)),
        replaceMode_(request.replaceMode),
        listOnly_(request.listOnly),
        recurse_(request.recurse),
        flatten_(request.flatten),
        clearReadOnly_(request.clearReadOnly),
        onFile_(request.onFile),
        stopRequested_(request.stopRequested),
        host_(request.host),
        nameRules_(request.nameRules),
        safeguards_(request.safeguards) {}

  bool CopyTree(const std::string& source, const std::string& destination, const std::string& folderNameToKeep);
  // After the run: files a guarded run did not reach count as copy errors.
  void CountFilesNotReached();
  const TCopyStatistics& Statistics() const { return stats_; }

 private:
  bool Skipped(const TFolderEntry& entry, const std::string& name) const;
  // A guarded whole-drive run's folders left out on purpose (recycle bins,
  // System Volume Information at the top): true for one, which is recorded.
  bool LeftOutOnPurpose(const TFolderEntry& entry, const std::string& name, const std::string& sourceFolder);
  // A guarded whole-drive run's links: true for one, which is recorded.
  bool LinkLeftAlone(const TFolderEntry& entry, const std::string& name, const std::string& sourceFolder);
  // A guarded run's answer to a second file for a destination it already
  // wrote (`earlierSource` went there): a copy error naming both.
  void RefuseSecondWrite(const TFolderEntry& entry, const std::string& name, const std::string& sourceFolder,
                         const std::string& destinationFile, const std::string& earlierSource);
  // Tells a guarded copy run's onFileDone what became of one file.
  void Tell(const std::string& sourceFolder, const std::string& name, std::int64_t size, bool copied,
            const std::string& reason = {});
  void CopyMatchingFile(const TFolderEntry& entry, const std::string& name, const std::string& sourceFolder,
                        const std::string& destinationFolder, bool& goOn);
  void CopyOneFile(const TFolderEntry& entry, const std::string& name, const std::string& sourceFolder,
                   const std::string& destinationFolder, bool& goOn);
  void AskReplace(const std::string& sourceFile, const FILETIME& sourceTime, const std::string& destinationFile,
                  const FILETIME& destinationTime, ReplaceAnswer& answer);
  void ShowError(const std::string& text);
  // Copies one file through the streaming copier; false (counted, shown,
  // and why in `reason`) when it failed.
  bool CopyGuarded(const TFolderEntry& entry, const std::string& sourceFile, const std::string& destinationFile,
                   bool& goOn, std::string& reason);
  // A guarded run's answer to a folder it cannot list: a copy error, or the
  // end of the run when the drive itself is gone.
  void FolderUnreadable(const std::string& folder, DWORD error, bool& goOn);
  // A guarded run's answer to a file that failed: true when the run must
  // stop because its source or destination is gone or full.
  bool StopsTheRun(DWORD error);
  bool Guarded() const { return safeguards_ != nullptr; }

  const std::string maskText_;
  const std::optional<TFileMask> mask_;
  const std::int32_t replaceMode_;
  const bool listOnly_, recurse_, flatten_, clearReadOnly_;
  const TFileEvent& onFile_;
  const std::function<bool()>& stopRequested_;
  const TCopyHost& host_;
  const TNameRules nameRules_;
  const TCopySafeguards* safeguards_;
  std::string runSource_;       // the top source folder
  std::string runDestination_;  // the top destination folder, never walked as a source
  std::optional<TStreamingCopier> copier_;
  // A guarded run's destinations written so far (CaseKey) and the source
  // file that went to each, both below the run's own folders: a run of a
  // hundred thousand files keeps no folder prefix a hundred thousand times.
  std::unordered_map<std::string, std::string> written_;
  TCopyStatistics stats_;
};

bool IsFullError(DWORD error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

bool TFolderCopyRun::Skipped(const TFolderEntry& entry, const std::string& name) const {
  const bool folder = entry.IsFolder();
  if (name.empty() || name == "." || name == "..") return true;
  if (nameRules_ == TNameRules::Standard && (name.front() == '.' || IsRecycleBinName(name))) return true;
  if (nameRules_ == TNameRules::WholeDrive && folder && IsRecycleBinName(name)) return true;
  if ((entry.attributes & kVolumeLabelAttribute) != 0) return true;
  // A link to a folder is not followed: one that points back up the tree
  // would never end, and its target is copied where it really lies.
  if (folder && entry.IsLink()) return true;
  return false;
}

bool TFolderCopyRun::CopyTree(const std::string& source, const std::string& destination,
                              const std::string& folderNameToKeep) {
  bool goOn = true;
  const std::string sourceFolder = WithTrailingBackslash(source);
  std::string destinationFolder;
  if (!listOnly_) {
    destinationFolder = WithTrailingBackslash(destination) + folderNameToKeep;
    if (!FolderExists(destinationFolder) && !CreateDirectoryW(LongPath(destinationFolder).c_str(), nullptr))
      throw Exception("Cannot create " + destinationFolder);
    if (runDestination_.empty()) runDestination_ = destinationFolder;
  }
  if (runSource_.empty()) runSource_ = sourceFolder;

  TFolderListing listing(sourceFolder, TFolderListing::TFetch::Large);
  if (!listing.IsOpen()) {
    const DWORD error = listing.OpenError();
    // A drive root with no entries at all lists nothing; an unguarded run
    // counts a missing or unreadable source as done.
    const bool empty = (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) && FolderExists(sourceFolder);
    if (Guarded() && !empty) FolderUnreadable(sourceFolder, error, goOn);
    return goOn;
  }
  TFolderEntry entry;
  while (goOn && listing.Next(entry)) {
    if (Guarded() && safeguards_->onProgress && !safeguards_->onProgress(0)) {
      goOn = false;
      break;
    }
    const std::string& name = entry.name;
    if (LeftOutOnPurpose(entry, name, sourceFolder)) continue;
    if (LinkLeftAlone(entry, name, sourceFolder)) continue;
    if (Skipped(entry, name)) continue;
    if (Guarded() && sourceFolder == runSource_ && !safeguards_->skippedTopLevelFile.empty() && !entry.IsFolder() &&
        AsciiUpper(name) == AsciiUpper(safeguards_->skippedTopLevelFile))
      continue;
    if (entry.IsFolder()) {
      if (!recurse_) continue;
      const std::string childSource = sourceFolder + name + "\\";
      // A destination inside the source is not walked again, wherever it
      // lies below the source and however its path is written.
      if (SamePath(childSource, destinationFolder) || SamePath(childSource, runDestination_)) continue;
      const std::string childDestination = flatten_ ? destinationFolder : destinationFolder + name;
      if (Guarded() && safeguards_->folders != nullptr)
        safeguards_->folders->push_back(childSource.substr(runSource_.size()));
      const TFolderLook look{entry.attributes, entry.found != nullptr ? entry.found->ftCreationTime : FILETIME{},
                             entry.lastWrite};
      goOn = CopyTree(childSource, WithTrailingBackslash(childDestination), "");
      // Writing into a folder changes its time: the folder takes its
      // source's look once its files are in.
      if (Guarded() && !flatten_ && !listOnly_) ApplyFolderLook(childDestination, look);
      continue;
    }
    // Errors while one file is handled are shown and stop the run; the
    // "Cannot create" of a subfolder above goes on to the caller.
    try {
      if (!mask_) {
        ShowError("Invalid mask \"" + maskText_ + "\" entered, see documentation");
        goOn = false;
        continue;
      }
      const MaskDialect dialect = nameRules_ == TNameRules::WholeDrive ? MaskDialect::Platform : MaskDialect::Strict;
      if (!mask_->Matches(name, dialect)) continue;
      CopyMatchingFile(entry, name, sourceFolder, destinationFolder, goOn);
    } catch (const std::exception& error) {
      ShowError(error.what());
      goOn = false;
    }
  }
  // A listing that breaks off before its end leaves files unseen.
  if (Guarded() && listing.EndedByError()) FolderUnreadable(sourceFolder, listing.EndError(), goOn);
  return goOn;
}

bool TFolderCopyRun::LeftOutOnPurpose(const TFolderEntry& entry, const std::string& name,
                                      const std::string& sourceFolder) {
  if (!Guarded() || nameRules_ != TNameRules::WholeDrive || !entry.IsFolder()) return false;
  const bool recycleBin = IsRecycleBinFolderName(name);
  if (!recycleBin && !(sourceFolder == runSource_ && IsSystemVolumeInformation(name))) return false;
  // A run that does not recurse leaves every folder out anyway.
  if (recurse_ && safeguards_->skipped != nullptr) {
    const std::string path = sourceFolder + name + "\\";
    safeguards_->skipped->push_back(TSkippedFolder{path, CountFilesBelow(path), recycleBin});
  }
  return true;
}

bool TFolderCopyRun::LinkLeftAlone(const TFolderEntry& entry, const std::string& name,
                                   const std::string& sourceFolder) {
  if (!Guarded() || nameRules_ != TNameRules::WholeDrive || !entry.IsLink()) return false;
  if (name == "." || name == "..") return false;
  if (safeguards_->links != nullptr) {
    const bool folder = entry.IsFolder();
    safeguards_->links->push_back(Below(sourceFolder, runSource_) + name + (folder ? "\\" : ""));
  }
  return true;
}

void TFolderCopyRun::FolderUnreadable(const std::string& folder, DWORD error, bool& goOn) {
  if (stats_.Interrupted) {
    goOn = false;
    return;
  }
  ++stats_.DroppedByError;
  if (StopsTheRun(error)) {
    goOn = false;
    return;
  }
  ShowError("Cannot read folder " + folder + ": " + std::to_string(error));
}

bool TFolderCopyRun::StopsTheRun(DWORD error) {
  if (stats_.Interrupted) return true;
  const bool gone = !FolderExists(runSource_) || (!listOnly_ && !FolderExists(runDestination_));
  if (!gone && !IsFullError(error)) return false;
  // One message for the whole rest of the run, not one per file left.
  stats_.Interrupted = true;
  if (gone)
    ShowError("The copy stopped: " + (FolderExists(runSource_) ? runDestination_ : runSource_) +
              " is no longer there.");
  else
    ShowError("The copy stopped: " + runDestination_ + " is full (" + std::to_string(error) + ").");
  return true;
}

void TFolderCopyRun::CountFilesNotReached() {
  if (!Guarded() || !stats_.Interrupted || safeguards_->plannedFiles < 0) return;
  const std::int64_t reached = static_cast<std::int64_t>(stats_.FilesCopied) + stats_.DroppedByUser +
                               stats_.DroppedByError;
  if (reached < safeguards_->plannedFiles)
    stats_.DroppedByError += static_cast<std::int32_t>(safeguards_->plannedFiles - reached);
}

// Decides by the replace rule whether a matching file is copied.
void TFolderCopyRun::CopyMatchingFile(const TFolderEntry& entry, const std::string& name,
                                      const std::string& sourceFolder, const std::string& destinationFolder, bool& goOn) {
  const std::string sourceFile = sourceFolder + name;
  const std::string destinationFile = destinationFolder + name;
  // Before any replace rule: on a destination that ignores case the second
  // of two names that differ only in case would replace the first.
  if (Guarded() && !listOnly_) {
    const auto earlier = written_.find(PathCaseKey(Below(destinationFile, runDestination_)));
    if (earlier != written_.end()) {
      RefuseSecondWrite(entry, name, sourceFolder, destinationFile, runSource_ + earlier->second);
      return;
    }
  }
  // A folder in the file's place is tried like a missing file, so that its
  // failure is counted rather than the file passed over.
  if (listOnly_ || !PathExists(destinationFile) || FolderExists(destinationFile)) {
    CopyOneFile(entry, name, sourceFolder, destinationFolder, goOn);
    return;
  }
  std::optional<FILETIME> destinationTime = ExclusiveLastWriteTime(destinationFile);
  if (!destinationTime) return;  // locked or unreadable: nothing counted

  switch (replaceMode_) {
    case ReplaceAlways:
      CopyOneFile(entry, name, sourceFolder, destinationFolder, goOn);
      ++stats_.DuplicatesOverwritten;
      return;
    case ReplaceWhenNewer:
      if (CompareFileTime(&entry.lastWrite, &*destinationTime) <= 0) return;
      CopyOneFile(entry, name, sourceFolder, destinationFolder, goOn);
      ++stats_.DuplicatesOverwritten;
      return;
    case ReplaceAsk: {
      ReplaceAnswer answer = ReplaceAnswer::No;
      if (!stats_.YesToAll && !stats_.NoToAll)
        AskReplace(sourceFile, entry.lastWrite, destinationFile, *destinationTime, answer);
      if (stats_.YesToAll || answer == ReplaceAnswer::Yes) {
        CopyOneFile(entry, name, sourceFolder, destinationFolder, goOn);
        ++stats_.DuplicatesOverwritten;
        return;
      }
      ++stats_.DuplicatesKept;
      if (answer == ReplaceAnswer::Cancel) goOn = false;
      return;
    }
    default:
      return;
  }
}

void TFolderCopyRun::RefuseSecondWrite(const TFolderEntry& entry, const std::string& name,
                                       const std::string& sourceFolder, const std::string& destinationFile,
                                       const std::string& earlierSource) {
  const size_t earlierFolderEnd = earlierSource.rfind('\\') + 1;
  const std::string earlierName = earlierSource.substr(earlierFolderEnd);
  // Identical names meet only when a flattened run brings two folders together.
  const bool caseOnly = earlierName != name;
  ++stats_.DroppedByError;
  ShowError("Copy from " + sourceFolder + name + " to " + destinationFile + " failed: " + earlierSource +
            " was already copied there" + (caseOnly ? " (the names differ only in case)" : ""));
  const bool sameFolder = earlierSource.compare(0, earlierFolderEnd, sourceFolder) == 0;
  Tell(sourceFolder, name, entry.size, false,
       (sameFolder ? earlierName : earlierSource) + " was already copied under the same name" +
           (caseOnly ? "; the names differ only in case" : ""));
}

void TFolderCopyRun::Tell(const std::string& sourceFolder, const std::string& name, std::int64_t size, bool copied,
                          const std::string& reason) {
  if (!Guarded() || listOnly_ || !safeguards_->onFileDone) return;
  safeguards_->onFileDone(sourceFolder, name, size, TFileOutcome{copied, copied ? std::string() : reason});
}

void TFolderCopyRun::AskReplace(const std::string& sourceFile, const FILETIME& sourceTime,
                                const std::string& destinationFile, const FILETIME& destinationTime,
                                ReplaceAnswer& answer) {
  if (host_.dialogs == nullptr || host_.locale == nullptr)
    throw Exception("The copy has no way to ask whether to replace " + destinationFile);
  const std::string text = ReplaceQuestionText(destinationFile, FormatFileTime(*host_.locale, destinationTime),
                                               sourceFile, FormatFileTime(*host_.locale, sourceTime));
  answer = host_.dialogs->AskReplace(host_.owner, kReplaceTitle, text);
  if (answer == ReplaceAnswer::YesToAll) stats_.YesToAll = true;
  if (answer == ReplaceAnswer::NoToAll) stats_.NoToAll = true;
}

void TFolderCopyRun::CopyOneFile(const TFolderEntry& entry, const std::string& name,
                                 const std::string& sourceFolder, const std::string& destinationFolder, bool& goOn) {
  const std::int64_t size = entry.size;
  // A stop asked for ends the run before this file: it is neither told nor copied.
  if (stopRequested_ && stopRequested_()) {
    goOn = false;
    return;
  }
  bool proceed = true;
  if (onFile_) goOn = onFile_(sourceFolder, destinationFolder, name, size, proceed);
  if (!proceed) {
    ++stats_.DroppedByUser;
    return;
  }
  const std::string sourceFile = sourceFolder + name;
  if (listOnly_) {
    if (Guarded() && safeguards_->copied != nullptr)
      safeguards_->copied->push_back({sourceFile.substr(runSource_.size()), size, 0, FileTimeValue(entry.lastWrite),
                                      0, entry.attributes});
  } else {
    const std::string destinationFile = destinationFolder + name;
    const std::wstring destinationPath = LongPath(destinationFile);
    if (Guarded()) {
      std::string reason;
      if (!CopyGuarded(entry, sourceFile, destinationFile, goOn, reason)) {
        Tell(sourceFolder, name, size, false, reason);
        return;
      }
    } else if (!CopyFileW(LongPath(sourceFile).c_str(), destinationPath.c_str(), FALSE)) {
      const DWORD code = GetLastError();
      ShowError("Copy from " + sourceFile + " to " + destinationFile + " failed: " + std::to_string(code));
      ++stats_.DroppedByError;
      return;
    }
    if (clearReadOnly_ && (entry.attributes & FILE_ATTRIBUTE_READONLY) != 0)
      SetFileAttributesW(destinationPath.c_str(), entry.attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  ++stats_.FilesCopied;
  stats_.BytesCopied += size;
  Tell(sourceFolder, name, size, true);
}

bool TFolderCopyRun::CopyGuarded(const TFolderEntry& entry, const std::string& sourceFile,
                                 const std::string& destinationFile, bool& goOn, std::string& reason) {
  if (!copier_) {
    copier_.emplace();
    copier_->onPiece = safeguards_->onProgress;
  }
  const std::uint64_t copiedAt = SystemTimeNow();
  const TFileCopyResult result = copier_->Copy(LongPath(sourceFile), LongPath(destinationFile), safeguards_->readBack,
                                               entry.found, safeguards_->flush);
  if (result.failure == TCopyFailure::None) {
    written_.emplace(PathCaseKey(Below(destinationFile, runDestination_)), Below(sourceFile, runSource_));
    if (safeguards_->copied != nullptr)
      safeguards_->copied->push_back({sourceFile.substr(runSource_.size()), result.size, result.hash,
                                      FileTimeValue(entry.lastWrite), copiedAt, entry.attributes});
    return true;
  }
  if (result.failure == TCopyFailure::Stopped) {
    // Stopped half way by the user: the partial copy is gone, the run ends.
    reason = "the copy was stopped";
    ++stats_.DroppedByUser;
    goOn = false;
    return false;
  }
  reason = result.failure == TCopyFailure::Differs ? "the copy reads back different" : SystemErrorText(result.error);
  ++stats_.DroppedByError;
  if (StopsTheRun(result.error)) {
    goOn = false;
    return false;
  }
  if (result.failure == TCopyFailure::Differs)
    ShowError("Copy from " + sourceFile + " to " + destinationFile + " failed: the copy reads back different");
  else
    ShowError("Copy from " + sourceFile + " to " + destinationFile + " failed: " + std::to_string(result.error));
  return false;
}

void TFolderCopyRun::ShowError(const std::string& text) {
  if (host_.dialogs != nullptr) host_.dialogs->ShowMessage(host_.owner, tk::Application().Title, text, MessageIcon::Error);
}

}  // namespace

std::string FolderNameToKeep(const std::string& source) {
  const std::string folder = WithTrailingBackslash(source);
  const std::string body = folder.substr(0, folder.size() - 1);
  const size_t separator = body.find_last_of("\\:");
  const std::string name = separator == std::string::npos ? body : body.substr(separator + 1);
  return name.empty() ? std::string() : name + "\\";
}

TCopyResult CopyFolder(const TCopyRequest& request) {
  TFolderCopyRun run(request);
  TCopyResult result;
  result.completed = run.CopyTree(request.source, request.destination,
                                  request.keepFolderName ? FolderNameToKeep(request.source) : std::string());
  run.CountFilesNotReached();
  result.statistics = run.Statistics();
  return result;
}

}  // namespace sw
