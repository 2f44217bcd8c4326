// Walking an earlier backup's folder without ever following a link. A
// symbolic link, junction or mount point (a reparse point, whatever its
// tag) inside a backup leads to files the backup did not write: a walk
// reports it and never enters it, and a path is used for reading or
// deleting only once every folder on its way is known to be a real one.
#pragma once

#include <functional>
#include <string>
#include <unordered_set>

namespace sw {

// What a walk tells, by path below the walked folder.
struct TTreeWalk {
  std::function<void(const std::string&)> onFile = nullptr;    // a plain file
  std::function<void(const std::string&)> onFolder = nullptr;  // a real folder, after everything in it
  std::function<void(const std::string&)> onLink = nullptr;    // a reparse point (file or folder), never entered
};

// Walks everything below `folder`; a folder that cannot be listed is passed
// over. The window keeps answering during a long walk.
void WalkTree(const std::string& folder, const TTreeWalk& walk);

// True when `path` itself is a reparse point.
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
  // The links met, as full paths, each once.
  const std::unordered_set<std::string>& Links() const { return links_; }

 private:
  std::string root_;
  std::unordered_set<std::string> real_;
  std::unordered_set<std::string> links_;
};

// Clears the read-only and system attributes of `path` (not following a
// link), which would keep it from being deleted or renamed.
void ClearProtectionAttributes(const std::string& path);

}  // namespace sw
