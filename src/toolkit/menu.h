// A context menu component with click handlers per item.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "toolkit/component.h"

namespace sw::tk {

class TMenuItem {
 public:
  std::string Name;
  std::string Caption;  // "-" is a separator
  std::function<void()> OnClick;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  TMenuItem& Add(const std::string& name, const std::string& caption);
  const std::vector<TMenuItem>& Items() const { return items_; }
  TMenuItem* Find(const std::string& name);
  // Shows the menu at screen coordinates and runs the chosen item's handler.
  void Popup(HWND owner, int x, int y);

 private:
  std::vector<TMenuItem> items_;
};

}  // namespace sw::tk
