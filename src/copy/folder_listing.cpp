#include "copy/folder_listing.h"

#include <string_view>

#include "platform/text.h"

namespace sw {

TFolderListing::TFolderListing(const std::string& folder, TFetch fetch) {
  Open(LongPath(WithTrailingBackslash(folder)) + L"*", fetch);
}

TFolderListing TFolderListing::OfPattern(const std::wstring& pattern, TFetch fetch) {
  TFolderListing listing;
  listing.Open(pattern, fetch);
  return listing;
}

void TFolderListing::Open(const std::wstring& pattern, TFetch fetch) {
  find_.Reset(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data_, FindExSearchNameMatch, nullptr,
                               fetch == TFetch::Large ? FIND_FIRST_EX_LARGE_FETCH : 0));
  if (!find_) openError_ = GetLastError();
  pending_ = static_cast<bool>(find_);
}

bool TFolderListing::Next(TFolderEntry& entry) {
  while (find_) {
    if (!pending_ && !FindNextFileW(find_.Get(), &data_)) {
      const DWORD error = GetLastError();
      if (error != ERROR_NO_MORE_FILES) endError_ = error;
      find_.Reset();
      return false;
    }
    pending_ = false;
    const std::wstring_view name = data_.cFileName;
    if (name == L"." || name == L"..") continue;
    entry.name = Narrow(name);
    entry.attributes = data_.dwFileAttributes;
    const auto size =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(data_.nFileSizeHigh) << 32) | data_.nFileSizeLow);
    entry.size = size < 0 ? 0 : size;
    entry.lastWrite = data_.ftLastWriteTime;
    entry.found = &data_;
    return true;
  }
  return false;
}

}  // namespace sw
