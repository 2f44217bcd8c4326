// The name rules the restore plan applies: which names no target file system
// can hold, how many folder entries a name takes, and the letter-case
// folding under which two names count as the same. Plain logic.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sw::restore_names {

// Longest name, in UTF-16 code units, that NTFS, FAT32 and exFAT store.
inline constexpr size_t kMaxNameUnits = 255;

// Why `name` (one path component, UTF-8) cannot name a file or folder on
// `fileSystemName`; empty when it can. The forbidden characters are the same
// on every target: " * / : < > ? \ | and the control characters below 0x20.
std::string NameProblem(std::string_view name, const std::string& fileSystemName);

// The length of `name` in UTF-16 code units, as the file systems count it.
size_t Utf16Units(std::string_view name);

// True for a valid upper-case 8.3 name ("README.TXT"), which FAT stores in
// one folder entry; every other name also takes long-name entries.
bool IsUpperShortName(std::string_view name);

// Folder entries of 32 bytes that `name` takes on FAT/FAT32 and on exFAT.
size_t FatEntries(std::string_view name);
size_t ExfatEntries(std::string_view name);

// `text` upper-cased as the file systems compare names: ASCII, Latin-1,
// Latin Extended-A, basic Greek and Cyrillic letters; other characters stay.
// Two names with the same folded text cannot share a folder.
std::u32string FoldCase(std::string_view text);

}  // namespace sw::restore_names
