// A stand-in for the system's format library with the real entries' names
// and signatures, installed as fmifs.dll into the system folder of the
// tests' own Wine prefix (Wine has no format library of its own). It plays
// the callback commands a test gave it and records how it was called.
#include <windows.h>

#include <cstring>
#include <string>

#include "system_fmifs.h"

namespace {

using sw::fmifs_test::Command;
using sw::fmifs_test::RecordedCall;

// The callback as the system declares it: a command code of enumeration
// width, the sub-action and the command's data; a BOOLEAN answer.
using Callback = BOOLEAN(__stdcall*)(int command, DWORD subAction, PVOID actionInfo);

// The text-output record of command 14 on x64: a 32-bit line count, four
// bytes of padding, the text pointer at offset 8; 16 bytes in all. The
// padding is filled so that a reader at the 32-bit offset gets no pointer.
constexpr size_t kTextRecordSize = 16;
constexpr size_t kTextPointerOffset = 8;
constexpr unsigned char kPadding = 0xA5;

Command g_script[sw::fmifs_test::kMaxCommands];
uint32_t g_scriptLength = 0;
RecordedCall g_last;
bool g_called = false;

void CopyText(wchar_t* target, const wchar_t* text) {
  if (text == nullptr) return;
  wcsncpy(target, text, sw::fmifs_test::kTextUnits - 1);
}

BOOLEAN Send(Callback callback, const Command& command) {
  switch (command.data) {
    case Command::kPercent: {
      INT32 percent = command.value;
      return callback(static_cast<int>(command.code), command.subAction, &percent);
    }
    case Command::kSuccess: {
      BOOLEAN success = static_cast<BOOLEAN>(command.value);
      return callback(static_cast<int>(command.code), command.subAction, &success);
    }
    case Command::kText: {
      alignas(8) unsigned char record[kTextRecordSize];
      std::memset(record, kPadding, sizeof(record));
      const UINT32 lines = 1;
      std::memcpy(record, &lines, sizeof(lines));
      const char* text = command.text;
      std::memcpy(record + kTextPointerOffset, &text, sizeof(text));
      return callback(static_cast<int>(command.code), command.subAction, record);
    }
    case Command::kNone:
    default:
      return callback(static_cast<int>(command.code), command.subAction, nullptr);
  }
}

void Play(Callback callback) {
  for (uint32_t i = 0; i < g_scriptLength; ++i) {
    const BOOLEAN answer = Send(callback, g_script[i]);
    g_last.answers[g_last.answerCount++] = answer;
    if (answer == 0) return;
  }
}

RecordedCall& NewCall(const char* entry) {
  g_last = RecordedCall{};
  std::strncpy(g_last.entry, entry, sizeof(g_last.entry) - 1);
  g_called = true;
  return g_last;
}

}  // namespace

extern "C" __declspec(dllexport) void __stdcall FormatEx(PWCHAR driveRoot, DWORD mediaCode, PWCHAR fileSystem,
                                                         PWCHAR label, BOOL quickFormat, DWORD clusterSize,
                                                         Callback callback) {
  RecordedCall& call = NewCall("FormatEx");
  CopyText(call.root, driveRoot);
  CopyText(call.fileSystem, fileSystem);
  CopyText(call.label, label);
  call.mediaCode = mediaCode;
  call.clusterSize = clusterSize;
  call.flags[0] = quickFormat;
  Play(callback);
}

extern "C" __declspec(dllexport) void __stdcall Chkdsk(PWCHAR driveRoot, PWCHAR fileSystem, BOOL repair,
                                                       BOOL verbose, BOOL onlyIfDirty, BOOL surfaceScan,
                                                       PVOID unused1, PVOID unused2, Callback callback) {
  RecordedCall& call = NewCall("Chkdsk");
  CopyText(call.root, driveRoot);
  CopyText(call.fileSystem, fileSystem);
  call.flags[0] = repair;
  call.flags[1] = verbose;
  call.flags[2] = onlyIfDirty;
  call.flags[3] = surfaceScan;
  call.unused[0] = unused1;
  call.unused[1] = unused2;
  Play(callback);
}

extern "C" __declspec(dllexport) void TestPlay(const Command* commands, uint32_t count) {
  if (count > sw::fmifs_test::kMaxCommands) count = sw::fmifs_test::kMaxCommands;
  std::memcpy(g_script, commands, count * sizeof(Command));
  g_scriptLength = count;
}

extern "C" __declspec(dllexport) const RecordedCall* TestLastCall() { return g_called ? &g_last : nullptr; }
