// What the checks of the backup and restore cost against the copy alone, on
// the same generated drive tree (a few thousand small files and a few large
// ones), measured the way the program now runs them:
// - the plain folder copy;
// - the backup: each file streamed through its hash and flushed to its disk
//   (no read-back inside the copy);
// - the check of the whole backup, read again from its disk (the file cache
//   bypassed) and compared with the hashes the backup took;
// - the restore (hashed and flushed) and its check of the drive from disk.
// Each copy runs twice into a fresh folder and each check twice over the
// same files; the better of the two counts. Figures only: nothing here
// fails on a time.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/backup_location.h"
#include "app/restore_check.h"
#include "bench_tree.h"
#include "copy/copy_folder.h"
#include "platform/text.h"
#include "testbed/sim_format_library.h"

namespace {

using sw::bench::Clock;
using sw::bench::Seconds;

void Remove(const std::string& folder) {
  sw::testbed::EmptyFolder(folder);
  RemoveDirectoryW(sw::Widen(folder).c_str());
}

// The better of two runs of `work`, each after `prepare`.
template <typename Prepare, typename Work>
double Best(Prepare prepare, Work work) {
  double best = 1e9;
  for (int run = 0; run < 2; ++run) {
    prepare();
    const auto start = Clock::now();
    work();
    best = std::min(best, Seconds(start));
  }
  return best;
}

}  // namespace

int main() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string base = sw::Narrow(temp) + "sw-bench-verify-" + std::to_string(GetCurrentProcessId());
  const std::string drive = base + "\\drive", plain = base + "\\plain", backup = base + "\\backup",
                    restored = base + "\\restored";
  CreateDirectoryW(sw::Widen(base).c_str(), nullptr);
  const long long bytes = sw::bench::MakeDriveTree(drive, 30, 100, 4, 24);
  sw::TCopyStatistics lastRun;  // the counters of the latest copy
  auto copy = [&](const std::string& from, const std::string& to, const sw::TCopySafeguards* safeguards) {
    lastRun = sw::CopyFolder({.source = from, .destination = to, .nameRules = sw::TNameRules::WholeDrive,
                              .safeguards = safeguards})
                  .statistics;
  };
  // The backup and the restore as the program runs them: the target's volume
  // flushed once after the copy where it can be, else each file as it is written.
  const bool volumeFlushes = sw::FlushVolumeOf(base);
  auto guardedCopy = [&](const std::string& from, const std::string& to, std::vector<sw::TCopiedFile>* copied) {
    sw::TCopySafeguards safeguards;
    safeguards.flush = !volumeFlushes;
    safeguards.copied = copied;
    copy(from, to, &safeguards);
    if (volumeFlushes) sw::FlushVolumeOf(to);
  };
  auto nothing = [] {};

  const double plainSeconds = Best([&] { Remove(plain); }, [&] { copy(drive, plain, nullptr); });

  std::vector<sw::TCopiedFile> backedUp;
  const double backupSeconds = Best(
      [&] {
        Remove(backup);
        backedUp.clear();
      },
      [&] {
        guardedCopy(drive, backup, &backedUp);
      });
  const int files = lastRun.FilesCopied;
  // The hash alone, without a flush of each file: what the copy costs where
  // the whole volume is flushed once instead (Windows, as administrator).
  std::vector<sw::TCopiedFile> hashedOnly;
  const double hashedSeconds = Best([&] { Remove(backup); }, [&] {
    hashedOnly.clear();
    sw::TCopySafeguards safeguards;
    safeguards.copied = &hashedOnly;
    copy(drive, backup, &safeguards);
  });
  Remove(backup);
  backedUp.clear();
  guardedCopy(drive, backup, &backedUp);
  sw::TRestoreCheck backupCheck;
  const double backupCheckSeconds = Best(nothing, [&] { backupCheck = sw::CheckCopiedFiles(backedUp, backup); });

  std::vector<sw::TCopiedFile> restoredFiles;
  const double restoreSeconds = Best(
      [&] {
        Remove(restored);
        restoredFiles.clear();
      },
      [&] {
        guardedCopy(backup, restored, &restoredFiles);
      });
  sw::TRestoreCheck restoreCheck;
  const double restoreCheckSeconds =
      Best(nothing, [&] { restoreCheck = sw::CheckCopiedFiles(backedUp, restored); });

  const bool backupIdentical = backupCheck.AllIdentical() && backupCheck.files == files;
  const bool restoreIdentical = restoreCheck.AllIdentical() && restoreCheck.files == files;
  std::printf("tree: %d files, %lld bytes; flushed %s\n", files, bytes,
              volumeFlushes ? "as a whole volume" : "file by file");
  std::printf("plain copy:                           %.2f s\n", plainSeconds);
  std::printf("backup, hashed and flushed:           %.2f s\n", backupSeconds);
  std::printf("check of the backup from disk:        %.2f s%s\n", backupCheckSeconds,
              backupIdentical ? "" : "  CHECK FAILED");
  std::printf("restore, hashed and flushed:          %.2f s\n", restoreSeconds);
  std::printf("check of the restore from disk:       %.2f s%s\n", restoreCheckSeconds,
              restoreIdentical ? "" : "  CHECK FAILED");
  std::printf("backup, hashed, not flushed file by file: %.2f s\n", hashedSeconds);
  std::printf("(hashed backup + check of the backup) / plain copy:  %.2fx\n",
              (hashedSeconds + backupCheckSeconds) / plainSeconds);
  std::printf("(backup + check of the backup) / plain copy:  %.2fx\n",
              (backupSeconds + backupCheckSeconds) / plainSeconds);
  std::printf("(restore + restore check) / plain copy:       %.2fx\n",
              (restoreSeconds + restoreCheckSeconds) / plainSeconds);
  Remove(base);
  return backupIdentical && restoreIdentical ? 0 : 1;
}
