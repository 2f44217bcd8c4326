#include "log_follower.h"

#include <algorithm>

#include "ui_driver.h"

namespace sw::ui {
namespace {

constexpr UINT kReplyTimeoutMs = 60000;

std::string Narrow(const wchar_t* text, size_t length) {
  if (length == 0) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

LogFollower::LogFollower(HWND log) : log_(log) {
  DWORD processId = 0;
  GetWindowThreadProcessId(log, &processId);
  process_.Reset(OpenProcess(PROCESS_VM_READ, FALSE, processId));
}

bool LogFollower::NewLines(std::vector<std::string>& lines) {
  lines.clear();
  LRESULT length = 0;
  if (!SendWithin(log_, WM_GETTEXTLENGTH, 0, 0, kReplyTimeoutMs, length) || length < 0) return false;
  const auto end = static_cast<size_t>(length);
  if (end < read_) read_ = 0;  // cleared: its lines are new again
  std::wstring text;
  if (!ReadText(read_, end, text)) return false;
  size_t at = 0;
  for (size_t lineEnd; (lineEnd = text.find(L"\r\n", at)) != std::wstring::npos; at = lineEnd + 2)
    lines.push_back(Narrow(text.data() + at, lineEnd - at));
  // A line break split between two looks is taken whole with the next one.
  const size_t kept = at < text.size() && text.back() == L'\r' ? text.size() - 1 : text.size();
  unfinished_ = Narrow(text.data() + at, kept - at);
  read_ += at;
  return true;
}

bool LogFollower::ReadText(size_t begin, size_t end, std::wstring& text) {
  if (begin == end) return true;
  if (ReadFromBuffer(begin, end, text)) return true;
  // Without the direct read, the text from the start up to `end`: the
  // control's answer to WM_GETTEXT always begins at its first character.
  std::wstring whole(end + 1, L'\0');
  LRESULT copied = 0;
  if (!SendWithin(log_, WM_GETTEXT, whole.size(), reinterpret_cast<LPARAM>(whole.data()), kReplyTimeoutMs, copied))
    return false;
  whole.resize(std::min(static_cast<size_t>(copied), end));
  text = whole.size() > begin ? whole.substr(begin) : std::wstring();
  return true;
}

// A multi-line edit keeps its text in one block of its process's local
// memory, and EM_GETHANDLE names that block: its handle holds the block's
// address. The text is read from there without a message that copies it.
// The log only grows at its end, so what was read is good when the block
// did not move while it was read.
bool LogFollower::ReadFromBuffer(size_t begin, size_t end, std::wstring& text) {
  if (!process_) return false;
  LRESULT handle = 0;
  if (!SendWithin(log_, EM_GETHANDLE, 0, 0, kReplyTimeoutMs, handle) || handle == 0) return false;
  auto blockAddress = [&](ULONG_PTR& address) {
    SIZE_T got = 0;
    return ReadProcessMemory(process_.Get(), reinterpret_cast<const void*>(handle), &address, sizeof address, &got) &&
           got == sizeof address && address != 0;
  };
  ULONG_PTR before = 0, after = 0;
  if (!blockAddress(before)) return false;
  text.assign(end - begin, L'\0');
  SIZE_T got = 0;
  const auto* from = reinterpret_cast<const wchar_t*>(before) + begin;
  if (!ReadProcessMemory(process_.Get(), from, text.data(), text.size() * sizeof(wchar_t), &got) ||
      got != text.size() * sizeof(wchar_t))
    return false;
  return blockAddress(after) && after == before;
}

}  // namespace sw::ui
