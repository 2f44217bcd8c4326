#include "platform/print_canvas_win32.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "platform/exceptions.h"
#include "platform/text.h"
#include "platform/win_error.h"

namespace sw {
namespace {

[[noreturn]] void RaiseInOut(DWORD code) {
  if (code == 0) code = ERROR_PRINTER_NOT_FOUND;
  throw EInOutError(code, "I/O error " + std::to_string(code) + ": " + SystemErrorText(code));
}

}  // namespace

Win32PrintCanvas::~Win32PrintCanvas() {
  if (inDoc_) ::AbortDoc(dc_.Get());
}

void Win32PrintCanvas::Check(bool ok) {
  if (!ok) RaiseInOut(GetLastError());
}

void Win32PrintCanvas::BeginDoc(const std::string& title) {
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size == 0) RaiseInOut(GetLastError());
  std::vector<wchar_t> printer(size, L'\0');
  Check(GetDefaultPrinterW(printer.data(), &size));
  dc_.Reset(CreateDCW(L"WINSPOOL", printer.data(), nullptr, nullptr));
  Check(dc_.Valid());
  std::wstring wideTitle = Widen(title);
  DOCINFOW info{};
  info.cbSize = sizeof(info);
  info.lpszDocName = wideTitle.c_str();
  Check(StartDocW(dc_.Get(), &info) > 0);
  inDoc_ = true;
  Check(StartPage(dc_.Get()) > 0);
}

void Win32PrintCanvas::SetFont(const std::string& name, int pointSize) {
  int height = -MulDiv(pointSize, GetDeviceCaps(dc_.Get(), LOGPIXELSY), 72);
  font_.Reset(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, Widen(name).c_str()));
  if (font_) SelectObject(dc_.Get(), font_.Get());
}

int Win32PrintCanvas::PageWidth() { return GetDeviceCaps(dc_.Get(), HORZRES); }
int Win32PrintCanvas::PageHeight() { return GetDeviceCaps(dc_.Get(), VERTRES); }

int Win32PrintCanvas::CharHeight() {
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc_.Get(), &metrics);
  return metrics.tmHeight;
}

int Win32PrintCanvas::AverageCharWidth() {
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc_.Get(), &metrics);
  return metrics.tmAveCharWidth;
}

int Win32PrintCanvas::TextWidth(const std::string& text) {
  std::wstring wide = Widen(text);
  SIZE extent{};
  GetTextExtentPoint32W(dc_.Get(), wide.c_str(), static_cast<int>(wide.size()), &extent);
  return extent.cx;
}

int Win32PrintCanvas::TextHeight(const std::string& text) {
  std::wstring wide = Widen(text.empty() ? std::string(" ") : text);
  SIZE extent{};
  GetTextExtentPoint32W(dc_.Get(), wide.c_str(), static_cast<int>(wide.size()), &extent);
  return extent.cy;
}

void Win32PrintCanvas::PrintText(int x, int y, const std::string& text) {
  std::wstring wide = Widen(text);
  Check(TextOutW(dc_.Get(), x, y, wide.c_str(), static_cast<int>(wide.size())));
}

void Win32PrintCanvas::NewPage() {
  Check(EndPage(dc_.Get()) > 0);
  Check(StartPage(dc_.Get()) > 0);
  if (font_) SelectObject(dc_.Get(), font_.Get());
}

void Win32PrintCanvas::EndDoc() {
  Check(EndPage(dc_.Get()) > 0);
  inDoc_ = false;
  Check(::EndDoc(dc_.Get()) > 0);
}

void Win32PrintCanvas::Abort() {
  if (inDoc_) ::AbortDoc(dc_.Get());
  inDoc_ = false;
}

}  // namespace sw
