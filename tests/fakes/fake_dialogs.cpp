#include "fakes/fake_dialogs.h"

namespace sw::fakes {

bool FakeDialogs::AskYesNo(WindowHandle owner, const std::string& title, const std::string& text,
                           DefaultAnswer preferred) {
  shown.push_back({"yesno", static_cast<HWND>(owner), title, text, MessageIcon::None, preferred == DefaultAnswer::No});
  if (whileAsking) whileAsking();
  if (yesNoAnswers.empty()) return false;
  bool answer = yesNoAnswers.front();
  yesNoAnswers.pop_front();
  return answer;
}

void FakeDialogs::ShowMessage(WindowHandle owner, const std::string& title, const std::string& text, MessageIcon icon) {
  shown.push_back({"message", static_cast<HWND>(owner), title, text, icon});
}

ReplaceAnswer FakeDialogs::AskReplace(WindowHandle owner, const std::string& title, const std::string& text) {
  shown.push_back({"replace", static_cast<HWND>(owner), title, text, MessageIcon::None});
  if (replaceAnswers.empty()) return ReplaceAnswer::Cancel;
  ReplaceAnswer answer = replaceAnswers.front();
  replaceAnswers.pop_front();
  return answer;
}

std::optional<std::string> FakeDialogs::SelectFolder(WindowHandle owner, const std::string& startFolder) {
  shown.push_back({"folder", static_cast<HWND>(owner), "", startFolder, MessageIcon::None});
  if (folderAnswers.empty()) return std::nullopt;
  auto answer = folderAnswers.front();
  folderAnswers.pop_front();
  return answer;
}

}  // namespace sw::fakes
