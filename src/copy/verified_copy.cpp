#include "copy/verified_copy.h"

#include "copy/content_hash.h"
#include "platform/handles.h"

namespace sw {
namespace {

constexpr size_t kChunkBytes = 1 << 20;
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Removes a copy that did not complete; a read-only attribute must not keep it.
void RemovePartialCopy(const std::wstring& destination) {
  SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(destination.c_str());
}

TFileCopyResult Failed(TCopyFailure failure, DWORD error) {
  TFileCopyResult result;
  result.failure = failure;
  // A failed call whose last error reads 0 is still a failure.
  result.error = error != 0 ? error : ERROR_GEN_FAILURE;
  return result;
}

bool WriteAll(HANDLE file, const unsigned char* data, DWORD size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

TStreamingCopier::TStreamingCopier() : buffer_(kChunkBytes) {}

TFileCopyResult TStreamingCopier::Copy(const std::wstring& source, const std::wstring& destination, bool readBack) {
  UniqueHandle input(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!input) return Failed(TCopyFailure::Source, GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(input.Get(), &info)) return Failed(TCopyFailure::Source, GetLastError());

  UniqueHandle output(CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!output) return Failed(TCopyFailure::Destination, GetLastError());

  // From here on a failure removes what was written.
  auto fail = [&](TCopyFailure failure, DWORD error) {
    output.Reset();
    RemovePartialCopy(destination);
    return Failed(failure, error);
  };
  TContentHash hash;
  std::int64_t total = 0;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(input.Get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &read, nullptr))
      return fail(TCopyFailure::Source, GetLastError());
    if (read == 0) break;
    hash.Update(buffer_.data(), read);
    if (!WriteAll(output.Get(), buffer_.data(), read)) return fail(TCopyFailure::Destination, GetLastError());
    total += read;
  }
  if (!SetFileTime(output.Get(), &info.ftCreationTime, &info.ftLastAccessTime, &info.ftLastWriteTime))
    return fail(TCopyFailure::Destination, GetLastError());
  // Closing flushes what the system still holds; a full or vanished drive
  // can report its failure only here.
  if (!CloseHandle(output.Release())) return fail(TCopyFailure::Destination, GetLastError());
  const DWORD attributes = info.dwFileAttributes & kCopiedAttributes;
  if (attributes != 0 && !SetFileAttributesW(destination.c_str(), attributes))
    return fail(TCopyFailure::Destination, GetLastError());

  TFileCopyResult result;
  result.size = total;
  result.hash = hash.Value();
  if (readBack) {
    DWORD error = 0;
    std::optional<TFileDigest> copy = Digest(destination, error);
    if (!copy) return fail(TCopyFailure::Destination, error);
    if (copy->size != result.size || copy->hash != result.hash) return fail(TCopyFailure::Differs, ERROR_CRC);
  }
  return result;
}

std::optional<TFileDigest> TStreamingCopier::Digest(const std::wstring& path, DWORD& error) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    error = GetLastError();
    return std::nullopt;
  }
  TContentHash hash;
  TFileDigest digest;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &read, nullptr)) {
      error = GetLastError();
      return std::nullopt;
    }
    if (read == 0) break;
    hash.Update(buffer_.data(), read);
    digest.size += read;
  }
  digest.hash = hash.Value();
  return digest;
}

}  // namespace sw
