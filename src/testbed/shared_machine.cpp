#include "testbed/shared_machine.h"

#include <windows.h>

#include <string>

#include "platform/text.h"

namespace sw::testbed {

namespace {

constexpr wchar_t kStartupTurnName[] = L"Local\\stickwise-testbed start-up";

// The name under which copies claim `letter` (one name for Q and q).
std::wstring DriveClaimName(char letter) {
  return Widen("Local\\stickwise-testbed drive " + AsciiUpper(std::string(1, letter)));
}

}  // namespace

StartupTurn::StartupTurn(unsigned timeoutMs) : mutex_(CreateMutexW(nullptr, FALSE, kStartupTurnName)) {
  if (!mutex_) return;
  // An abandoned turn (a copy that died in its start-up) is a turn too.
  const DWORD waited = WaitForSingleObject(mutex_.Get(), timeoutMs);
  held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

void StartupTurn::End() {
  if (held_) ReleaseMutex(mutex_.Get());
  held_ = false;
}

DriveClaim::DriveClaim(char letter) {
  const std::wstring name = DriveClaimName(letter);
  UniqueHandle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
  // Only the copy that created the name owns the letter; a later copy lets
  // go of the name at once, so the claim ends with the owner.
  if (mutex && GetLastError() != ERROR_ALREADY_EXISTS) mutex_ = std::move(mutex);
}

}  // namespace sw::testbed
