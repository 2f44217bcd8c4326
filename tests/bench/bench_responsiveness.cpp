// How quickly the testbed's window answers while a whole speed-up runs on a
// large stick: one big file and 2,000 small ones, with the scan, the
// capacity check and the speed measurement on. A second thread sends the window WM_NULL every 20 ms and
// times each answer; this thread follows the activity log's new lines to
// know the stage the run is in. Prints per stage the number of answers, the
// 99th percentile and the worst one, and how long each stage took.
//   bench_responsiveness [large-MiB] [folders] [files-per-folder]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "choose_folder.h"
#include "log_follower.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "testbed_session.h"
#include "ui_driver.h"

namespace {

using sw::e2e::TestbedSession;

constexpr DWORD kProbeIntervalMs = 20;
constexpr UINT kProbeTimeoutMs = 10000;
constexpr DWORD kLogPollMs = 100;
constexpr DWORD kRunTimeoutMs = 2 * 60 * 60 * 1000;
constexpr double kWorstGoalMs = 100;
constexpr double kP99GoalMs = 20;

// Slow enough that the scan and the format take about two seconds each, and
// the speed measurement has a stick that gets faster with the format.
constexpr char kDriveKeys[] =
    "steps = 40\nstep-ms = 50\n"
    "write-ms-per-mib-before = 25\nread-ms-per-mib-before = 10\n"
    "write-ms-per-file-before = 8\nread-ms-per-file-before = 2\n"
    "write-ms-per-mib-after = 16\nread-ms-per-mib-after = 8\n"
    "write-ms-per-file-after = 5\nread-ms-per-file-after = 1\n";

// The stages in the order a run goes through them, each with the start of
// the log line that begins it. The first begins with the folder dialog's
// answer; the speed is measured before the format and again after it.
struct Stage {
  const char* name;
  const char* marker;
};
constexpr Stage kStages[] = {
    {"listing", nullptr},
    {"backup", "Folder "},
    {"check disk", "Starting check disk for"},
    {"capacity", "Checking the real capacity of drive"},
    {"speed", "Measuring the speed of drive"},
    {"read-back", "Checking the backup in"},
    {"format", "Format USB drive..."},
    {"speed", "Measuring the speed of drive"},
    {"restore", "Data is being copied back to USB drive ..."},
    {"restore check", "Copy operation completed."},
};
constexpr int kStageCount = static_cast<int>(std::size(kStages));
constexpr char kSuccess[] = "Operations completed.";
// Lines that end a run before its success line.
constexpr const char* kFailures[] = {"Nothing was erased.", "The speed-up of drive",
                                     "Format disk operation encountered an error.",
                                     "The drive's files are kept in the backup folder"};

double Now() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / ticksPerMs;
}

struct Probe {
  double at;      // ms, when it was sent
  double answer;  // ms until the window answered (the timeout when it did not)
};

// Sends WM_NULL every kProbeIntervalMs until `stop`; a late answer sends the
// next probe at once.
void ProbeWindow(HWND window, const std::atomic<bool>& stop, std::vector<Probe>& probes) {
  while (!stop) {
    const double sent = Now();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kProbeTimeoutMs, &ignored);
    const double answered = Now();
    probes.push_back({sent, answered - sent});
    const double next = sent + kProbeIntervalMs;
    if (answered < next) Sleep(static_cast<DWORD>(next - answered));
  }
}

