#include "toolkit/controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "platform/dpi.h"
#include "platform/text.h"
#include "toolkit/application.h"
#include "toolkit/menu.h"

namespace sw::tk {
namespace {

constexpr wchar_t kPanelClass[] = L"StickwisePanel";

void RegisterPanelClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = Application().InstanceHandle();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kPanelClass;
  registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
// The memo's feed timer, on its own window; apart from the edit control's own ids.
constexpr UINT_PTR kFeedTimerId = 0x5357;

}  // namespace

// ---- TPanel

TPanel::TPanel(TComponent* owner, TControl* parent) : TControl(owner, parent) {
  RegisterPanelClass();
  CreateHandle(kPanelClass, kChild | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

bool TPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    RECT bounds;
    GetClientRect(Handle(), &bounds);
    DrawEdge(dc, &bounds, BDR_RAISEDINNER, BF_RECT);
    EndPaint(Handle(), &paint);
    result = 0;
    return true;
  }
  return TControl::HandleMessage(message, wParam, lParam, result);
}

// ---- TLabel

TLabel::TLabel(TComponent* owner, TControl* parent, bool autoSize) : TControl(owner, parent), autoSize_(autoSize) {
  CreateHandle(L"STATIC", kChild | SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX, 0);
}

void TLabel::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  FitToText();
}

void TLabel::ApplyLayout(int dpi, HFONT font) {
  TControl::ApplyLayout(dpi, font);
  FitToText();
}

void TLabel::FitToText() {
  if (Handle() == nullptr) return;
  std::wstring text = Widen(Caption());
  HDC dc = GetDC(Handle());
  HGDIOBJ previous = Font() ? SelectObject(dc, Font()) : nullptr;
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  if (previous) SelectObject(dc, previous);
  ReleaseDC(Handle(), dc);
  // Back to design pixels; a label never shrinks below 3 pixels wide.
  int dpi = Dpi();
  int width = std::max(3, static_cast<int>((extent.cx * kDesignDpi + dpi - 1) / dpi));
  if (designWidth_ < 0) designWidth_ = Width();
  if (!autoSize_) width = std::max(width, designWidth_);
  if (width != Width()) SetBounds(Left(), Top(), width, Height());
}

// ---- TButton

TButton::TButton(TComponent* owner, TControl* parent) : TControl(owner, parent) {
  CreateHandle(L"BUTTON", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0);
}

void TButton::Click() { Command(BN_CLICKED); }

// ---- TCheckBox

TCheckBox::TCheckBox(TComponent* owner, TControl* parent) : TControl(owner, parent) {
  CreateHandle(L"BUTTON", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0);
}

bool TCheckBox::Checked() const { return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool checked) {
  SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

HBRUSH TCheckBox::ControlColor(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

// ---- TGroupBox

TGroupBox::TGroupBox(TComponent* owner, TControl* parent) : TControl(owner, parent) {
  CreateHandle(L"BUTTON", kChild | BS_GROUPBOX, WS_EX_CONTROLPARENT);
}

bool TGroupBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_ERASEBKGND) {
    // A group box paints only its frame; its inside takes the face colour.
    RECT bounds;
    GetClientRect(Handle(), &bounds);
    FillRect(reinterpret_cast<HDC>(wParam), &bounds, GetSysColorBrush(COLOR_BTNFACE));
    result = 1;
    return true;
  }
  return TControl::HandleMessage(message, wParam, lParam, result);
}

// ---- TEdit

