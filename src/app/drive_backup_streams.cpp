// The named streams of the drive's files through the backup: listed with
// the files, asked about where they cannot be kept, copied beside each
// file's data in the backup, checked there before the erase, written back
// after the restore and checked on the drive. Nothing is erased unless
// every stream the user keeps is in the backup and reads as it was copied.
#include <algorithm>
#include <unordered_set>

#include "app/drive_backup.h"
#include "app/run_context.h"
#include "platform/named_streams.h"

namespace sw {
namespace {

// The mark Windows puts on a file that came from the internet.
constexpr char kInternetMark[] = "Zone.Identifier";
// The question names this many files, the log more.
constexpr size_t kFilesInQuestion = 3;
// The file system index of NTFS, the one of the four that keeps streams.
constexpr int kNtfs = 0;

bool CarriesInternetMark(const std::vector<TFileStreams>& files) {
  for (const TFileStreams& file : files)
    for (const TStreamCopy& stream : file.streams)
      if (stream.name.size() == sizeof(kInternetMark) - 1 &&
          std::equal(stream.name.begin(), stream.name.end(), kInternetMark,
                     [](char a, char b) { return (a | 0x20) == (b | 0x20); }))
        return true;
  return false;
}

}  // namespace

std::string StreamLossQuestion(long long files, const std::vector<std::string>& firstFiles, const std::string& keeper,
                               bool internetMark, const std::string& thousands) {
  std::string text = (files == 1 ? std::string("1 file carries") : thousands + " files carry") + " data that " +
                     keeper + " cannot keep, " +
                     (internetMark ? "such as the mark that a file came from the internet" : "its named streams") + ": ";
  for (size_t i = 0; i < firstFiles.size(); ++i) text += (i == 0 ? "" : ", ") + firstFiles[i];
  const long long more = files - static_cast<long long>(firstFiles.size());
  if (more > 0) text += " and " + std::to_string(more) + " more";
  return text + ".\r\n\r\nGo on without that data? Nothing has been erased yet.";
}

bool TDriveBackup::ListStreams() {
  if (streamSeam_ == nullptr) return true;
  // A drive that keeps no streams has none to list.
  if (!streamSeam_->VolumeOf(DriveRoot()).keepsStreams) return true;
  backupKeepsStreams_ = streamSeam_->VolumeOf(chosen_).keepsStreams;
  std::vector<std::string> paths;
  paths.reserve(listing_.files.size());
  for (const TCopiedFile& file : listing_.files) paths.push_back(file.relativePath);
  TStreamRun listed = ListFileStreams(*streamSeam_, DriveRoot(), paths, [this](std::int64_t) { return run_.StagePiece(0); });
  if (listed.stopped) return false;
  if (!listed.failed.empty()) {
    std::vector<std::string> named;
    for (const TStreamFailure& failure : listed.failed) named.push_back(failure.path + ": " + failure.reason);
    LogPaths("The named streams cannot be listed: ", named);
    return Refuse("The named streams of " + FileCount(static_cast<long long>(listed.failed.size())) + " of drive " +
                  DriveName() + " cannot be listed, so it is not formatted. Nothing was erased.");
  }
  streams_ = std::move(listed.files);
  return true;
}

bool TDriveBackup::StreamsRestored() const {
  return StreamsBackedUp() && run_.Options().fileSystem == kNtfs;
}

bool TDriveBackup::StreamsKeptOrAgreed() {
  if (streams_.empty() || streamLossAgreed_) return true;
  const bool newKeeps = run_.Options().fileSystem == kNtfs;
  if (newKeeps && backupKeepsStreams_) return true;
  std::string keeper = run_.Options().fileSystemName;
  if (newKeeps) {
    const std::string fileSystem = streamSeam_->VolumeOf(chosen_).fileSystem;
    keeper = "the drive of the backup folder " + chosen_ + (fileSystem.empty() ? "" : " (" + fileSystem + ")");
  }
  std::vector<std::string> named, first;
  for (const TFileStreams& file : streams_) {
    std::string streams;
    for (const TStreamCopy& stream : file.streams) streams += (streams.empty() ? "" : ", ") + stream.name;
    named.push_back(DriveRoot() + file.relativePath + " (" + streams + ")");
    if (first.size() < kFilesInQuestion) first.push_back(DriveRoot() + file.relativePath);
  }
  const long long files = static_cast<long long>(streams_.size());
  const std::string question = StreamLossQuestion(files, first, keeper, CarriesInternetMark(streams_), Thousands(files));
  Log(question.substr(0, question.find("\r\n")));
  LogPaths("Carries data that " + keeper + " cannot keep: ", named);
  if (run_.Ask("Warning", question, DefaultAnswer::No)) {
    Log("The run goes on; the named streams of " + FileCount(files) + " are not " +
        (backupKeepsStreams_ ? "copied back." : "kept."));
    streamLossAgreed_ = true;
    return true;
  }
  return Refuse("Drive " + DriveName() + " is not formatted, so that its files keep their named streams. "
                "Nothing was erased.");
}

bool TDriveBackup::BackUpStreams(std::vector<TFileStreams>& files) {
  if (streamSeam_ == nullptr || !backupKeepsStreams_ || files.empty()) return true;
  const TStreamRun copy = CopyFileStreams(*streamSeam_, DriveRoot(), folder_, files, false,
                                          [this](std::int64_t bytes) { return run_.StagePiece(bytes); });
  if (copy.stopped) return false;
  for (const TStreamFailure& failure : copy.failed) Log("   Not copied " + failure.path + ": " + failure.reason);
  if (!copy.failed.empty()) return false;
  Log("Named streams backed up: " + Thousands(copy.streams) + " of " + FileCount(static_cast<long long>(files.size())) + ".");
  return true;
}

bool TDriveBackup::BackUpStreamsAgain(const std::vector<std::string>& paths) {
  if (streamSeam_ == nullptr || !streamSeam_->VolumeOf(DriveRoot()).keepsStreams) return true;
  TStreamRun listed = ListFileStreams(*streamSeam_, DriveRoot(), paths, [this](std::int64_t) { return run_.StagePiece(0); });
  if (listed.stopped) return false;
  for (const TStreamFailure& failure : listed.failed) Log("   Not copied " + failure.path + ": " + failure.reason);
  // What the drive holds now replaces what the backup recorded for these files.
  const std::unordered_set<std::string> again(paths.begin(), paths.end());
  std::erase_if(streams_, [&](const TFileStreams& file) { return again.count(file.relativePath) != 0; });
  const bool copied = listed.failed.empty() && BackUpStreams(listed.files);
  if (run_.Stopped()) return false;
  const TStreamRun check = backupKeepsStreams_ ? CheckFileStreams(*streamSeam_, folder_, listed.files) : TStreamRun{};
  streams_.insert(streams_.end(), listed.files.begin(), listed.files.end());
  if (copied && check.AllIdentical()) return true;
  LogPaths("Missing from the backup: ", check.missing);
  LogPaths("Changed in the backup since it was copied: ", check.differing);
  return Refuse("The named streams of drive " + DriveName() + " could not all be backed up again, so it is not "
                "formatted. Nothing was erased.");
}

bool TDriveBackup::StreamsChanged(const TDriveListing& now, std::vector<std::string>& toBackUp) {
  if (streamSeam_ == nullptr || !streamSeam_->VolumeOf(DriveRoot()).keepsStreams) return true;
  std::vector<std::string> paths;
  std::unordered_set<std::string> onDrive;
  for (const TCopiedFile& file : now.files) {
    paths.push_back(file.relativePath);
    onDrive.insert(file.relativePath);
  }
  const TStreamRun listed = ListFileStreams(*streamSeam_, DriveRoot(), paths, [this](std::int64_t) { return run_.StagePiece(0); });
  if (listed.stopped) return false;
  if (!listed.failed.empty()) {
    for (const TStreamFailure& failure : listed.failed) Log("The named streams cannot be listed: " + failure.path);
    return Refuse("Drive " + DriveName() + " cannot be listed again, so it is not formatted. Nothing was erased.");
  }
  // Removed files stay in the backup with their streams.
  std::vector<TFileStreams> recorded;
  for (const TFileStreams& file : streams_)
    if (onDrive.count(file.relativePath) != 0) recorded.push_back(file);
  std::vector<std::string> changed = FilesWithOtherStreams(recorded, listed.files);
  // A stream rewritten to the same size shows only in its content.
  if (StreamsBackedUp()) {
    const TStreamRun check =
        CheckFileStreams(*streamSeam_, DriveRoot(), recorded, [this](std::int64_t bytes) { return run_.StagePiece(bytes); });
    if (check.stopped) return false;
    changed.insert(changed.end(), check.changedFiles.begin(), check.changedFiles.end());
  }
  std::unordered_set<std::string> already(toBackUp.begin(), toBackUp.end());
  for (const std::string& path : changed)
    if (already.insert(path).second) toBackUp.push_back(path);
  return true;
}

TStreamRun TDriveBackup::CheckStreams(const std::string& root) {
  if (!StreamsBackedUp()) return {};
  return CheckFileStreams(*streamSeam_, root, streams_, [this](std::int64_t bytes) { return run_.StagePiece(bytes); });
}

bool TDriveBackup::RestoreStreams() {
  if (!StreamsRestored()) return true;
  const TStreamRun copy = CopyFileStreams(*streamSeam_, folder_, DriveRoot(), streams_, true,
                                          [this](std::int64_t bytes) { return run_.StagePiece(bytes); });
  for (const TStreamFailure& failure : copy.failed) Log("   Not copied back " + failure.path + ": " + failure.reason);
  return !copy.stopped && copy.failed.empty();
}

}  // namespace sw
