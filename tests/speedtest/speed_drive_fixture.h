// One temporary folder mapped as a removable drive for the whole suite, the
// system's measurement files over it, a small plan that keeps each run
// short, and a view of everything on the drive to prove nothing was left.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "copy/copy_paths.h"
#include "fakes/wine_drive.h"
#include "platform/speed_test_io.h"
#include "platform/speed_test_io_win32.h"
#include "platform/text.h"
#include "speedtest/drive_speed_test.h"

namespace sw::testing {

// Adds every entry below `folder` (ending in "\\") with its size. Listed by
// hand: an empty drive root has no "." entry, which std::filesystem's
// listing takes for an error.
inline void AddEntriesBelow(const std::string& folder, std::vector<std::string>& entries) {
  WIN32_FIND_DATAW found{};
  UniqueFind listing(FindFirstFileW(Widen(folder + "*").c_str(), &found));
  if (!listing) return;
  do {
    const std::string name = Narrow(found.cFileName);
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      entries.push_back(folder + name + "\\");
      AddEntriesBelow(folder + name + "\\", entries);
    } else {
      entries.push_back(folder + name + " " + std::to_string(found.nFileSizeLow));
    }
  } while (FindNextFileW(listing.Get(), &found));
}

class SpeedDriveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { drive_ = new WineDrive(); }
  static void TearDownTestSuite() {
    delete drive_;
    drive_ = nullptr;
  }
  void SetUp() override {
    if (!drive_->Problem().empty()) GTEST_SKIP() << "Wine drive: " << drive_->Problem();
    root = drive_->Root();
  }

  // Every entry below the root with its size, in a stable order.
  std::vector<std::string> DriveContents() const {
    std::vector<std::string> entries;
    AddEntriesBelow(root, entries);
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  static TSpeedTestPlan SmallPlan() {
    TSpeedTestPlan plan;
    plan.largestFileBytes = 4 * kMiB;
    plan.smallestFileBytes = 2 * kMiB;
    plan.smallFileCount = 12;
    return plan;
  }

  static WineDrive* drive_;
  std::string root;
  Win32SpeedTestIo system;
};

inline WineDrive* SpeedDriveTest::drive_ = nullptr;

// The system's files with faults on request: a write that fails, a free
// space or cluster size of the test's choosing, and a count of the writes
// made after the cancel request.
class ScriptedSpeedTestIo : public ISpeedTestIo {
 public:
  explicit ScriptedSpeedTestIo(ISpeedTestIo& system) : system_(system) {}

  std::optional<uint64_t> freeBytes;
  std::optional<uint32_t> bytesPerCluster;
  int failingWrite = 0;  // 1-based number of the write that fails; 0: none
  bool refuseRemoval = false;
  int writes = 0;
  int writesAfterCancel = 0;
  bool cancelled = false;
  std::function<void()> onWrite;  // runs before every write

  std::optional<VolumeSpace> Space(const std::string& root) override {
    std::optional<VolumeSpace> space = system_.Space(root);
    if (space && freeBytes) space->freeBytes = *freeBytes;
    if (space && bytesPerCluster) space->bytesPerCluster = *bytesPerCluster;
    return space;
  }
  bool CreateFolder(const std::string& path) override { return system_.CreateFolder(path); }
  bool RemoveFolder(const std::string& path) override { return !refuseRemoval && system_.RemoveFolder(path); }
  std::unique_ptr<ISpeedTestFile> CreateNewFile(const std::string& path) override {
    std::unique_ptr<ISpeedTestFile> file = system_.CreateNewFile(path);
    return file ? std::make_unique<File>(*this, std::move(file)) : nullptr;
  }
  std::unique_ptr<ISpeedTestFile> OpenForReading(const std::string& path) override {
    return system_.OpenForReading(path);
  }
  bool RemoveFile(const std::string& path) override { return !refuseRemoval && system_.RemoveFile(path); }
  uint32_t LastError() override { return injected_ ? ERROR_DISK_FULL : system_.LastError(); }

 private:
  class File : public ISpeedTestFile {
   public:
    File(ScriptedSpeedTestIo& io, std::unique_ptr<ISpeedTestFile> file) : io_(io), file_(std::move(file)) {}
    bool Write(const void* data, uint32_t size) override {
      ++io_.writes;
      if (io_.onWrite) io_.onWrite();
      if (io_.cancelled) ++io_.writesAfterCancel;
      if (io_.writes == io_.failingWrite) return io_.injected_ = true, false;
      return file_->Write(data, size);
    }
    bool Read(void* data, uint32_t size, uint32_t& bytesRead) override { return file_->Read(data, size, bytesRead); }

   private:
    ScriptedSpeedTestIo& io_;
    std::unique_ptr<ISpeedTestFile> file_;
  };

  ISpeedTestIo& system_;
  bool injected_ = false;
};

}  // namespace sw::testing
