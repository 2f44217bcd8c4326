#include "ui_driver.h"

#include <algorithm>

#include "log_follower.h"

namespace sw::ui {
namespace {

// A program busy on a loaded machine may take long to answer; a program
// that ended answers at once with nothing.
constexpr UINT kReplyTimeoutMs = 60000;
constexpr DWORD kPollMs = 50;

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return Narrow(name);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string WithoutAccelerator(std::string caption) {
  caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
  return caption;
}

// Sends a message without hanging for ever on a program that does not answer.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  SendWithin(window, message, wParam, lParam, kReplyTimeoutMs, result);
  return result;
}

std::vector<HWND> Descendants(HWND window) {
  std::vector<HWND> found;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> found;
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

template <typename Find>
HWND Poll(unsigned timeoutMs, Find find) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = find()) return window;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(kPollMs);
  }
}

}  // namespace

std::string WindowText(HWND window) {
  const auto length = static_cast<size_t>(Send(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  const auto copied = static_cast<size_t>(Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(std::min(copied, length));
  return Narrow(text);
}

bool IsShown(HWND control) { return control != nullptr && IsWindowVisible(control); }

HWND WaitForWindow(const std::string& caption, unsigned timeoutMs, const std::string& className) {
  const std::wstring wideCaption = Widen(caption), wideClass = Widen(className);
  return Poll(timeoutMs, [&]() -> HWND {
    HWND window = FindWindowW(className.empty() ? nullptr : wideClass.c_str(), wideCaption.c_str());
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
  });
}

std::string DialogText(HWND dialog) {
  std::string text;
  for (HWND child : Descendants(dialog)) {
    const std::string kind = ClassOf(child);
    if (SameIgnoringCase(kind, "Static") || SameIgnoringCase(kind, "Edit")) text += WindowText(child) + "\n";
  }
  return text;
}

HWND WaitForDialog(const std::string& caption, const std::string& text, unsigned timeoutMs) {
  return Poll(timeoutMs, [&]() -> HWND {
    for (HWND window : TopLevelWindows())
      if (ClassOf(window) == "#32770" && WindowText(window) == caption &&
          (text.empty() || DialogText(window).find(text) != std::string::npos))
        return window;
    return nullptr;
  });
}

HWND FindControl(HWND window, const std::string& className, const std::string& caption, int index) {
  for (HWND child : Descendants(window)) {
    if (!SameIgnoringCase(ClassOf(child), className)) continue;
    if (!caption.empty() && WithoutAccelerator(WindowText(child)) != WithoutAccelerator(caption)) continue;
    if (index-- == 0) return child;
  }
  return nullptr;
}

void Click(HWND button) {
  const auto id = static_cast<WORD>(GetDlgCtrlID(button));
  PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool PressDialogButton(HWND dialog, const std::string& caption) {
  HWND button = FindControl(dialog, "Button", caption);
  if (button == nullptr) return false;
  const auto id = static_cast<WORD>(GetDlgCtrlID(button));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  return true;
}

bool AnswerDialog(const std::string& caption, const std::string& button, const std::string& text,
                  unsigned timeoutMs) {
  HWND dialog = WaitForDialog(caption, text, timeoutMs);
  return dialog != nullptr && PressDialogButton(dialog, button);
}

void SetText(HWND control, const std::string& text) {
  const std::wstring wide = Widen(text);
  Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void SetChecked(HWND checkBox, bool checked) { Send(checkBox, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }

std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  const auto count = Send(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto length = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) continue;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    items.push_back(Narrow(text));
  }
  return items;
}

bool SelectComboItem(HWND combo, const std::string& text) {
  const std::vector<std::string> items = ComboItems(combo);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].find(text) == std::string::npos) continue;
    Send(combo, CB_SETCURSEL, i, 0);
    const auto id = static_cast<WORD>(GetDlgCtrlID(combo));
    PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    return true;
  }
  return false;
}

HWND FindLog(HWND window) {
  for (HWND child : Descendants(window))
    if (SameIgnoringCase(ClassOf(child), "Edit") && (GetWindowLongW(child, GWL_STYLE) & ES_MULTILINE)) return child;
  return nullptr;
}

bool WaitForLogText(HWND window, const std::string& text, unsigned timeoutMs) {
  HWND log = FindLog(window);
  if (log == nullptr) return false;
  LogFollower follower(log);
  std::vector<std::string> lines;
  auto holds = [&](const std::string& line) { return line.find(text) != std::string::npos; };
  auto found = [&] {
    if (!follower.NewLines(lines)) return false;
    return std::any_of(lines.begin(), lines.end(), holds) || holds(follower.Unfinished());
  };
  return Poll(timeoutMs, [&]() -> HWND { return found() ? log : nullptr; }) != nullptr;
}

std::vector<std::string> ListWindows() {
  std::vector<std::string> lines;
  for (HWND window : TopLevelWindows()) {
    lines.push_back(WindowText(window) + " [" + ClassOf(window) + "]");
    for (HWND child : Descendants(window))
      if (IsWindowVisible(child)) lines.push_back("    " + WindowText(child) + " [" + ClassOf(child) + "]");
  }
  return lines;
}

bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs, LRESULT& result) {
  // No SMTO_ABORTIFHUNG: a window that a busy machine kept from its messages
  // for a few seconds counts as hung and would answer nothing.
  DWORD_PTR answer = 0;
  const bool answered = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &answer) != 0;
  result = static_cast<LRESULT>(answer);
  return answered;
}

}  // namespace sw::ui
