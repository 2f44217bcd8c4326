// The copy of one file that the backup and restore use: the content is
// streamed through a hash on its way, the copy takes the source's times and
// attributes, and it can be read back and compared. A copy that fails half
// way is removed, so a failure never leaves a partial file behind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sw {

enum class TCopyFailure {
  None,
  Source,       // the source could not be opened or read
  Destination,  // the copy could not be created or written
  Differs,      // the copy reads back different from what was written
  Stopped,      // onPiece asked to stop; nothing of the copy is left
};

struct TFileCopyResult {
  TCopyFailure failure = TCopyFailure::None;
  DWORD error = 0;           // the system's error code of the failing call
  std::int64_t size = 0;     // bytes copied
  std::uint64_t hash = 0;    // hash of the source's content as read
};

// A size and content hash of a file as it reads now.
struct TFileDigest {
  std::int64_t size = 0;
  std::uint64_t hash = 0;
};

class TStreamingCopier {
 public:
  TStreamingCopier();
  // Copies `source` onto `destination` (both long wide paths), replacing an
  // existing file. With `readBack` the copy is read again and compared.
  // `listed` (the source's entry from a folder listing, when the caller has
  // it) saves asking the system for its times and attributes again.
  // With `flush` the copy is flushed to its disk before it is closed.
  TFileCopyResult Copy(const std::wstring& source, const std::wstring& destination, bool readBack,
                       const WIN32_FIND_DATAW* listed = nullptr, bool flush = false);
  // The digest of a file as it reads now; nothing (and `error`) when it cannot be read.
  std::optional<TFileDigest> Digest(const std::wstring& path, DWORD& error);
  // The digest of a file as its disk holds it: read with the system's file
  // cache bypassed (unbuffered, sector-aligned reads), so a medium that lost
  // or wrapped what it was given reads different. Where the file system
  // refuses unbuffered reads, a plain read.
  std::optional<TFileDigest> DigestFromDisk(const std::wstring& path, DWORD& error);

  // Told the size of every piece a copy or digest takes, after it is done;
  // returning false stops that file (a copy fails as Stopped, a digest with
  // ERROR_CANCELLED). Pieces are small enough that a slow stick still
  // reaches it several times a second.
  std::function<bool(std::int64_t bytes)> onPiece;

  // Test seam: sees (and may change) every piece any read of this copier
  // takes from a file, before it is hashed or compared.
  std::function<void(const std::wstring& path, unsigned char* data, size_t size)> readFault;

 private:
  // The digest of what an open file reads from its current position on.
  std::optional<TFileDigest> DigestOf(HANDLE file, DWORD& error);
  // The same, with `path` told to readFault.
  std::optional<TFileDigest> DigestOf(HANDLE file, const std::wstring& path, DWORD& error);
  // The digest of a file opened unbuffered, read in whole multiples of the
  // sector-aligned buffer; nothing (and `error`) when a read fails.
  std::optional<TFileDigest> DigestUnbuffered(HANDLE file, const std::wstring& path, DWORD& error);

  // onPiece's answer; true when there is none.
  bool PieceDone(std::int64_t bytes);

  // Frees the pages of the unbuffered reads' buffer.
  struct TPagesRelease {
    void operator()(unsigned char* pages) const;
  };

  std::vector<unsigned char> buffer_;
  std::unique_ptr<unsigned char, TPagesRelease> alignedBuffer_;  // allocated on the first unbuffered read
};

}  // namespace sw
