#include "app/print_layout.h"

#include <algorithm>

#include "platform/print_canvas.h"

namespace sw {
namespace {

// Advances `y` past a printed line of `height` and starts a new page when
// fewer than two such lines would still fit (for an empty line: when the
// position lies below the bottom).
void AdvanceLine(IPrintCanvas& canvas, int& y, int height, bool emptyLine) {
  y += height;
  int bottom = canvas.PageHeight();
  bool full = emptyLine ? y > bottom : bottom - y < 2 * height;
  if (full) {
    canvas.NewPage();
    y = 0;
  }
}

// Length in bytes of the UTF-8 character that starts at `text[i]`.
size_t CharLength(const std::string& text, size_t i) {
  unsigned char lead = static_cast<unsigned char>(text[i]);
  size_t n = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
  return std::min(n, text.size() - i);
}

}  // namespace

void PrintTextLines(IPrintCanvas& canvas, const std::vector<std::string>& lines) {
  const int tabWidth = std::max(1, 8 * canvas.AverageCharWidth());
  const int pageWidth = canvas.PageWidth();
  int y = 0;
  for (const std::string& line : lines) {
    if (line.empty()) {
      AdvanceLine(canvas, y, canvas.CharHeight(), true);
      continue;
    }
    size_t i = 0;
    while (i < line.size()) {
      // One printed row: runs of text between tabs, until the width is full.
      int x = 0, rowHeight = 0;
      std::string run;
      int runX = 0;
      auto flush = [&] {
        if (run.empty()) return;
        canvas.PrintText(runX, y, run);
        rowHeight = std::max(rowHeight, canvas.TextHeight(run));
        run.clear();
      };
      bool rowHasText = false;
      while (i < line.size()) {
        if (line[i] == '\t') {
          int next = (x / tabWidth + 1) * tabWidth;
          if (next > pageWidth && rowHasText) break;
          flush();
          x = next;
          runX = x;
          rowHasText = true;
          ++i;
          continue;
        }
        size_t n = CharLength(line, i);
        std::string ch = line.substr(i, n);
        int w = canvas.TextWidth(ch);
        // At least one character per row, so a very narrow page still advances.
        if (x + w > pageWidth && rowHasText) break;
        if (run.empty()) runX = x;
        run += ch;
        x += w;
        rowHasText = true;
        i += n;
      }
      flush();
      if (rowHeight == 0) rowHeight = canvas.CharHeight();
      AdvanceLine(canvas, y, rowHeight + 2, false);
    }
  }
}

}  // namespace sw
