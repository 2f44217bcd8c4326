#include "copy/copy_paths.h"

#include <windows.h>

#include <vector>

#include "platform/text.h"

namespace sw {
namespace {

constexpr std::wstring_view kVerbatimPrefix = L"\\\\?\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";

// True when the path has no "." or ".." step and no empty step, so the
// system would not change it on the way to the file system.
bool IsCanonical(std::wstring_view path, size_t firstStep) {
  size_t start = firstStep;
  while (start < path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    std::wstring_view step = path.substr(start, end - start);
    if (step.empty() && end != path.size()) return false;
    if (step == L"." || step == L"..") return false;
    start = end + 1;
  }
  return true;
}

bool IsDriveAbsolute(std::wstring_view path) {
  return path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}


// The comparable form: \\?\-prefixed, no trailing backslash except a root's.
std::wstring ComparableForm(const std::string& path) {
  std::wstring wide = LongPath(path);
  while (wide.size() > kVerbatimPrefix.size() + 3 && wide.back() == L'\\') wide.pop_back();
  return wide;
}

bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

std::wstring FullPathOf(const std::wstring& path) {
  DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::vector<wchar_t> buffer(needed + 1);
  DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (length == 0 || length >= buffer.size()) return path;
  return std::wstring(buffer.data(), length);
}

std::string WithTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path;
  return path + "\\";
}

std::wstring LongPath(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.starts_with(kVerbatimPrefix) || wide.starts_with(kDevicePrefix)) return wide;
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  if (IsDriveAbsolute(wide) && IsCanonical(wide, 3)) return std::wstring(kVerbatimPrefix) + wide;
  if (wide.starts_with(L"\\\\") && IsCanonical(wide, 2)) return std::wstring(kVerbatimPrefix) + L"UNC\\" + wide.substr(2);
  std::wstring full = FullPathOf(wide);
  if (IsDriveAbsolute(full)) return std::wstring(kVerbatimPrefix) + full;
  if (full.starts_with(L"\\\\") && !full.starts_with(kVerbatimPrefix) && !full.starts_with(kDevicePrefix))
    return std::wstring(kVerbatimPrefix) + L"UNC\\" + full.substr(2);
  return full;
}

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SamePath(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  return EqualIgnoringCase(ComparableForm(a), ComparableForm(b));
}

bool IsSameOrInside(const std::string& path, const std::string& folder) {
  if (path.empty() || folder.empty()) return false;
  std::wstring inner = ComparableForm(path);
  std::wstring outer = ComparableForm(folder);
  if (inner.size() < outer.size()) return false;
  if (!EqualIgnoringCase(std::wstring_view(inner).substr(0, outer.size()), outer)) return false;
  // Either the same, or the next character starts a step below the folder
  // (a root such as E:\ already ends with its backslash).
  return inner.size() == outer.size() || outer.back() == L'\\' || inner[outer.size()] == L'\\';
}

bool IsLinkAt(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

TRealFolders::TRealFolders(const std::string& root) : root_(WithTrailingBackslash(root)) {}

TRealFolders::TWay TRealFolders::Way(const std::string& relative) {
  // From the top down, so each folder is looked at only below real ones.
  for (size_t end = relative.find('\\'); end != std::string::npos; end = relative.find('\\', end + 1)) {
    std::string folder = relative.substr(0, end);
    if (real_.count(folder) != 0) continue;
    // The folder's own attributes: a link's final step is not followed.
    const DWORD attributes = GetFileAttributesW(LongPath(root_ + folder).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      links_.insert(root_ + folder);
      return TWay::Link;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return TWay::Unknown;
    real_.insert(std::move(folder));
  }
  return TWay::Real;
}

bool TRealFolders::OnTheWayTo(const std::string& relative) { return Way(relative) == TWay::Real; }

bool TRealFolders::LinkOnTheWayTo(const std::string& relative) {
  return Way(relative) == TWay::Link || IsLinkAt(root_ + relative);
}

std::string PathCaseKey(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.empty()) return path;
  const int length = static_cast<int>(wide.size());
  const int size = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), length, nullptr, 0, nullptr,
                                 nullptr, 0);
  if (size <= 0) return path;
  std::wstring upper(static_cast<size_t>(size), L'\0');
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), length, upper.data(), size, nullptr, nullptr,
                    0) != size)
    return path;
  return Narrow(upper);
}

}  // namespace sw
