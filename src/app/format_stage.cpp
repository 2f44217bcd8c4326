// The format stage of the speed-up operation: the allocation unit the
// format plan and the restore plan allow, the tries the format library's
// answers call for, and the check that the drive reads after it.
#include <algorithm>

#include "app/engine_events.h"
#include "app/speedup_operation.h"
#include "app/speedup_rules.h"
#include "app/volume_access.h"
#include "app/backup_location.h"
#include "platform/exceptions.h"

namespace sw {
namespace {

constexpr int kLargeCluster = 65536;
constexpr int kSmallerCluster = kLargeCluster / 2;
// A volume the library finds locked by another process is tried this many
// more times, this far apart.
constexpr int kLockedRetries = 4;
constexpr std::uint32_t kLockedRetryMs = 5000;

// Only a refusal of the unit itself, or a failure the library does not
// name, can be helped by a smaller allocation unit.
bool SmallerClusterCanHelp(TLibraryAnswer answer) {
  return answer == TLibraryAnswer::None || answer == TLibraryAnswer::ClusterSizeTooBig ||
         answer == TLibraryAnswer::ClusterSizeTooSmall;
}

}  // namespace

void TSpeedUpOperation::FormatStage() {
  // From here on the stick may hold less than the backup: a later start must know.
  if (backup_ && !backup_->MarkErased()) {
    FormatFailed = true;
    return;
  }
  Log("Format USB drive...");
  const auto mediaKind = static_cast<uint8_t>(MediaKindOf(driveLetter_));
  // The format library's limits or the files planned onto the new file
  // system may need the smaller unit from the start; the second try then
  // has nothing smaller to offer.
  int cluster = std::min(static_cast<int>(formatPlan_.firstCluster),
                         backup_ ? backup_->PlannedClusterSize() : kLargeCluster);
  bool smallerRetry = formatPlan_.smallerRetry && cluster == kLargeCluster;
  if (!formatPlan_.note.empty()) Log(formatPlan_.note);
  try {
    if (FormatEngine == nullptr) throw Exception("The format engine is not available.");
    TEngineEvents events(run_);
    // A volume another program holds is closed by force only when the user agrees.
    FormatEngine->onVolumeInUse = [this] { return force_.Agreed("format it", BackupFolder()); };
    run_.Percent(0);
    Log("Starting format disk for " + DriveName());
    const auto fileSystem = static_cast<uint8_t>(options_.fileSystem);
    for (int lockedTries = 0;;) {
      FormatFailed = !FormatEngine->FormatDisk(DriveRoot(), mediaKind, fileSystem, options_.label,
                                               options_.quickFormat, cluster);
      if (!FormatFailed) break;
      if (FormatEngine->DeclinedInUse()) {
        Log("Drive " + DriveName() + " stays in use by another program, so it is not formatted. Nothing was erased.");
        break;
      }
      const TLibraryAnswer answer = FormatEngine->LastAnswer();
      if (answer != TLibraryAnswer::None && !Stopped())
        Log("The format library refused to format drive " + DriveName() + " with clusters of " +
            std::to_string(cluster) + " bytes: " + LibraryAnswerName(answer) + ".");
      if (answer == TLibraryAnswer::VolumeInUse && !Stopped()) {
        if (lockedTries < kLockedRetries) {
          ++lockedTries;
          Log("The format is tried again in 5 seconds (try " + std::to_string(lockedTries + 1) + " of " +
              std::to_string(kLockedRetries + 1) + ").");
          if (RunWait(run_, kLockedRetryMs)) continue;
        }
        // A smaller allocation unit cannot help a volume in use.
        if (!Stopped()) Log("Drive " + DriveName() + " is in use by another program, so the format could not start.");
        break;
      }
      if (answer == TLibraryAnswer::FsNotSupported && DriveWriteProtected(run_.Services().deviceIo, driveLetter_)) {
        Log("Drive " + DriveName() + " is write-protected: it refuses every write, so it cannot be formatted.");
        break;
      }
      // A Cancel still makes the second try, which the library stops at its first command.
      if (smallerRetry && SmallerClusterCanHelp(answer)) {
        Log("Format disk program initializing...");
        cluster = kSmallerCluster;
        smallerRetry = false;
        continue;
      }
      Log("Format disk operation encountered an error.");
      break;
    }
    run_.Percent(0);
    // A drive pulled out during the format reports no failure of its own.
    if (!FormatFailed && !DriveReadable(DriveRoot())) {
      Log("Drive " + DriveName() + " cannot be read after the format.");
      FormatFailed = true;
    }
  } catch (const std::exception& error) {
    Log(std::string("Error: ") + error.what());
    FormatFailed = true;
  }
  Log("");
}

}  // namespace sw
