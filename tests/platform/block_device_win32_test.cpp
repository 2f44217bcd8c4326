// The whole-disk device over a file opened as a device, and the refusals of
// the disks the real-capacity check may open.
#include <gtest/gtest.h>

#include <vector>

#include "platform/block_device_win32.h"
#include "platform/raw_disks_win32.h"
#include "platform/text.h"

namespace sw::testing {
namespace {

TEST(Win32BlockDeviceTest, AFileOpenedAsADeviceTakesWholeSectorsWithinItsSize) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"sw-block-device-" + std::to_wstring(GetCurrentProcessId());
  {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    const std::vector<char> zeros(1 << 20, 0);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), zeros.data(), static_cast<DWORD>(zeros.size()), &written, nullptr));
  }
  DWORD openError = 0;
  std::unique_ptr<Win32BlockDevice> device = Win32BlockDevice::Open(path, openError);
  ASSERT_NE(device, nullptr) << openError;
  EXPECT_EQ(device->Size(), 1u << 20);
  EXPECT_EQ(device->SectorSize(), 512u);

  std::vector<unsigned char> block(4096), back(4096);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 7);
  std::uint32_t error = 0;
  // The caller's buffer need not be aligned: one byte in.
  std::vector<unsigned char> unaligned(block.size() + 1);
  std::copy(block.begin(), block.end(), unaligned.begin() + 1);
  EXPECT_TRUE(device->Write(8192, unaligned.data() + 1, 4096, error)) << error;
  EXPECT_TRUE(device->Read(8192, back.data(), 4096, error)) << error;
  EXPECT_EQ(back, block);

  const std::pair<std::uint64_t, std::uint32_t> refused[] = {
      {100, 512}, {512, 100}, {(1u << 20) - 512, 1024}, {1u << 20, 512}, {0, 0}};
  for (const auto& [offset, size] : refused) {
    error = 0;
    EXPECT_FALSE(device->Read(offset, back.data(), size, error)) << offset << "+" << size;
    EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_INVALID_PARAMETER)) << offset << "+" << size;
  }
  device.reset();
  DeleteFileW(path.c_str());

  EXPECT_EQ(Win32BlockDevice::Open(path, openError), nullptr);
  EXPECT_EQ(openError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Win32RawDisksTest, OnlyARemovableUsbDiskIsOpened) {
  Win32RawDisks disks;
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  // The system's own drive, and a letter with no drive at all.
  for (char letter : {static_cast<char>(system[0]), '0'}) {
    std::string why;
    EXPECT_EQ(disks.OpenDiskOf(letter, why), nullptr) << letter;
    EXPECT_EQ(why, "it is not a removable USB disk") << letter;
  }
}

}  // namespace
}  // namespace sw::testing
