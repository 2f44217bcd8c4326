#include "platform/dialogs_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "platform/handles.h"
#include "platform/text.h"

namespace sw {
namespace {

UINT IconFlag(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error: return MB_ICONERROR;
    case MessageIcon::Warning: return MB_ICONWARNING;
    case MessageIcon::Information: return MB_ICONINFORMATION;
    case MessageIcon::None: break;
  }
  return 0;
}

// State shared with the folder dialog's callback, which must not throw.
struct FolderDialogState {
  std::wstring start;
  std::wstring typed;  // a typed path that does not exist yet
};

int CALLBACK FolderDialogCallback(HWND dialog, UINT message, LPARAM param, LPARAM data) noexcept {
  auto* state = reinterpret_cast<FolderDialogState*>(data);
  if (message == BFFM_INITIALIZED && !state->start.empty()) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(state->start.c_str()));
  } else if (message == BFFM_VALIDATEFAILEDW && param != 0) {
    // A typed path of a folder that does not exist is accepted as typed; the
    // caller creates it once it has checked where it lies, so nothing is
    // made on a drive that is about to be erased.
    state->typed = reinterpret_cast<const wchar_t*>(param);
    return 0;  // close the dialog
  }
  return 0;
}

}  // namespace

bool Win32Dialogs::AskYesNo(WindowHandle owner, const std::string& title, const std::string& text,
                            DefaultAnswer preferred) {
  const UINT buttons = MB_YESNO | (preferred == DefaultAnswer::No ? MB_DEFBUTTON2 : 0);
  return MessageBoxW(static_cast<HWND>(owner), Widen(text).c_str(), Widen(title).c_str(), buttons) == IDYES;
}

void Win32Dialogs::ShowMessage(WindowHandle owner, const std::string& title, const std::string& text, MessageIcon icon) {
  MessageBoxW(static_cast<HWND>(owner), Widen(text).c_str(), Widen(title).c_str(), MB_OK | IconFlag(icon));
}

ReplaceAnswer Win32Dialogs::AskReplace(WindowHandle owner, const std::string& title, const std::string& text) {
  enum : int { kYes = 100, kNo, kCancel, kNoToAll, kYesToAll };
  const TASKDIALOG_BUTTON buttons[] = {
      {kYes, L"&Yes"}, {kNo, L"&No"}, {kCancel, L"Cancel"}, {kNoToAll, L"N&o to All"}, {kYesToAll, L"Yes to &All"}};
  std::wstring wideTitle = Widen(title), wideText = Widen(text);
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof(config);
  config.hwndParent = static_cast<HWND>(owner);
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.pszWindowTitle = wideTitle.c_str();
  config.pszMainIcon = TD_INFORMATION_ICON;
  config.pszContent = wideText.c_str();
  config.cButtons = static_cast<UINT>(std::size(buttons));
  config.pButtons = buttons;
  config.nDefaultButton = kYes;
  int pressed = kCancel;
  if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return ReplaceAnswer::Cancel;
  switch (pressed) {
    case kYes: return ReplaceAnswer::Yes;
    case kNo: return ReplaceAnswer::No;
    case kNoToAll: return ReplaceAnswer::NoToAll;
    case kYesToAll: return ReplaceAnswer::YesToAll;
    default: return ReplaceAnswer::Cancel;
  }
}

std::optional<std::string> Win32Dialogs::SelectFolder(WindowHandle owner, const std::string& startFolder,
                                                      const std::string& instruction) {
  ComInit com;  // the new dialog style needs COM on this thread
  FolderDialogState state{Widen(startFolder), {}};
  const std::wstring title = Widen(instruction);
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = static_cast<HWND>(owner);
  info.pszDisplayName = display;
  info.lpszTitle = title.empty() ? nullptr : title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX | BIF_VALIDATE;
  info.lpfn = FolderDialogCallback;
  info.lParam = reinterpret_cast<LPARAM>(&state);
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!state.typed.empty()) {
    if (chosen) CoTaskMemFree(chosen);
    return Narrow(state.typed);
  }
  if (chosen == nullptr) return std::nullopt;
  std::wstring path(32768, L'\0');
  BOOL ok = SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
  CoTaskMemFree(chosen);
  if (!ok) return std::nullopt;
  path.resize(wcslen(path.c_str()));
  return Narrow(path);
}

}  // namespace sw
