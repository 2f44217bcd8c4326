// The entries of one folder as the system lists them, "." and ".." left
// out: the one listing loop behind every walk of the copy and the backup.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "copy/copy_paths.h"

namespace sw {

struct TFolderEntry {
  std::string name;  // UTF-8
  DWORD attributes = 0;
  std::int64_t size = 0;  // never negative
  FILETIME lastWrite{};
  // The system's own record, for calls that take one; valid until the next entry.
  const WIN32_FIND_DATAW* found = nullptr;

  bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // A reparse point: a symbolic link, junction or mount point, whatever its tag.
  bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};

class TFolderListing {
 public:
  // Large fetches suit a walk that reads whole trees.
  enum class TFetch { Normal, Large };

  // Lists `folder` (with or without a trailing backslash) by its long path.
  explicit TFolderListing(const std::string& folder, TFetch fetch = TFetch::Normal);
  // Lists what the system pattern `pattern` names, exactly as written.
  static TFolderListing OfPattern(const std::wstring& pattern, TFetch fetch = TFetch::Normal);

  bool IsOpen() const { return static_cast<bool>(find_); }
  // The system's error when the listing did not open; 0 when it did.
  DWORD OpenError() const { return openError_; }
  // The listing did not open because nothing matched: a drive root with no entries at all.
  bool FoundNothing() const { return openError_ == ERROR_FILE_NOT_FOUND; }

  // The next entry; false at the end of the listing or when it broke off.
  bool Next(TFolderEntry& entry);
  // The listing broke off before its end; EndError tells why.
  bool EndedByError() const { return endError_ != 0; }
  DWORD EndError() const { return endError_; }

 private:
  TFolderListing() = default;
  void Open(const std::wstring& pattern, TFetch fetch);

  WIN32_FIND_DATAW data_{};
  UniqueFind find_;
  DWORD openError_ = 0;
  DWORD endError_ = 0;
  bool pending_ = false;  // data_ holds an entry not yet handed out
};

}  // namespace sw
