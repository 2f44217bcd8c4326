#include "copy/stream_copy.h"

#include <windows.h>

#include <unordered_map>

#include "copy/content_hash.h"
#include "copy/copy_paths.h"
#include "platform/handles.h"
#include "platform/named_streams.h"
#include "platform/text.h"
#include "platform/win_error.h"

namespace sw {
namespace {

std::uint64_t HashOf(const std::vector<unsigned char>& data) { return ContentHashOf(data.data(), data.size()); }

// Stream names compare as NTFS compares them, without regard to case.
bool SameStreamName(const std::string& a, const std::string& b) {
  const std::wstring wideA = Widen(a), wideB = Widen(b);
  return CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                              static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

bool Told(const TStreamProgress& onProgress, std::int64_t bytes) { return !onProgress || onProgress(bytes); }

// Writing a stream changes its file's last-write time, and a read-only file
// refuses it: for the writes the attribute is lifted, and afterwards the
// file has its attributes and times back as the copy of its data left them.
class TFileLookKept {
 public:
  explicit TFileLookKept(const std::string& path) : path_(LongPath(path)) {
    kept_ = GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &look_) != FALSE;
    if (kept_ && (look_.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
      SetFileAttributesW(path_.c_str(), look_.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  ~TFileLookKept() {
    if (!kept_) return;
    {
      UniqueHandle file(CreateFileW(path_.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      if (file) SetFileTime(file.Get(), &look_.ftCreationTime, &look_.ftLastAccessTime, &look_.ftLastWriteTime);
    }
    SetFileAttributesW(path_.c_str(), look_.dwFileAttributes);
  }
  TFileLookKept(const TFileLookKept&) = delete;
  TFileLookKept& operator=(const TFileLookKept&) = delete;

 private:
  std::wstring path_;
  WIN32_FILE_ATTRIBUTE_DATA look_{};
  bool kept_ = false;
};

}  // namespace

TStreamRun ListFileStreams(INamedStreams& seam, const std::string& root, const std::vector<std::string>& paths,
                           const TStreamProgress& onProgress) {
  const std::string folder = WithTrailingBackslash(root);
  TStreamRun run;
  std::vector<TNamedStream> listed;
  for (const std::string& path : paths) {
    std::uint32_t error = 0;
    if (!seam.List(folder + path, listed, error)) {
      run.failed.push_back({folder + path, SystemErrorText(error)});
    } else if (!listed.empty()) {
      TFileStreams file{path, {}};
      for (const TNamedStream& stream : listed) file.streams.push_back({stream.name, stream.size, 0});
      run.streams += static_cast<std::int64_t>(listed.size());
      run.files.push_back(std::move(file));
    }
    if (!Told(onProgress, 0)) {
      run.stopped = true;
      break;
    }
  }
  return run;
}

TStreamRun CopyFileStreams(INamedStreams& seam, const std::string& sourceRoot, const std::string& targetRoot,
                           std::vector<TFileStreams>& files, bool expectHashes, const TStreamProgress& onProgress) {
  const std::string source = WithTrailingBackslash(sourceRoot);
  const std::string target = WithTrailingBackslash(targetRoot);
  TStreamRun run;
  std::vector<unsigned char> data;
  for (TFileStreams& file : files) {
    const std::string from = source + file.relativePath;
    const std::string to = target + file.relativePath;
    TFileLookKept look(to);
    for (TStreamCopy& stream : file.streams) {
      std::uint32_t error = 0;
      if (!seam.Read(from, stream.name, data, error)) {
        run.failed.push_back({from + ":" + stream.name, SystemErrorText(error)});
        continue;
      }
      const std::uint64_t hash = HashOf(data);
      if (expectHashes ? (hash != stream.hash || static_cast<std::int64_t>(data.size()) != stream.size)
                       : static_cast<std::int64_t>(data.size()) != stream.size) {
        run.failed.push_back({from + ":" + stream.name, expectHashes ? "it is not as it was backed up"
                                                                     : "it changed while it was read"});
        continue;
      }
      if (!seam.Write(to, stream.name, data, error)) {
        run.failed.push_back({to + ":" + stream.name, SystemErrorText(error)});
        continue;
      }
      stream.hash = hash;
      ++run.streams;
      if (!Told(onProgress, static_cast<std::int64_t>(data.size()))) {
        run.stopped = true;
        return run;
      }
    }
    if (!Told(onProgress, 0)) {
      run.stopped = true;
      break;
    }
  }
  return run;
}

TStreamRun CheckFileStreams(INamedStreams& seam, const std::string& root, const std::vector<TFileStreams>& files,
                            const TStreamProgress& onProgress) {
  const std::string folder = WithTrailingBackslash(root);
  TStreamRun run;
  std::vector<TNamedStream> listed;
  std::vector<unsigned char> data;
  for (const TFileStreams& file : files) {
    const std::string path = folder + file.relativePath;
    std::uint32_t error = 0;
    if (!seam.List(path, listed, error)) listed.clear();
    const size_t faultsBefore = run.missing.size() + run.differing.size();
    for (const TStreamCopy& stream : file.streams) {
      ++run.streams;
      const std::string named = path + ":" + stream.name;
      bool there = false;
      for (const TNamedStream& found : listed) there = there || SameStreamName(found.name, stream.name);
      if (!there) {
        run.missing.push_back(named);
        continue;
      }
      if (!seam.Read(path, stream.name, data, error) || static_cast<std::int64_t>(data.size()) != stream.size ||
          HashOf(data) != stream.hash)
        run.differing.push_back(named);
      if (!Told(onProgress, static_cast<std::int64_t>(data.size()))) {
        run.stopped = true;
        return run;
      }
    }
    if (run.missing.size() + run.differing.size() > faultsBefore) run.changedFiles.push_back(file.relativePath);
    if (!Told(onProgress, 0)) {
      run.stopped = true;
      break;
    }
  }
  return run;
}

std::vector<std::string> FilesWithOtherStreams(const std::vector<TFileStreams>& recorded,
                                               const std::vector<TFileStreams>& now) {
  std::unordered_map<std::string, const TFileStreams*> before;
  for (const TFileStreams& file : recorded) before.emplace(file.relativePath, &file);
  const auto same = [](const TFileStreams& a, const TFileStreams& b) {
    if (a.streams.size() != b.streams.size()) return false;
    for (size_t i = 0; i < a.streams.size(); ++i)
      if (a.streams[i].name != b.streams[i].name || a.streams[i].size != b.streams[i].size) return false;
    return true;
  };
  std::vector<std::string> changed;
  for (const TFileStreams& file : now) {
    const auto found = before.find(file.relativePath);
    if (found == before.end() || !same(*found->second, file)) changed.push_back(file.relativePath);
    if (found != before.end()) before.erase(found);
  }
  // A file whose streams are all gone lists none now.
  for (const TFileStreams& file : recorded)
    if (before.count(file.relativePath) != 0) changed.push_back(file.relativePath);
  return changed;
}

}  // namespace sw
