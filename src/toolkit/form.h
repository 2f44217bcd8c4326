// A top-level window built from a description: its controls (name, kind,
// caption or items, position, tab order, initial state, handler) and its
// non-visual components with their stored properties. Building runs every
// component's after-loading step, then the form's create step.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "toolkit/control.h"

namespace sw::tk {

enum class ControlKind { Panel, Label, AutoSizeLabel, ComboList, Button, Edit, CheckBox, GroupBox, Memo, ProgressBar, Image };

struct ControlDescription {
  std::string name;
  ControlKind kind;
  std::string parent;  // empty: the form itself
  std::string caption;
  std::vector<std::string> items;
  int left = 0, top = 0, width = 0, height = 0;
  int tabOrder = -1;  // -1: not focusable
  bool visible = true;
  bool enabled = true;
  std::string handler;    // click or change handler, by name
  std::string popupMenu;  // context menu component, by name
  int bitmapResource = 0;
  bool alignClient = false;  // fills its parent's client area
};

struct MenuItemDescription {
  std::string name;
  std::string caption;
  std::string handler;
};

struct ComponentDescription {
  std::string name;
  std::string className;
  std::map<std::string, std::string> properties;
  std::vector<MenuItemDescription> items;
  std::string handler;  // the component's main event (a timer's OnTimer)
};

struct FormDescription {
  std::string name;
  std::string caption;
  int clientWidth = 0, clientHeight = 0;
  std::string fontName;
  int fontPoints = 8;
  std::vector<ControlDescription> controls;
  std::vector<ComponentDescription> components;
};

// Makes a non-visual component of a class named in a description.
using ComponentFactory = std::function<TComponent*(TComponent* owner, const ComponentDescription& description)>;
void RegisterComponentClass(const std::string& className, ComponentFactory factory);

class TForm : public TControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // Creates the window, the controls and components of `description`, runs
  // the after-loading steps and then FormCreate.
  void Build(const FormDescription& description);

  void Show();
  // Asks CloseQuery, then runs FormClose, hides the window and, for the
  // application's main window, ends the application.
  void Close();

  template <typename T>
  T* Find(const std::string& name) const {
    auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : dynamic_cast<T*>(found->second);
  }

  const FormDescription& Description() const { return description_; }
  HFONT FormFont() const { return static_cast<HFONT>(font_.Get()); }

 protected:
  virtual void FormCreate() {}
  virtual bool FormCloseQuery() { return true; }
  virtual void FormClose() {}
  // Looks up a handler named in the description; empty when unknown.
  virtual std::function<void()> EventHandler(const std::string& name);

  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  TControl* CreateControl(const ControlDescription& control);
  void CreateComponent(const ComponentDescription& component);
  void Relayout(int dpi);

  FormDescription description_;
  std::map<std::string, TComponent*> byName_;
  UniqueGdiObject font_;
};

}  // namespace sw::tk
