// Paths for the folder copy: the wide form handed to Win32, with the
// verbatim prefix \\?\ so that deep trees and names ending in a dot or
// blank copy like any other; and the folder comparisons that keep a copy
// out of itself.
#pragma once

#include <string>
#include <unordered_set>

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

// A path in capitals the way Windows compares names (the invariant
// locale's uppercase), kept in UTF-8: two paths with the same key name the
// same file on a volume that ignores case.
std::string PathCaseKey(const std::string& path);

// True when `path` itself is a reparse point (a symbolic link, junction or
// mount point, whatever its tag).
bool IsLinkAt(const std::string& path);

// Whether the folders between a root and a path below it are real folders:
// each must exist as a folder and not be a reparse point. Folders found
// real are remembered, so a hundred thousand files in a few folders cost a
// look per folder; the links met on the way are kept for the log.
class TRealFolders {
 public:
  explicit TRealFolders(const std::string& root);
  // True when every folder of `relative` before its last step is real.
  // False when one is a link, or cannot be looked at (then nothing there
  // is read or deleted).
  bool OnTheWayTo(const std::string& relative);
  // True when `relative` itself or a folder on its way is a link; a folder
  // that is not there is no link (what lies below it is missing).
  bool LinkOnTheWayTo(const std::string& relative);
  // The links met, as full paths, each once.
  const std::unordered_set<std::string>& Links() const { return links_; }

 private:
  enum class TWay { Real, Link, Unknown };
  TWay Way(const std::string& relative);

  std::string root_;
  std::unordered_set<std::string> real_;
  std::unordered_set<std::string> links_;
};

}  // namespace sw
