// Backup and restore of the drive's contents: one run of the folder copy
// from CopySource to CopyTarget with the per-file log lines and the summary
// of the counters.
#include <windows.h>

#include <optional>

#include "app/fmtmain.h"
#include "copy/copy_folder.h"
#include "copy/copy_paths.h"
#include "platform/exceptions.h"
#include "platform/locale.h"
#include "toolkit/application.h"
#include "toolkit/busy_pointer.h"

namespace sw {
namespace {

constexpr char kBackupMask[] = "*.*";

}  // namespace

TCopyStatistics TMainForm::CopyDriveContents(const TCopySafeguards* safeguards) {
  CopyAbort = 0;
  LastCopyFolder.clear();
  // A backup into the drive it saves would be erased by the format, and a
  // restore from the drive it fills has nothing left to copy: neither starts.
  if (IsSameOrInside(CopyTarget, CopySource) || IsSameOrInside(CopySource, CopyTarget))
    throw Exception("Cannot copy " + CopySource + " to " + CopyTarget + ": one folder lies inside the other");

  tk::TBusyPointer busy;
  TCopyHost host{services_.dialogs, services_.locale, Handle()};
  auto onFile = [this](const std::string& sourceFolder, const std::string& destinationFolder,
                       const std::string& fileName, std::int64_t size, bool& proceed) {
    return OnCopyFile(sourceFolder, destinationFolder, fileName, size, proceed);
  };
  // A checked copy tells each file's outcome: its line is written then, so a
  // file that failed is never logged as copied.
  std::optional<TCopySafeguards> checked;
  if (safeguards != nullptr) {
    checked.emplace(*safeguards);
    checked->onFileDone = [this](const std::string&, const std::string& fileName, std::int64_t size,
                                 const TFileOutcome& outcome) {
      OnCopyFileDone(fileName, size, outcome);
      StageCounted(1, 0);
    };
  }
  fileLinesAfterCopy_ = checked.has_value();
  struct LinesAfterCopyEnd {
    bool& flag;
    ~LinesAfterCopyEnd() { flag = false; }
  } linesAfterCopyEnd{fileLinesAfterCopy_};
  // The backup must leave nothing behind: every file, with or without a dot
  // in its name, and names beginning with a dot; only the recycle bin stays.
  const TCopyStatistics stats = CopyFolder({.source = CopySource,
                                            .destination = CopyTarget,
                                            .mask = kBackupMask,
                                            .onFile = onFile,
                                            .host = host,
                                            .nameRules = TNameRules::WholeDrive,
                                            .safeguards = checked ? &*checked : nullptr})
                                    .statistics;
  if (stats.DuplicatesOverwritten > 0)
    AddLogLine("Includes " + std::to_string(stats.DuplicatesOverwritten) + " duplicates overwritten = " +
               std::to_string(stats.FilesCopied - stats.DuplicatesOverwritten) + " net files added");
  if (stats.DuplicatesKept > 0) AddLogLine(std::to_string(stats.DuplicatesKept) + " duplicates not copied");
  AddLogLine(std::to_string(stats.FilesCopied) + " files copied matching mask " + kBackupMask);
  AddLogLine("Total bytes in these files is " + FormatThousands(stats.BytesCopied, services_.locale->ThousandSeparator()));
  AddLogLine(std::to_string(stats.DroppedByError) + " files dropped by copy error");
  AddLogLine(std::to_string(stats.DroppedByUser) + " files dropped by user exit");
  AddLogLine(std::to_string(stats.DuplicatesKept) + " duplicate files not copied");
  AddLogLine(std::to_string(stats.DuplicatesOverwritten) + " duplicate files overwritten");
  return stats;
}

bool TMainForm::OnCopyFile(const std::string& sourceFolder, const std::string& /*destinationFolder*/,
                           const std::string& fileName, long long size, bool& /*proceed*/) {
  if (sourceFolder != LastCopyFolder) {
    AddLogLine("Folder " + sourceFolder);
    LastCopyFolder = sourceFolder;
  }
  if (!fileLinesAfterCopy_) AddLogLine(CopiedLine(fileName, size));
  tk::Application().ProcessMessages();
  return CopyAbort == 0;
}

void TMainForm::OnCopyFileDone(const std::string& fileName, long long size, const TFileOutcome& outcome) {
  AddLogLine(outcome.copied ? CopiedLine(fileName, size) : "   Not copied " + fileName + ": " + outcome.reason);
}

std::string TMainForm::CopiedLine(const std::string& fileName, long long size) {
  return "   Copied " + fileName + ", size: " + FormatThousands(size, services_.locale->ThousandSeparator()) + " bytes";
}

}  // namespace sw
