#include "testbed_session.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text.h"
#include "testbed/sim_format_library.h"
#include "testbed/wine_mount.h"
#include "choose_folder.h"
#include "ui_driver.h"

namespace sw::e2e {
namespace {

constexpr char kTestbedName[] = "stickwise-testbed.exe";
constexpr DWORD kExitWaitMs = 60000;

std::wstring ModuleFolder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L'\\'));
}

// A letter that names no drive at all, from Y downwards. By the drive's
// type: under Wine a letter mapped and removed again stays in
// GetLogicalDrives while the prefix's server runs.
char UnusedLetter() {
  for (char letter = 'Y'; letter >= 'D'; --letter) {
    const std::wstring root = Widen(std::string(1, letter) + ":\\");
    if (GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR) return letter;
  }
  return 0;
}

bool WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(std::filesystem::path(Widen(path)), std::ios::binary);
  out << content;
  return static_cast<bool>(out);
}

void ReadTree(const std::wstring& folder, const std::string& prefix, std::map<std::string, std::string>& files) {
  WIN32_FIND_DATAW entry{};
  HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::string relative = prefix + Narrow(name);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ReadTree(folder + L"\\" + name, relative + "\\", files);
    } else {
      std::ifstream in(std::filesystem::path(folder + L"\\" + name), std::ios::binary);
      std::stringstream content;
      content << in.rdbuf();
      files[relative] = content.str();
    }
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
}

}  // namespace

const std::map<std::string, std::string>& SampleFiles() {
  static const std::map<std::string, std::string> files = {
      {"Readme.txt", "The stick's own readme.\r\n"},
      {"NOTES", "a file without a dot\n"},
      {".settings", "[view]\nsort=name\n"},
      {"Documents\\Notizen \xE2\x80\x93 M\xC3\xBCller.txt", "\xC3\x84pfel, Br\xC3\xB6tchen\n"},
      {"Documents\\Deep\\data.bin", std::string("\x00\x01\x02\xFF binary", 11)},
  };
  return files;
}

TestbedSession::TestbedSession(const std::string& driveKeys, int copies) { Start(driveKeys, copies); }

void TestbedSession::Start(const std::string& driveKeys, int copies) {
  letter_ = UnusedLetter();
  if (letter_ == 0) {
    problem_ = "no free drive letter";
    return;
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int sessions = 0;
  folder_ = std::wstring(temp) + L"sw-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++sessions);
  const std::string folder = Narrow(folder_);
  stickFolder_ = folder + "\\stick";
  CreateDirectoryW(folder_.c_str(), nullptr);
  CreateDirectoryW(Widen(stickFolder_).c_str(), nullptr);
  CreateDirectoryW(Widen(stickFolder_ + "\\Documents").c_str(), nullptr);
  CreateDirectoryW(Widen(stickFolder_ + "\\Documents\\Deep").c_str(), nullptr);
  for (const auto& [path, content] : SampleFiles()) WriteFile(stickFolder_ + "\\" + path, content);

  // A copy of the testbed in the folder: its backup folder lands there too.
  const std::wstring exe = folder_ + L"\\" + Widen(kTestbedName);
  if (!CopyFileW((ModuleFolder() + L"\\..\\..\\" + Widen(kTestbedName)).c_str(), exe.c_str(), FALSE)) {
    problem_ = "cannot copy the testbed";
    return;
  }
  const std::string ini = folder + "\\machine.ini";
  WriteFile(ini, "[drive]\nnumber = 7\nvendor = Acme\nproduct = Pocket Stick\nrevision = 1.10\n"
                 "serial = 0123456789ABCDEF\nsize = 16008609792\nletter = " +
                     std::string(1, letter_) + "\nfolder = stick\nfilesystem = FAT32\nlabel = POCKET\nsteps = 4\n"
                     "step-ms = 10\n" + driveKeys);
  Launch(copies);
}

void TestbedSession::Launch(int copies) {
  const std::wstring exe = folder_ + L"\\" + Widen(kTestbedName);
  const std::string ini = Narrow(folder_) + "\\machine.ini";
  std::wstring commandLine = L"\"" + exe + L"\" \"" + Widen(ini) + L"\"";
  std::vector<UniqueHandle> copiesStarted;
  std::vector<DWORD> pids;
  for (int i = 0; i < copies; ++i) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup,
                        &info)) {
      problem_ = "cannot start the testbed";
      break;
    }
    CloseHandle(info.hThread);
    copiesStarted.emplace_back(info.hProcess);
    pids.push_back(info.dwProcessId);
  }
  // The window of one of the copies; every copy ending first is a failure.
  const DWORD start = GetTickCount();
  size_t owner = pids.size();
  while (owner == pids.size() && !copiesStarted.empty() && GetTickCount() - start < kWindowTimeoutMs) {
    bool anyRunning = false;
    for (const UniqueHandle& copy : copiesStarted)
      anyRunning = anyRunning || WaitForSingleObject(copy.Get(), 0) != WAIT_OBJECT_0;
    if (!anyRunning) break;
    HWND found = ui::WaitForWindow(kMainCaption, 200);
    DWORD pid = 0;
    if (found == nullptr || !GetWindowThreadProcessId(found, &pid)) continue;
    for (size_t i = 0; i < pids.size(); ++i)
      if (pids[i] == pid) {
        owner = i;
        window_ = found;
      }
  }
  for (size_t i = 0; i < copiesStarted.size(); ++i) {
    if (i == owner)
      process_ = std::move(copiesStarted[i]);
    else
      otherCopies_.push_back(std::move(copiesStarted[i]));
  }
  if (window_ == nullptr && problem_.empty()) problem_ = "the testbed's window did not appear";
}

