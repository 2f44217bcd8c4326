#include "toolkit/form.h"

#include <algorithm>

#include "platform/dpi.h"
#include "platform/text.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/menu.h"
#include "toolkit/timer.h"

namespace sw::tk {
namespace {

constexpr wchar_t kFormClass[] = L"StickwiseForm";

std::map<std::string, ComponentFactory>& ComponentClasses() {
  static std::map<std::string, ComponentFactory> classes = [] {
    std::map<std::string, ComponentFactory> builtIn;
    builtIn["TTimer"] = [](TComponent* owner, const ComponentDescription& d) -> TComponent* {
      auto* timer = new TTimer(owner);
      if (auto it = d.properties.find("Interval"); it != d.properties.end()) timer->SetInterval(std::stoul(it->second));
      if (auto it = d.properties.find("Enabled"); it != d.properties.end()) timer->SetEnabled(it->second == "true");
      return timer;
    };
    builtIn["TPopupMenu"] = [](TComponent* owner, const ComponentDescription& d) -> TComponent* {
      auto* menu = new TPopupMenu(owner);
      for (const MenuItemDescription& item : d.items) menu->Add(item.name, item.caption);
      return menu;
    };
    // Visual styles come from the manifest; the component itself holds nothing.
    builtIn["TXPManifest"] = [](TComponent* owner, const ComponentDescription&) -> TComponent* {
      return new TComponent(owner);
    };
    return builtIn;
  }();
  return classes;
}

void RegisterFormClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = Application().InstanceHandle();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.hIcon = LoadIconW(Application().InstanceHandle(), MAKEINTRESOURCEW(1));
  wc.lpszClassName = kFormClass;
  registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

}  // namespace

void RegisterComponentClass(const std::string& className, ComponentFactory factory) {
  ComponentClasses()[className] = std::move(factory);
}

TForm::TForm(TComponent* owner) : TControl(owner, nullptr) {}

TForm::~TForm() {
  if (Application().MainForm() == this) Application().SetMainForm(nullptr);
}

void TForm::Build(const FormDescription& description) {
  description_ = description;
  RegisterFormClass();
  SetName(description.name);
  CreateHandle(kFormClass, kFormStyle, WS_EX_CONTROLPARENT, description.caption);

  // Controls: parents before children; among siblings in tab order, so that
  // the window order (which the keyboard follows) is the tab order.
  std::vector<const ControlDescription*> order;
  for (const ControlDescription& c : description.controls) order.push_back(&c);
  std::stable_sort(order.begin(), order.end(), [](const ControlDescription* a, const ControlDescription* b) {
    auto key = [](const ControlDescription* c) { return c->tabOrder < 0 ? 1000 : c->tabOrder; };
    return key(a) < key(b);
  });
  std::vector<const ControlDescription*> pending = order;
  while (!pending.empty()) {
    size_t before = pending.size();
    for (auto it = pending.begin(); it != pending.end();) {
      if ((*it)->parent.empty() || byName_.count((*it)->parent)) {
        CreateControl(**it);
        it = pending.erase(it);
      } else {
        ++it;
      }
    }
    if (pending.size() == before) break;  // a parent that is not described
  }

  for (const ComponentDescription& component : description.components) CreateComponent(component);

  // Handlers named by the description.
  for (const ControlDescription& c : description.controls) {
    if (c.handler.empty()) continue;
    auto handler = EventHandler(c.handler);
    if (auto* combo = Find<TComboBox>(c.name)) combo->OnChange = handler;
    else if (auto* control = Find<TControl>(c.name)) control->OnClick = handler;
  }
  for (const ComponentDescription& component : description.components) {
    if (auto* menu = Find<TPopupMenu>(component.name))
      for (const MenuItemDescription& item : component.items)
        if (!item.handler.empty()) menu->Find(item.name)->OnClick = EventHandler(item.handler);
    if (auto* timer = Find<TTimer>(component.name); timer != nullptr && !component.handler.empty())
      timer->OnTimer = EventHandler(component.handler);
  }
  for (const ControlDescription& c : description.controls)
    if (!c.popupMenu.empty())
      if (auto* memo = Find<TMemo>(c.name)) memo->PopupMenu = Find<TPopupMenu>(c.popupMenu);

  // Size and centre the window for its dpi.
  int dpi = DpiForWindow(Handle());
  RECT frame{0, 0, ScaleForDpi(description.clientWidth, dpi), ScaleForDpi(description.clientHeight, dpi)};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, WS_EX_CONTROLPARENT);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  Relayout(dpi);

