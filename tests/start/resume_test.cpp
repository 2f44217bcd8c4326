// A backup whose restore did not finish: the note's identity and stage read
// back (and an older note still reads), the stick it belongs to is found
// among those attached, and the copy-back on the worker finishes a restore
// killed at several points, leaving alone what the user put on the stick.
#include <algorithm>

#include "app/backup_history.h"
#include "app/backup_marker.h"
#include "app/resume_restore.h"
#include "app/run_worker.h"
#include "app/unfinished_restore.h"
#include "copy/content_hash.h"
#include "fakes/scripted_run_host.h"
#include "platform/text.h"
#include "start_fixture.h"
#include "toolkit/answering_run.h"

namespace sw::testing {
namespace {

const TStickIdentity kPocket{'Q', "Acme", "Pocket Stick", "1032547698BADCFE", 16008609792};

TEST(BackupNoteTest, TheStickAndTheStageReadBackAndAnOlderNoteStillReads) {
  TBackupMarker written{"Q:\\", "2026-12-08 10:45:12", 1, 5, false, {{"a.txt", 5, 7}}, TBackupStage::Restoring, kPocket};
  const std::optional<TBackupMarker> read = ParseBackupMarker(FormatBackupMarker(written));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->stage, TBackupStage::Restoring);
  EXPECT_EQ(read->stick.serial, kPocket.serial);
  EXPECT_EQ(read->stick.vendor, "Acme");
  EXPECT_EQ(read->stick.product, "Pocket Stick");
  EXPECT_EQ(read->stick.diskBytes, kPocket.diskBytes);
  EXPECT_EQ(read->stick.letter, 'Q');
  EXPECT_TRUE(read->RestoreUnfinished());

