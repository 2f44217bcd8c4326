// Seam: a plain-text print job on the default printer. The page layout is
// computed against this interface, so tests check it with a fake canvas.
#pragma once

#include <string>

namespace sw {

class IPrintCanvas {
 public:
  virtual ~IPrintCanvas() = default;
  // Starts a job titled `title`. Raises EInOutError when it cannot start.
  virtual void BeginDoc(const std::string& title) = 0;
  virtual void SetFont(const std::string& name, int pointSize) = 0;
  // Printable area in device units.
  virtual int PageWidth() = 0;
  virtual int PageHeight() = 0;
  // Character height and average character width of the current font.
  virtual int CharHeight() = 0;
  virtual int AverageCharWidth() = 0;
  virtual int TextWidth(const std::string& text) = 0;
  virtual int TextHeight(const std::string& text) = 0;
  virtual void PrintText(int x, int y, const std::string& text) = 0;
  virtual void NewPage() = 0;
  // Ends the job; the printer ejects the last page.
  virtual void EndDoc() = 0;
  // Abandons a started job after an error.
  virtual void Abort() = 0;
};

}  // namespace sw
