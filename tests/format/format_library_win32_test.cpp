// The system's format library is loaded from the system folder only, once
// per process: a fmifs.dll beside the program or in the current folder
// never gets in.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/format_library_win32.h"

namespace sw::testing {
namespace {

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
  return std::wstring(path, n);
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

TEST(Win32FormatLibraryTest, APlantedLibraryBesideTheProgramIsNeverLoaded) {
  const std::wstring programFolder = FolderOf(ModulePath(nullptr));
  ASSERT_NE(GetFileAttributesW((programFolder + L"\\fmifs.dll").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the planted library must lie beside the test";
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(programFolder.c_str());

  Win32FormatLibrary library;
  const bool usable = library.Load();
  SetCurrentDirectoryW(previous);

  EXPECT_TRUE(library.LoadAttempted());
  HMODULE loaded = GetModuleHandleW(L"fmifs.dll");
  if (loaded == nullptr) {
    EXPECT_FALSE(usable);
  } else {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(Lower(FolderOf(ModulePath(loaded))), Lower(system));
  }
  // Every instance shares the one attempt of the process.
  Win32FormatLibrary another;
  EXPECT_TRUE(another.LoadAttempted());
  EXPECT_EQ(another.Load(), usable);
  EXPECT_EQ(another.HasFormatEx(), library.HasFormatEx());
}

}  // namespace
}  // namespace sw::testing