std::string TestbedSession::StartWithBackup() const {
  CreateDirectoryW(Widen(BackupFolder()).c_str(), nullptr);
  Click("Start");
  if (!ui::AnswerDialog("Warning", "Yes", "will be erased", kStepTimeoutMs)) return "no question before the erase";
  if (!ui::AnswerDialog("Confirmation", "Yes", "back up data", kStepTimeoutMs)) return "no backup question";
  const ui::FolderChoice choice = ui::ChooseFolder("Browse for Folder", BackupFolder(), kStepTimeoutMs);
  return choice.accepted ? std::string() : "folder dialog: " + choice.problem;
}

std::string TestbedSession::StartWithoutBackup() const {
  Click("Start");
  if (!ui::AnswerDialog("Warning", "Yes", "will be erased", kStepTimeoutMs)) return "no question before the erase";
  if (!ui::AnswerDialog("Confirmation", "No", "back up data", kStepTimeoutMs)) return "no backup question";
  return {};
}

void TestbedSession::Kill() {
  if (!process_) return;
  TerminateProcess(process_.Get(), 1);
  WaitForSingleObject(process_.Get(), kExitWaitMs);
  process_.Reset();
  window_ = nullptr;
}

std::string TestbedSession::StartAgain() {
  problem_.clear();
  // The killed window may linger a moment in the window list.
  const DWORD start = GetTickCount();
  while (ui::WaitForWindow(kMainCaption, 50) != nullptr && GetTickCount() - start < kStepTimeoutMs) Sleep(50);
  Launch(1);
  return problem_;
}

std::vector<DWORD> TestbedSession::WaitForOtherCopies(unsigned timeoutMs) const {
  std::vector<DWORD> exitCodes;
  const DWORD start = GetTickCount();
  for (const UniqueHandle& copy : otherCopies_) {
    const DWORD spent = GetTickCount() - start;
    WaitForSingleObject(copy.Get(), spent < timeoutMs ? timeoutMs - spent : 0);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(copy.Get(), &code);
    exitCodes.push_back(code);
  }
  return exitCodes;
}

TestbedSession::~TestbedSession() {
  for (const UniqueHandle& copy : otherCopies_)
    if (WaitForSingleObject(copy.Get(), 0) != WAIT_OBJECT_0) TerminateProcess(copy.Get(), 1);
  if (process_) {
    if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.Get(), kExitWaitMs) != WAIT_OBJECT_0) {
      TerminateProcess(process_.Get(), 1);
      WaitForSingleObject(process_.Get(), kExitWaitMs);
    }
  }
  // A testbed that was ended by force leaves its drive letter behind.
  if (letter_ != 0 && testbed::IsRemovableDrivePresent(letter_)) testbed::UnmapDrive(letter_);
  if (!folder_.empty()) {
    testbed::EmptyFolder(Narrow(folder_));
    RemoveDirectoryW(folder_.c_str());
  }
}

std::string TestbedSession::Log() const { return ui::WindowText(ui::FindLog(window_)); }

bool TestbedSession::WaitForLog(const std::string& text, unsigned timeoutMs) const {
  return ui::WaitForLogText(window_, text, timeoutMs);
}

bool TestbedSession::WaitForRunEnd(unsigned timeoutMs) const {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!ui::IsShown(Button("Start"))) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(50);
  }
  return true;
}

HWND TestbedSession::Button(const std::string& caption) const { return ui::FindControl(window_, "Button", caption); }

void TestbedSession::Click(const std::string& caption) const { ui::Click(Button(caption)); }

std::map<std::string, std::string> TestbedSession::StickFiles() const {
  std::map<std::string, std::string> files;
  ReadTree(Widen(stickFolder_), {}, files);
  return files;
}

std::string TestbedSession::Folder() const { return Narrow(folder_); }

bool InOrder(const std::string& log, std::initializer_list<std::string> lines) {
  size_t at = 0;
  for (const std::string& line : lines) {
    at = log.find(line, at);
    if (at == std::string::npos) return false;
    at += line.size();
  }
  return true;
}

}  // namespace sw::e2e
