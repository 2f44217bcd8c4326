// Run first by the suites that map drives (sw_start_wine_services_first):
// the mount manager answers, which starts Wine's device services for the
// rest of the run.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/handles.h"

namespace sw::testing {
namespace {

TEST(WineServicesTest, MountManagerAnswers) {
  UniqueHandle manager(CreateFileW(L"\\\\.\\MountPointManager", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(manager.Valid());
  EXPECT_EQ(GetDriveTypeW(L"C:\\"), static_cast<UINT>(DRIVE_FIXED));
}

}  // namespace
}  // namespace sw::testing
