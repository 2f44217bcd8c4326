#include "copy/look_check.h"

#include <windows.h>

#include "copy/copy_paths.h"
#include "copy/copy_times.h"

namespace sw {
namespace {

constexpr unsigned long long kSecond = 10000000ull;
constexpr unsigned long long kRounding = 2 * kSecond;
constexpr unsigned long long kHour = 3600 * kSecond;
constexpr DWORD kLookAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool Near(unsigned long long a, unsigned long long b) { return a <= b + kRounding && b <= a + kRounding; }

}  // namespace

bool SameLook(const std::string& source, const std::string& target) {
  WIN32_FILE_ATTRIBUTE_DATA from{}, to{};
  if (!GetFileAttributesExW(LongPath(source).c_str(), GetFileExInfoStandard, &from) ||
      !GetFileAttributesExW(LongPath(target).c_str(), GetFileExInfoStandard, &to))
    return false;
  return (from.dwFileAttributes & kLookAttributes) == (to.dwFileAttributes & kLookAttributes) &&
         SameModifiedTime(FileTimeValue(from.ftLastWriteTime), FileTimeValue(to.ftLastWriteTime));
}

bool SameModifiedTime(unsigned long long a, unsigned long long b) {
  return Near(a, b) || Near(a + kHour, b) || Near(a, b + kHour);
}

std::vector<std::string> LooksDiffering(const std::string& sourceRoot, const std::string& targetRoot,
                                        const std::vector<std::string>& files,
                                        const std::vector<std::string>& folders) {
  const std::string source = WithTrailingBackslash(sourceRoot), target = WithTrailingBackslash(targetRoot);
  std::vector<std::string> differing;
  for (const std::vector<std::string>* paths : {&files, &folders})
    for (std::string path : *paths) {
      if (!path.empty() && path.back() == '\\') path.pop_back();  // a folder by its own name
      if (!path.empty() && !SameLook(source + path, target + path)) differing.push_back(target + path);
    }
  return differing;
}

}  // namespace sw
