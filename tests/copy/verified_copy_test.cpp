// The one-file copy of the backup and restore and the check that reads a
// copy back from its disk: the hash is xxHash's XXH3-64, a read-back or a
// check that reads different says so, a copy that fails leaves nothing
// behind, and the check names what differs and what is missing.
#include <gtest/gtest.h>

#include <thread>

#include "app/restore_check.h"
#include "copy/content_hash.h"
#include "copy/copy_paths.h"
#include "copy/verified_copy.h"
#include "platform/handles.h"
#include "temp_tree.h"

namespace sw::testing {
namespace {

// Bytes that differ from piece to piece, so a piece out of place shows.
std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7 + 3) ^ (i >> 16));
  return data;
}

std::uint64_t HashOf(const std::string& data) { return ContentHashOf(data.data(), data.size()); }

// The values come from xxHash itself (XXH3_64bits, seed 0, libxxhash-dev 0.8.1) on the host.
TEST(ContentHashTest, KnownInputsGiveXxh3Values) {
  EXPECT_EQ(ContentHashOf("", 0), 0x2D06800538D394C2ull);
  EXPECT_EQ(ContentHashOf("a", 1), 0xE6C632B61E964E1Full);
  EXPECT_EQ(HashOf("The quick brown fox jumps over the lazy dog"), 0xCE7D19A5418FB365ull);
  // Streamed in the copy's 1 MiB pieces, and through a copy of the state.
  const std::string large(3 << 20, 'x');
  TContentHash stream;
  stream.Update(large.data(), 1 << 20);
  TContentHash copy = stream;
  for (TContentHash* hash : {&stream, &copy}) hash->Update(large.data() + (1 << 20), 2 << 20);
  EXPECT_EQ(stream.Value(), 0x56227A6F1CA2F7D9ull);
  EXPECT_EQ(copy.Value(), 0x56227A6F1CA2F7D9ull);
}

class VerifiedCopyTest : public ::testing::Test {
 protected:
  std::wstring Wide(const std::string& relative) const { return LongPath(tree.Path(relative)); }

  TempTree tree;
  TStreamingCopier copier;
};

TEST_F(VerifiedCopyTest, AReadBackThatDiffersIsACopyErrorAndLeavesNoFile) {
  const std::string data = Pattern((2 << 20) + 10);
  tree.Write("a.bin", data);
  std::vector<size_t> pieces;
  copier.readFault = [&](const std::wstring& path, unsigned char* piece, size_t size) {
    EXPECT_EQ(path, Wide("b.bin")) << "only the reads that check are seen";
    pieces.push_back(size);
    if (pieces.size() == 2) piece[size / 2] ^= 0x40;  // the medium lost one bit of the second piece
  };
  // Flushed and not read back: the reads of the source are no check.
  TFileCopyResult result = copier.Copy(Wide("a.bin"), Wide("b.bin"), false, nullptr, true);
  EXPECT_EQ(result.failure, TCopyFailure::None);
  EXPECT_EQ(result.hash, HashOf(data));
  EXPECT_EQ(ReadAll(tree.Path("b.bin")), data);
  EXPECT_TRUE(pieces.empty());

  result = copier.Copy(Wide("a.bin"), Wide("b.bin"), true, nullptr, true);
  EXPECT_EQ(result.failure, TCopyFailure::Differs);
  EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_CRC));
  EXPECT_EQ(pieces, (std::vector<size_t>{1u << 20, 1u << 20, 10u}));
  EXPECT_FALSE(Exists(tree.Path("b.bin")));
}

