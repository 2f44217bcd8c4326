// The main window over a simulated stick: physical drive 1 answers the
// identification probes as a removable "Generic Flash Disk", WMI lists it
// and maps it to a temporary folder mounted as a removable drive, and a
// scripted format library plays the check and the format (a successful
// format empties the drive, as a real one would). Files the tests put on the
// drive, the backup folder beside the test and the settings key are removed
// again by the fixture.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/fmtmain.h"
#include "fakes/fake_device_io.h"
#include "fakes/fake_format_library.h"
#include "fakes/fake_wmi.h"
#include "fakes/main_form_fixture.h"
#include "fakes/wine_drive.h"

namespace sw::testing {

// The last line of a run that did everything it set out to.
inline constexpr char kSuccess[] = "Your USB Drive is optimized for faster read and write access. Operations completed.";

using fakes::LibraryCommand;

// The format library of the simulated stick: each call takes the next
// script of its kind (the last one repeats), and a format that reports
// success leaves the drive empty before `afterFormat` runs.
class StickLibrary : public fakes::FakeFormatLibrary {
 public:
  void FormatEx(const std::string& root, uint32_t mediaCode, const std::string& fileSystem, const std::string& label,
                bool quickFormat, uint32_t clusterSize, FmifsCallback callback) override;
  void Chkdsk(const std::string& root, const std::string& fileSystem, bool repair, bool verbose, bool onlyIfDirty,
              bool surfaceScan, FmifsCallback callback) override;

  std::deque<std::vector<LibraryCommand>> checkScripts;
  std::deque<std::vector<LibraryCommand>> formatScripts;
  std::function<void()> eraseDrive;
  std::function<void()> afterFormat;

 private:
  void TakeScript(std::deque<std::vector<LibraryCommand>>& scripts);
};

class StartTest : public MainFormTest {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  StartTest();
  ~StartTest() override;
  void SetUp() override;

  // Builds the window (start-up lists the stick and selects it) and makes
  // the choices the user makes before pressing Start.
  void PrepareWindow(int fileSystem, bool scan, const std::string& label = "Generic");
  // Presses Start; an error that leaves the handler goes to the default
  // handler (the error box), as from a real click.
  void PressStart();
  // The log lines written since the last PressStart began.
  std::vector<std::string> RunLog() const;
  bool RunLogHas(const std::string& line) const;

  // The stick's size as WMI reports it, in bytes (before CreateForm).
  // The disk's size as WMI lists it; the volume then reports the size
  // less the 1 MiB before its partition.
  void SetWmiDiskSize(long long bytes);
  // The partition the format keeps, as the volume reports its length.
  void SetVolumeBytes(std::int64_t bytes);
  // What the WMI associators give as the stick's logical drive.
  void MapStickToLetter(char letter);

  // The stick most tests start from: a.txt ("hello") and docs\b.txt ("abc").
  void PutStickFiles() const;
  // Files on the drive and in folders, by path relative to `folder`.
  static void PutFile(const std::string& path, const std::string& content);
  static std::vector<std::string> FilesBelow(const std::string& folder);
  static std::string ReadFile(const std::string& path);
  static void EmptyFolder(const std::string& folder);

  char Letter() const { return drive_->Letter(); }
  std::string Root() const { return drive_->Root(); }
  std::string DriveName() const { return std::string(1, drive_->Letter()) + ":"; }
  std::string StickEntry() const;  // the device entry of the stick
  static std::string BackupFolder();  // "backup" beside the test program

  // Answers in the order asked: FAT32 question (when asked), erase, backup.
  void Answer(std::initializer_list<bool> answers);
  // The yes/no questions shown, by text.
  std::vector<std::string> Questions() const;

  // Checks the window state at the end of an operation.
  void ExpectCompletedState() const;
  void ExpectCancelledState() const;
  void ExpectIdleState() const;

  // The lines the engine writes around a check and a format of the stick.
  std::vector<std::string> CheckLines(const std::vector<std::string>& scriptTexts) const;
  std::vector<std::string> FormatLines(const std::vector<std::string>& scriptTexts, bool succeeded) const;
  std::string VolumeLine() const;

  static WineDrive* drive_;
  fakes::FakeDeviceIo io;
  fakes::FakeWmi wmi;
  StickLibrary library;
  size_t logMark = 0;
};

// Compares log lines; an expected line ending in "*" matches by prefix.
void ExpectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected);

}  // namespace sw::testing
