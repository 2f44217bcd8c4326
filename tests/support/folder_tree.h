// The tree view of a folder-selection dialog in another process, read and
// walked as a user would: item names, the selected folder, and selecting a
// folder by expanding its drive and each folder down to it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sw::ui {

// The names of the selected item and the items above it, root first; empty
// when nothing is selected or the tree cannot be read.
std::vector<std::string> SelectedItemNames(HWND tree);

// Expands the item of the drive of `path` ("X:\folder\...") and each folder
// below it, and selects the last, by exact folder names. False when one of
// them is not in the tree.
bool SelectFolderItem(HWND tree, const std::string& path);

// True when `names` (a selected item and those above it, root first) are
// the folder `path`: its folder names exactly, under the item of its drive
// ("... (X:)"). A drive root never matches.
bool TreeShowsPath(const std::vector<std::string>& names, const std::string& path);

}  // namespace sw::ui
