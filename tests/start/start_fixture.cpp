#include "start_fixture.h"

#include "toolkit/answering_run.h"

#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/speedup_rules.h"
#include "platform/text.h"
#include "simulated_drives.h"
#include "testbed/sim_format_library.h"
#include "toolkit/application.h"

namespace sw::testing {

WineDrive* StartTest::drive_ = nullptr;

namespace {

const std::string kDiskQuery = "SELECT * FROM Win32_DiskDrive";
const std::string kStickPartitions =
    "ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\\\\\.\\\\PhysicalDrive1\"} "
    "WHERE AssocClass = Win32_DiskDriveToDiskPartition";
const std::string kStickLogicalDisks =
    "ASSOCIATORS OF {Win32_DiskPartition.DeviceID=\"Disk #1, Partition 0\"} "
    "WHERE AssocClass = Win32_LogicalDiskToPartition";

void CollectFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& files) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Widen(folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = Narrow(found.cFileName);
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CollectFiles(folder + "\\" + name, prefix + name + "\\", files);
    else
      files.push_back(prefix + name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::string WithoutTrailingBackslash(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

void StickLibrary::TakeScript(std::deque<std::vector<LibraryCommand>>& scripts) {
  if (scripts.empty()) return;
  script = scripts.front();
  if (scripts.size() > 1) scripts.pop_front();
}

void StickLibrary::FormatEx(const std::string& root, uint32_t mediaCode, const std::string& fileSystem,
                            const std::string& label, bool quickFormat, uint32_t clusterSize, FmifsCallback callback) {
  TakeScript(formatScripts);
  const size_t answered = answers.size();
  FakeFormatLibrary::FormatEx(root, mediaCode, fileSystem, label, quickFormat, clusterSize, callback);
  const bool stopped = std::find(answers.begin() + static_cast<long>(answered), answers.end(), 0) != answers.end();
  const bool reportsSuccess = std::any_of(script.begin(), script.end(), [](const LibraryCommand& command) {
    return command.code == fmifs::kDone && command.success;
  });
  if (stopped || !reportsSuccess) return;
  tk::OnWindowThread([this] {
    if (eraseDrive) eraseDrive();
    if (afterFormat) afterFormat();
  });
}

void StickLibrary::Chkdsk(const std::string& root, const std::string& fileSystem, bool repair, bool verbose,
                          bool onlyIfDirty, bool surfaceScan, FmifsCallback callback) {
  TakeScript(checkScripts);
  FakeFormatLibrary::Chkdsk(root, fileSystem, repair, verbose, onlyIfDirty, surfaceScan, callback);
}

void StartTest::SetUpTestSuite() { drive_ = new WineDrive(); }

void StartTest::TearDownTestSuite() {
  delete drive_;
  drive_ = nullptr;
}

StartTest::StartTest() {
  services.deviceIo = &io;
  services.wmi = &wmi;
  services.formatLibrary = &library;
  services.wait = [](std::uint32_t) {};  // a held volume is retried without real pauses

  PhysicalDriveScript stick;
  stick.descriptor = {"Generic", "Flash Disk", "8.07", ""};
  stick.mediaType = 11;  // removable media
  stick.diskSize = 8010194944;
  ScriptPhysicalDrive(io, 1, stick);
  SetWmiDiskSize(8010194944LL);
  wmi.Answer(kStickPartitions, {{{"DeviceID", WmiValue::Text("Disk #1, Partition 0")}}});

  library.checkScripts = {{LibraryCommand::Percent(50), LibraryCommand::Output("Volume is clean."),
                           LibraryCommand::Done(true)}};
  library.formatScripts = {{LibraryCommand::Percent(10), LibraryCommand::Output("Formatting..."),
                            LibraryCommand::Percent(100), LibraryCommand::Done(true)}};
}

StartTest::~StartTest() {
  form.reset();  // before the drive services it works through
  if (drive_ != nullptr && drive_->Problem().empty()) EmptyFolder(Root());
  EmptyFolder(BackupFolder());
  RemoveDirectoryW(Widen(BackupFolder()).c_str());
}

void StartTest::SetUp() {
  if (!drive_->Problem().empty()) GTEST_SKIP() << "Wine drive: " << drive_->Problem();
  drive_->PutBack();  // a test that pulled the stick and failed half way
  MapStickToLetter(Letter());
  io.AddDevice(std::string("\\\\.\\") + Letter() + ":");  // the engine's exclusive-open test
  library.eraseDrive = [this] { EmptyFolder(Root()); };
  EmptyFolder(Root());
  EmptyFolder(BackupFolder());
}

void StartTest::PrepareWindow(int fileSystem, bool scan, const std::string& label) {
  CreateForm();
  ASSERT_TRUE(form->StartupCompleted());
  form->FileSystem->SetItemIndex(fileSystem);
  form->VolumeLabel->SetText(label);
  form->OptCorrectErrors->SetChecked(scan);
}

void StartTest::PressStart() {
  logMark = form->Log->Lines().size();
  tk::Guarded([this] { form->btnStartClick(); });
  // The run works on its own thread; the window answers until it has ended.
  form->WaitForRunEnd();
}

std::vector<std::string> StartTest::RunLog() const {
  std::vector<std::string> lines = form->Log->Lines();
  if (logMark >= lines.size()) return {};
  return {lines.begin() + static_cast<long>(logMark), lines.end()};
}

bool StartTest::RunLogHas(const std::string& line) const {
  const auto lines = RunLog();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void StartTest::SetVolumeBytes(std::int64_t bytes) {
  std::vector<uint8_t> reply(sizeof(GET_LENGTH_INFORMATION));
  std::memcpy(reply.data(), &bytes, sizeof(bytes));
  io.devices[std::string("\\\\.\\") + Letter() + ":"][IOCTL_DISK_GET_LENGTH_INFO] = {{true, reply, 0}};
}

void StartTest::SetWmiDiskSize(long long bytes) {
  SetVolumeBytes(bytes > (1 << 20) ? bytes - (1 << 20) : bytes);
  wmi.Answer(kDiskQuery, {{{"Caption", WmiValue::Text("Generic Flash Disk USB Device")},
                           {"DeviceID", WmiValue::Text("\\\\.\\PHYSICALDRIVE1")},
                           {"Partitions", WmiValue::Integer(1)},
                           {"Size", WmiValue::Text(std::to_string(bytes))}}});
}

void StartTest::MapStickToLetter(char letter) {
  wmi.Answer(kStickLogicalDisks, {{{"DeviceID", WmiValue::Text(std::string(1, letter) + ":")}}});
}

void StartTest::PutStickFiles() const {
  PutFile(Root() + "a.txt", "hello");
  PutFile(Root() + "docs\\b.txt", "abc");
}

void StartTest::PutFile(const std::string& path, const std::string& content) {
  const size_t slash = path.find_last_of('\\');
  if (slash != std::string::npos && slash > 2) CreateDirectoryW(Widen(path.substr(0, slash)).c_str(), nullptr);
  std::ofstream out(std::filesystem::path(Widen(path)), std::ios::binary);
  out << content;
}

std::vector<std::string> StartTest::FilesBelow(const std::string& folder) {
  std::vector<std::string> files;
  CollectFiles(WithoutTrailingBackslash(folder), "", files);
  std::sort(files.begin(), files.end());
  return files;
}

std::string StartTest::ReadFile(const std::string& path) {
  std::ifstream in(std::filesystem::path(Widen(path)), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void StartTest::EmptyFolder(const std::string& folder) { testbed::EmptyFolder(WithoutTrailingBackslash(folder)); }

std::string StartTest::StickEntry() const { return "Generic Flash Disk (7.46 GB) (" + Root() + ")"; }

std::string StartTest::BackupFolder() { return DefaultBackupFolder(); }

void StartTest::Answer(std::initializer_list<bool> answers) {
  dialogs.yesNoAnswers.assign(answers.begin(), answers.end());
}

std::vector<std::string> StartTest::Questions() const {
  std::vector<std::string> texts;
  for (const auto& box : dialogs.shown)
    if (box.kind == "yesno") texts.push_back(box.text);
  return texts;
}

void StartTest::ExpectCompletedState() const {
  EXPECT_TRUE(form->btnStart->Visible());
  EXPECT_TRUE(form->btnStart->Enabled());
  EXPECT_FALSE(form->btnCancel->Visible());
  EXPECT_TRUE(form->ProgressBar->Visible());
  EXPECT_EQ(form->ProgressBar->Position(), 0);
  EXPECT_TRUE(form->lblCopyright->Visible());
  EXPECT_FALSE(form->lblBottomMsg->Visible());
  EXPECT_EQ(form->lblBottomMsg->Caption(), "");
  EXPECT_FALSE(form->OperationRunning);
}

void StartTest::ExpectCancelledState() const {
  EXPECT_TRUE(form->btnStart->Visible());
  EXPECT_TRUE(form->btnStart->Enabled());
  EXPECT_FALSE(form->btnCancel->Visible());
  EXPECT_FALSE(form->ProgressBar->Visible());
  EXPECT_TRUE(form->lblCopyright->Visible());
  EXPECT_FALSE(form->lblBottomMsg->Visible());
  EXPECT_EQ(form->lblBottomMsg->Caption(), "");
  EXPECT_FALSE(form->OperationRunning);
}

void StartTest::ExpectIdleState() const {
  EXPECT_TRUE(form->btnStart->Visible());
  EXPECT_TRUE(form->btnStart->Enabled());
  EXPECT_FALSE(form->btnCancel->Visible());
  EXPECT_FALSE(form->ProgressBar->Visible());
  EXPECT_TRUE(form->lblCopyright->Visible());
  EXPECT_FALSE(form->lblBottomMsg->Visible());
  EXPECT_FALSE(form->OperationRunning);
}

std::string StartTest::VolumeLine() const {
  wchar_t label[261] = {}, fs[261] = {};
  GetVolumeInformationW(Widen(Root()).c_str(), label, 261, nullptr, nullptr, nullptr, fs, 261);
  return AsciiUpper(Root()) + " Volume Label: " + Narrow(label) + ", File System: " + Narrow(fs);
}

std::vector<std::string> StartTest::CheckLines(const std::vector<std::string>& scriptTexts) const {
  std::vector<std::string> lines{VolumeLine()};
  lines.insert(lines.end(), scriptTexts.begin(), scriptTexts.end());
  return lines;
}

std::vector<std::string> StartTest::FormatLines(const std::vector<std::string>& scriptTexts, bool succeeded) const {
  const std::string root = AsciiUpper(Root());
  std::vector<std::string> lines{root + " Checking Existing Drive Format", VolumeLine(), root + " Starting to Format Drive"};
  lines.insert(lines.end(), scriptTexts.begin(), scriptTexts.end());
  if (succeeded) {
    lines.push_back(root + " Checking New Drive Format");
    lines.push_back(VolumeLine());
    lines.push_back(root + " New Volume Space: *");
  }
  return lines;
}

void ExpectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
  bool same = actual.size() == expected.size();
  for (size_t i = 0; same && i < expected.size(); ++i) {
    const std::string& want = expected[i];
    if (!want.empty() && want.back() == '*')
      same = actual[i].rfind(want.substr(0, want.size() - 1), 0) == 0;
    else
      same = actual[i] == want;
  }
  if (same) return;
  std::string report = "log lines differ.\n--- expected:\n";
  for (const auto& line : expected) report += "  [" + line + "]\n";
  report += "--- actual:\n";
  for (const auto& line : actual) report += "  [" + line + "]\n";
  ADD_FAILURE() << report;
}

}  // namespace sw::testing