  NotifyLoaded();
  FormCreate();
}

TControl* TForm::CreateControl(const ControlDescription& c) {
  TControl* parent = c.parent.empty() ? static_cast<TControl*>(this) : Find<TControl>(c.parent);
  TControl* control = nullptr;
  switch (c.kind) {
    case ControlKind::Panel: control = new TPanel(this, parent); break;
    case ControlKind::Label: control = new TLabel(this, parent); break;
    case ControlKind::AutoSizeLabel: control = new TLabel(this, parent, true); break;
    case ControlKind::ComboList: control = new TComboBox(this, parent); break;
    case ControlKind::Button: control = new TButton(this, parent); break;
    case ControlKind::Edit: control = new TEdit(this, parent); break;
    case ControlKind::CheckBox: control = new TCheckBox(this, parent); break;
    case ControlKind::GroupBox: control = new TGroupBox(this, parent); break;
    case ControlKind::Memo: control = new TMemo(this, parent); break;
    case ControlKind::ProgressBar: control = new TProgressBar(this, parent); break;
    case ControlKind::Image: control = new TImage(this, parent, c.bitmapResource); break;
  }
  control->SetName(c.name);
  byName_[c.name] = control;
  if (c.alignClient) {
    control->SetBounds(0, 0, description_.clientWidth, description_.clientHeight);
  } else if (c.kind == ControlKind::Image && c.width == 0) {
    control->SetBounds(c.left, c.top, control->Width(), control->Height());
  } else {
    control->SetBounds(c.left, c.top, c.width, c.height);
  }
  if (!c.caption.empty()) control->SetCaption(c.caption);
  if (auto* combo = dynamic_cast<TComboBox*>(control)) {
    for (const std::string& item : c.items) combo->Add(item);
    if (!c.items.empty()) combo->SetItemIndex(0);
  }
  control->SetEnabled(c.enabled);
  control->SetVisible(c.visible);
  return control;
}

void TForm::CreateComponent(const ComponentDescription& component) {
  auto found = ComponentClasses().find(component.className);
  if (found == ComponentClasses().end()) return;
  TComponent* created = found->second(this, component);
  if (created == nullptr) return;
  created->SetName(component.name);
  byName_[component.name] = created;
}

void TForm::Relayout(int dpi) {
  font_.Reset(CreateFontW(FontHeightForDpi(description_.fontPoints, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, Widen(description_.fontName).c_str()));
  ApplyLayout(dpi, static_cast<HFONT>(font_.Get()));
}

void TForm::Show() {
  ShowWindow(Handle(), SW_SHOW);
  UpdateWindow(Handle());
  // Focus the first control in tab order, as a dialog would.
  if (HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE)) SetFocus(first);
}

void TForm::Close() {
  if (!FormCloseQuery()) return;
  FormClose();
  ShowWindow(Handle(), SW_HIDE);
  if (Application().MainForm() == this) Application().Terminate();
}

std::function<void()> TForm::EventHandler(const std::string&) { return {}; }

bool TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_CLOSE:
      Close();
      result = 0;
      return true;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      Relayout(HIWORD(wParam));
      result = 0;
      return true;
    }
    default:
      return TControl::HandleMessage(message, wParam, lParam, result);
  }
}

}  // namespace sw::tk
