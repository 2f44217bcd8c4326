#include "toolkit/application.h"

#include <commctrl.h>

#include <stdexcept>

#include "platform/dialogs.h"
#include "toolkit/answering_run.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace sw::tk {
namespace {

constexpr wchar_t kUtilityClass[] = L"StickwiseToolkitUtility";

LRESULT CALLBACK UtilityWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == kRunPostedCallsMessage || (message == WM_TIMER && wParam == kRunPostedCallsTimer)) {
    if (message == WM_TIMER) KillTimer(window, kRunPostedCallsTimer);
    RunPostedCalls();
    return 0;
  }
  if (message == WM_TIMER) {
    TTimer::Dispatch(static_cast<UINT_PTR>(wParam));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TApplication& TApplication::Instance() {
  static TApplication application;
  return application;
}

void TApplication::Initialize(HINSTANCE instance, IDialogs* dialogs) {
  instance_ = instance;
  dialogs_ = dialogs;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
}

HWND TApplication::UtilityWindow() {
  if (utilityWindow_ == nullptr) {
    HINSTANCE module = instance_ ? instance_ : GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = UtilityWindowProc;
    wc.hInstance = module;
    wc.lpszClassName = kUtilityClass;
    RegisterClassExW(&wc);
    utilityWindow_ = CreateWindowExW(0, kUtilityClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
  }
  return utilityWindow_;
}

bool TApplication::HandleOneMessage(MSG& message) {
  if (message.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  HWND dialog = mainForm_ != nullptr ? mainForm_->Handle() : nullptr;
  if (dialog == nullptr || !IsDialogMessageW(dialog, &message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

void TApplication::Run() {
  if (mainForm_ != nullptr && ShowMainForm && !terminated_) mainForm_->Show();
  MSG message;
  while (!terminated_) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (!HandleOneMessage(message)) break;
  }
}

void TApplication::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!HandleOneMessage(message)) break;
  }
}

void TApplication::Terminate() {
  if (!terminated_) PostQuitMessage(0);
  terminated_ = true;
}

void TApplication::HandleException(const std::exception& error) {
  // The error box opens on the window's thread, whichever thread failed.
  if (!OnTheWindowThread()) {
    const std::string text = error.what();
    try {
      OnWindowThread([&] { HandleException(std::runtime_error(text)); });
    } catch (...) {
      // The window cannot be reached: nothing more can be reported.
    }
    return;
  }
  try {
    HWND owner = mainForm_ != nullptr && mainForm_->Handle() != nullptr && IsWindowVisible(mainForm_->Handle())
                     ? mainForm_->Handle()
                     : nullptr;
    if (dialogs_ != nullptr) dialogs_->ShowMessage(owner, Title, error.what(), MessageIcon::Error);
  } catch (...) {
    // The error box itself failed: nothing more can be reported.
  }
}

void TApplication::HandleUnknownException() {
  std::runtime_error unknown("An unexpected error occurred.");
  HandleException(unknown);
}

void TApplication::ResetForTests() {
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  terminated_ = false;
  mainForm_ = nullptr;
  ShowMainForm = true;
}

}  // namespace sw::tk
