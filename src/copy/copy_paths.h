// Paths for the folder copy: the wide form handed to Win32, with the
// verbatim prefix \\?\ so that deep trees and names ending in a dot or
// blank copy like any other; and the folder comparisons that keep a copy
// out of itself.
#pragma once

#include <string>

#include "platform/handles.h"

namespace sw {

// Owner of a FindFirstFile listing.
struct FindHandleTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
using UniqueFind = UniqueResource<HANDLE, FindHandleTraits>;

// `path` followed by a backslash unless it already ends with one.
std::string WithTrailingBackslash(const std::string& path);

// The absolute, \\?\-prefixed wide form of `path`. Drive paths and UNC paths
// without "." or ".." steps keep their names exactly (trailing dots and
// blanks included); others are made absolute by the system first.
std::wstring LongPath(const std::string& path);

// The absolute form of `path` as the system makes it; `path` itself when
// the system cannot.
std::wstring FullPathOf(const std::wstring& path);

bool FolderExists(const std::string& path);
bool PathExists(const std::string& path);

// True when both name the same place, ignoring letter case and the forms a
// path can take (relative, forward slashes, a trailing backslash, \\?\).
bool SamePath(const std::string& a, const std::string& b);

// True when `path` is `folder` itself or lies anywhere below it.
bool IsSameOrInside(const std::string& path, const std::string& folder);

}  // namespace sw
