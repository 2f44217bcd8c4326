// One run of stickwise-testbed.exe for an end-to-end test: a temporary
// folder with a copy of the testbed, its machine description and a stick
// folder with sample files; the testbed maps the stick as a removable
// drive. The destructor ends the testbed, removes the drive letter and the
// folder, and puts the program's settings back as they were.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "platform/handles.h"
#include "settings_snapshot.h"

namespace sw::e2e {

inline constexpr char kMainCaption[] = "Stickwise 2.0";
inline constexpr unsigned kWindowTimeoutMs = 30000;
inline constexpr unsigned kStepTimeoutMs = 20000;

// The sample files of the stick: relative path to content (UTF-8).
const std::map<std::string, std::string>& SampleFiles();

class TestbedSession {
 public:
  // `driveKeys` are extra "key = value" lines of the stick's [drive] section.
  explicit TestbedSession(const std::string& driveKeys = {});
  ~TestbedSession();
  TestbedSession(const TestbedSession&) = delete;
  TestbedSession& operator=(const TestbedSession&) = delete;

  // Empty when the testbed is up with its window; else why not.
  const std::string& Problem() const { return problem_; }
  HWND Window() const { return window_; }
  char Letter() const { return letter_; }
  std::string Root() const { return std::string(1, letter_) + ":\\"; }
  const std::string& StickFolder() const { return stickFolder_; }

  std::string Log() const;
  bool WaitForLog(const std::string& text, unsigned timeoutMs = kStepTimeoutMs) const;
  HWND Button(const std::string& caption) const;
  void Click(const std::string& caption) const;
  // The stick's files now: relative path to content.
  std::map<std::string, std::string> StickFiles() const;

 private:
  void Start(const std::string& driveKeys);

  SettingsSnapshot settings_;  // restored after the testbed has saved its own
  std::string problem_;
  std::wstring folder_;
  std::string stickFolder_;
  char letter_ = 0;
  UniqueHandle process_;
  HWND window_ = nullptr;
};

// Position of `line` in `log`, or npos; and whether the lines come in this order.
bool InOrder(const std::string& log, std::initializer_list<std::string> lines);

}  // namespace sw::e2e
