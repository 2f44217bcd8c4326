// The hourglass pointer for the length of a long step that lets window
// messages run meanwhile. Setting the pointer once is not enough: the first
// mouse move asks the window for its pointer again, so every form answers
// that question with the hourglass while any busy pointer is alive.
#pragma once

#include <windows.h>

namespace sw::tk {

class TBusyPointer {
 public:
  TBusyPointer();
  ~TBusyPointer();
  TBusyPointer(const TBusyPointer&) = delete;
  TBusyPointer& operator=(const TBusyPointer&) = delete;

  // True while at least one busy pointer is alive.
  static bool Shown();

 private:
  HCURSOR previous_;
};

}  // namespace sw::tk
