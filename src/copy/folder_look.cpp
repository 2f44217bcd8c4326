#include "copy/folder_look.h"

#include "copy/copy_paths.h"
#include "platform/handles.h"

namespace sw {
namespace {

bool IsSet(const FILETIME& time) { return time.dwLowDateTime != 0 || time.dwHighDateTime != 0; }

}  // namespace

std::optional<TFolderLook> ReadFolderLook(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return std::nullopt;
  return TFolderLook{data.dwFileAttributes, data.ftCreationTime, data.ftLastWriteTime};
}

bool ApplyFolderLook(const std::string& path, const TFolderLook& look) {
  const std::wstring longPath = LongPath(path);
  bool applied = true;
  {
    // A folder opens only with backup semantics; a link is changed itself, never followed.
    UniqueHandle folder(CreateFileW(longPath.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    applied = folder && SetFileTime(folder.Get(), IsSet(look.created) ? &look.created : nullptr, nullptr,
                                    IsSet(look.modified) ? &look.modified : nullptr);
  }
  const DWORD attributes = look.attributes & kFolderLookAttributes;
  return SetFileAttributesW(longPath.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL) && applied;
}

}  // namespace sw
