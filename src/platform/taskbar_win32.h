// The taskbar button through the shell's taskbar list object, created on
// first use on the window's thread (which has initialised COM). Where the
// shell has none (an old system, a test machine) the progress is not shown
// and nothing else changes.
#pragma once

#include <shobjidl.h>

#include "platform/handles.h"
#include "platform/taskbar.h"

namespace sw {

class Win32Taskbar final : public ITaskbar {
 public:
  void SetState(WindowHandle window, TaskbarState state) override;
  void SetProgress(WindowHandle window, std::uint64_t done, std::uint64_t total) override;
  void FlashUnlessInFront(WindowHandle window) override;

 private:
  // The taskbar list, null when the shell offers none.
  ITaskbarList3* List();

  ComPtr<ITaskbarList3> list_;
  bool tried_ = false;
};

}  // namespace sw
