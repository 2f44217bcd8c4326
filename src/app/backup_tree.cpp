#include "app/backup_tree.h"

#include <windows.h>

#include "copy/copy_paths.h"
#include "copy/folder_listing.h"

namespace sw {
namespace {

bool HasLinkAttribute(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void WalkBelow(const std::string& base, const std::string& relative, const TTreeWalk& walk) {
  TFolderListing listing(base + relative);
  TFolderEntry entry;
  while (listing.Next(entry)) {
    const std::string path = relative + entry.name;
    if (HasLinkAttribute(entry.attributes)) {
      if (walk.onLink) walk.onLink(path);
    } else if (!entry.IsFolder()) {
      if (walk.onFile) walk.onFile(path);
    } else {
      WalkBelow(base, path + "\\", walk);
      if (walk.onFolder) walk.onFolder(path);
    }
  }
}

}  // namespace

void WalkTree(const std::string& folder, const TTreeWalk& walk) { WalkBelow(WithTrailingBackslash(folder), "", walk); }

void ClearProtectionAttributes(const std::string& path) {
  const std::wstring widePath = LongPath(path);
  const DWORD attributes = GetFileAttributesW(widePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  const DWORD protection = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
  if ((attributes & protection) != 0) SetFileAttributesW(widePath.c_str(), attributes & ~protection);
}

}  // namespace sw
