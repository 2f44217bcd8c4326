// The real modal boxes and the folder-selection dialog.
#pragma once

#include "platform/dialogs.h"

namespace sw {

class Win32Dialogs : public IDialogs {
 public:
  bool AskYesNo(WindowHandle owner, const std::string& title, const std::string& text,
                DefaultAnswer preferred = DefaultAnswer::Yes) override;
  void ShowMessage(WindowHandle owner, const std::string& title, const std::string& text, MessageIcon icon) override;
  ReplaceAnswer AskReplace(WindowHandle owner, const std::string& title, const std::string& text) override;
  std::optional<std::string> SelectFolder(WindowHandle owner, const std::string& startFolder,
                                          const std::string& instruction) override;
};

}  // namespace sw
