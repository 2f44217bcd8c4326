// Walking an earlier backup's folder without ever following a link. A
// symbolic link, junction or mount point (a reparse point, whatever its
// tag) inside a backup leads to files the backup did not write: a walk
// reports it and never enters it, and a path is used for reading or
// deleting only once every folder on its way is known to be a real one.
#pragma once

#include <functional>
#include <string>

#include "copy/copy_paths.h"

namespace sw {

// What a walk tells, by path below the walked folder.
struct TTreeWalk {
  std::function<void(const std::string&)> onFile = nullptr;    // a plain file
  std::function<void(const std::string&)> onFolder = nullptr;  // a real folder, after everything in it
  std::function<void(const std::string&)> onLink = nullptr;    // a reparse point (file or folder), never entered
};

// Walks everything below `folder`; a folder that cannot be listed is passed
// over.
void WalkTree(const std::string& folder, const TTreeWalk& walk);

// Clears the read-only and system attributes of `path` (not following a
// link), which would keep it from being deleted or renamed.
void ClearProtectionAttributes(const std::string& path);

}  // namespace sw
