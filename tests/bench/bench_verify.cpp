// What the checks of the backup and restore cost against the copy alone:
// the same generated drive tree (a few thousand small files and a few large
// ones) copied by the plain folder copy, by the backup's checked copy (each
// file streamed through its hash and read back), and by the restore's copy
// followed by its check of every file against the backup's hashes. Each
// copy runs twice into a fresh folder; the better of the two counts.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

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

// The better of two runs of `copy` into a fresh `target`.
template <typename Copy>
double Best(const std::string& target, Copy copy) {
  double best = 1e9;
  for (int run = 0; run < 2; ++run) {
    Remove(target);
    const auto start = Clock::now();
    copy();
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
  const sw::TCopyHost host{};
  auto copy = [&](const std::string& from, const std::string& to, const sw::TCopySafeguards* safeguards) {
    sw::CopyFolder(from, to, "*.*", sw::ReplaceWhenNewer, false, false, true, false, false, nullptr, host,
                   sw::TNameRules::WholeDrive, safeguards);
  };

  const double plainSeconds = Best(plain, [&] { copy(drive, plain, nullptr); });
  std::vector<sw::TCopiedFile> backedUp;
  const double backupSeconds = Best(backup, [&] {
    backedUp.clear();
    sw::TCopySafeguards safeguards;
    safeguards.readBack = true;
    safeguards.copied = &backedUp;
    copy(drive, backup, &safeguards);
  });
  const int files = sw::CopyStatistics.FilesCopied;
  bool identical = false;
  const double restoreSeconds = Best(restored, [&] {
    sw::TCopySafeguards safeguards;
    copy(backup, restored, &safeguards);
    identical = sw::CheckRestoredFiles(backedUp, restored).AllIdentical();
  });

  std::printf("tree: %d files, %lld bytes\n", files, bytes);
  std::printf("plain copy:                   %.2f s\n", plainSeconds);
  std::printf("backup, hashed and read back: %.2f s  (%.2fx the plain copy)\n", backupSeconds,
              backupSeconds / plainSeconds);
  std::printf("restore and its check:        %.2f s  (%.2fx the plain copy)%s\n", restoreSeconds,
              restoreSeconds / plainSeconds, identical ? "" : "  CHECK FAILED");
  Remove(base);
  return identical ? 0 : 1;
}