  struct Case {
    const char* text;
    TBackupStage stage;
    bool unfinished;
  } cases[] = {
      // Written by an older program: no stage, no identity.
      {"Stickwise backup\r\ndrive=E:\\\r\nstate=not restored\r\n", TBackupStage::Unknown, true},
      {"Stickwise backup\r\ndrive=E:\\\r\nstate=restored\r\n", TBackupStage::Restored, false},
      {"Stickwise backup\r\nstate=not restored\r\nstage=backed up\r\n", TBackupStage::BackedUp, false},
      {"Stickwise backup\r\nstate=not restored\r\nstage=backing up\r\n", TBackupStage::BackingUp, false},
      {"Stickwise backup\r\nstate=not restored\r\nstage=erased\r\n", TBackupStage::Erased, true},
      // Only "state=restored" frees a folder; a stage alone never does.
      {"Stickwise backup\r\nstate=not restored\r\nstage=restored\r\n", TBackupStage::Unknown, true},
      {"Stickwise backup\r\nstate=not restored\r\nstage=later\r\n", TBackupStage::Unknown, true},
  };
  for (const Case& c : cases) {
    const std::optional<TBackupMarker> note = ParseBackupMarker(c.text);
    ASSERT_TRUE(note) << c.text;
    EXPECT_EQ(note->stage, c.stage) << c.text;
    EXPECT_EQ(note->RestoreUnfinished(), c.unfinished) << c.text;
    EXPECT_FALSE(note->stick.Identified()) << c.text;
  }
  EXPECT_FALSE(ParseBackupMarker("Stickwise backup\r\ndisk=16x\r\n"));
}

TEST(StickMatchTest, ANoteWithAnIdentityKnowsItsStickUnderAnyLetterAndOneWithoutByLetterAndSize) {
  TStickIdentity elsewhere = kPocket;
  elsewhere.letter = 'R';
  TStickIdentity otherSerial = kPocket;
  otherSerial.serial = "FFFF";
  const TStickIdentity byLetter{'Q', "", "", "", 16008609792};
  const TStickIdentity letterOnly{'Q', "", "", "", 0};
  const TStickIdentity biggerAtQ{'Q', "Acme", "Pocket Stick", "", 32017219584};
  struct Case {
    TStickIdentity noted, attached;
    TStickMatch match;
  } cases[] = {
      {kPocket, kPocket, TStickMatch::Identity},
      {kPocket, elsewhere, TStickMatch::Identity},
      {kPocket, otherSerial, TStickMatch::None},
      {kPocket, byLetter, TStickMatch::None},
      {byLetter, kPocket, TStickMatch::LetterAndSize},
      {byLetter, elsewhere, TStickMatch::None},
      {byLetter, biggerAtQ, TStickMatch::None},
      {letterOnly, biggerAtQ, TStickMatch::LetterAndSize},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchStick(c.noted, c.attached), c.match) << c.noted.serial << " / " << c.attached.serial << " "
                                                         << c.attached.letter;
}

TEST(StickFileStateTest, OnlyAFileThatMayBeTheUsersOwnIsKeptBack) {
  constexpr std::uint64_t kBackupTime = 1000000000, kLater = kBackupTime + 30000000;
  struct Case {
    TStickFileFacts facts;
    TStickFileState state;
  } cases[] = {
      {{false}, TStickFileState::Missing},
      {{true, 5, 5, 7, 7, 0, kLater, kBackupTime}, TStickFileState::Same},
      {{true, 2, 5, 3, 7, 3, kLater, kBackupTime}, TStickFileState::CutShort},
      {{true, 2, 5, 3, 7, 3, kLater, kBackupTime, false}, TStickFileState::CutShort},
      {{true, 5, 5, 8, 7, 0, kBackupTime, kBackupTime}, TStickFileState::Stale},
      {{true, 5, 5, 8, 7, 0, kBackupTime + 10000000, kBackupTime}, TStickFileState::Stale},  // FAT's two seconds
      {{true, 5, 5, 8, 7, 0, kLater, kBackupTime}, TStickFileState::ChangedSince},
      {{true, 9, 5, 8, 7, 0, kBackupTime, kBackupTime, false}, TStickFileState::ChangedSince},
  };
  for (const Case& c : cases) EXPECT_EQ(StickFileState(c.facts), c.state) << c.facts.stickSize << " " << c.facts.stickHash;
}

// A backup of the stick in the default backup folder, as a run leaves it
// once it has begun to erase: its files with a time from long ago and a
// note at `stage` that lists them.
class ResumeTest : public StartTest {
 protected:
  void SetUp() override {
    StartTest::SetUp();
    CreateDirectoryW(Widen(BackupFolder()).c_str(), nullptr);
    TBackupMarker note{std::string(1, Letter()) + ":\\", "2026-12-08 10:45:12", 0, 0, false, {},
                       TBackupStage::Erased, kPocket};
    for (const auto& [path, content] : files_) {
      PutFile(BackupFolder() + "\\" + path, content);
      SetOld(BackupFolder() + "\\" + path);
      note.list.push_back({path, static_cast<std::int64_t>(content.size()), ContentHashOf(content.data(), content.size())});
      ++note.files;
      note.bytes += static_cast<std::int64_t>(content.size());
    }
    ASSERT_TRUE(WriteBackupMarker(BackupFolder(), note));
  }

  static void SetOld(const std::string& path) {
    const SYSTEMTIME when{2020, 5, 0, 4, 8, 0, 0, 0};
    FILETIME old{};
    SystemTimeToFileTime(&when, &old);
    HANDLE file = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    SetFileTime(file, nullptr, nullptr, &old);
    CloseHandle(file);
  }

