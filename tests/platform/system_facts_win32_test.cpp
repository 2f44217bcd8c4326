// The real administrator check walks the group list of the thread's token
// when the thread impersonates, else of the process token; an Administrators
// group that only denies access does not count.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/handles.h"
#include "platform/system_facts_win32.h"

namespace sw::testing {
namespace {

// The calling thread impersonates a copy of the process token, with the
// Administrators group made deny-only when asked; reverted on destruction.
class Impersonation {
 public:
  explicit Impersonation(bool administratorsDenyOnly) {
    UniqueHandle process;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, process.Put())) return;
    UniqueHandle primary;
    if (administratorsDenyOnly) {
      SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
      UniqueSid administrators;
      if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                    0, 0, administrators.Put()))
        return;
      SID_AND_ATTRIBUTES disabled{administrators.Get(), 0};
      if (!CreateRestrictedToken(process.Get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, primary.Put())) return;
    } else {
      primary = std::move(process);
    }
    UniqueHandle thread;
    if (!DuplicateTokenEx(primary.Get(), TOKEN_IMPERSONATE | TOKEN_QUERY, nullptr, SecurityImpersonation,
                          TokenImpersonation, thread.Put()))
      return;
    active_ = SetThreadToken(nullptr, thread.Get()) != FALSE;
  }
  ~Impersonation() {
    if (active_) RevertToSelf();
  }
  Impersonation(const Impersonation&) = delete;
  Impersonation& operator=(const Impersonation&) = delete;

  bool Active() const { return active_; }

 private:
  bool active_ = false;
};

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

TEST(Win32SystemFactsTest, TheProcessTokenThatWineGivesHoldsAdministrators) {
  if (!UnderWine()) GTEST_SKIP() << "the rights of this process depend on how it was started";
  Win32SystemFacts facts;
  EXPECT_TRUE(facts.IsNtPlatform());
  EXPECT_TRUE(facts.IsAdministrator());
}

TEST(Win32SystemFactsTest, TheThreadsOwnTokenDecides) {
  const bool processAnswer = Win32SystemFacts().IsAdministrator();
  const struct {
    bool denyOnly;
    bool administrator;
  } cases[] = {{false, processAnswer}, {true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.denyOnly ? "Administrators deny-only" : "a full copy");
    Impersonation impersonation(c.denyOnly);
    ASSERT_TRUE(impersonation.Active()) << "error " << GetLastError();
    Win32SystemFacts facts;
    EXPECT_EQ(facts.IsAdministrator(), c.administrator);
  }
  EXPECT_EQ(Win32SystemFacts().IsAdministrator(), processAnswer);  // back on the process token
}

}  // namespace
}  // namespace sw::testing
