#include "toolkit/control.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/dpi.h"
#include "platform/text.h"
#include "toolkit/application.h"

namespace sw::tk {
namespace {
constexpr wchar_t kControlProperty[] = L"StickwiseControl";
constexpr UINT_PTR kSubclassId = 1;
}  // namespace

TControl::TControl(TComponent* owner, TControl* parent) : TComponent(owner), parent_(parent) {
  if (parent_ != nullptr) parent_->children_.push_back(this);
}

TControl::~TControl() {
  if (parent_ != nullptr) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  for (TControl* child : children_) child->parent_ = nullptr;
  if (handle_ != nullptr) DestroyWindow(handle_);  // WM_NCDESTROY clears handle_
}

TControl* TControl::FromHandle(HWND window) {
  return window ? static_cast<TControl*>(GetPropW(window, kControlProperty)) : nullptr;
}

void TControl::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, const std::string& caption) {
  HWND parentWindow = parent_ != nullptr ? parent_->Handle() : nullptr;
  if (parentWindow != nullptr) style |= WS_CHILD;
  handle_ = CreateWindowExW(exStyle, className, Widen(caption).c_str(), style, 0, 0, 0, 0, parentWindow, nullptr,
                            Application().InstanceHandle(), nullptr);
  if (handle_ == nullptr) return;
  SetPropW(handle_, kControlProperty, this);
  SetWindowSubclass(handle_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void TControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (handle_ != nullptr && parent_ != nullptr)
    MoveWindow(handle_, ScaleForDpi(left_, dpi_), ScaleForDpi(top_, dpi_), ScaleForDpi(width_, dpi_),
               WindowHeight(dpi_), TRUE);
}

int TControl::WindowHeight(int dpi) const { return ScaleForDpi(height_, dpi); }

bool TControl::Visible() const { return handle_ != nullptr && (GetWindowLongW(handle_, GWL_STYLE) & WS_VISIBLE); }

void TControl::SetVisible(bool visible) {
  if (handle_ != nullptr) ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
}

bool TControl::Enabled() const { return handle_ != nullptr && IsWindowEnabled(handle_); }

void TControl::SetEnabled(bool enabled) {
  if (handle_ != nullptr) EnableWindow(handle_, enabled ? TRUE : FALSE);
}

std::string TControl::Caption() const {
  if (handle_ == nullptr) return {};
  int length = GetWindowTextLengthW(handle_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(handle_, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return Narrow(text);
}

void TControl::SetCaption(const std::string& caption) {
  if (handle_ != nullptr) SetWindowTextW(handle_, Widen(caption).c_str());
}

int TControl::Dpi() const { return dpi_; }

void TControl::ApplyLayout(int dpi, HFONT font) {
  dpi_ = dpi;
  font_ = font;
  if (handle_ != nullptr) {
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (parent_ != nullptr)
      MoveWindow(handle_, ScaleForDpi(left_, dpi), ScaleForDpi(top_, dpi), ScaleForDpi(width_, dpi),
                 WindowHeight(dpi), TRUE);
  }
  for (TControl* child : children_) child->ApplyLayout(dpi, font);
}

void TControl::Command(WORD code) {
  if ((code == BN_CLICKED || code == STN_CLICKED) && OnClick) OnClick();
}

HBRUSH TControl::ControlColor(HDC) { return nullptr; }

bool TControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      if (TControl* child = FromHandle(reinterpret_cast<HWND>(lParam)); child != nullptr && child != this) {
        child->Command(HIWORD(wParam));
        result = 0;
        return true;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      if (TControl* child = FromHandle(reinterpret_cast<HWND>(lParam)); child != nullptr && child != this) {
        if (HBRUSH brush = child->ControlColor(reinterpret_cast<HDC>(wParam)); brush != nullptr) {
          result = reinterpret_cast<LRESULT>(brush);
          return true;
        }
      }
      break;
    default:
      break;
  }
  return false;
}

LRESULT CALLBACK TControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR data) noexcept {
  auto* control = reinterpret_cast<TControl*>(data);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, SubclassProc, kSubclassId);
    RemovePropW(window, kControlProperty);
    control->handle_ = nullptr;
    return DefSubclassProc(window, message, wParam, lParam);
  }
  LRESULT result = 0;
  bool handled = false;
  Guarded([&] { handled = control->HandleMessage(message, wParam, lParam, result); });
  return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace sw::tk
