#include "app/backup_tree.h"

#include <windows.h>

#include "copy/copy_paths.h"
#include "platform/text.h"
#include "toolkit/application.h"

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
    tk::Application().KeepAnswering();
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

bool IsLinkAt(const std::string& path) { return HasLinkAttribute(GetFileAttributesW(LongPath(path).c_str())); }

TRealFolders::TRealFolders(const std::string& root) : root_(WithTrailingBackslash(root)) {}

bool TRealFolders::OnTheWayTo(const std::string& relative) {
  // From the top down, so each folder is looked at only below real ones.
  for (size_t end = relative.find('\\'); end != std::string::npos; end = relative.find('\\', end + 1)) {
    std::string folder = relative.substr(0, end);
    if (real_.count(folder) != 0) continue;
    // The folder's own attributes: a link's final step is not followed.
    const DWORD attributes = GetFileAttributesW(LongPath(root_ + folder).c_str());
    if (HasLinkAttribute(attributes)) {
      links_.insert(root_ + folder);
      return false;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
    real_.insert(std::move(folder));
  }
  return true;
}

void ClearProtectionAttributes(const std::string& path) {
  const std::wstring widePath = LongPath(path);
  const DWORD attributes = GetFileAttributesW(widePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  const DWORD protection = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
  if ((attributes & protection) != 0) SetFileAttributesW(widePath.c_str(), attributes & ~protection);
}

}  // namespace sw
