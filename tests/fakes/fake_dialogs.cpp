#include "fakes/fake_dialogs.h"

#include "toolkit/application.h"

namespace sw::fakes {

bool FakeDialogs::AskYesNo(WindowHandle owner, const std::string& title, const std::string& text,
                           DefaultAnswer preferred) {
  shown.push_back({"yesno", static_cast<HWND>(owner), title, text, MessageIcon::None, preferred == DefaultAnswer::No});
  // The answers are taken in the order the boxes open: a box the user opens
  // meanwhile (a close while this one waits) takes the next.
  const bool answer = !yesNoAnswers.empty() && yesNoAnswers.front();
  if (!yesNoAnswers.empty()) yesNoAnswers.pop_front();
  if (whileAsking) {
    whileAsking();
    tk::Application().ProcessMessages();  // what the user did meanwhile
  }
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

std::optional<std::string> FakeDialogs::SelectFolder(WindowHandle owner, const std::string& startFolder,
                                                     const std::string& instruction) {
  shown.push_back({"folder", static_cast<HWND>(owner), instruction, startFolder, MessageIcon::None});
  if (folderAnswers.empty()) return std::nullopt;
  auto answer = folderAnswers.front();
  folderAnswers.pop_front();
  return answer;
}

}  // namespace sw::fakes
