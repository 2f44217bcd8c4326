#include "copy/verified_copy.h"

#include "copy/content_hash.h"
#include "platform/handles.h"

namespace sw {
namespace {

// 256 KiB: a stick reading 5 MB/s still finishes a piece in about 50 ms.
constexpr size_t kChunkBytes = 256 * 1024;
// With `flush`, a large copy is flushed every so many bytes as it goes, so
// no single flush waits for gigabytes to reach a slow disk (the copy runs
// on the run's worker: the window answers meanwhile).
constexpr std::int64_t kFlushEveryBytes = 8 << 20;
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

// Flushes what `file` was given since its last flush.
bool FlushWritten(HANDLE file) { return FlushFileBuffers(file) != FALSE; }

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

TFileCopyResult TStreamingCopier::Copy(const std::wstring& source, const std::wstring& destination, bool readBack,
                                       const WIN32_FIND_DATAW* listed, bool flush) {
  UniqueHandle input(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!input) return Failed(TCopyFailure::Source, GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  if (listed != nullptr) {
    info.dwFileAttributes = listed->dwFileAttributes;
    info.ftCreationTime = listed->ftCreationTime;
    info.ftLastAccessTime = listed->ftLastAccessTime;
    info.ftLastWriteTime = listed->ftLastWriteTime;
  } else if (!GetFileInformationByHandle(input.Get(), &info)) {
    return Failed(TCopyFailure::Source, GetLastError());
  }

  // Opened for reading too, so that the read-back needs no second open.
  UniqueHandle output(CreateFileW(destination.c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!output) return Failed(TCopyFailure::Destination, GetLastError());

  // From here on a failure removes what was written.
  auto fail = [&](TCopyFailure failure, DWORD error) {
    output.Reset();
    RemovePartialCopy(destination);
    return Failed(failure, error);
  };
  TContentHash hash;
  std::int64_t total = 0, flushedAt = 0;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(input.Get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &read, nullptr))
      return fail(TCopyFailure::Source, GetLastError());
    if (read == 0) break;
    hash.Update(buffer_.data(), read);
    if (!WriteAll(output.Get(), buffer_.data(), read)) return fail(TCopyFailure::Destination, GetLastError());
    total += read;
    if (flush && total - flushedAt >= kFlushEveryBytes) {
      if (!FlushWritten(output.Get())) return fail(TCopyFailure::Destination, GetLastError());
      flushedAt = total;
    }
    if (!PieceDone(read)) return fail(TCopyFailure::Stopped, ERROR_CANCELLED);
  }
  TFileCopyResult result;
  result.size = total;
  result.hash = hash.Value();
  if (readBack) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(output.Get(), start, nullptr, FILE_BEGIN)) return fail(TCopyFailure::Destination, GetLastError());
    DWORD error = 0;
    std::optional<TFileDigest> copy = DigestOf(output.Get(), destination, error);
    if (!copy) return fail(error == ERROR_CANCELLED ? TCopyFailure::Stopped : TCopyFailure::Destination, error);
    if (copy->size != result.size || copy->hash != result.hash) return fail(TCopyFailure::Differs, ERROR_CRC);
  }
  if (!SetFileTime(output.Get(), &info.ftCreationTime, &info.ftLastAccessTime, &info.ftLastWriteTime))
    return fail(TCopyFailure::Destination, GetLastError());
  // On its disk, times included, before the handle goes: a medium that
  // cannot take it says so here rather than after the run.
  if (flush && !FlushWritten(output.Get())) return fail(TCopyFailure::Destination, GetLastError());
  // Closing flushes what the system still holds; a full or vanished drive
  // can report its failure only here.
  if (!CloseHandle(output.Release())) return fail(TCopyFailure::Destination, GetLastError());
  // A new file is already marked for archiving; only other attributes need a call.
  const DWORD attributes = info.dwFileAttributes & kCopiedAttributes;
  if ((attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)) != 0 && !SetFileAttributesW(destination.c_str(), attributes))
    return fail(TCopyFailure::Destination, GetLastError());
  return result;
}

std::optional<TFileDigest> TStreamingCopier::Digest(const std::wstring& path, DWORD& error) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    error = GetLastError();
    return std::nullopt;
  }
  return DigestOf(file.Get(), path, error);
}

std::optional<TFileDigest> TStreamingCopier::DigestFromDisk(const std::wstring& path, DWORD& error) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    const DWORD openError = GetLastError();
    // A file system that takes no unbuffered reads refuses the flag itself.
    if (openError == ERROR_INVALID_PARAMETER) return Digest(path, error);
    error = openError;
    return std::nullopt;
  }
  return DigestUnbuffered(file.Get(), path, error);
}

std::optional<TFileDigest> TStreamingCopier::DigestUnbuffered(HANDLE file, const std::wstring& path, DWORD& error) {
  if (!alignedBuffer_) {
    // Whole pages: aligned for any sector size, and kChunkBytes is a
    // multiple of every sector size there is.
    void* pages = VirtualAlloc(nullptr, kChunkBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (pages == nullptr) {
      error = GetLastError();
      return std::nullopt;
    }
    alignedBuffer_.reset(static_cast<unsigned char*>(pages));
  }
  unsigned char* const data = alignedBuffer_.get();
  TContentHash hash;
  TFileDigest digest;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, data, static_cast<DWORD>(kChunkBytes), &read, nullptr)) {
      const DWORD readError = GetLastError();
      // A file system that takes the flag but not the reads: read it plainly.
      if (readError == ERROR_INVALID_PARAMETER && digest.size == 0) return Digest(path, error);
      error = readError;
      return std::nullopt;
    }
    if (read == 0) break;
    if (readFault) readFault(path, data, read);
    hash.Update(data, read);
    digest.size += read;
    if (!PieceDone(read)) {
      error = ERROR_CANCELLED;
      return std::nullopt;
    }
    // Only the end of the file reads short; a further read would start at
    // an offset that is no longer sector-aligned.
    if (read < kChunkBytes) break;
  }
  digest.hash = hash.Value();
  return digest;
}

std::optional<TFileDigest> TStreamingCopier::DigestOf(HANDLE file, DWORD& error) {
  return DigestOf(file, std::wstring(), error);
}

std::optional<TFileDigest> TStreamingCopier::DigestOf(HANDLE file, const std::wstring& path, DWORD& error) {
  TContentHash hash;
  TFileDigest digest;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, buffer_.data(), static_cast<DWORD>(buffer_.size()), &read, nullptr)) {
      error = GetLastError();
      return std::nullopt;
    }
    if (read == 0) break;
    if (readFault) readFault(path, buffer_.data(), read);
    hash.Update(buffer_.data(), read);
    digest.size += read;
    if (!PieceDone(read)) {
      error = ERROR_CANCELLED;
      return std::nullopt;
    }
  }
  digest.hash = hash.Value();
  return digest;
}

bool TStreamingCopier::PieceDone(std::int64_t bytes) { return !onPiece || onPiece(bytes); }

void TStreamingCopier::TPagesRelease::operator()(unsigned char* pages) const { VirtualFree(pages, 0, MEM_RELEASE); }

}  // namespace sw
