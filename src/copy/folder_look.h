// What a folder looks like beyond its entries: its attributes (read-only,
// hidden, system, archive, not indexed) and its created and modified
// times. The backup and the restore give each folder its source's look
// after the folder's files are written, since writing into a folder
// changes its modified time.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace sw {

struct TFolderLook {
  DWORD attributes = 0;
  FILETIME created{};
  FILETIME modified{};
};

// The attributes a folder's look carries over.
inline constexpr DWORD kFolderLookAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The look of the folder `path`; nothing when it cannot be read.
std::optional<TFolderLook> ReadFolderLook(const std::string& path);
// Gives the folder `path` its times and then its attributes; false when
// either could not be set. A time of zero is left as it is.
bool ApplyFolderLook(const std::string& path, const TFolderLook& look);

}  // namespace sw