  // Runs the copy-back on its worker, as the window starts it for the stick.
  void Resume(TStickMatch match = TStickMatch::Identity) {
    TRunOptions options;
    options.driveLetter = Letter();
    options.stick = kPocket;
    options.stick.letter = Letter();
    options.resumeFolder = BackupFolder();
    options.resumeMatch = match;
    run_ = std::make_unique<fakes::ScriptedRunHost>(dialogs);
    stop.Reset();
    {
      TRunWorker worker(*run_, stop, services, options);
      tk::HandleMessagesUntil([this] { return run_->ended.load(); });
    }
    ASSERT_TRUE(run_->end.has_value());
  }
  bool NoteRestored() const { return ReadBackupMarker(BackupFolder())->restored; }
  void ExpectStickHolds(std::vector<std::string> extra) const {
    std::vector<std::string> expected = extra;
    for (const auto& [path, content] : files_) {
      expected.push_back(path);
      EXPECT_EQ(ReadFile(Root() + path), content) << path;
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> actual = FilesBelow(Root());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
  }

  const std::vector<std::pair<std::string, std::string>> files_ = {
      {"a.txt", "hello"}, {"docs\\b.txt", "abcdefgh"}, {"docs\\deep\\c.bin", std::string("\x00\x01\x02", 3)}};
  // The end of the last run.
  const TRunEnd& End() const { return *run_->end; }

  std::unique_ptr<fakes::ScriptedRunHost> run_;
  TStopToken stop;
};

TEST_F(ResumeTest, YesFinishesARestoreKilledAtAnyPointAndLeavesTheUsersOwnFileAlone) {
  struct Case {
    const char* when;
    std::vector<std::pair<std::string, std::string>> onStick;  // what the kill left
  } cases[] = {
      {"after the format", {}},
      {"half way", {{"a.txt", "hello"}, {"docs\\b.txt", "abc"}}},
      {"before the check", {{"a.txt", "hello"}, {"docs\\b.txt", "abcdefgh"}, {"docs\\deep\\c.bin", std::string("\x00\x01\x02", 3)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.when);
    EmptyFolder(Root());
    dialogs.shown.clear();
    for (const auto& [path, content] : c.onStick) PutFile(Root() + path, content);
    PutFile(Root() + "mine.txt", "saved after the kill");
    dialogs.yesNoAnswers = {true};
    Resume();
    ExpectStickHolds({"mine.txt"});
    EXPECT_EQ(ReadFile(Root() + "mine.txt"), "saved after the kill");
    EXPECT_TRUE(End().succeeded);
    EXPECT_TRUE(NoteRestored());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text.find("Drive " + DriveName() + " has an unfinished restore from " + BackupFolder() +
                                         " (3 files, "),
              0u)
        << dialogs.shown[0].text;
    // The next case starts from the same unfinished note.
    TBackupMarker note = *ReadBackupMarker(BackupFolder());
    note.restored = false;
    note.stage = TBackupStage::Restoring;
    WriteBackupMarker(BackupFolder(), note);
  }
}

TEST_F(ResumeTest, AFileChangedOnTheStickSinceTheBackupIsReplacedOnlyWhenTheUserAgrees) {
  for (bool replace : {false, true}) {
    SCOPED_TRACE(replace);
    dialogs.shown.clear();
    PutFile(Root() + "a.txt", "edited on the stick");
    dialogs.yesNoAnswers = {true, replace};
    Resume();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_NE(dialogs.shown[1].text.find("1 file on drive " + DriveName() + " differ from the backup"), std::string::npos)
        << dialogs.shown[1].text;
    EXPECT_TRUE(dialogs.shown[1].noIsDefault);
    EXPECT_EQ(ReadFile(Root() + "a.txt"), replace ? "hello" : "edited on the stick");
    EXPECT_EQ(NoteRestored(), replace);
    EXPECT_EQ(End().succeeded, replace);
    EXPECT_EQ(ReadFile(Root() + "docs\\b.txt"), "abcdefgh");
  }
}

TEST_F(ResumeTest, NoKeepsEverythingAndOnlyTheLastChoiceStopsTheOffer) {
  for (bool askAgain : {true, false}) {
    SCOPED_TRACE(askAgain);
    dialogs.yesNoAnswers = {false, askAgain};
    Resume();
    EXPECT_TRUE(FilesBelow(Root()).empty());
    EXPECT_FALSE(NoteRestored());
    EXPECT_FALSE(End().failed);
    const TBackupMarker note = *ReadBackupMarker(BackupFolder());
    EXPECT_EQ(OfferStopped(BackupFolder(), note.started), !askAgain);
  }
}

TEST_F(ResumeTest, TheOfferFindsTheNoteForItsStickAndNotForAnother) {
  TStickIdentity attached = kPocket;
  attached.letter = 'R';
  TStickIdentity other = kPocket;
  other.serial = "0000000000000001";
  const std::vector<std::string> folders = {BackupFolder(), BackupFolder() + "\\nothing here"};
  const auto any = [](char) { return true; };
  std::vector<TUnfinishedRestore> found = FindUnfinishedRestores(folders, {other, attached}, any);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].match, TStickMatch::Identity);
  EXPECT_EQ(found[0].attached.letter, 'R');
  found = FindUnfinishedRestores(folders, {other}, any);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].match, TStickMatch::None);
  // Never onto the system's or the program's drive.
  found = FindUnfinishedRestores(folders, {attached}, [](char) { return false; });
  EXPECT_EQ(found[0].match, TStickMatch::None);
}

}  // namespace
}  // namespace sw::testing
