#include "testbed/sim_format_library.h"

#include <windows.h>

#include "copy/copy_paths.h"
#include "platform/handles.h"
#include "format/format_limits.h"
#include "platform/text.h"
#include "testbed/sim_device_io.h"
#include "testbed/wine_mount.h"

namespace sw::testbed {
namespace {

// Plays callback commands; once the callback answers "stop" the service
// winds down and every later command is skipped.
class CommandPlayer {
 public:
  explicit CommandPlayer(FmifsCallback callback) : callback_(callback) {}

  bool Stopped() const { return stopped_; }

  void Percent(int value) {
    int32_t percent = value;
    Send(fmifs::kProgress, &percent);
  }
  void Code(uint8_t code) {
    uint32_t unused = 0;
    Send(code, &unused);
  }
  // The text goes out in the OEM code page, as the system's service writes it.
  void Output(const std::string& utf8) {
    const std::wstring wide = Widen(utf8);
    std::string oem(wide.size() * 2 + 1, '\0');
    const int length = WideCharToMultiByte(CP_OEMCP, 0, wide.c_str(), static_cast<int>(wide.size()), oem.data(),
                                           static_cast<int>(oem.size() - 1), nullptr, nullptr);
    oem.resize(length > 0 ? static_cast<size_t>(length) : 0);
    fmifs::TextOutput record{1, oem.c_str()};
    Send(fmifs::kOutput, &record);
  }
  // The closing command; always sent, also after a stop.
  void Done(bool success) {
    uint8_t result = success ? 1 : 0;
    callback_(fmifs::kDone, 0, &result);
  }
  // Progress from 0 to 100 in `steps` commands with a pause after each.
  void Progress(const FormatBehaviour& behaviour) {
    for (int step = 0; step <= behaviour.steps && !stopped_; ++step) {
      Percent(step * 100 / behaviour.steps);
      if (behaviour.stepMilliseconds > 0) Sleep(static_cast<DWORD>(behaviour.stepMilliseconds));
    }
  }

 private:
  void Send(uint32_t code, void* data) {
    if (!stopped_ && callback_(code, 0, data) == 0) stopped_ = true;
  }

  FmifsCallback callback_;
  bool stopped_ = false;
};

uint8_t LimitCode(TFormatLimit limit) {
  switch (limit) {
    case TFormatLimit::VolumeTooBig: return fmifs::kVolumeTooBig;
    case TFormatLimit::VolumeTooSmall: return fmifs::kVolumeTooSmall;
    case TFormatLimit::ClusterSizeTooBig: return fmifs::kClusterSizeTooBig;
    case TFormatLimit::ClusterSizeTooSmall: return fmifs::kClusterSizeTooSmall;
    default: return fmifs::kBadLabel;
  }
}

}  // namespace

std::vector<std::string> DefaultFormatOutput(const std::string& fileSystem, uint32_t clusterSize) {
  return {"Creating file system structures.",
          "The new file system is " + fileSystem + ", allocation unit size: " + std::to_string(clusterSize) + " bytes.",
          "Format complete."};
}

std::vector<std::string> DefaultCheckOutput(const SimulatedDrive& drive) {
  std::vector<std::string> lines = {"The type of the file system is " + drive.fileSystem + ".",
                                    "Volume label is " + drive.label + "."};
  lines.push_back(drive.format.checkFindsProblems ? "Windows found problems with the file system."
                                                  : "Windows has scanned the file system and found no problems.");
  return lines;
}

constexpr LONGLONG kShortenStep = 4 << 20;

void EmptyFolder(const std::string& folder) {
  const std::wstring base = Widen(folder) + L"\\";
  WIN32_FIND_DATAW entry{};
  UniqueFind listing(FindFirstFileW((base + L"*").c_str(), &entry));
  if (!listing) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = base + name;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) EmptyFolder(Narrow(path));
      RemoveDirectoryW(path.c_str());
    } else {
      // A large file is shortened step by step first: freeing its space in
      // one go would hold Wine's server, and with it every window, a while.
      LARGE_INTEGER size{};
      size.QuadPart = (static_cast<LONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
      if (size.QuadPart > kShortenStep) {
        UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        while (file && size.QuadPart > 0) {
          size.QuadPart = size.QuadPart > kShortenStep ? size.QuadPart - kShortenStep : 0;
          if (!SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get())) break;
        }
      }
      DeleteFileW(path.c_str());
    }
  } while (FindNextFileW(listing.Get(), &entry));
}

