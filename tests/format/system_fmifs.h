// The test format library's own exports beside its real entries: the test
// hands it the callback commands to play and reads back how the entries were
// called and what the callback answered. The library builds every record it
// passes to the callback byte by byte in the system's x64 layout, never from
// the program's own definitions, so a wrong layout in the program shows.
#pragma once

#include <cstdint>

namespace sw::fmifs_test {

struct Command {
  enum Data : uint32_t { kNone, kPercent, kSuccess, kText };
  uint32_t code;  // sent as is: any bits above the low byte included
  uint32_t subAction;
  Data data;
  int32_t value;     // kPercent: the percentage; kSuccess: the first byte
  const char* text;  // kText: NUL-terminated, OEM code page
};

inline constexpr uint32_t kMaxCommands = 32;
inline constexpr uint32_t kTextUnits = 64;

// One call of FormatEx or Chkdsk as the library received it.
struct RecordedCall {
  char entry[16];  // "FormatEx" or "Chkdsk"
  wchar_t root[kTextUnits];
  wchar_t fileSystem[kTextUnits];
  wchar_t label[kTextUnits];  // FormatEx only
  uint32_t mediaCode;         // FormatEx only
  uint32_t clusterSize;       // FormatEx only
  int32_t flags[4];           // FormatEx: quick; Chkdsk: repair, verbose, only-if-dirty, surface scan
  const void* unused[2];      // Chkdsk's two pointers, which must be null
  uint32_t answerCount;
  uint8_t answers[kMaxCommands];  // the callback's answer to each command played
};

// Exported as "TestPlay": the commands of the next calls (copied); playing
// stops after the first "stop" answer, as a library that winds down would.
using PlayFn = void (*)(const Command* commands, uint32_t count);
// Exported as "TestLastCall": the last call received; null before the first.
using LastCallFn = const RecordedCall* (*)();

}  // namespace sw::fmifs_test
