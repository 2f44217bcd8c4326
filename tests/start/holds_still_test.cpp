// The stick holds still from the listing to the erase, or the run knows: a
// file saved, changed or removed while the backup ran is backed up too (or
// kept), a stick that keeps changing is not formatted, and a link on the
// stick is named and asked about before anything is copied.
#include "start_fixture.h"

#include <algorithm>

#include <functional>

#include "fakes/host_links.h"
#include "platform/text.h"

namespace sw::testing {
namespace {

constexpr char kBackupChecked[] = "Backup checked: ";

class HoldsStillTest : public StartTest {
 protected:
  void Prepare() {
    PrepareWindow(0, false);
    PutStickFiles();
    dialogs.shown.clear();
    Answer({true, true});
    dialogs.folderAnswers = {BackupFolder()};
  }
  // Runs `action` at each stage that begins once the backup was checked
  // before the erase (each stage shows its figures with the locale's
  // separator): the drive changes while it is listed again.
  void AfterTheBackupCheck(std::function<void()> action, int times) {
    locale.onThousands = [this, action, times, done = 0]() mutable {
      if (done == times) return;
      for (const std::string& line : form->Log->Lines())
        if (line.starts_with(kBackupChecked)) {
          ++done;
          action();
          return;
        }
    };
  }
  std::vector<std::string> StickFiles() const { return FilesBelow(Root()); }
  std::string Upper(const std::string& text) const { return AsciiUpper(text); }
};

TEST_F(HoldsStillTest, WhatChangesOnTheStickBeforeTheEraseIsBackedUpAndComesBack) {
  struct Case {
    const char* name;
    std::function<void(const std::string& root)> change;
    std::vector<std::string> files;             // on the stick after the run
    std::vector<std::pair<std::string, std::string>> contents;
    std::string logLine;                        // relative to the drive root
  } cases[] = {
      {"a file saved into a folder the backup had passed",
       [](const std::string& root) { PutFile(root + "docs\\new.txt", "saved late"); },
       {"a.txt", "docs\\b.txt", "docs\\new.txt"}, {{"docs\\new.txt", "saved late"}},
       "Changed on the drive since its backup, backed up again: *docs\\new.txt"},
      {"a file changed after its copy",
       [](const std::string& root) { PutFile(root + "docs\\b.txt", "abc and more"); },
       {"a.txt", "docs\\b.txt"}, {{"docs\\b.txt", "abc and more"}},
       "Changed on the drive since its backup, backed up again: *docs\\b.txt"},
      // Same size, same write time: only the content tells, and the write
      // came within the doubt of the copy.
      {"a same-size change that keeps the write time",
       [](const std::string& root) {
         WIN32_FILE_ATTRIBUTE_DATA before{};
         GetFileAttributesExW(Widen(root + "a.txt").c_str(), GetFileExInfoStandard, &before);
         PutFile(root + "a.txt", "HELLO");
         HANDLE file = CreateFileW(Widen(root + "a.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                   0, nullptr);
         SetFileTime(file, nullptr, nullptr, &before.ftLastWriteTime);
         CloseHandle(file);
       },
       {"a.txt", "docs\\b.txt"}, {{"a.txt", "HELLO"}},
       "Changed on the drive since its backup, backed up again: *a.txt"},
      {"a file removed: the backup keeps it",
       [](const std::string& root) { DeleteFileW(Widen(root + "docs\\b.txt").c_str()); },
       {"a.txt", "docs\\b.txt"}, {{"docs\\b.txt", "abc"}},
       "*docs\\b.txt was removed from the drive during the backup; the backup keeps it and copies it back."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Prepare();
    AfterTheBackupCheck([this, &c] { c.change(Root()); }, 1);
    PressStart();
    EXPECT_TRUE(RunLogHas(kSuccess));
    bool logged = false;
    const std::string prefix = c.logLine.substr(0, c.logLine.find('*'));
    const std::string suffix = c.logLine.substr(c.logLine.find('*') + 1);
    for (const std::string& line : RunLog()) logged = logged || (line.starts_with(prefix) && line.ends_with(suffix));
    EXPECT_TRUE(logged) << c.logLine;
    EXPECT_EQ(StickFiles(), c.files);
    for (const auto& [path, content] : c.contents) EXPECT_EQ(ReadFile(Root() + path), content) << path;
    EmptyFolder(Root());
    EmptyFolder(BackupFolder());
  }
}

TEST_F(HoldsStillTest, AStickThatKeepsChangingIsNotFormatted) {
  Prepare();
  int writes = 0;
  AfterTheBackupCheck([this, &writes] { PutFile(Root() + "a.txt", "hello" + std::string(++writes, '!')); }, 1000);
  PressStart();
  ExpectLines({RunLog().back()}, {Upper(Root()) + "a.txt changed during the backup. Nothing was erased."});
  EXPECT_TRUE(library.formatCalls.empty());
  EXPECT_EQ(StickFiles(), (std::vector<std::string>{"a.txt", "docs\\b.txt"}));
  ExpectIdleState();
}

TEST_F(HoldsStillTest, ALinkOnTheStickIsNamedAndTheRunStopsUnlessTheUserGoesOn) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string elsewhere = Narrow(temp) + "sw-link-target-" + std::to_string(GetCurrentProcessId());
  PutFile(elsewhere + "\\far.txt", "not on the stick");
  for (const bool goOn : {false, true}) {
    SCOPED_TRACE(goOn ? "going on" : "stopping");
    Prepare();
    if (!MakeFolderLink(Root() + "Music", elsewhere)) GTEST_SKIP() << "folder links cannot be made here";
    Answer({true, true, goOn});
    PressStart();
    const std::string link = Upper(Root()) + "Music\\";
    EXPECT_TRUE(RunLogHas("A link, not backed up (what it points at is not on the drive): " + link));
    const std::vector<std::string> questions = Questions();
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[2], "Drive " + Upper(DriveName()) + " holds a link to files that are not on the drive (" + link +
                                "). They are not backed up, and the format removes the link. Go on without them?");
    // Asked right after the listing, before the folder dialog.
    const auto asked = std::find_if(dialogs.shown.begin(), dialogs.shown.end(),
                                    [&questions](const auto& shown) { return shown.text == questions[2]; });
    ASSERT_NE(asked, dialogs.shown.end());
    EXPECT_TRUE(asked->noIsDefault);
    EXPECT_EQ(RunLogHas(kSuccess), goOn);
    EXPECT_EQ(library.formatCalls.empty(), !goOn);
    EXPECT_EQ(ReadFile(elsewhere + "\\far.txt"), "not on the stick");
    if (!goOn) {
      EXPECT_EQ(RunLog().back(), "Drive " + Upper(DriveName()) + " is not formatted, so that its links stay. Nothing was erased.");
      EXPECT_EQ(FilesBelow(BackupFolder()), std::vector<std::string>{}) << "nothing is copied before the answer";
    }
    EXPECT_TRUE(RemoveTreeOnHost(Root() + "Music"));
    EmptyFolder(Root());
    EmptyFolder(BackupFolder());
  }
  EmptyFolder(elsewhere);
  RemoveDirectoryW(Widen(elsewhere).c_str());
}

}  // namespace
}  // namespace sw::testing
