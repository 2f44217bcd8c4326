// The application object: title, message loop, pending-message processing,
// terminate request, the "show main window" flag and the default exception
// handler that shows an exception's message in the standard error box.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace sw {
class IDialogs;
}

namespace sw::tk {

class TForm;

class TApplication {
 public:
  static TApplication& Instance();

  void Initialize(HINSTANCE instance, IDialogs* dialogs);
  HINSTANCE InstanceHandle() const { return instance_; }

  std::string Title = "";
  // When false, Run does not show the main window.
  bool ShowMainForm = true;

  TForm* MainForm() const { return mainForm_; }
  void SetMainForm(TForm* form) { mainForm_ = form; }

  // Runs the message loop until Terminate; shows the main window first
  // unless ShowMainForm is false or termination was already requested.
  void Run();
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // The default exception handler: the message in the standard error box.
  void HandleException(const std::exception& error);
  void HandleUnknownException();

  IDialogs* Dialogs() const { return dialogs_; }
  void SetDialogs(IDialogs* dialogs) { dialogs_ = dialogs; }

  // A hidden window of the toolkit's own, for timers.
  HWND UtilityWindow();

  // For tests: forget the termination request and main window.
  void ResetForTests();

 private:
  TApplication() = default;
  bool HandleOneMessage(MSG& message);

  HINSTANCE instance_ = nullptr;
  IDialogs* dialogs_ = nullptr;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  HWND utilityWindow_ = nullptr;
};

inline TApplication& Application() { return TApplication::Instance(); }

// Runs `action`, handing any exception to the application's default handler.
// Every window procedure, timer and library callback goes through this, so
// no C++ exception crosses a Win32 boundary.
template <typename Action>
void Guarded(Action&& action) noexcept {
  try {
    action();
  } catch (const std::exception& error) {
    Application().HandleException(error);
  } catch (...) {
    Application().HandleUnknownException();
  }
}

}  // namespace sw::tk