// A source that breaks off after part of its content was written (a pipe
// whose writer goes away): what was written is removed again.
TEST_F(VerifiedCopyTest, ACopyThatFailsHalfWayIsRemoved) {
  const std::wstring pipeName = L"\\\\.\\pipe\\sw_copy_half_" + std::to_wstring(GetCurrentProcessId());
  UniqueHandle pipe(CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                     1 << 16, 1 << 16, 0, nullptr));
  ASSERT_TRUE(pipe);
  const std::string sent = Pattern(300000), destination = tree.Path("partial.bin");
  std::int64_t sizeSeen = -1;
  std::thread writer([&] {
    ConnectNamedPipe(pipe.Get(), nullptr);
    DWORD written = 0;
    WriteFile(pipe.Get(), sent.data(), static_cast<DWORD>(sent.size()), &written, nullptr);
    FlushFileBuffers(pipe.Get());  // until the copy has read it all
    for (int wait = 0; wait < 500 && sizeSeen != static_cast<std::int64_t>(sent.size()); ++wait, Sleep(10)) {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      if (GetFileAttributesExW(LongPath(destination).c_str(), GetFileExInfoStandard, &data))
        sizeSeen = data.nFileSizeLow;
    }
    pipe.Reset();
  });
  const WIN32_FIND_DATAW listed{};
  const TFileCopyResult result = copier.Copy(pipeName, LongPath(destination), false, &listed);
  writer.join();
  EXPECT_EQ(sizeSeen, static_cast<std::int64_t>(sent.size())) << "the copy had written what it read";
  EXPECT_EQ(result.failure, TCopyFailure::Source);
  EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_BROKEN_PIPE));
  EXPECT_FALSE(Exists(destination));
}

TEST_F(VerifiedCopyTest, TheDigestFromDiskReadsWholePiecesAndSeesACorruptedOne) {
  const std::string data = Pattern((2 << 20) + 12345);
  tree.Write("a.bin", data);
  std::vector<size_t> pieces;
  copier.readFault = [&](const std::wstring&, unsigned char*, size_t size) { pieces.push_back(size); };
  DWORD error = 0;
  std::optional<TFileDigest> digest = copier.DigestFromDisk(Wide("a.bin"), error);
  ASSERT_TRUE(digest) << error;
  EXPECT_EQ(digest->size, static_cast<std::int64_t>(data.size()));
  EXPECT_EQ(digest->hash, HashOf(data));
  EXPECT_EQ(pieces, (std::vector<size_t>{1u << 20, 1u << 20, 12345u}));

  copier.readFault = [](const std::wstring&, unsigned char* piece, size_t) { piece[0] ^= 1; };
  digest = copier.DigestFromDisk(Wide("a.bin"), error);
  ASSERT_TRUE(digest) << error;
  EXPECT_NE(digest->hash, HashOf(data));
  EXPECT_EQ(copier.Digest(Wide("a.bin"), error)->hash, digest->hash);
  EXPECT_FALSE(copier.DigestFromDisk(Wide("none.bin"), error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(VerifiedCopyTest, TheCheckNamesWhatDiffersAndWhatIsMissing) {
  tree.Write("copy\\a.txt", "alpha");
  tree.Write("copy\\sub\\b.txt", "bravo");
  const std::vector<TCopiedFile> expected = {{"a.txt", 5, ContentHashOf("alpha", 5)},
                                             {"sub\\b.txt", 5, ContentHashOf("bravo", 5)},
                                             {"gone.txt", 4, ContentHashOf("gone", 4)}};
  TRestoreCheck check = CheckCopiedFiles({expected[0], expected[1]}, tree.Path("copy"));
  EXPECT_TRUE(check.AllIdentical());
  EXPECT_EQ(check.bytes, 10);

  // One read of sub\b.txt comes back changed, as from a medium that lost it.
  copier.readFault = [](const std::wstring& path, unsigned char* piece, size_t) {
    if (path.ends_with(L"\\b.txt")) piece[0] = 'B';
  };
  check = CheckCopiedFiles(expected, tree.Path("copy\\"), &copier);
  EXPECT_EQ(check.files, 3);
  EXPECT_EQ(check.differing, std::vector<std::string>{tree.Path("copy\\sub\\b.txt")});
  EXPECT_EQ(check.missing, std::vector<std::string>{tree.Path("copy\\gone.txt")});
}

}  // namespace
}  // namespace sw::testing
