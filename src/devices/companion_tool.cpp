// Runs the companion tool through an anonymous pipe and parses its listing.
#include "devices/companion_tool.h"

#include <windows.h>

#include <string_view>

#include "platform/handles.h"
#include "platform/text.h"

namespace sw {

namespace {

constexpr std::string_view kPhysicalDrivePrefix = "\\\\.\\PhysicalDrive";  // 17 characters
constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr DWORD kReadChunk = 255;

bool IsHeader(const std::string& line) {
  const size_t name = line.find("Device Name");
  if (name == std::string::npos) return false;
  const size_t size = line.find("Size Type", name + 1);
  if (size == std::string::npos) return false;
  return line.find("Partition Type", size + 1) != std::string::npos;
}

bool IsDecimal(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool RemovableAfter(const std::string& line, size_t prefixLength) {
  return line.find("Removable", prefixLength) != std::string::npos;
}

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

void ParseToolOutput(const std::string& text, std::vector<std::string>& toolDriveMap,
                     const std::function<int(char)>& volumeDiskNumber) {
  const std::vector<std::string> lines = SplitLines(text);
  size_t first = 0;
  while (first < lines.size() && (lines[first].empty() || !IsHeader(lines[first]))) ++first;
  if (first == lines.size()) return;

  std::vector<std::string> numbers;
  std::string letters;
  for (size_t i = first + 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.starts_with(kPhysicalDrivePrefix) && RemovableAfter(line, kPhysicalDrivePrefix.size())) {
      // The two characters after the prefix hold the drive number; a line
      // whose number is not decimal is skipped.
      const std::string number = Trim(line.substr(kPhysicalDrivePrefix.size(), 2));
      if (IsDecimal(number)) {
        const int n = std::stoi(number);
        if (n > 0) numbers.push_back(std::to_string(n));
      }
    }
    if (line.starts_with(kDevicePrefix) && RemovableAfter(line, kDevicePrefix.size()) && line.size() >= 6) {
      const std::string drive = AsciiUpper(line.substr(4, 2));
      if (drive[0] >= 'D' && drive[0] <= 'Z' && drive[1] == ':') letters += drive[0];
    }
  }

  for (char letter : letters) {
    const int disk = volumeDiskNumber(letter);
    if (disk <= 0) continue;
    for (std::string& entry : numbers) {
      if (entry == std::to_string(disk)) {  // an entry with its letter no longer equals the bare number
        entry += "|";
        entry += letter;
        break;
      }
    }
  }
  if (!numbers.empty()) toolDriveMap = numbers;
}

}  // namespace sw