TEdit::TEdit(TComponent* owner, TControl* parent) : TControl(owner, parent) {
  CreateHandle(L"EDIT", kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
}

// ---- TComboBox

TComboBox::TComboBox(TComponent* owner, TControl* parent) : TControl(owner, parent) {
  CreateHandle(L"COMBOBOX", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0);
}

int TComboBox::WindowHeight(int dpi) const {
  // The window also holds the dropped-down list.
  return ScaleForDpi(Height() + 200, dpi);
}

int TComboBox::Count() const { return static_cast<int>(SendMessageW(Handle(), CB_GETCOUNT, 0, 0)); }
void TComboBox::Clear() { SendMessageW(Handle(), CB_RESETCONTENT, 0, 0); }

void TComboBox::Add(const std::string& item) {
  SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}

std::string TComboBox::Item(int index) const {
  LRESULT length = SendMessageW(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return Narrow(text);
}

int TComboBox::ItemIndex() const { return static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)); }
void TComboBox::SetItemIndex(int index) { SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

std::string TComboBox::Text() const {
  int index = ItemIndex();
  return index >= 0 ? Item(index) : std::string();
}

void TComboBox::Command(WORD code) {
  if (code == CBN_SELCHANGE && OnChange) OnChange();
}

// ---- TMemo

TMemo::TMemo(TComponent* owner, TControl* parent) : TControl(owner, parent) {
  CreateHandle(L"EDIT",
               kChild | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL |
                   ES_AUTOVSCROLL,
               WS_EX_CLIENTEDGE);
  // The default limit stops a multi-line edit at about 30,000 characters.
  SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
}

void TMemo::AppendLine(const std::string& line) {
  store_.Append(line);
  auto sinceFeed = std::chrono::steady_clock::now() - lastFeed_;
  if (sinceFeed >= feedInterval_) {
    Flush();
  } else {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(feedInterval_ - sinceFeed);
    StartFeedTimer(static_cast<unsigned>(left.count()));
  }
}

void TMemo::Flush() {
  StopFeedTimer();
  if (!store_.HasUnfed() || Handle() == nullptr) return;
  const auto started = std::chrono::steady_clock::now();
  std::wstring wide = Widen(store_.TakeUnfed());
  // Replacing the empty selection at the end appends and scrolls there.
  int end = GetWindowTextLengthW(Handle());
  SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
  SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
  UpdateWindow(Handle());  // the paint is part of what a feed costs
  lastFeed_ = std::chrono::steady_clock::now();
  feedInterval_ = std::max<std::chrono::steady_clock::duration>(std::chrono::milliseconds(kFeedIntervalMs),
                                                                 kFeedCostFactor * (lastFeed_ - started));
}

void TMemo::Clear() {
  StopFeedTimer();
  store_.Clear();
  feedInterval_ = std::chrono::milliseconds(kFeedIntervalMs);
  SetWindowTextW(Handle(), L"");
}

void TMemo::SelectAll() {
  Flush();
  SendMessageW(Handle(), EM_SETSEL, 0, -1);
}

void TMemo::StartFeedTimer(unsigned delayMs) {
  if (feedTimerRunning_ || Handle() == nullptr) return;
  feedTimerRunning_ = SetTimer(Handle(), kFeedTimerId, std::max(delayMs, 10u), nullptr) != 0;
}

void TMemo::StopFeedTimer() {
  if (!feedTimerRunning_) return;
  KillTimer(Handle(), kFeedTimerId);
  feedTimerRunning_ = false;
}

std::pair<int, int> TMemo::Selection() const {
  DWORD start = 0, end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

HBRUSH TMemo::ControlColor(HDC dc) {
  // Read-only, yet shown on the window colour like an editable memo.
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return GetSysColorBrush(COLOR_WINDOW);
}

bool TMemo::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_TIMER && wParam == kFeedTimerId) {
    Flush();
    result = 0;
    return true;
  }
  if (message == WM_CONTEXTMENU && PopupMenu != nullptr) {
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    if (x == -1 && y == -1) {  // from the keyboard: at the control's corner
      RECT bounds;
      GetWindowRect(Handle(), &bounds);
      x = bounds.left;
      y = bounds.top;
    }
    PopupMenu->Popup(Handle(), x, y);
    result = 0;
    return true;
  }
  return TControl::HandleMessage(message, wParam, lParam, result);
}

// ---- TProgressBar

TProgressBar::TProgressBar(TComponent* owner, TControl* parent) : TControl(owner, parent) {
  CreateHandle(PROGRESS_CLASSW, kChild, 0);
  SendMessageW(Handle(), PBM_SETRANGE32, 0, 100);
  SendMessageW(Handle(), PBM_SETSTEP, 1, 0);
}

int TProgressBar::Position() const { return static_cast<int>(SendMessageW(Handle(), PBM_GETPOS, 0, 0)); }
void TProgressBar::SetPosition(int position) { SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0); }

// ---- TImage

TImage::TImage(TComponent* owner, TControl* parent, int bitmapResource) : TControl(owner, parent) {
  CreateHandle(L"STATIC", kChild | SS_BITMAP | SS_NOTIFY | SS_REALSIZECONTROL, 0);
  bitmap_.Reset(LoadImageW(Application().InstanceHandle(), MAKEINTRESOURCEW(bitmapResource), IMAGE_BITMAP, 0, 0,
                           LR_DEFAULTCOLOR));
  if (bitmap_) {
    BITMAP info{};
    GetObjectW(bitmap_.Get(), sizeof(info), &info);
    SendMessageW(Handle(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_.Get()));
    SetBounds(Left(), Top(), info.bmWidth, info.bmHeight);
  }
}

void TImage::Command(WORD code) {
  if (code == STN_CLICKED && OnClick) OnClick();
}

}  // namespace sw::tk