SimulatedDrive* SimulatedFormatLibrary::DriveOf(const std::string& root) {
  if (root.empty()) return nullptr;
  SimulatedDrive* drive = FindByLetter(machine_, root[0]);
  if (drive == nullptr || !IsRemovableDrivePresent(drive->letter)) return nullptr;
  return drive;
}

void SimulatedFormatLibrary::FormatEx(const std::string& root, uint32_t /*mediaCode*/, const std::string& fileSystem,
                                      const std::string& label, bool /*quickFormat*/, uint32_t clusterSize,
                                      FmifsCallback callback) {
  CommandPlayer player(callback);
  SimulatedDrive* drive = DriveOf(root);
  if (drive == nullptr) {
    player.Output("Cannot open volume for direct access.");
    player.Done(false);
    return;
  }
  // The library cannot lock a volume another program still holds, one a
  // handle of ours still has locked, or one the description says is in
  // use; it reports that and gives up.
  const bool cantLock = drive->format.cantLockCalls > 0;
  if (cantLock) --drive->format.cantLockCalls;
  if (HeldNow(*drive) || drive->volumeLocked[0] || drive->format.reportsVolumeInUse || cantLock) {
    player.Code(fmifs::kVolumeInUse);
    player.Done(false);
    return;
  }
  if (drive->writeProtected) {
    player.Code(fmifs::kFsNotSupported);  // the library's answer to a medium that refuses writes
    player.Done(false);
    return;
  }
  // What the library refuses before it writes anything.
  const TFormatLimit limit = FormatLimitOf(fileSystem, static_cast<uint64_t>(drive->VolumeBytes()), clusterSize, label);
  if (limit != TFormatLimit::Ok) {
    player.Code(LimitCode(limit));
    player.Done(false);
    return;
  }
  if (drive->format.failingCluster != 0 && clusterSize == drive->format.failingCluster) {
    player.Output("The allocation unit size " + std::to_string(clusterSize) + " is not supported by this drive.");
    player.Code(fmifs::kClusterSizeTooSmall);
    player.Done(false);
    return;
  }
  player.Progress(drive->format);
  if (player.Stopped() || drive->format.fails) {
    if (!player.Stopped()) player.Output("The format did not complete successfully.");
    player.Done(false);
    return;
  }
  EmptyFolder(drive->folder);
  drive->fileSystem = fileSystem;
  drive->label = label;
  drive->formatted = true;  // from now on the stick answers at its speed after the format
  player.Code(fmifs::kStructureCreated);
  const auto& lines = drive->format.formatOutput;
  for (const std::string& line : lines.empty() ? DefaultFormatOutput(fileSystem, clusterSize) : lines)
    player.Output(line);
  player.Done(!player.Stopped());
}

void SimulatedFormatLibrary::Chkdsk(const std::string& root, const std::string& /*fileSystem*/, bool repair,
                                    bool /*verbose*/, bool /*onlyIfDirty*/, bool /*surfaceScan*/,
                                    FmifsCallback callback) {
  CommandPlayer player(callback);
  SimulatedDrive* drive = DriveOf(root);
  if (drive == nullptr) {
    player.Output("Cannot open volume for direct access.");
    player.Done(false);
    return;
  }
  // A repair needs the volume to itself, as the format does.
  if (repair && (HeldNow(*drive) || drive->volumeLocked[0])) {
    player.Output("Cannot lock current drive.");
    player.Code(fmifs::kVolumeInUse);
    player.Done(false);
    return;
  }
  player.Progress(drive->format);
  const auto& lines = drive->format.checkOutput;
  for (const std::string& line : lines.empty() ? DefaultCheckOutput(*drive) : lines) player.Output(line);
  player.Done(!player.Stopped());
}

}  // namespace sw::testbed
