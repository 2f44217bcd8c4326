#include <gtest/gtest.h>

#include <thread>

#include "app/restore_check.h"
#include "copy/copy_paths.h"
#include "copy/verified_copy.h"
#include "temp_tree.h"

namespace sw::testing {
namespace {

struct VerifiedCopyTest : ::testing::Test {
  VerifiedCopyTest() {  // a.bin: two pieces and a bit, with bytes that differ from piece to piece
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7 + 3) ^ (i >> 16));
    tree.Write("a.bin", data);
    copier.readFault = [this](const std::wstring& path, unsigned char* piece, size_t size) {
      if (path == Wide("b.bin") && size == 12345) piece[size / 2] ^= 0x40;  // b.bin's medium lost one bit
    };
  }
  std::wstring Wide(const std::string& relative) const { return LongPath(tree.Path(relative)); }
  TempTree tree;
  TStreamingCopier copier;
  std::string data = std::string((2 << 20) + 12345, '\0');
};

TEST_F(VerifiedCopyTest, AReadBackThatDiffersIsACopyErrorAndLeavesNoFile) {
  EXPECT_EQ(copier.Copy(Wide("a.bin"), Wide("b.bin"), true, nullptr, true).failure, TCopyFailure::Differs);
  EXPECT_FALSE(Exists(tree.Path("b.bin")));
}

TEST_F(VerifiedCopyTest, ACopyWhoseSourcePipeBreaksOffHalfWayIsRemoved) {
  const std::wstring name = L"\\\\.\\pipe\\sw_copy_half_" + std::to_wstring(GetCurrentProcessId());
  HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, 0, 1, 1 << 16, 1 << 16, 0, nullptr);
  std::jthread writer([&] {  // two pieces and a bit through a 64 KiB pipe, read to the end, then gone
    DWORD written = ConnectNamedPipe(pipe, nullptr);
    WriteFile(pipe, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    FlushFileBuffers(pipe);
    CloseHandle(pipe);
  });
  const WIN32_FIND_DATAW listed{};  // a pipe has no times of its own
  EXPECT_EQ(copier.Copy(name, Wide("c.bin"), false, &listed).error, static_cast<DWORD>(ERROR_BROKEN_PIPE));
  EXPECT_FALSE(Exists(tree.Path("c.bin")));
}

TEST_F(VerifiedCopyTest, TheCheckFromDiskNamesACorruptedPieceAndAMissingFile) {
  const TFileCopyResult made = copier.Copy(Wide("a.bin"), Wide("b.bin"), false);
  const TCopiedFile a{"a.bin", made.size, made.hash}, b{"b.bin", a.size, a.hash}, gone{"gone.bin", a.size, a.hash};
  const TRestoreCheck check = CheckCopiedFiles({a, b, gone}, tree.Root(), &copier);
  EXPECT_EQ(check.differing, std::vector<std::string>{tree.Path("b.bin")});
  EXPECT_EQ(check.missing, std::vector<std::string>{tree.Path("gone.bin")});
}

}  // namespace
}  // namespace sw::testing
