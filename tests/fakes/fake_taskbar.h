// Records what the window shows on its taskbar button.
#pragma once

#include <functional>
#include <vector>

#include "platform/taskbar.h"

namespace sw::fakes {

class FakeTaskbar final : public ITaskbar {
 public:
  void SetState(WindowHandle, TaskbarState state) override { states.push_back(state); }
  void SetProgress(WindowHandle, std::uint64_t done, std::uint64_t total) override {
    progress.push_back(static_cast<int>(done * 100 / (total == 0 ? 1 : total)));
    if (onProgress) onProgress();
  }
  void FlashUnlessInFront(WindowHandle) override { ++flashes; }

  std::vector<TaskbarState> states;
  std::vector<int> progress;  // in percent
  int flashes = 0;
  std::function<void()> onProgress;  // after each progress call
};

}  // namespace sw::fakes
