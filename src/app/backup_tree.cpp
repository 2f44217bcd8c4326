#include "app/backup_tree.h"

#include <windows.h>

#include "copy/copy_paths.h"
#include "platform/text.h"

namespace sw {
namespace {

bool HasLinkAttribute(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void WalkBelow(const std::string& base, const std::string& relative, const TTreeWalk& walk) {
  WIN32_FIND_DATAW entry{};
  UniqueFind listing(FindFirstFileExW((LongPath(base + relative) + L"*").c_str(), FindExInfoBasic, &entry,
                                      FindExSearchNameMatch, nullptr, 0));
  if (!listing) return;
  do {
    const std::string name = Narrow(entry.cFileName);
    if (name == "." || name == "..") continue;
    const std::string path = relative + name;
    if (HasLinkAttribute(entry.dwFileAttributes)) {
      if (walk.onLink) walk.onLink(path);
    } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      if (walk.onFile) walk.onFile(path);
    } else {
      WalkBelow(base, path + "\\", walk);
      if (walk.onFolder) walk.onFolder(path);
    }
  } while (FindNextFileW(listing.Get(), &entry));
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
