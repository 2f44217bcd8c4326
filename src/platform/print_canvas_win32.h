// Plain-text printing on the default printer through GDI.
#pragma once

#include "platform/handles.h"
#include "platform/print_canvas.h"

namespace sw {

class Win32PrintCanvas : public IPrintCanvas {
 public:
  ~Win32PrintCanvas() override;
  void BeginDoc(const std::string& title) override;
  void SetFont(const std::string& name, int pointSize) override;
  int PageWidth() override;
  int PageHeight() override;
  int CharHeight() override;
  int AverageCharWidth() override;
  int TextWidth(const std::string& text) override;
  int TextHeight(const std::string& text) override;
  void PrintText(int x, int y, const std::string& text) override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;

 private:
  void Check(bool ok);
  UniqueDc dc_;
  UniqueGdiObject font_;
  bool inDoc_ = false;
};

}  // namespace sw
