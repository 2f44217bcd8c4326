// The base of every visual control: one child window of a system class (or
// of the toolkit's own), attached to this object through a window subclass
// that forwards the parent's notifications to the child that sent them.
// Positions are design pixels at 96 dpi, scaled to the window's dpi.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/component.h"

namespace sw::tk {

class TControl : public TComponent {
 public:
  TControl(TComponent* owner, TControl* parent);
  ~TControl() override;

  HWND Handle() const { return handle_; }
  TControl* Parent() const { return parent_; }
  const std::vector<TControl*>& Children() const { return children_; }

  // Design bounds at 96 dpi.
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBounds(int left, int top, int width, int height);

  bool Visible() const;
  void SetVisible(bool visible);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  std::string Caption() const;
  virtual void SetCaption(const std::string& caption);

  // The dpi the control is laid out for.
  int Dpi() const;
  // Moves this control and its children to their scaled bounds and sets the font.
  virtual void ApplyLayout(int dpi, HFONT font);

  std::function<void()> OnClick;

  // Finds the control attached to a window handle; null when none is.
  static TControl* FromHandle(HWND window);

 protected:
  // Creates the window; `parent_` must already have its handle.
  void CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, const std::string& caption = {});
  // Scaled height of the window itself (combo boxes add their list).
  virtual int WindowHeight(int dpi) const;
  // A WM_COMMAND notification this control sent to its parent.
  virtual void Command(WORD code);
  // Colours for WM_CTLCOLOR*; null for the system's default.
  virtual HBRUSH ControlColor(HDC dc);
  // Messages of this control's own window; true when handled.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  HFONT Font() const { return font_; }

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data) noexcept;

  HWND handle_ = nullptr;
  TControl* parent_;
  std::vector<TControl*> children_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int dpi_ = 96;
  HFONT font_ = nullptr;
};

}  // namespace sw::tk
