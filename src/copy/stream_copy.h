// The named streams of the files a backup holds: listed on the drive, copied
// beside each file's data (as the same streams of the backup's copy), read
// again and compared, and written back after the restore. Each stream is
// hashed as the main data is, so a stream that went missing or changed
// between two steps is found. All through the named-stream seam.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sw {

class INamedStreams;

// One stream of a file: its name, size and content hash (0 until copied).
struct TStreamCopy {
  std::string name;
  std::int64_t size = 0;
  std::uint64_t hash = 0;
};

// The streams of one file, by its path relative to the root it lies below.
struct TFileStreams {
  std::string relativePath;
  std::vector<TStreamCopy> streams;
};

struct TStreamFailure {
  std::string path;    // full path, with ":name" for one stream
  std::string reason;  // in words
};

// What a listing, a copy or a check of streams found.
struct TStreamRun {
  std::vector<TFileStreams> files;       // a listing: the files that carry streams
  std::vector<TStreamFailure> failed;    // a listing or copy: what could not be done
  std::vector<std::string> missing;      // a check: "path:name" not there
  std::vector<std::string> differing;    // a check: "path:name" of another size or content
  std::vector<std::string> changedFiles; // a check: the relative paths of the files with either
  std::int64_t streams = 0;              // streams listed, copied or compared
  bool stopped = false;                  // onProgress asked to stop
  bool AllIdentical() const { return !stopped && failed.empty() && missing.empty() && differing.empty(); }
};

// Told every stream done (its bytes) and every file (0); false stops.
using TStreamProgress = std::function<bool(std::int64_t bytes)>;

// Lists the named streams of each of `paths` (relative to `root`); only the
// files that carry any are kept.
TStreamRun ListFileStreams(INamedStreams& seam, const std::string& root, const std::vector<std::string>& paths,
                           const TStreamProgress& onProgress = {});

// Copies the streams of `files` from below `sourceRoot` to the same files
// below `targetRoot`. With `expectHashes` each stream must read as it was
// recorded (a restore from the backup); otherwise the hash read is recorded
// in `files`. A read-only target file takes the stream all the same and
// keeps its attributes and times.
TStreamRun CopyFileStreams(INamedStreams& seam, const std::string& sourceRoot, const std::string& targetRoot,
                           std::vector<TFileStreams>& files, bool expectHashes, const TStreamProgress& onProgress = {});

// Reads the streams of `files` below `root` again and compares them by
// name, size and content hash with what was recorded.
TStreamRun CheckFileStreams(INamedStreams& seam, const std::string& root, const std::vector<TFileStreams>& files,
                            const TStreamProgress& onProgress = {});

// The files of `files` whose streams (names and sizes) differ from `now`'s.
std::vector<std::string> FilesWithOtherStreams(const std::vector<TFileStreams>& recorded,
                                               const std::vector<TFileStreams>& now);

}  // namespace sw
