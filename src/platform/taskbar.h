// Seam: the window's taskbar button, which shows the run's progress, and
// the flash that calls the user back when a run ends behind other windows.
// Tests record the calls instead.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

namespace sw {

enum class TaskbarState {
  None,    // no progress shown
  Normal,  // a run goes on
  Paused,  // a question waits for the user
  Error,   // the run failed
};

class ITaskbar {
 public:
  virtual ~ITaskbar() = default;
  virtual void SetState(WindowHandle window, TaskbarState state) = 0;
  // The share done, as `done` of `total`.
  virtual void SetProgress(WindowHandle window, std::uint64_t done, std::uint64_t total) = 0;
  // Flashes the window's button until the user brings it to the front;
  // nothing when it is in front already.
  virtual void FlashUnlessInFront(WindowHandle window) = 0;
};

}  // namespace sw
