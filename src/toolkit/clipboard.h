// Plain text on the system clipboard.
#pragma once

#include <windows.h>

#include <string>

namespace sw::tk {

// Puts `text` on the clipboard as Unicode text; false when the clipboard
// could not be opened.
bool SetClipboardText(HWND owner, const std::string& text);
// The clipboard's Unicode text; empty when there is none.
std::string ClipboardText(HWND owner);

}  // namespace sw::tk
