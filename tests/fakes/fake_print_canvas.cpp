#include "fakes/fake_print_canvas.h"

#include <windows.h>

#include "platform/exceptions.h"

namespace sw::fakes {

void FakePrintCanvas::BeginDoc(const std::string& title) {
  if (failToStart) throw EInOutError(ERROR_PRINTER_NOT_FOUND, "I/O error 1801");
  jobs.push_back(PrintJob{title, "", 0, 1, {}, false, false});
  inDoc_ = true;
  if (failOnFirstPage) throw EInOutError(ERROR_WRITE_FAULT, "I/O error 29");
}

void FakePrintCanvas::SetFont(const std::string& name, int pointSize) {
  jobs.back().fontName = name;
  jobs.back().fontPoints = pointSize;
}

int FakePrintCanvas::TextWidth(const std::string& text) {
  int width = 0;
  for (char c : text) width += c == '\t' ? 0 : charWidth;
  return width;
}

int FakePrintCanvas::TextHeight(const std::string&) { return charHeight; }

void FakePrintCanvas::PrintText(int x, int y, const std::string& text) {
  if (textOuts_++ == failOnTextOut) throw EInOutError(ERROR_WRITE_FAULT, "I/O error 29");
  jobs.back().texts.push_back({jobs.back().pages, x, y, text});
}

void FakePrintCanvas::NewPage() { ++jobs.back().pages; }
void FakePrintCanvas::EndDoc() {
  jobs.back().ended = true;
  inDoc_ = false;
}

void FakePrintCanvas::Abort() {
  if (inDoc_) jobs.back().aborted = true;  // as the real canvas: only a started job
  inDoc_ = false;
}

}  // namespace sw::fakes
