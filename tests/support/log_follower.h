// Follows the activity log of another program's window as it grows,
// reading only the text added since the last look, so a harness that waits
// for a line does not load the program it measures (a log of a hundred
// thousand files holds megabytes of text).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/handles.h"

namespace sw::ui {

class LogFollower {
 public:
  // Starts at the log's first line; `log` is its multi-line edit (FindLog).
  explicit LogFollower(HWND log);

  // The lines completed (ended by a line break) since the last call, the
  // first call every one so far; false when the control no longer answers.
  // A log that was cleared is followed again from its start.
  bool NewLines(std::vector<std::string>& lines);
  // The line after the last complete one, as far as it is written (the log
  // ends every line with a break, so it is usually empty).
  const std::string& Unfinished() const { return unfinished_; }

 private:
  bool ReadText(size_t begin, size_t end, std::wstring& text);
  bool ReadFromBuffer(size_t begin, size_t end, std::wstring& text);

  HWND log_;
  UniqueHandle process_;
  size_t read_ = 0;  // characters of the control's text that are done with
  std::string unfinished_;
};

}  // namespace sw::ui
