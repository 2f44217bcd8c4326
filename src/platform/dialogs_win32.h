// The real modal boxes and the folder-selection dialog.
#pragma once

#include "platform/dialogs.h"

namespace sw {

class Win32Dialogs : public IDialogs {
 public:
  bool AskYesNo(HWND owner, const std::string& title, const std::string& text) override;
  void ShowMessage(HWND owner, const std::string& title, const std::string& text, MessageIcon icon) override;
  ReplaceAnswer AskReplace(HWND owner, const std::string& title, const std::string& text) override;
  std::optional<std::string> SelectFolder(HWND owner, const std::string& startFolder) override;
};

}  // namespace sw
