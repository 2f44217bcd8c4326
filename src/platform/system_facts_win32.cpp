#include "platform/system_facts_win32.h"

#include <windows.h>

#include <memory>

#include "platform/exceptions.h"
#include "platform/handles.h"

namespace sw {

bool Win32SystemFacts::IsNtPlatform() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return true;
#pragma GCC diagnostic pop
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool Win32SystemFacts::IsAdministrator() {
  if (!IsNtPlatform()) return true;

  // The thread's own token (as the process itself), else the process token.
  UniqueHandle token;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Put())) {
    token.Reset();
    if (GetLastError() != ERROR_NO_TOKEN) return false;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
      token.Reset();
      return false;
    }
  }

  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  UniqueSid administrators;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                0, 0, 0, 0, administrators.Put())) {
    administrators.Reset();
    RaiseLastOSError();
  }

  DWORD size = 0;
  if (GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &size) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    RaiseLastOSError();
  auto buffer = std::make_unique<unsigned char[]>(size);
  if (!GetTokenInformation(token.Get(), TokenGroups, buffer.get(), size, &size)) RaiseLastOSError();

  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.get());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    const SID_AND_ATTRIBUTES& group = groups->Groups[i];
    if (EqualSid(group.Sid, administrators.Get()) && (group.Attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0)
      return true;
  }
  return false;
}

void Win32SystemFacts::EndProcess(unsigned exitCode) { ExitProcess(exitCode); }

bool Win32SystemFacts::SetProcessPriorityClass(uint32_t priorityClass, uint32_t& error) {
  if (SetPriorityClass(GetCurrentProcess(), priorityClass)) return true;
  error = GetLastError();
  return false;
}

}  // namespace sw
