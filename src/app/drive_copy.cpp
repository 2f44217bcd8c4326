#include "app/drive_copy.h"

#include <optional>

#include "app/run_context.h"
#include "copy/copy_paths.h"
#include "platform/exceptions.h"

namespace sw {
namespace {

constexpr char kBackupMask[] = "*.*";

// The log lines of one copy run.
class TCopyLines {
 public:
  TCopyLines(TRunContext& run, bool afterEachFile) : run_(run), afterEachFile_(afterEachFile) {}

  void OnFile(const std::string& sourceFolder, const std::string& fileName, std::int64_t size) {
    if (sourceFolder != lastFolder_) {
      run_.Log("Folder " + sourceFolder);
      lastFolder_ = sourceFolder;
    }
    if (!afterEachFile_) run_.Log(Copied(fileName, size));
  }
  void OnFileDone(const std::string& fileName, std::int64_t size, const TFileOutcome& outcome) {
    run_.Log(outcome.copied ? Copied(fileName, size) : "   Not copied " + fileName + ": " + outcome.reason);
    run_.StageCounted(1, 0);
  }

  void Summary(const TCopyStatistics& stats) {
    if (stats.DuplicatesOverwritten > 0)
      run_.Log("Includes " + std::to_string(stats.DuplicatesOverwritten) + " duplicates overwritten = " +
               std::to_string(stats.FilesCopied - stats.DuplicatesOverwritten) + " net files added");
    if (stats.DuplicatesKept > 0) run_.Log(std::to_string(stats.DuplicatesKept) + " duplicates not copied");
    run_.Log(std::to_string(stats.FilesCopied) + " files copied matching mask " + kBackupMask);
    run_.Log("Total bytes in these files is " + run_.Thousands(stats.BytesCopied));
    run_.Log(std::to_string(stats.DroppedByError) + " files dropped by copy error");
    run_.Log(std::to_string(stats.DroppedByUser) + " files dropped by user exit");
    run_.Log(std::to_string(stats.DuplicatesKept) + " duplicate files not copied");
    run_.Log(std::to_string(stats.DuplicatesOverwritten) + " duplicate files overwritten");
  }

 private:
  std::string Copied(const std::string& fileName, std::int64_t size) const {
    return "   Copied " + fileName + ", size: " + run_.Thousands(size) + " bytes";
  }

  TRunContext& run_;
  const bool afterEachFile_;
  std::string lastFolder_;
};

}  // namespace

TCopyStatistics CopyDriveContents(TRunContext& run, const std::string& source, const std::string& target,
                                  const TCopySafeguards* safeguards) {
  // A backup into the drive it saves would be erased by the format, and a
  // restore from the drive it fills has nothing left to copy: neither starts.
  if (IsSameOrInside(target, source) || IsSameOrInside(source, target))
    throw Exception("Cannot copy " + source + " to " + target + ": one folder lies inside the other");

  TCopyLines lines(run, safeguards != nullptr);
  const TCopyHost host{run.Services().dialogs, run.Services().locale, nullptr};
  auto onFile = [&lines](const std::string& sourceFolder, const std::string&, const std::string& fileName,
                         std::int64_t size, bool&) {
    lines.OnFile(sourceFolder, fileName, size);
    return true;
  };
  std::optional<TCopySafeguards> checked;
  if (safeguards != nullptr) {
    checked.emplace(*safeguards);
    checked->onFileDone = [&lines](const std::string&, const std::string& fileName, std::int64_t size,
                                   const TFileOutcome& outcome) { lines.OnFileDone(fileName, size, outcome); };
  }
  // The backup must leave nothing behind: every file, with or without a dot
  // in its name, and names beginning with a dot; only the recycle bin stays.
  const TCopyStatistics stats = CopyFolder({.source = source,
                                            .destination = target,
                                            .mask = kBackupMask,
                                            .onFile = onFile,
                                            .host = host,
                                            .nameRules = TNameRules::WholeDrive,
                                            .safeguards = checked ? &*checked : nullptr,
                                            // a stop ends the run after the file under way
                                            .stopRequested = [&run] { return run.Stopped(); }})
                                    .statistics;
  lines.Summary(stats);
  return stats;
}

}  // namespace sw
