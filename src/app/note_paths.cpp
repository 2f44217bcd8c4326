#include "app/note_paths.h"

namespace sw {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Characters Windows refuses in a name; `:` is among them, so a drive, a
// stream and the \\?\ forms that carry one fail here as well.
bool IsForbidden(char c) {
  const auto code = static_cast<unsigned char>(c);
  if (code < 32) return true;
  switch (c) {
    case ':': case '<': case '>': case '"': case '|': case '?': case '*': return true;
    default: return false;
  }
}

// A step Windows would read as "." or ".." (or as nothing) once it trims
// the trailing dots and blanks: one made of dots and blanks only.
bool IsOnlyDotsAndBlanks(std::string_view step) {
  for (char c : step)
    if (c != '.' && c != ' ') return false;
  return true;
}

}  // namespace

bool NoteEntryStaysInside(std::string_view entry) {
  // A leading separator makes the path absolute (and `\\` a UNC or \\?\ one).
  if (entry.empty() || IsSeparator(entry.front())) return false;
  size_t start = 0;
  for (size_t i = 0; i <= entry.size(); ++i) {
    if (i < entry.size() && !IsSeparator(entry[i])) {
      if (IsForbidden(entry[i])) return false;
      continue;
    }
    // An empty step (`a\\b`, a trailing separator) or a dots-and-blanks one.
    const std::string_view step = entry.substr(start, i - start);
    if (step.empty() || IsOnlyDotsAndBlanks(step)) return false;
    start = i + 1;
  }
  return true;
}

}  // namespace sw
