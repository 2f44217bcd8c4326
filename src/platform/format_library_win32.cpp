#include "platform/format_library_win32.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/text.h"

namespace sw {

namespace {

// The entries' native signatures. Flags are 32-bit values: 0 for false and
// all bits set for true.
using FormatExFn = void(__stdcall*)(const wchar_t* driveRoot, uint32_t mediaCode, const wchar_t* fileSystem,
                                    const wchar_t* label, int32_t quickFormat, uint32_t clusterSize,
                                    FmifsCallback callback);
using ChkdskFn = void(__stdcall*)(const wchar_t* driveRoot, const wchar_t* fileSystem, int32_t repair,
                                  int32_t verbose, int32_t onlyIfDirty, int32_t surfaceScan, void* unused1,
                                  void* unused2, FmifsCallback callback);

constexpr int32_t kLibraryTrue = -1;
int32_t LibraryFlag(bool value) { return value ? kLibraryTrue : 0; }

// Process-wide: one load attempt, released when the program ends.
struct FmifsModule {
  bool attempted = false;
  UniqueModule module;
  FormatExFn formatEx = nullptr;
  ChkdskFn chkdsk = nullptr;
};

FmifsModule& Fmifs() {
  static FmifsModule instance;
  return instance;
}

template <typename Fn>
Fn Resolve(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool Win32FormatLibrary::LoadAttempted() const { return Fmifs().attempted; }

bool Win32FormatLibrary::Load() {
  FmifsModule& fmifs = Fmifs();
  if (!fmifs.attempted) {
    fmifs.attempted = true;
    // The system folder only: a fmifs.dll planted beside the program or in
    // the current folder must never run with administrator rights.
    fmifs.module.Reset(LoadLibraryExW(L"fmifs.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (fmifs.module) {
      fmifs.chkdsk = Resolve<ChkdskFn>(fmifs.module.Get(), "Chkdsk");
      fmifs.formatEx = Resolve<FormatExFn>(fmifs.module.Get(), "FormatEx");
    }
  }
  return fmifs.chkdsk != nullptr;
}

bool Win32FormatLibrary::HasFormatEx() const { return Fmifs().formatEx != nullptr; }

void Win32FormatLibrary::FormatEx(const std::string& root, uint32_t mediaCode, const std::string& fileSystem,
                                  const std::string& label, bool quickFormat, uint32_t clusterSize,
                                  FmifsCallback callback) {
  FormatExFn formatEx = Fmifs().formatEx;
  if (formatEx == nullptr) return;
  std::wstring wideRoot = Widen(root), wideFileSystem = Widen(fileSystem), wideLabel = Widen(label);
  formatEx(wideRoot.c_str(), mediaCode, wideFileSystem.c_str(), wideLabel.c_str(), LibraryFlag(quickFormat),
           clusterSize, callback);
}

void Win32FormatLibrary::Chkdsk(const std::string& root, const std::string& fileSystem, bool repair, bool verbose,
                                bool onlyIfDirty, bool surfaceScan, FmifsCallback callback) {
  ChkdskFn chkdsk = Fmifs().chkdsk;
  if (chkdsk == nullptr) return;
  std::wstring wideRoot = Widen(root), wideFileSystem = Widen(fileSystem);
  chkdsk(wideRoot.c_str(), wideFileSystem.c_str(), LibraryFlag(repair), LibraryFlag(verbose),
         LibraryFlag(onlyIfDirty), LibraryFlag(surfaceScan), nullptr, nullptr, callback);
}

}  // namespace sw
