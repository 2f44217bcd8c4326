// Folder links for the tests. Wine 8 cannot make a symbolic link or a
// junction through the system's calls (they answer success and make
// nothing), but it shows a link of the host's file system to a folder as a
// folder with the reparse-point attribute, just as Windows shows a junction:
// so the tests make such links with the host's own tools. Wine cannot delete
// or rename them either, so they are removed the same way.
#pragma once

#include <string>

namespace sw::testing {

// Makes `link` (a Windows path) a link to the folder `target`; true once
// the link reads as a folder with the reparse-point attribute. False where
// that cannot be done (not under Wine), and the caller skips its test.
bool MakeFolderLink(const std::string& link, const std::string& target);
// Removes `path` and everything below it without following any link, as
// the host removes a tree; true when it is gone.
bool RemoveTreeOnHost(const std::string& path);

}  // namespace sw::testing
