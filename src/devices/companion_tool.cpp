// Runs the companion tool through an anonymous pipe and captures its output.
#include "devices/companion_tool.h"

#include <windows.h>

#include <string_view>

#include "platform/handles.h"
#include "platform/text.h"

namespace sw {

namespace {

constexpr DWORD kReadChunk = 255;

}  // namespace

std::string CompanionToolCommandLine(const std::string& folder) {
  return "\"" + folder + "\\" + kCompanionToolName + "\" -l";
}

std::string RunAndCapture(const std::string& commandLine) {
  std::string output;
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  UniqueHandle readEnd, writeEnd;
  if (!CreatePipe(readEnd.Put(), writeEnd.Put(), &inheritable, 0)) return output;
  // Only the write end goes to the child: an inherited read end would keep
  // the pipe open in the child and let it read its own output.
  SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd.Get();
  startup.hStdError = writeEnd.Get();

  std::wstring mutableCommandLine = Widen(commandLine);  // CreateProcessW may write into it
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessW(nullptr, mutableCommandLine.data(), nullptr, nullptr, TRUE,
                                      NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process) != FALSE;
  // Our copy of the write end goes now, so reading ends when the child
  // closes its copy.
  writeEnd.Reset();
  if (!started) return output;
  UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);

  char chunk[kReadChunk];
  DWORD read = 0;
  while (ReadFile(readEnd.Get(), chunk, kReadChunk, &read, nullptr) && read > 0) {
    std::string_view bytes(chunk, read);
    output.append(bytes.substr(0, bytes.find('\0')));
  }
  WaitForSingleObject(processHandle.Get(), INFINITE);
  return output;
}

}  // namespace sw
