#include "temp_tree.h"

#include "platform/text.h"
#include "testbed/sim_format_library.h"

namespace sw::testing {
namespace {

std::wstring Verbatim(const std::string& path) { return L"\\\\?\\" + Widen(path); }

}  // namespace

TempTree::TempTree() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  std::string base = Narrow(temp);
  if (base.empty() || base.back() != '\\') base += "\\";
  static int counter = 0;
  for (;;) {
    root_ = base + "sw_copy_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) + "\\";
    if (CreateDirectoryW(Widen(root_).c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create the test folder " + root_);
  }
}

TempTree::~TempTree() {
  const std::wstring folder = Verbatim(root_.substr(0, root_.size() - 1));
  testbed::EmptyFolder(Narrow(folder));
  RemoveDirectoryW(folder.c_str());
}

void TempTree::MakeFolder(const std::string& relative) const {
  std::string path = root_;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    path += relative.substr(start, end - start);
    CreateDirectoryW(Verbatim(path).c_str(), nullptr);
    path += "\\";
    start = end + 1;
  }
}

void TempTree::Write(const std::string& relative, const std::string& content) const {
  size_t slash = relative.rfind('\\');
  if (slash != std::string::npos) MakeFolder(relative.substr(0, slash));
  HANDLE file = CreateFileW(Verbatim(Path(relative)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << relative;
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

bool TempTree::WriteCaseTwin(const std::string& relative, const std::string& content) const {
  using HostPathOf = char*(__cdecl*)(const wchar_t*);
  auto hostPathOf = reinterpret_cast<HostPathOf>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (hostPathOf == nullptr) return false;
  char* hostRoot = hostPathOf(Widen(root_.substr(0, root_.size() - 1)).c_str());
  std::wstring path = L"\\\\?\\unix" + Widen(std::string(hostRoot != nullptr ? hostRoot : "") + "/" + relative);
  HeapFree(GetProcessHeap(), 0, hostRoot);
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << "cannot create " << Narrow(path);
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  return true;
}

bool Exists(const std::string& path) { return GetFileAttributesW(Verbatim(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadAll(const std::string& path) {
  HANDLE file = CreateFileW(Verbatim(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) content.append(buffer, got);
  CloseHandle(file);
  return content;
}

void SetWriteTime(const std::string& path, const FILETIME& time) {
  HANDLE file = CreateFileW(Verbatim(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
  CloseHandle(file);
}

FILETIME WriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(Verbatim(path).c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Verbatim(path).c_str()); }

FILETIME DayTime(int days) {
  SYSTEMTIME base{};
  base.wYear = 2020;
  base.wMonth = 1;
  base.wDay = 1;
  base.wHour = 12;
  FILETIME time{};
  SystemTimeToFileTime(&base, &time);
  ULARGE_INTEGER value{};
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  value.QuadPart += static_cast<ULONGLONG>(days) * 24ULL * 3600ULL * 10000000ULL;
  return FILETIME{value.LowPart, value.HighPart};
}

}  // namespace sw::testing