bool WriteWholeFile(const std::string& path, const std::vector<char>& content) {
  sw::UniqueHandle file(CreateFileW(sw::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
         written == content.size();
}

// One large file, written 8 MiB at a time, each piece of its own byte, and
// `folders` x `perFolder` small files of 0.5 to 8 KB.
bool FillStick(const std::string& stick, int largeMiB, int folders, int perFolder) {
  sw::UniqueHandle large(
      CreateFileW(sw::Widen(stick + "\\large.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  std::vector<char> piece(8 << 20);
  for (int mib = 0; large && mib < largeMiB; mib += 8) {
    std::fill(piece.begin(), piece.end(), static_cast<char>(mib));
    DWORD written = 0;
    const auto size = static_cast<DWORD>(std::min(8, largeMiB - mib)) << 20;
    if (!WriteFile(large.Get(), piece.data(), size, &written, nullptr) || written != size) return false;
  }
  if (!large) return false;
  for (int f = 0; f < folders; ++f) {
    const std::string folder = stick + "\\folder" + std::to_string(f);
    CreateDirectoryW(sw::Widen(folder).c_str(), nullptr);
    for (int i = 0; i < perFolder; ++i) {
      const size_t size = 512 + static_cast<size_t>(i * 7919 + f * 104729) % 7680;
      if (!WriteWholeFile(folder + "\\file" + std::to_string(i) + ".dat", std::vector<char>(size, 'a' + i % 26)))
        return false;
    }
  }
  return true;
}

// Follows the log's new lines until the run's success or failure line: the
// time each stage began (by this thread's clock, so within a poll of the
// line) and the line that ended the run.
struct Followed {
  std::vector<std::pair<int, double>> starts;  // stage index, ms
  double end = 0;
  std::string lastLine;
  bool succeeded = false;
};

Followed FollowLog(sw::ui::LogFollower& follower, double listingStart) {
  Followed run;
  run.starts.push_back({0, listingStart});
  std::vector<std::string> lines;
  const DWORD deadline = GetTickCount() + kRunTimeoutMs;
  bool answering = true;
  while (GetTickCount() < deadline && (answering = follower.NewLines(lines))) {
    if (!lines.empty()) {
      const double now = Now();
      for (const std::string& line : lines) {
        for (int next = run.starts.back().first + 1; next < kStageCount; ++next)
          if (line.starts_with(kStages[next].marker)) {
            run.starts.push_back({next, now});
            break;
          }
        const bool failed = std::any_of(std::begin(kFailures), std::end(kFailures),
                                        [&](const char* text) { return line.find(text) != std::string::npos; });
        if (failed || line.find(kSuccess) != std::string::npos) {
          run.end = now;
          run.lastLine = line;
          run.succeeded = !failed;
          return run;
        }
      }
    }
    Sleep(kLogPollMs);
  }
  run.end = Now();
  run.lastLine = answering ? "no end of the run within the time allowed" : "the testbed's window closed";
  return run;
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(values.size())));
  return values[std::max<size_t>(rank, 1) - 1];
}

void Report(const Followed& run, const std::vector<Probe>& probes) {
  // Each stage's name once, in the order of first appearance.
  std::vector<std::string> names;
  for (const Stage& stage : kStages)
    if (std::find(names.begin(), names.end(), stage.name) == names.end()) names.push_back(stage.name);
  std::vector<std::vector<double>> answers(names.size());
  for (const Probe& probe : probes) {
    int stage = run.starts.front().first;
    for (const auto& [index, start] : run.starts)
      if (start <= probe.at) stage = index;
    const auto name = std::find(names.begin(), names.end(), kStages[stage].name) - names.begin();
    answers[static_cast<size_t>(name)].push_back(probe.answer);
  }

  std::printf("\n%-14s %8s %9s %10s\n", "stage", "probes", "p99 ms", "worst ms");
  double worst = 0;
  std::string worstStage;
  int measured = 0, p99Over = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    if (answers[i].empty()) {
      std::printf("%-14s %8d %9s %10s\n", names[i].c_str(), 0, "-", "-");
      continue;
    }
    const double p99 = Percentile(answers[i], 0.99);
    const double stageWorst = *std::max_element(answers[i].begin(), answers[i].end());
    std::printf("%-14s %8zu %9.1f %10.1f\n", names[i].c_str(), answers[i].size(), p99, stageWorst);
    ++measured;
    if (p99 > kP99GoalMs) ++p99Over;
    if (stageWorst > worst) {
      worst = stageWorst;
      worstStage = names[i];
    }
  }

  // Each stage as it ran, with its slowest answer and when in the stage it came.
  std::printf("\nstage durations:\n");
  for (size_t i = 0; i < run.starts.size(); ++i) {
    const double start = run.starts[i].second;
    const double end = i + 1 < run.starts.size() ? run.starts[i + 1].second : run.end;
    Probe slowest{0, 0};
    for (const Probe& probe : probes)
      if (probe.at >= start && probe.at < end && probe.answer > slowest.answer) slowest = probe;
    std::printf("  %-14s %8.1f s   slowest answer %6.1f ms at +%.1f s\n", kStages[run.starts[i].first].name,
                (end - start) / 1000.0, slowest.answer, (slowest.at - start) / 1000.0);
  }
  std::printf("  %-14s %8.1f s\n", "whole run", (run.end - run.starts.front().second) / 1000.0);

  std::printf("\nresponsiveness: worst %.0f ms (stage %s), p99 over %.0f ms in %d of %d stages\n", worst,
              worstStage.c_str(), kP99GoalMs, p99Over, measured);
  const bool met = worst < kWorstGoalMs && p99Over == 0;
  std::printf("goal (worst under %.0f ms, p99 under %.0f ms at every stage): %s\n", kWorstGoalMs, kP99GoalMs,
              met ? "met" : "missed");
}

}  // namespace

int main(int argc, char** argv) {
  const int largeMiB = argc > 1 ? std::atoi(argv[1]) : 1024;
  const int folders = argc > 2 ? std::atoi(argv[2]) : 20;
  const int perFolder = argc > 3 ? std::atoi(argv[3]) : 100;

  std::setvbuf(stdout, nullptr, _IONBF, 0);  // each line shows as the run reaches it
  TestbedSession session(kDriveKeys);
  if (!session.Problem().empty()) {
    std::printf("the testbed did not start: %s\n", session.Problem().c_str());
    return 1;
  }
  const double fillStart = Now();
  if (!FillStick(session.StickFolder(), largeMiB, folders, perFolder)) {
    std::printf("cannot write the stick's files in %s\n", session.StickFolder().c_str());
    return 1;
  }
  std::printf("stick: %d MiB file and %d small files, written in %.1f s\n", largeMiB, folders * perFolder,
              (Now() - fillStart) / 1000.0);

  for (const char* option : {"Scan drive for errors", "Check the real capacity", "Measure speed before and after"})
    if (HWND box = sw::ui::FindControl(session.Window(), "Button", option))
      sw::ui::SetChecked(box, true);
    else
      std::printf("no option \"%s\"; the run goes without it\n", option);
  // The dialog selects only folders that exist; the program makes none.
  const std::string backup = session.Folder() + "\\backup";
  CreateDirectoryW(sw::Widen(backup).c_str(), nullptr);

  session.Click("Start");
  if (!sw::ui::AnswerDialog("Warning", "Yes", "will be erased", sw::e2e::kStepTimeoutMs) ||
      !sw::ui::AnswerDialog("Confirmation", "Yes", "back up data", sw::e2e::kStepTimeoutMs)) {
    std::printf("the questions before the run did not appear\n");
    return 1;
  }
  // Only the lines after the questions count.
  sw::ui::LogFollower follower(sw::ui::FindLog(session.Window()));
  std::vector<std::string> before;
  follower.NewLines(before);
  const sw::ui::FolderChoice choice = sw::ui::ChooseFolder("Browse for Folder", backup, sw::e2e::kStepTimeoutMs);
  if (!choice.accepted) {
    std::printf("the folder dialog was not answered: %s\n", choice.problem.c_str());
    return 1;
  }

  const double listingStart = Now();
  std::atomic<bool> stop = false;
  std::vector<Probe> probes;
  probes.reserve(200000);
  std::thread prober(ProbeWindow, session.Window(), std::cref(stop), std::ref(probes));
  const Followed run = FollowLog(follower, listingStart);
  stop = true;
  prober.join();

  Report(run, probes);
  if (!run.succeeded) {
    std::printf("the run did not complete: %s\n", run.lastLine.c_str());
    return 1;
  }
  return 0;
}
