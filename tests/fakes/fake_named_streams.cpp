#include "fakes/fake_named_streams.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/text.h"
#include "platform/text_rules.h"

namespace sw::fakes {

std::string FakeNamedStreams::Key(const std::string& text) { return AsciiLower(text); }

std::uint64_t FakeNamedStreams::IdentityOf(const std::string& path) {
  UniqueHandle file(CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.Get(), &info)) return 0;
  return (static_cast<std::uint64_t>(info.dwVolumeSerialNumber) << 48) ^
         (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow);
}

void FakeNamedStreams::SetFileSystem(const std::string& root, const std::string& fileSystem) {
  fileSystems_[Key(root)] = fileSystem;
}

std::string FakeNamedStreams::FileSystemOf(const std::string& path) const {
  // The longest root that the path begins with.
  const std::string key = Key(path);
  std::string found = "NTFS";
  size_t longest = 0;
  for (const auto& [root, fileSystem] : fileSystems_)
    if (key.starts_with(root) && root.size() > longest) {
      found = fileSystem;
      longest = root.size();
    }
  return found;
}

TStreamVolume FakeNamedStreams::VolumeOf(const std::string& path) {
  const std::string fileSystem = FileSystemOf(path);
  return {fileSystem, fileSystem == "NTFS"};
}

FakeNamedStreams::TStreams* FakeNamedStreams::StreamsOf(const std::string& path, std::uint32_t& error) {
  if (FileSystemOf(path) != "NTFS") {
    ++refused;
    error = ERROR_INVALID_NAME;
    return nullptr;
  }
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    // A file that is gone took its streams with it.
    files_.erase(Key(path));
    ++refused;
    error = attributes == INVALID_FILE_ATTRIBUTES ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
    return nullptr;
  }
  // A file made anew under the old name has no streams.
  TFile& file = files_[Key(path)];
  const std::uint64_t identity = IdentityOf(path);
  if (file.identity != identity) file = TFile{identity, {}};
  return &file.streams;
}

bool FakeNamedStreams::List(const std::string& path, std::vector<TNamedStream>& streams, std::uint32_t& error) {
  ++lists;
  streams.clear();
  TStreams* file = StreamsOf(path, error);
  if (file == nullptr) return false;
  for (const auto& [name, content] : *file)
    streams.push_back({names_[Key(path) + ":" + name], static_cast<std::int64_t>(content.size())});
  return true;
}

bool FakeNamedStreams::Read(const std::string& path, const std::string& name, std::vector<unsigned char>& data,
                            std::uint32_t& error) {
  ++reads;
  data.clear();
  TStreams* file = StreamsOf(path, error);
  if (file == nullptr) return false;
  const auto found = file->find(Key(name));
  if (found == file->end()) {
    error = ERROR_FILE_NOT_FOUND;
    return false;
  }
  data = found->second;
  return true;
}

bool FakeNamedStreams::Write(const std::string& path, const std::string& name, const std::vector<unsigned char>& data,
                             std::uint32_t& error) {
  ++writes;
  if (name.empty() || name.find_first_of(":\\/") != std::string::npos) {
    ++refused;
    error = ERROR_INVALID_NAME;
    return false;
  }
  TStreams* file = StreamsOf(path, error);
  if (file == nullptr) return false;
  if ((GetFileAttributesW(Widen(path).c_str()) & FILE_ATTRIBUTE_READONLY) != 0) {
    ++refused;
    error = ERROR_ACCESS_DENIED;
    return false;
  }
  (*file)[Key(name)] = data;
  names_[Key(path) + ":" + Key(name)] = name;
  return true;
}

void FakeNamedStreams::Put(const std::string& path, const std::string& name, const std::string& content) {
  TFile& file = files_[Key(path)];
  const std::uint64_t identity = IdentityOf(path);
  if (file.identity != identity) file = TFile{identity, {}};
  file.streams[Key(name)].assign(content.begin(), content.end());
  names_[Key(path) + ":" + Key(name)] = name;
}

std::string FakeNamedStreams::Content(const std::string& path, const std::string& name) const {
  const auto file = files_.find(Key(path));
  if (file == files_.end() || file->second.identity != IdentityOf(path)) return {};
  const auto found = file->second.streams.find(Key(name));
  return found == file->second.streams.end() ? std::string()
                                             : std::string(found->second.begin(), found->second.end());
}

bool FakeNamedStreams::Has(const std::string& path, const std::string& name) const {
  const auto file = files_.find(Key(path));
  return file != files_.end() && file->second.identity == IdentityOf(path) &&
         file->second.streams.count(Key(name)) != 0;
}

void FakeNamedStreams::Remove(const std::string& path, const std::string& name) {
  const auto file = files_.find(Key(path));
  if (file != files_.end()) file->second.streams.erase(Key(name));
}

void FakeNamedStreams::ForgetBelow(const std::string& root) {
  const std::string prefix = Key(root);
  std::erase_if(files_, [&](const auto& file) { return file.first.starts_with(prefix); });
}

}  // namespace sw::fakes
