// Answers a folder-selection dialog (the shell's "Browse for Folder" with an
// edit box) with a path, and presses OK only when the dialog holds exactly
// that path. Pressed too early, before the dialog has applied its own start
// selection, OK can return whatever the dialog showed then (a drive root,
// for one), and a backup would be written there.
#pragma once

#include <string>

namespace sw::ui {

struct FolderChoice {
  bool accepted = false;  // OK was pressed on exactly the typed path and the dialog closed
  std::string problem;    // why not, naming what the dialog held
};

// Waits up to `timeoutMs` for the dialog and for it to settle (edit box
// present and enabled, nothing in it or in the tree's selection changing
// over several polls), selects the folder `path` names in the tree (it must
// exist: Wine's dialog answers OK with the tree's selection, not the text),
// types `path` into the edit box and presses OK only when the edit reads
// exactly `path` and the tree shows that folder selected. In every other case
// it presses Cancel (when there is a dialog) and says what the dialog held.
FolderChoice ChooseFolder(const std::string& caption, const std::string& path, unsigned timeoutMs);

// Presses OK on what the dialog offers, without choosing: only when it
// shows `instruction` (the start of one of its texts) and its tree has
// exactly `path` selected; else Cancel, saying what it held.
FolderChoice AcceptOfferedFolder(const std::string& caption, const std::string& path, const std::string& instruction,
                                 unsigned timeoutMs);

}  // namespace sw::ui
