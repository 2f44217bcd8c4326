// One run of stickwise-testbed.exe for an end-to-end test: a temporary
// folder with a copy of the testbed, its machine description and a stick
// folder with sample files; the testbed maps the stick as a removable
// drive. The destructor ends the testbed, removes the drive letter and the
// folder, and puts the program's settings back as they were.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "settings_snapshot.h"

namespace sw::e2e {

inline constexpr char kMainCaption[] = "Stickwise 2.0";
// Deadlines, not delays: every wait ends as soon as its condition holds, so
// they are generous enough for a machine busy with other builds.
inline constexpr unsigned kWindowTimeoutMs = 180000;
inline constexpr unsigned kStepTimeoutMs = 120000;

// The sample files of the stick: relative path to content (UTF-8).
const std::map<std::string, std::string>& SampleFiles();

class TestbedSession {
 public:
  // `driveKeys` are extra "key = value" lines of the stick's [drive] section.
  // `copies` copies of the testbed are started at once; the session is the
  // one whose window appears.
  explicit TestbedSession(const std::string& driveKeys = {}, int copies = 1);
  ~TestbedSession();
  TestbedSession(const TestbedSession&) = delete;
  TestbedSession& operator=(const TestbedSession&) = delete;

  // Empty when the testbed is up with its window; else why not.
  const std::string& Problem() const { return problem_; }
  HWND Window() const { return window_; }
  char Letter() const { return letter_; }
  std::string Root() const { return std::string(1, letter_) + ":\\"; }
  const std::string& StickFolder() const { return stickFolder_; }
  // The session's own folder, where the testbed and its backup folder lie.
  std::string Folder() const;

  // Presses Start, answers Yes to erase and to back up, and chooses the
  // folder "backup" of the session's folder (made first: the dialog selects
  // only folders that exist). Empty when all went so; else what did not.
  std::string StartWithBackup() const;
  std::string BackupFolder() const { return Folder() + "\\backup"; }
  // Presses Start, answers Yes to erase and No to the backup; empty when all went so.
  std::string StartWithoutBackup() const;

  std::string Log() const;
  bool WaitForLog(const std::string& text, unsigned timeoutMs = kStepTimeoutMs) const;
  // Waits until a started run has ended: Start is offered again. The run's
  // lines reach the log before its end does, so the log is then whole.
  bool WaitForRunEnd(unsigned timeoutMs = kStepTimeoutMs) const;
  HWND Button(const std::string& caption) const;
  void Click(const std::string& caption) const;
  // The stick's files now: relative path to content.
  std::map<std::string, std::string> StickFiles() const;
  // Waits until the copies without the window have ended; their exit codes
  // (STILL_ACTIVE for one that did not end in time).
  std::vector<DWORD> WaitForOtherCopies(unsigned timeoutMs = kWindowTimeoutMs) const;
  // Ends the testbed at once, as a power cut or a kill would: nothing of
  // it runs on. Then starts it again on the same folder, stick and
  // settings; empty when its window is up again, else why not.
  void Kill();
  std::string StartAgain();

 private:
  void Start(const std::string& driveKeys, int copies);
  void Launch(int copies);

  SettingsSnapshot settings_;  // restored after the testbed has saved its own
  std::string problem_;
  std::wstring folder_;
  std::string stickFolder_;
  char letter_ = 0;
  UniqueHandle process_;
  std::vector<UniqueHandle> otherCopies_;
  HWND window_ = nullptr;
};

// Position of `line` in `log`, or npos; and whether the lines come in this order.
bool InOrder(const std::string& log, std::initializer_list<std::string> lines);

}  // namespace sw::e2e
