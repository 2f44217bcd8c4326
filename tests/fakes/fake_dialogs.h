// Scripted answers for the modal boxes, and a record of every box shown.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace sw::fakes {

struct ShownBox {
  std::string kind;  // "yesno", "message", "replace", "folder"
  HWND owner = nullptr;
  std::string title;
  std::string text;
  MessageIcon icon = MessageIcon::None;
  bool noIsDefault = false;  // a Yes/No box whose default button is No
};

class FakeDialogs : public IDialogs {
 public:
  bool AskYesNo(WindowHandle owner, const std::string& title, const std::string& text,
                DefaultAnswer preferred = DefaultAnswer::Yes) override;
  void ShowMessage(WindowHandle owner, const std::string& title, const std::string& text, MessageIcon icon) override;
  ReplaceAnswer AskReplace(WindowHandle owner, const std::string& title, const std::string& text) override;
  // Recorded with the start folder as its text and the instruction as its title.
  std::optional<std::string> SelectFolder(WindowHandle owner, const std::string& startFolder,
                                          const std::string& instruction) override;

  // Answers used in order; when they run out, Yes/No answers No, the
  // replace question answers Cancel and folder selection is cancelled.
  std::deque<bool> yesNoAnswers;
  std::deque<ReplaceAnswer> replaceAnswers;
  std::deque<std::optional<std::string>> folderAnswers;
  // Runs while a Yes/No box is "open" (to act as the user would meanwhile).
  std::function<void()> whileAsking;

  std::vector<ShownBox> shown;
};

}  // namespace sw::fakes
