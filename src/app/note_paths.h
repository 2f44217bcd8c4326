// Whether a path a backup's note lists lies inside the note's folder. The
// note is a text file anyone can edit, and an old backup is deleted file by
// file from it: an entry that climbs out of the folder (`..\`), names a
// place by itself (an absolute, drive, \\?\ or UNC path) or leans on the
// way Windows trims names would lead the deletion elsewhere. The check is
// on the text alone, with no windows.h, so it is tested and fuzzed natively.
#pragma once

#include <string_view>

namespace sw {

// True when `entry`, joined to the note's folder, names a place below that
// folder however Windows reads it: not empty, not absolute (no leading `\`
// or `/`), no `:` anywhere (drives, streams), `/` counted as a separator
// like `\`, and every step a name: not empty, not `.` or `..`, and not made
// only of dots and blanks (Windows trims trailing dots and blanks, so `.. `
// reads as `..`). Characters no file name can hold (controls, `<>"|?*`)
// fail too: such an entry names no file we wrote.
bool NoteEntryStaysInside(std::string_view entry);

}  // namespace sw
