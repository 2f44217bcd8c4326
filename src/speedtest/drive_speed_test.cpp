#include "speedtest/drive_speed_test.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/speed_test_io.h"
#include "platform/win_error.h"

namespace sw {
namespace {

using Clock = std::chrono::steady_clock;

// Room left for the file system's own records when the file is sized.
constexpr uint64_t kSpaceReserve = 1 * kMiB;
constexpr int kFolderAttempts = 20;
// Progress share of each part, in percent, in the order they run.
constexpr int kSequentialWriteEnd = 40, kSequentialReadEnd = 60, kSmallWriteEnd = 85;

// Ends the run early: a failed operation, a skip or a cancel.
struct StopRun {
  TSpeedOutcome outcome;
  std::string reason;
};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string MiBText(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / kMiB);
  return text;
}

uint64_t RoundUp(uint64_t value, uint64_t unit) { return unit == 0 ? value : (value + unit - 1) / unit * unit; }

// A buffer aligned for unbuffered I/O: a multiple of the sector size in
// address and length.
class AlignedBuffer {
 public:
  AlignedBuffer(size_t size, size_t alignment)
      : alignment_(alignment), data_(static_cast<unsigned char*>(::operator new(size, std::align_val_t(alignment)))) {
    std::memset(data_, 0xA5, size);
  }
  ~AlignedBuffer() { ::operator delete(data_, std::align_val_t(alignment_)); }
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;
  unsigned char* Data() { return data_; }

 private:
  size_t alignment_;
  unsigned char* data_;
};

// The folder of the run and the files created in it. RemoveAll empties it
// once the run's files are closed, and the destructor tries again whatever
// is left; only files this run created are ever removed.
class TestArea {
 public:
  explicit TestArea(ISpeedTestIo& io) : io_(io) {}
  ~TestArea() { RemoveAll(); }

  // Removes every file and the folder; the paths that could not be removed.
  std::vector<std::string> RemoveAll() {
    std::vector<std::string> kept;
    for (const std::string& file : files_)
      if (!io_.RemoveFile(file)) kept.push_back(file);
    files_.clear();
    if (!folder_.empty() && !io_.RemoveFolder(folder_)) kept.push_back(folder_);
    folder_.clear();
    return kept;
  }
  TestArea(const TestArea&) = delete;
  TestArea& operator=(const TestArea&) = delete;

  // Creates a folder under `root` with a name no entry had before.
  bool CreateFolder(const std::string& root) {
    const auto stamp = static_cast<unsigned long long>(Clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
      char name[64];
      std::snprintf(name, sizeof name, "stickwise-speed-test-%llx-%d", stamp, attempt);
      const std::string folder = root + name;
      if (io_.CreateFolder(folder)) {
        folder_ = folder;
        return true;
      }
    }
    return false;
  }
  std::string PathOf(const std::string& name) const { return folder_ + "\\" + name; }
  std::unique_ptr<ISpeedTestFile> CreateFile(const std::string& path) {
    std::unique_ptr<ISpeedTestFile> file = io_.CreateNewFile(path);
    if (file) files_.push_back(path);
    return file;
  }
  void Remove(const std::string& path) {
    if (io_.RemoveFile(path)) files_.erase(std::remove(files_.begin(), files_.end(), path), files_.end());
  }

 private:
  ISpeedTestIo& io_;
  std::string folder_;
  std::vector<std::string> files_;
};

class SpeedTestRun {
 public:
  SpeedTestRun(ISpeedTestIo& io, TestArea& area, const std::string& root, const TSpeedTestCallbacks& callbacks,
               const TSpeedTestPlan& plan, TSpeedFigures& figures)
      : io_(io), area_(area), root_(root), callbacks_(callbacks), plan_(plan), figures_(figures) {}

