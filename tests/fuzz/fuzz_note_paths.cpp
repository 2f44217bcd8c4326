// A note's entries over any text: an entry the check accepts, joined to a
// backup folder and read the way Windows reads a path (either slash a
// separator, trailing dots and blanks trimmed from each step, "." and ".."
// resolved), names a place below that folder, and never climbs above it on
// the way; a step that leads out, a drive or a leading separator added to
// an accepted entry makes it fail; two accepted entries joined pass.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "app/note_paths.h"
#include "fuzz_check.h"

using namespace sw;
namespace {

const char* const kPieces[] = {"a", "\\", "/", ".", "..", " ", ". ", ":", "C:", "\\\\?\\", "\\\\", "name.txt", "\xC3\xA4"};
constexpr int kBaseDepth = 3;  // the backup folder, as in C:\Users\backup

// Whether `entry` joined to a folder `kBaseDepth` steps deep stays below it
// at every step and ends below it, read lexically as Windows reads it.
bool StaysBelowBase(const std::string& entry) {
  // A leading separator or a drive makes the entry stand on its own.
  if (!entry.empty() && (entry.front() == '\\' || entry.front() == '/')) return false;
  if (entry.find(':') != std::string::npos) return false;
  int depth = kBaseDepth;
  std::string step;
  for (size_t i = 0; i <= entry.size(); ++i) {
    if (i < entry.size() && entry[i] != '\\' && entry[i] != '/') {
      step += entry[i];
      continue;
    }
    const bool hadDots = step.find('.') != std::string::npos;
    while (!step.empty() && (step.back() == '.' || step.back() == ' ')) step.pop_back();
    // A step that trims to nothing is read at its worst: dots climb.
    if (!step.empty()) ++depth;
    else if (hadDots) --depth;
    if (depth < kBaseDepth) return false;
    step.clear();
  }
  return depth > kBaseDepth;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  auto makeEntry = [&in] {
    if (in.ConsumeBool()) return in.ConsumeRandomLengthString(256);
    std::string entry;
    for (int i = in.ConsumeIntegralInRange(0, 12); i > 0; --i)
      entry += kPieces[in.ConsumeIntegralInRange<size_t>(0, std::size(kPieces) - 1)];
    return entry;
  };
  const std::string entry = makeEntry();
  const std::string other = makeEntry();
  if (!NoteEntryStaysInside(entry)) return 0;
  FUZZ_CHECK(StaysBelowBase(entry));
  for (const std::string& out : {"..\\" + entry, entry + "\\..", entry + "/.. ", "C:" + entry, "\\" + entry,
                                 "/" + entry, entry + "\\", entry + ":x"})
    FUZZ_CHECK(!NoteEntryStaysInside(out));
  if (NoteEntryStaysInside(other)) FUZZ_CHECK(NoteEntryStaysInside(entry + "\\" + other));
  return 0;
}
