// The page layout of a printed plain-text job: lines start at the top-left
// of the printable area, are broken character by character at the right
// edge, expand tabs to stops every eight average character widths, and flow
// onto new pages.
#pragma once

#include <string>
#include <vector>

namespace sw {

class IPrintCanvas;

// Prints `lines` on a canvas whose job has started and whose font is set.
void PrintTextLines(IPrintCanvas& canvas, const std::vector<std::string>& lines);

}  // namespace sw