  void Run() {
    const std::optional<VolumeSpace> space = io_.Space(root_);
    if (!space) throw StopRun{TSpeedOutcome::Failed, "the free space of " + root_ + " is unknown: " + ErrorText()};
    const uint64_t usable = space->freeBytes > kSpaceReserve ? space->freeBytes - kSpaceReserve : 0;
    const uint64_t fileBytes = std::min(plan_.largestFileBytes, usable / plan_.chunkBytes * plan_.chunkBytes);
    if (fileBytes < plan_.smallestFileBytes || fileBytes == 0)
      throw StopRun{TSpeedOutcome::Skipped, "only " + MiBText(space->freeBytes) + " free on " + root_ +
                                                ", at least " + MiBText(plan_.smallestFileBytes + kSpaceReserve) +
                                                " are needed"};
    const uint64_t sector = std::max<uint64_t>(space->bytesPerSector, 1);
    smallFileBytes_ = static_cast<uint32_t>(RoundUp(plan_.smallFileBytes, sector));
    const uint64_t smallFilesNeed =
        plan_.smallFileCount * RoundUp(smallFileBytes_, std::max<uint64_t>(space->bytesPerCluster, sector)) +
        kSpaceReserve;
    buffer_ = std::make_unique<AlignedBuffer>(std::max<size_t>(plan_.chunkBytes, smallFileBytes_),
                                              std::max<size_t>(sector, 4096));
    if (!area_.CreateFolder(root_)) Fail("cannot create a folder for the test files on " + root_);

    figures_.sequentialBytes = fileBytes;
    SequentialWriteAndRead(fileBytes);
    if (space->freeBytes < smallFilesNeed) {
      figures_.reason = "the small files were not measured: they need " + MiBText(smallFilesNeed) + ", only " +
                        MiBText(space->freeBytes) + " are free";
    } else {
      SmallFilesWriteAndRead();
    }
    Progress(100);
  }

 private:
  void SequentialWriteAndRead(uint64_t fileBytes) {
    const std::string path = area_.PathOf("sequential.bin");
    const uint64_t chunks = fileBytes / plan_.chunkBytes;
    Clock::time_point start = Clock::now();
    {
      std::unique_ptr<ISpeedTestFile> file = area_.CreateFile(path);
      if (!file) Fail("cannot create the test file " + path);
      for (uint64_t chunk = 0; chunk < chunks; ++chunk) {
        CheckCancel();
        Stamp(chunk);
        if (!file->Write(buffer_->Data(), plan_.chunkBytes)) Fail("writing the test file " + path + " failed");
        Progress(static_cast<int>(kSequentialWriteEnd * (chunk + 1) / chunks));
      }
    }
    figures_.sequentialWriteMBps = fileBytes / 1e6 / std::max(SecondsSince(start), 1e-6);

    start = Clock::now();
    {
      std::unique_ptr<ISpeedTestFile> file = io_.OpenForReading(path);
      if (!file) Fail("cannot open the test file " + path);
      for (uint64_t chunk = 0; chunk < chunks; ++chunk) {
        CheckCancel();
        ReadWhole(*file, plan_.chunkBytes, chunk, path);
        Progress(static_cast<int>(kSequentialWriteEnd + (kSequentialReadEnd - kSequentialWriteEnd) * (chunk + 1) / chunks));
      }
    }
    figures_.sequentialReadMBps = fileBytes / 1e6 / std::max(SecondsSince(start), 1e-6);
    area_.Remove(path);  // its space is needed for the small files
  }

  void SmallFilesWriteAndRead() {
    const int count = plan_.smallFileCount;
    Clock::time_point start = Clock::now();
    for (int index = 0; index < count; ++index) {
      CheckCancel();
      const std::string path = SmallFilePath(index);
      std::unique_ptr<ISpeedTestFile> file = area_.CreateFile(path);
      if (!file) Fail("cannot create the test file " + path);
      Stamp(static_cast<uint64_t>(index));
      if (!file->Write(buffer_->Data(), smallFileBytes_)) Fail("writing the test file " + path + " failed");
      Progress(kSequentialReadEnd + (kSmallWriteEnd - kSequentialReadEnd) * (index + 1) / count);
    }
    figures_.smallFilesWritePerSecond = count / std::max(SecondsSince(start), 1e-6);
    figures_.smallFiles = count;

    start = Clock::now();
    for (int index = 0; index < count; ++index) {
      CheckCancel();
      const std::string path = SmallFilePath(index);
      std::unique_ptr<ISpeedTestFile> file = io_.OpenForReading(path);
      if (!file) Fail("cannot open the test file " + path);
      ReadWhole(*file, smallFileBytes_, static_cast<uint64_t>(index), path);
      Progress(kSmallWriteEnd + (100 - kSmallWriteEnd) * (index + 1) / count);
    }
    figures_.smallFilesReadPerSecond = count / std::max(SecondsSince(start), 1e-6);
  }

