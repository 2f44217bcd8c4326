// Run first (see CMakeLists.txt): the mount manager answers, which starts
// Wine's device services for the rest of the run.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/handles.h"

namespace sw::testing {
namespace {

TEST(StartWineServicesTest, MountManagerAnswers) {
  UniqueHandle manager(CreateFileW(L"\\\\.\\MountPointManager", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(manager.Valid());
}

}  // namespace
}  // namespace sw::testing
