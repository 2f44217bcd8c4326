#include "platform/named_streams_win32.h"

#include <windows.h>

#include <string_view>

#include "platform/handles.h"
#include "platform/text.h"

namespace sw {
namespace {

// A stream larger than this is not read whole into memory: its copy fails,
// and the run stops before anything is erased. The mark of a download
// holds a few hundred bytes.
constexpr std::int64_t kLargestStream = 64LL << 20;

struct FindTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
using UniqueStreamFind = UniqueResource<HANDLE, FindTraits>;

// A drive-absolute path in its verbatim form, so a path past MAX_PATH opens too.
std::wstring Verbatim(const std::string& path) {
  std::wstring wide = Widen(path);
  const bool driveAbsolute = wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\';
  return driveAbsolute ? L"\\\\?\\" + wide : wide;
}

std::wstring StreamPath(const std::string& path, const std::string& name) {
  return Verbatim(path) + L":" + Widen(name);
}

// A failed call whose last error reads 0 is still a failure.
bool Fail(std::uint32_t& error) {
  error = GetLastError();
  if (error == 0) error = ERROR_GEN_FAILURE;
  return false;
}

}  // namespace

TStreamVolume Win32NamedStreams::VolumeOf(const std::string& path) {
  TStreamVolume volume;
  wchar_t root[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(Widen(path).c_str(), root, MAX_PATH)) return volume;
  DWORD flags = 0;
  wchar_t fileSystem[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, fileSystem, MAX_PATH)) return volume;
  volume.fileSystem = Narrow(fileSystem);
  volume.keepsStreams = (flags & FILE_NAMED_STREAMS) != 0;
  return volume;
}

bool Win32NamedStreams::List(const std::string& path, std::vector<TNamedStream>& streams, std::uint32_t& error) {
  streams.clear();
  WIN32_FIND_STREAM_DATA found{};
  UniqueStreamFind find(FindFirstStreamW(Verbatim(path).c_str(), FindStreamInfoStandard, &found, 0));
  if (!find) {
    // A file with no stream at all (not even main data) ends the list at once.
    if (GetLastError() == ERROR_HANDLE_EOF) return true;
    return Fail(error);
  }
  for (;;) {
    // "::$DATA" is the main data; a named one reads ":Zone.Identifier:$DATA".
    std::wstring_view name = found.cStreamName;
    if (name.starts_with(L':')) name.remove_prefix(1);
    if (const size_t type = name.find(L':'); type != std::wstring_view::npos) name = name.substr(0, type);
    if (!name.empty()) streams.push_back({Narrow(name), found.StreamSize.QuadPart});
    if (!FindNextStreamW(find.Get(), &found)) {
      if (GetLastError() == ERROR_HANDLE_EOF) return true;
      return Fail(error);
    }
  }
}

bool Win32NamedStreams::Read(const std::string& path, const std::string& name, std::vector<unsigned char>& data,
                             std::uint32_t& error) {
  data.clear();
  UniqueHandle file(CreateFileW(StreamPath(path, name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return Fail(error);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return Fail(error);
  if (size.QuadPart > kLargestStream) {
    error = ERROR_FILE_TOO_LARGE;
    return false;
  }
  data.resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < data.size()) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), data.data() + done, static_cast<DWORD>(data.size() - done), &read, nullptr))
      return Fail(error);
    if (read == 0) break;
    done += read;
  }
  // A stream that changed size while it was read is read again by no one:
  // the caller compares what it got with what it expects.
  data.resize(done);
  return true;
}

bool Win32NamedStreams::Write(const std::string& path, const std::string& name, const std::vector<unsigned char>& data,
                              std::uint32_t& error) {
  // The stream belongs to a file that exists: opening "path:name" on a
  // missing path would make an empty file of it.
  if (GetFileAttributesW(Verbatim(path).c_str()) == INVALID_FILE_ATTRIBUTES) return Fail(error);
  UniqueHandle file(CreateFileW(StreamPath(path, name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Fail(error);
  size_t done = 0;
  while (done < data.size()) {
    DWORD written = 0;
    if (!WriteFile(file.Get(), data.data() + done, static_cast<DWORD>(data.size() - done), &written, nullptr) ||
        written == 0)
      return Fail(error);
    done += written;
  }
  if (!FlushFileBuffers(file.Get())) return Fail(error);
  // Closing reports what the system could not write until now.
  if (!CloseHandle(file.Release())) return Fail(error);
  return true;
}

}  // namespace sw
