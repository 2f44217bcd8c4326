// Drives another program's windows through window messages, as a user
// would: finds windows and controls by caption and class, clicks buttons,
// answers message boxes, sets an edit's text, selects combo items and reads
// the activity log. Used by the uidriver tool and the end-to-end tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sw::ui {

// A visible top-level window with exactly this caption (and class, when
// given); null when none appears within `timeoutMs`.
HWND WaitForWindow(const std::string& caption, unsigned timeoutMs, const std::string& className = {});

// A dialog (class #32770) with this caption whose texts contain `text`
// (any when empty); null when none appears within `timeoutMs`.
HWND WaitForDialog(const std::string& caption, const std::string& text, unsigned timeoutMs);

// The `index`-th descendant of `window` of this class (any case), with this
// caption when `caption` is not empty ("&" ignored); null when there is none.
HWND FindControl(HWND window, const std::string& className, const std::string& caption = {}, int index = 0);

// Sends a message and waits up to `timeoutMs` for the answer; false when the
// window did not answer in time. A window a busy machine kept from its
// messages for a few seconds is not taken for hung.
bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs, LRESULT& result);

// The texts of a window's static and edit children, one per line.
std::string DialogText(HWND dialog);
std::string WindowText(HWND window);
bool IsShown(HWND control);

// Clicks a button: its parent is told, as when the user releases the mouse
// on it. Returns at once; the click's handler runs in the program.
void Click(HWND button);
// Presses a dialog's button by caption; false when the dialog has no such button.
bool PressDialogButton(HWND dialog, const std::string& caption);
// Waits for the dialog and presses the button; false when either is missing.
bool AnswerDialog(const std::string& caption, const std::string& button, const std::string& text, unsigned timeoutMs);

void SetText(HWND control, const std::string& text);
void SetChecked(HWND checkBox, bool checked);
std::vector<std::string> ComboItems(HWND combo);
// Selects the first item that contains `text` and tells the parent the
// selection changed; false when no item contains it.
bool SelectComboItem(HWND combo, const std::string& text);

// The main window's activity log: its multi-line edit.
HWND FindLog(HWND window);
// Waits until a line of the log contains `text`; false after `timeoutMs`.
// Each look reads only the lines added since the one before (LogFollower).
bool WaitForLogText(HWND window, const std::string& text, unsigned timeoutMs);

// Every visible top-level window as "caption [class]" and below it its
// visible controls, indented, for diagnosis.
std::vector<std::string> ListWindows();

}  // namespace sw::ui
