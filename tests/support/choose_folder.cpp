#include "choose_folder.h"

#include <windows.h>

#include "folder_tree.h"
#include "ui_driver.h"

namespace sw::ui {
namespace {

constexpr DWORD kPollMs = 100;
constexpr int kSettledPolls = 8;  // unchanged samples in a row before the dialog counts as settled
constexpr int kConfirmPolls = 4;  // samples in a row that must show the folder before OK
constexpr int kSelectAttempts = 3;
constexpr DWORD kCloseTimeoutMs = 10000;

// What decides the dialog's answer: the edit box (OK on Windows takes its
// text) and the tree's selection (OK under Wine takes it, and selecting an
// item rewrites the edit).
struct DialogState {
  bool editReady = false;  // present, visible and enabled
  std::string editText;
  std::vector<std::string> selected;
  bool operator==(const DialogState&) const = default;
};

HWND EditOf(HWND dialog) { return FindControl(dialog, "Edit"); }
HWND TreeOf(HWND dialog) { return FindControl(dialog, "SysTreeView32"); }

DialogState ReadState(HWND dialog) {
  DialogState state;
  HWND edit = EditOf(dialog);
  if (edit != nullptr && IsWindowVisible(edit) && IsWindowEnabled(edit)) {
    state.editReady = true;
    state.editText = WindowText(edit);
  }
  if (HWND tree = TreeOf(dialog)) state.selected = SelectedItemNames(tree);
  return state;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Describe(const DialogState& state) {
  std::string selected;
  for (const std::string& name : state.selected) selected += (selected.empty() ? "" : "\\") + name;
  return "its edit box held " + (state.editReady ? Quoted(state.editText) : "nothing") + " and its tree had " +
         (selected.empty() ? "nothing" : Quoted(selected)) + " selected";
}

// Settled: the edit can be typed into and nothing in it or in the tree's
// selection has changed for several polls, so whatever selection the dialog
// was making is done.
bool WaitUntilSettled(HWND dialog, DWORD start, unsigned timeoutMs, DialogState& state) {
  state = ReadState(dialog);
  for (int unchanged = 0; !(state.editReady && unchanged >= kSettledPolls);) {
    if (!IsWindow(dialog) || GetTickCount() - start >= timeoutMs) return false;
    Sleep(kPollMs);
    const DialogState now = ReadState(dialog);
    unchanged = now == state ? unchanged + 1 : 0;
    state = now;
  }
  return true;
}

FolderChoice Refuse(HWND dialog, const std::string& problem) {
  if (IsWindow(dialog)) PressDialogButton(dialog, "Cancel");
  return {false, problem + "; pressed Cancel"};
}

// The dialog once it has appeared and settled; else null, with `refused`
// saying why (and Cancel pressed when there was a dialog).
HWND WaitForSettledDialog(const std::string& caption, DWORD start, unsigned timeoutMs, DialogState& state,
                          FolderChoice& refused) {
  HWND dialog = WaitForDialog(caption, {}, timeoutMs);
  if (dialog == nullptr) {
    refused = {false, "no dialog " + Quoted(caption) + " appeared"};
    return nullptr;
  }
  if (!WaitUntilSettled(dialog, start, timeoutMs, state)) {
    refused = Refuse(dialog, "the dialog did not settle; " + Describe(state));
    return nullptr;
  }
  return dialog;
}

bool ShowsTextStartingWith(HWND dialog, const std::string& start) {
  for (int i = 0;; ++i) {
    HWND text = FindControl(dialog, "Static", {}, i);
    if (text == nullptr) return false;
    if (WindowText(text).rfind(start, 0) == 0) return true;
  }
}

// Presses OK and waits for the dialog to close.
FolderChoice PressOk(HWND dialog, const std::string& path) {
  if (!PressDialogButton(dialog, "OK")) return Refuse(dialog, "the dialog has no OK button");
  const DWORD pressed = GetTickCount();
  while (IsWindow(dialog)) {
    if (GetTickCount() - pressed >= kCloseTimeoutMs)
      return Refuse(dialog, "the dialog stayed open after OK on " + Quoted(path));
    Sleep(kPollMs);
  }
  return {true, {}};
}

}  // namespace

FolderChoice ChooseFolder(const std::string& caption, const std::string& path, unsigned timeoutMs) {
  const DWORD start = GetTickCount();
  DialogState state;
  FolderChoice refused;
  HWND dialog = WaitForSettledDialog(caption, start, timeoutMs, state, refused);
  if (dialog == nullptr) return refused;
  for (int attempt = 0; attempt < kSelectAttempts && !TreeShowsPath(state.selected, path); ++attempt) {
    if (HWND tree = TreeOf(dialog)) SelectFolderItem(tree, path);
    if (!WaitUntilSettled(dialog, start, timeoutMs, state))
      return Refuse(dialog, "the dialog did not settle after selecting " + Quoted(path) + "; " + Describe(state));
  }
  SetText(EditOf(dialog), path);

  for (int i = 0; i < kConfirmPolls; ++i) {
    if (i > 0) Sleep(kPollMs);  // the last read is the one just before OK
    state = ReadState(dialog);
    if (!state.editReady || state.editText != path || !TreeShowsPath(state.selected, path))
      return Refuse(dialog, "the dialog does not hold " + Quoted(path) + ": " + Describe(state));
  }
  return PressOk(dialog, path);
}

FolderChoice AcceptOfferedFolder(const std::string& caption, const std::string& path, const std::string& instruction,
                                 unsigned timeoutMs) {
  const DWORD start = GetTickCount();
  DialogState state;
  FolderChoice refused;
  HWND dialog = WaitForSettledDialog(caption, start, timeoutMs, state, refused);
  if (dialog == nullptr) return refused;
  if (!ShowsTextStartingWith(dialog, instruction))
    return Refuse(dialog, "the dialog does not say " + Quoted(instruction));
  for (int i = 0; i < kConfirmPolls; ++i) {
    if (i > 0) Sleep(kPollMs);
    state = ReadState(dialog);
    if (!TreeShowsPath(state.selected, path))
      return Refuse(dialog, "the dialog does not offer " + Quoted(path) + ": " + Describe(state));
  }
  return PressOk(dialog, path);
}

}  // namespace sw::ui
