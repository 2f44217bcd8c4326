// The real device-I/O wrapper against \\.\PhysicalDrive0, which Wine answers
// as a fixed disk: what a request returns, how many bytes, and the error
// codes of a failed open and of failed requests.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <vector>

#include "platform/device_io_win32.h"

namespace sw::testing {
namespace {

constexpr char kFirstDrive[] = "\\\\.\\PhysicalDrive0";
constexpr uint32_t kStale = 0xDEADBEEF;  // what a caller's count held before

class Win32DeviceIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive = io.Open(kFirstDrive, {0, FILE_SHARE_READ | FILE_SHARE_WRITE});
    ASSERT_NE(drive, nullptr) << "error " << io.LastError();
  }

  Win32DeviceIo io;
  std::unique_ptr<IDevice> drive;
};

TEST_F(Win32DeviceIoTest, TheGeometryArrivesWithTheBytesTheDriveFilled) {
  DISK_GEOMETRY_EX geometry{};
  uint32_t returned = kStale;
  ASSERT_TRUE(drive->IoControl(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &geometry, sizeof(geometry), returned))
      << io.LastError();
  EXPECT_GE(returned, offsetof(DISK_GEOMETRY_EX, Data));
  EXPECT_LE(returned, sizeof(geometry));
  EXPECT_EQ(geometry.Geometry.MediaType, FixedMedia);
  EXPECT_GT(geometry.DiskSize.QuadPart, 0);
}

TEST_F(Win32DeviceIoTest, TheStorageDescriptorArrivesWithTheBytesTheDriveFilled) {
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  std::vector<unsigned char> buffer(1024, 0xCC);
  uint32_t returned = kStale;
  ASSERT_TRUE(drive->IoControl(IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), buffer.data(),
                               static_cast<uint32_t>(buffer.size()), returned))
      << io.LastError();
  const auto* descriptor = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer.data());
  EXPECT_GE(returned, offsetof(STORAGE_DEVICE_DESCRIPTOR, RawDeviceProperties));
  EXPECT_LE(returned, buffer.size());
  EXPECT_EQ(descriptor->RemovableMedia, FALSE);
}

struct FailedRequest {
  const char* what;
  uint32_t code;
  uint32_t outputSize;
  uint32_t error;
};

TEST_F(Win32DeviceIoTest, AFailedRequestReturnsNoBytesAndTheSystemsErrorCode) {
  const FailedRequest cases[] = {
      {"a request that needs read access, on a handle for queries only", SMART_GET_VERSION, 24,
       ERROR_ACCESS_DENIED},
      {"a request the drive does not know", CTL_CODE(FILE_DEVICE_DISK, 0x7FF, METHOD_BUFFERED, FILE_ANY_ACCESS), 24,
       ERROR_NOT_SUPPORTED},
  };
  for (const FailedRequest& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<unsigned char> output(c.outputSize);
    uint32_t returned = kStale;
    EXPECT_FALSE(drive->IoControl(c.code, nullptr, 0, output.data(), c.outputSize, returned));
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(io.LastError(), c.error);
  }
}

TEST(Win32DeviceIoOpenTest, ADriveThatDoesNotExistGivesNoDeviceAndFileNotFound) {
  Win32DeviceIo io;
  // Far above any number in use: under Wine every drive the end-to-end
  // tests map leaves a disk behind for as long as the prefix's server runs.
  EXPECT_EQ(io.Open("\\\\.\\PhysicalDrive99", {0, FILE_SHARE_READ | FILE_SHARE_WRITE}), nullptr);
  EXPECT_EQ(io.LastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace sw::testing
