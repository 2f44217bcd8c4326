// RunAndCapture for real: a small child beside the test writes chosen output.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "devices/companion_tool.h"
#include "platform/text.h"

namespace sw {
namespace {

std::string TestFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return Narrow(folder.substr(0, folder.find_last_of(L'\\')));
}

std::string Child() {
  std::string commandLine = "\"";
  commandLine += TestFolder();
  commandLine += "\\devices_child.exe\"";
  return commandLine;
}

// A temporary folder whose name has blanks, removed with its contents.
class BlankFolder {
 public:
  BlankFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::filesystem::path(temp) / ("stick wise test " + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(path_);
  }
  ~BlankFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string Path() const { return Narrow(path_.wstring()); }

 private:
  std::filesystem::path path_;
};

TEST(RunAndCapture, ReadsMoreThanOneChunk) {
  const std::string output = RunAndCapture(Child() + " out 1000");
  ASSERT_EQ(output.size(), 1000u);
  EXPECT_EQ(output.substr(250, 10), "0123456789");
}

TEST(RunAndCapture, StandardErrorGoesIntoTheSameText) {
  EXPECT_EQ(RunAndCapture(Child() + " out 3 err oops"), "012oops");
}

TEST(RunAndCapture, AChunkEndsAtANulByte) { EXPECT_EQ(RunAndCapture(Child() + " nul"), "before"); }

TEST(RunAndCapture, AMissingProgramGivesEmptyText) {
  std::string commandLine = "\"";
  commandLine += TestFolder();
  commandLine += "\\no such tool.exe\" -l";
  EXPECT_EQ(RunAndCapture(commandLine), "");
}

TEST(RunAndCapture, AQuotedPathWithBlanksRunsThatProgram) {
  BlankFolder folder;
  const std::string copy = folder.Path() + "\\" + kCompanionToolName;
  ASSERT_TRUE(CopyFileW(Widen(TestFolder() + "\\devices_child.exe").c_str(), Widen(copy).c_str(), FALSE));
  // The companion command line passes "-l", which the child ignores; append
  // its own arguments to see that this very program ran.
  EXPECT_EQ(RunAndCapture(CompanionToolCommandLine(folder.Path()) + " out 5"), "01234");
}

}  // namespace
}  // namespace sw
