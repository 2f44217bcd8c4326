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
#include "copy/copy_folder.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "testbed/sim_format_library.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void WriteBytes(const std::string& path, size_t size, unsigned seed) {
  sw::UniqueHandle file(CreateFileW(sw::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string chunk(std::min<size_t>(size, 1 << 20), '\0');
  for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>((i * 131 + seed) >> 3);
  for (size_t left = size; left > 0;) {
    DWORD part = static_cast<DWORD>(std::min(left, chunk.size())), written = 0;
    WriteFile(file.Get(), chunk.data(), part, &written, nullptr);
    left -= part;
  }
}

long long MakeTree(const std::string& root) {
  CreateDirectoryW(sw::Widen(root).c_str(), nullptr);
  long long bytes = 0;
  for (int f = 0; f < 30; ++f) {
    const std::string folder = root + "\\folder" + std::to_string(f);
    CreateDirectoryW(sw::Widen(folder).c_str(), nullptr);
    for (int i = 0; i < 100; ++i) {
      const size_t size = 512 + static_cast<size_t>((f * 100 + i) % 16) * 512;
      WriteBytes(folder + "\\file" + std::to_string(i) + ".dat", size, static_cast<unsigned>(i));
      bytes += static_cast<long long>(size);
    }
  }
  for (int i = 0; i < 4; ++i) {
    WriteBytes(root + "\\large" + std::to_string(i) + ".bin", 24u << 20, static_cast<unsigned>(i));
    bytes += 24LL << 20;
  }
  return bytes;
}

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
  const long long bytes = MakeTree(drive);
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