  // Reads `size` bytes and checks the stamp they were written with: a stick
  // that does not give back what it took must not get a speed figure.
  void ReadWhole(ISpeedTestFile& file, uint32_t size, uint64_t stamp, const std::string& path) {
    uint32_t done = 0;
    while (done < size) {
      uint32_t read = 0;
      if (!file.Read(buffer_->Data() + done, size - done, read)) Fail("reading the test file " + path + " failed");
      if (read == 0) throw StopRun{TSpeedOutcome::Failed, "the test file " + path + " came back shorter"};
      done += read;
    }
    uint64_t found = 0;
    std::memcpy(&found, buffer_->Data(), sizeof found);
    if (found != stamp) throw StopRun{TSpeedOutcome::Failed, "the test file " + path + " came back changed"};
  }

  void Stamp(uint64_t value) { std::memcpy(buffer_->Data(), &value, sizeof value); }

  std::string SmallFilePath(int index) const {
    char name[32];
    std::snprintf(name, sizeof name, "small-%04d.bin", index);
    return area_.PathOf(name);
  }

  void CheckCancel() {
    if (callbacks_.cancelRequested && callbacks_.cancelRequested())
      throw StopRun{TSpeedOutcome::Cancelled, "cancelled by the user"};
  }

  void Progress(int percent) {
    if (percent == lastPercent_ || !callbacks_.onProgress) return;
    lastPercent_ = percent;
    callbacks_.onProgress(percent);
  }

  std::string ErrorText() { return SystemErrorText(io_.LastError()); }
  [[noreturn]] void Fail(const std::string& what) { throw StopRun{TSpeedOutcome::Failed, what + ": " + ErrorText()}; }

  ISpeedTestIo& io_;
  TestArea& area_;
  const std::string& root_;
  const TSpeedTestCallbacks& callbacks_;
  const TSpeedTestPlan& plan_;
  TSpeedFigures& figures_;
  std::unique_ptr<AlignedBuffer> buffer_;
  uint32_t smallFileBytes_ = 0;
  int lastPercent_ = -1;
};

}  // namespace

TSpeedFigures RunSpeedTest(ISpeedTestIo& io, const std::string& root, const TSpeedTestCallbacks& callbacks,
                           const TSpeedTestPlan& plan) {
  TSpeedFigures figures;
  const Clock::time_point start = Clock::now();
  TestArea area(io);
  try {
    // The run's files are closed when it ends, before the area is emptied.
    SpeedTestRun(io, area, root, callbacks, plan, figures).Run();
    figures.outcome = TSpeedOutcome::Completed;
  } catch (const StopRun& stop) {
    figures.outcome = stop.outcome;
    figures.reason = stop.reason;
  } catch (const std::exception& error) {
    figures.outcome = TSpeedOutcome::Failed;
    figures.reason = error.what();
  } catch (...) {
    figures.outcome = TSpeedOutcome::Failed;
    figures.reason = "an unexpected error";
  }
  // A test file left on the stick is said, never passed over.
  const std::vector<std::string> kept = area.RemoveAll();
  if (!kept.empty()) {
    std::string leftOver = "could not remove " + kept.front() + (kept.size() > 1 ? " and more" : "");
    figures.reason += (figures.reason.empty() ? "" : "; ") + leftOver;
  }
  figures.seconds = SecondsSince(start);
  return figures;
}

}  // namespace sw
