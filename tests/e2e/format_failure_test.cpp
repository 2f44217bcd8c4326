// The simulated format service failing: once at the 64 KiB allocation unit
// (the program retries with 32 KiB), and at every attempt.
#include <gtest/gtest.h>

#include "testbed_session.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

TEST(FormatFailureTest, AFailedFirstFormatIsRetriedWithHalfTheAllocationUnit) {
  TestbedSession session("fail-cluster = 65536\n");
  ASSERT_EQ(session.Problem(), "");
  ASSERT_EQ(session.StartWithoutBackup(), "");
  ASSERT_TRUE(session.WaitForLog("Operations completed.")) << session.Log();

  EXPECT_TRUE(InOrder(session.Log(), {"The allocation unit size 65536 is not supported by this drive.",
                                      "Format Disk: Cluster Size Too Small", "Format Disk: Unable to Finish",
                                      "Format disk program initializing...",
                                      "The new file system is NTFS, allocation unit size: 32768 bytes.",
                                      "Format Disk: Finished OK", "Disk drive is formatted."}))
      << session.Log();
  // No backup was made: the format erased the files for good.
  EXPECT_TRUE(session.StickFiles().empty());
}

TEST(FormatFailureTest, AFormatThatAlwaysFailsEndsWithTheErrorAndErasesNothing) {
  TestbedSession session("format = fail\n");
  ASSERT_EQ(session.Problem(), "");
  ASSERT_EQ(session.StartWithoutBackup(), "");
  ASSERT_TRUE(session.WaitForLog("Format disk operation encountered an error.")) << session.Log();
  ASSERT_TRUE(session.WaitForRunEnd()) << session.Log();

  EXPECT_TRUE(InOrder(session.Log(), {"The format did not complete successfully.", "Format disk program initializing...",
                                      "The format did not complete successfully.",
                                      "Format disk operation encountered an error."}))
      << session.Log();
  EXPECT_EQ(session.Log().find("Disk drive is formatted."), std::string::npos);
  EXPECT_EQ(session.Log().find("Operations completed."), std::string::npos);
  EXPECT_EQ(session.StickFiles(), SampleFiles());
}

}  // namespace
}  // namespace sw::e2e
