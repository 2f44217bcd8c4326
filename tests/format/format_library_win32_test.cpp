// The system's format library is loaded from the system folder only, once
// per process: a fmifs.dll beside the program or in the current folder
// never gets in. Through the test format library in the system folder, the
// real wrapper's calls and the engine's real callbacks are checked as the
// library sees them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "platform/format_library_win32.h"
#include "platform/text.h"
#include "system_fmifs.h"

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

// The real wrapper and the engine's real callbacks, driven through the test
// format library that the suite's set-up installs into the system folder of
// the tests' own Wine prefix.
namespace sw::testing {
namespace {

using fmifs_test::Command;
using fmifs_test::RecordedCall;

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

Command Percent(int32_t value) { return {fmifs::kProgress, 0, Command::kPercent, value, nullptr}; }
Command Done(bool ok) { return {fmifs::kDone, 0, Command::kSuccess, ok ? 1 : 0, nullptr}; }
Command Output(const char* text) { return {fmifs::kOutput, 0, Command::kText, 0, text}; }
Command Code(uint32_t code) { return {code, 7, Command::kNone, 0, nullptr}; }

// Whether `texts` holds these lines in this order (others may lie between).
bool InOrder(const std::vector<std::string>& texts, std::initializer_list<std::string> lines) {
  auto at = texts.begin();
  for (const std::string& line : lines) {
    at = std::find(at, texts.end(), line);
    if (at == texts.end()) return false;
    ++at;
  }
  return true;
}

class SystemFormatLibraryTest : public EngineTest {
 protected:
  IFormatLibrary& Library() override { return systemLibrary_; }

  void SetUp() override {
    EngineTest::SetUp();
    if (IsSkipped()) return;
    const bool usable = systemLibrary_.Load();
    HMODULE module = GetModuleHandleW(L"fmifs.dll");
    play_ = module ? reinterpret_cast<fmifs_test::PlayFn>(reinterpret_cast<void*>(GetProcAddress(module, "TestPlay")))
                   : nullptr;
    lastCall_ = module ? reinterpret_cast<fmifs_test::LastCallFn>(
                             reinterpret_cast<void*>(GetProcAddress(module, "TestLastCall")))
                       : nullptr;
    if (play_ == nullptr || lastCall_ == nullptr) {
      if (!UnderWine()) GTEST_SKIP() << "the system's own format library is installed";
      FAIL() << "the test format library is not in the prefix's system folder (the suite's set-up installs it)";
    }
    ASSERT_TRUE(usable);
    ASSERT_TRUE(systemLibrary_.HasFormatEx());
  }

  void Play(std::vector<Command> commands) { play_(commands.data(), static_cast<uint32_t>(commands.size())); }
  const RecordedCall& Last() const {
    static const RecordedCall none{};
    const RecordedCall* call = lastCall_();
    return call ? *call : none;
  }
  std::vector<uint8_t> Answers() const { return {Last().answers, Last().answers + Last().answerCount}; }
  // The drive root as the library must receive it: upper-cased, UTF-16.
  std::wstring WideRoot() const { return Widen(AsciiUpper(root)); }

  Win32FormatLibrary systemLibrary_;
  fmifs_test::PlayFn play_ = nullptr;
  fmifs_test::LastCallFn lastCall_ = nullptr;
};

struct FormatArguments {
  uint8_t mediaKind;
  bool quickFormat;
  int32_t clusterSize;
  uint32_t mediaCode;   // what the library receives
  int32_t quickFlag;    // all bits set for true
  uint32_t clusterSent;
};

TEST_F(SystemFormatLibraryTest, FormatExReceivesItsArgumentsInTheirOrder) {
  const FormatArguments cases[] = {
      {0, true, 65536, fmifs::kMediaDisk, -1, 65536},
      {1, false, 32768, fmifs::kMediaFloppy, 0, 32768},
      {0, true, 3000, fmifs::kMediaDisk, -1, 0},
  };
  const uint8_t sameFileSystem = IndexOf(DriveFileSystem());
  ASSERT_NE(sameFileSystem, 255) << "the Wine drive reads as " << DriveFileSystem();
  for (const FormatArguments& c : cases) {
    SCOPED_TRACE(c.clusterSize);
    Play({Done(true)});
    EXPECT_TRUE(engine->FormatDisk(AsciiLower(root), c.mediaKind, sameFileSystem, "stick 1", c.quickFormat,
                                   c.clusterSize));
    const RecordedCall& call = Last();
    EXPECT_STREQ(call.entry, "FormatEx");
    EXPECT_EQ(call.root, WideRoot());
    EXPECT_EQ(call.mediaCode, c.mediaCode);
    EXPECT_EQ(call.fileSystem, Widen(DriveFileSystem()));
    EXPECT_EQ(std::wstring(call.label), L"STICK 1");
    EXPECT_EQ(call.flags[0], c.quickFlag);
    EXPECT_EQ(call.clusterSize, c.clusterSent);
  }
}

TEST_F(SystemFormatLibraryTest, ChkdskReceivesItsFourFlagsInTheirOrderAndTwoNullPointers) {
  const bool patterns[][4] = {{true, false, true, false}, {false, true, false, true}};
  for (const auto& p : patterns) {
    Play({Done(true)});
    EXPECT_TRUE(engine->CheckDisk(AsciiLower(root), p[0], p[1], p[2], p[3]));
    const RecordedCall& call = Last();
    EXPECT_STREQ(call.entry, "Chkdsk");
    EXPECT_EQ(call.root, WideRoot());
    EXPECT_EQ(call.fileSystem, Widen(DriveFileSystem()));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(call.flags[i], p[i] ? -1 : 0) << "flag " << i;
    EXPECT_EQ(call.unused[0], nullptr);
    EXPECT_EQ(call.unused[1], nullptr);
  }
}

TEST_F(SystemFormatLibraryTest, TheCallbackReadsEachCommandAndTheTextPointerAtOffsetEight) {
  Play({Percent(42), Code(0x300 | fmifs::kStructureCreated), Output("  Volume label is STICK.\r\n"),
        Code(fmifs::kSilent), Done(true)});
  ASSERT_TRUE(engine->FormatDisk(root, 0, IndexOf(DriveFileSystem()), "S", false, 65536));
  EXPECT_EQ(percents, std::vector<int>{42});
  EXPECT_TRUE(InOrder(infos, {"Format Disk: Structure Created OK", "Volume label is STICK.",
                              "Format Disk: Finished OK"}));
  EXPECT_EQ(Answers(), (std::vector<uint8_t>{1, 1, 1, 1, 1}));

  Play({Output("Errors found in the index.\r\n"), Done(false)});
  EXPECT_TRUE(engine->CheckDisk(root, false, true, true, false));
  EXPECT_TRUE(engine->FileSysProblem());
  EXPECT_EQ(engine->FirstErrorLine(), "Errors found in the index.");
}

TEST_F(SystemFormatLibraryTest, ACancelAnswersStopToTheLibrary) {
  cancelOnProgress = true;
  Play({Percent(10), Percent(20), Done(true)});
  EXPECT_FALSE(engine->FormatDisk(root, 0, IndexOf(DriveFileSystem()), "S", false, 65536));
  EXPECT_EQ(Answers(), std::vector<uint8_t>{0});
  EXPECT_EQ(percents, std::vector<int>{10});
}

}  // namespace
}  // namespace sw::testing
