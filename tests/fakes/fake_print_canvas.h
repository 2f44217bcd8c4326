// A print canvas that records what would be printed. Every character is
// 10 units wide (a tab character measures 0), text is 20 units high, the
// page is 200 x 100 units unless a test changes it.
#pragma once

#include <string>
#include <vector>

#include "platform/print_canvas.h"

namespace sw::fakes {

struct PrintedText {
  int page;
  int x, y;
  std::string text;
};

struct PrintJob {
  std::string title;
  std::string fontName;
  int fontPoints = 0;
  int pages = 0;
  std::vector<PrintedText> texts;
  bool ended = false;
  bool aborted = false;
};

class FakePrintCanvas : public IPrintCanvas {
 public:
  void BeginDoc(const std::string& title) override;
  void SetFont(const std::string& name, int pointSize) override;
  int PageWidth() override { return pageWidth; }
  int PageHeight() override { return pageHeight; }
  int CharHeight() override { return charHeight; }
  int AverageCharWidth() override { return charWidth; }
  int TextWidth(const std::string& text) override;
  int TextHeight(const std::string& text) override;
  void PrintText(int x, int y, const std::string& text) override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;

  int pageWidth = 200, pageHeight = 100, charWidth = 10, charHeight = 20;
  bool failToStart = false;   // BeginDoc raises an I/O error
  bool failOnFirstPage = false;  // BeginDoc starts the job, then its first page fails
  int failOnTextOut = -1;     // the n-th PrintText (from 0) raises an I/O error
  std::vector<PrintJob> jobs;

 private:
  int textOuts_ = 0;
  bool inDoc_ = false;
};

}  // namespace sw::fakes
