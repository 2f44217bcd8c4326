// An earlier backup in the chosen folder, met by a whole testbed run: a
// restored one with a link inside keeps the files the link leads to, and
// one whose restore a kill broke off counts the file it left truncated on
// the stick as not there.
#include <gtest/gtest.h>

#include "app/backup_marker.h"
#include "copy/content_hash.h"
#include "fakes/host_links.h"
#include "platform/text.h"
#include "testbed_session.h"

namespace sw::e2e {
namespace {

void WriteText(const std::string& path, const std::string& content) {
  UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

TCopiedFile Listed(const std::string& path, const std::string& content) {
  return {path, static_cast<std::int64_t>(content.size()), ContentHashOf(content.data(), content.size())};
}

// The text after `prefix` on the log line that begins with it, up to `end`.
std::string After(const std::string& log, const std::string& prefix, const std::string& end) {
  const size_t start = log.find(prefix);
  if (start == std::string::npos) return {};
  const size_t from = start + prefix.size();
  return log.substr(from, log.find(end, from) - from);
}

TEST(EarlierBackupTest, ALinkInARestoredBackupIsNeverFollowedAndWhatItLeadsToStays) {
  TestbedSession session;
  ASSERT_EQ(session.Problem(), "");
  const std::string backup = session.BackupFolder(), elsewhere = session.Folder() + "\\elsewhere";
  const std::string moved = "a folder the user moved away\n";
  CreateDirectoryW(Widen(elsewhere).c_str(), nullptr);
  WriteText(elsewhere + "\\moved.txt", moved);
  CreateDirectoryW(Widen(backup).c_str(), nullptr);
  CreateDirectoryW(Widen(backup + "\\docs").c_str(), nullptr);
  if (!testing::MakeFolderLink(backup + "\\docs\\moved", elsewhere)) GTEST_SKIP() << "folder links cannot be made here";
  // The note lists the file behind the link as the backup wrote it.
  ASSERT_TRUE(WriteBackupMarker(backup, {session.Root(), "2026-12-01 10:00:00", 1, 0, true,
                                         {Listed("docs\\moved\\moved.txt", moved)}}));

  ASSERT_EQ(session.StartWithBackup(), "");
  ASSERT_TRUE(session.WaitForLog("Operations completed.")) << session.Log();
  const std::string log = session.Log();
  EXPECT_NE(log.find("The earlier backup in " + backup + " holds a link, which is not followed: " + backup +
                     "\\docs\\moved"),
            std::string::npos)
      << log;
  const std::string kept = After(log, "Nothing of the earlier backup in " + backup + " was deleted; it is kept whole in ", " (");
  EXPECT_FALSE(kept.empty()) << log;
  EXPECT_EQ(session.StickFiles(), SampleFiles());
  HANDLE file = CreateFileW(Widen(elsewhere + "\\moved.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << "the file the link leads to stays";
  CloseHandle(file);
  if (!kept.empty()) {
    EXPECT_TRUE(testing::RemoveTreeOnHost(kept));
  }
}

TEST(EarlierBackupTest, AFileAKilledRestoreLeftTruncatedCountsAsNotOnTheStick) {
  TestbedSession session;
  ASSERT_EQ(session.Problem(), "");
  // The earlier run was killed while it copied Readme.txt back: its backup
  // says "not restored", and the stick holds the file at 0 bytes.
  const std::string backup = session.BackupFolder(), readme = SampleFiles().at("Readme.txt");
  CreateDirectoryW(Widen(backup).c_str(), nullptr);
  WriteText(backup + "\\Readme.txt", readme);
  ASSERT_TRUE(WriteBackupMarker(backup, {session.Root(), "2026-12-01 10:00:00", 1,
                                         static_cast<std::int64_t>(readme.size()), false, {Listed("Readme.txt", readme)}}));
  WriteText(session.StickFolder() + "\\Readme.txt", "");

  ASSERT_EQ(session.StartWithBackup(), "");
  ASSERT_TRUE(session.WaitForLog("Operations completed.")) << session.Log();
  const std::string log = session.Log();
  const std::string kept = After(log, "An earlier backup that was not copied back is kept in ", " (1 file).");
  ASSERT_FALSE(kept.empty()) << log;
  EXPECT_NE(log.find("An earlier backup of drive " + std::string(1, session.Letter()) +
                     ": that was not copied back is kept in " + kept + "; 1 of its files is not on the drive."),
            std::string::npos)
      << log;
  EXPECT_TRUE(testing::RemoveTreeOnHost(kept));
}

}  // namespace
}  // namespace sw::e2e
