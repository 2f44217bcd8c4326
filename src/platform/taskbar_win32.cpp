#include "platform/taskbar_win32.h"

namespace sw {
namespace {

TBPFLAG FlagOf(TaskbarState state) {
  switch (state) {
    case TaskbarState::Normal: return TBPF_NORMAL;
    case TaskbarState::Paused: return TBPF_PAUSED;
    case TaskbarState::Error: return TBPF_ERROR;
    case TaskbarState::None: break;
  }
  return TBPF_NOPROGRESS;
}

}  // namespace

ITaskbarList3* Win32Taskbar::List() {
  if (!tried_) {
    tried_ = true;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                list_.PutVoid())) ||
        FAILED(list_->HrInit()))
      list_.Reset();
  }
  return list_.Get();
}

void Win32Taskbar::SetState(WindowHandle window, TaskbarState state) {
  if (ITaskbarList3* list = List()) list->SetProgressState(static_cast<HWND>(window), FlagOf(state));
}

void Win32Taskbar::SetProgress(WindowHandle window, std::uint64_t done, std::uint64_t total) {
  if (ITaskbarList3* list = List()) list->SetProgressValue(static_cast<HWND>(window), done, total);
}

void Win32Taskbar::FlashUnlessInFront(WindowHandle window) {
  const HWND handle = static_cast<HWND>(window);
  if (handle == nullptr || GetForegroundWindow() == handle) return;
  FLASHWINFO flash{};
  flash.cbSize = sizeof(flash);
  flash.hwnd = handle;
  flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
  FlashWindowEx(&flash);
}

}  // namespace sw
