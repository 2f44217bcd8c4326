#include "fakes/host_links.h"

#include <windows.h>

#include <vector>

#include "platform/text.h"

namespace sw::testing {
namespace {

// The host's path of a Windows path; empty outside Wine.
std::string HostPath(const std::string& path) {
  using HostPathOf = char*(__cdecl*)(const wchar_t*);
  auto hostPathOf = reinterpret_cast<HostPathOf>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (hostPathOf == nullptr) return {};
  char* host = hostPathOf(Widen(path).c_str());
  std::string result = host != nullptr ? host : "";
  HeapFree(GetProcessHeap(), 0, host);
  return result;
}

// Runs one of the host's programs (Wine starts a host program named by its
// Windows path like any other) and waits for it.
bool RunHostProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::wstring command = L"\"" + Widen(program) + L"\"";
  for (const std::string& argument : arguments) command += L" \"" + Widen(argument) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Waits until `done` holds, for up to five seconds: the host program may
// still be finishing when Wine reports it ended.
template <typename Condition>
bool WaitUntil(Condition done) {
  for (int i = 0; i < 100; ++i) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

}  // namespace

bool MakeFolderLink(const std::string& link, const std::string& target) {
  const std::string hostTarget = HostPath(target);
  const size_t slash = link.find_last_of('\\');
  const std::string hostParent = slash == std::string::npos ? std::string() : HostPath(link.substr(0, slash));
  if (hostTarget.empty() || hostParent.empty()) return false;
  if (!RunHostProgram("Z:\\bin\\ln", {"-s", hostTarget, hostParent + "/" + link.substr(slash + 1)})) return false;
  const std::wstring path = Widen(link);
  return WaitUntil([&] {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  });
}

bool RemoveTreeOnHost(const std::string& path) {
  const std::wstring wide = Widen(path);
  if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  const std::string host = HostPath(path);
  if (host.empty() || host == "/" || !RunHostProgram("Z:\\bin\\rm", {"-rf", host})) return false;
  return WaitUntil([&] { return GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

}  // namespace sw::testing
