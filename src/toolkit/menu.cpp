#include "toolkit/menu.h"

#include "platform/text.h"
#include "toolkit/application.h"

namespace sw::tk {

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TMenuItem& TPopupMenu::Add(const std::string& name, const std::string& caption) {
  items_.push_back(TMenuItem{name, caption, {}});
  return items_.back();
}

TMenuItem* TPopupMenu::Find(const std::string& name) {
  for (TMenuItem& item : items_)
    if (item.Name == name) return &item;
  return nullptr;
}

void TPopupMenu::Popup(HWND owner, int x, int y) {
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].Caption == "-")
      AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuW(menu.Get(), MF_STRING, i + 1, Widen(items_[i].Caption).c_str());
  }
  UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, x, y, 0, owner, nullptr));
  if (chosen >= 1 && chosen <= items_.size() && items_[chosen - 1].OnClick) items_[chosen - 1].OnClick();
}

}  // namespace sw::tk
